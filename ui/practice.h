// Practice mode: the user tries each assigned pointer gesture on a large target inside the
// preview, then rests with an open hand; driven by control outputs, never by the input gate.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "control/actions.h"
#include "control/control_output.h"
#include "tracking/point.h"

namespace vel {

// Target centres in 0..1 of the movement area; every hit moves on to the next.
inline constexpr int kPracticeTargetCount = 5;
inline constexpr std::array<Point, kPracticeTargetCount> kPracticeTargets{{
    {0.5f, 0.35f}, {0.35f, 0.48f}, {0.65f, 0.48f}, {0.35f, 0.57f}, {0.65f, 0.57f}}};

inline constexpr std::int64_t kPracticeResultShownMs = 1100;
inline constexpr std::int64_t kPracticeSuccessPauseMs = 1100;
inline constexpr std::int64_t kPracticeDropGraceMs = 700;
inline constexpr std::int64_t kPracticeRestHoldMs = 500;

enum class PracticeResult : std::uint8_t {
  None = 0,
  Hit = 1,
  Missed = 2,          // also released outside the target
  Grabbed = 3,         // grabbed on the target
  ReleasedEarly = 4,   // released before the drop completed
};

enum class PracticeSource : std::uint8_t { Hand = 0, Mouse = 1 };

// Everything painting reads; times are GetTickCount64 ms, 0 = none.
struct PracticeState {
  bool active = false;
  std::int64_t startTime = 0;
  int areaWidth = 0;  // the movement area in preview pixels
  int areaHeight = 0;
  ControlOutput output;  // the latest output accepted; its sequence marks the last one seen

  std::array<int, kActionCount> steps{};  // action ids in catalog order
  int stepCount = 0;
  int stepIndex = 0;  // stepCount: the rest step
  bool hasSteps = false;
  bool complete = false;
  int currentAction = 0;  // 0 = none
  std::int64_t successPauseUntil = 0;

  std::int64_t restHoldStart = 0;
  std::int64_t lastOpenHandTime = 0;
  float restProgress = 0.0f;  // 0..1
  std::int64_t completionTime = 0;

  std::int64_t lastOutputTime = 0;
  int targetIndex = 0;
  int previousTarget = 0;
  std::uint32_t handHits = 0;
  std::uint32_t mouseHits = 0;
  std::uint32_t totalHits = 0;
  Point pointer;  // 0..1 of the movement area
  bool pointerValid = false;
  bool grabbed = false;  // a practice drag is holding
  std::int64_t dropUntil = 0;
  Point dropPoint;
  ActionKind lastKind = ActionKind::Move;  // Move = nothing handled yet
  PracticeResult result = PracticeResult::None;
  PracticeSource resultSource = PracticeSource::Hand;
  std::int64_t resultTime = 0;
  std::int64_t resultShownUntil = 0;

  bool inRestStep() const { return hasSteps && stepIndex == stepCount; }
  bool successPauseRunning(std::int64_t now) const { return successPauseUntil != 0 && now < successPauseUntil; }
};

// The prompt of the status line, for a state at `now`.
const wchar_t* practicePromptFor(const PracticeState& state, std::int64_t now);

// One engine per process. The worker feeds it; the main thread starts, resets, clicks and reads it;
// all under its own lock, taken after the snapshot lock when both are held.
class PracticeEngine {
 public:
  // Steps: every assigned action whose kind is a click, right-click, double-click, drag or scroll,
  // in catalog order; the rest step follows. The area is the movement area in preview pixels.
  void startPractice(std::int64_t now, int areaWidth, int areaHeight, const Gestures& assignments);
  void resetPractice();
  // One processed frame's output, `now` being the worker's tick time after processing it.
  void practiceOnOutput(const ControlOutput& output, std::int64_t now);
  // A click of the real mouse at `areaPoint` (0..1 of the movement area): tries the target.
  void practiceMouseClick(Point areaPoint, std::int64_t now);
  const wchar_t* practicePrompt(std::int64_t now) const;
  // What a paint at `now` shows, after letting a lapsed drop grace and a lost hand expire.
  PracticeState practiceForPaint(std::int64_t now);

 private:
  mutable std::mutex lock_;
  PracticeState state_;
};

}  // namespace vel
