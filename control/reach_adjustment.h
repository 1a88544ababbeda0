// "Set movement area": the user points, rests, then pauses left, right, up and down; the five
// pauses give the reach rectangle and the palm size it was measured at.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/settings.h"
#include "control/pointer.h"
#include "control/poses.h"
#include "tracking/hand_observation.h"

namespace vel {

// Steps in order.
inline constexpr std::int32_t kAdjustmentRest = 0;
inline constexpr std::int32_t kAdjustmentLeft = 1;
inline constexpr std::int32_t kAdjustmentRight = 2;
inline constexpr std::int32_t kAdjustmentUp = 3;
inline constexpr std::int32_t kAdjustmentDown = 4;

// Indexed by step: rest, left, right, up, down.
inline constexpr std::array<const wchar_t*, 5> kAdjustmentPrompts{
    L"Rest your elbow. Point comfortably in front of you and pause.",
    L"Move a comfortable distance left, then pause. Keep your index up.",
    L"Move a comfortable distance right, then pause. No need to stretch.",
    L"Move comfortably up, then pause. Keep your whole hand visible.",
    L"Move comfortably down, then pause. Keep your whole hand visible.",
};
inline constexpr const wchar_t* kAdjustmentTimedOut = L"Adjustment timed out. Your previous reach is unchanged.";
inline constexpr const wchar_t* kAdjustmentKeepDistance = L"Keep the same comfortable distance from the camera.";
inline constexpr const wchar_t* kAdjustmentSaved = L"Reach saved. Start control or try Practice.";
inline constexpr const wchar_t* kAdjustmentTooSmall = L"Reach was too small. Try again with slightly wider movements.";

// What the user interface sees of a run.
struct AdjustmentProgress {
  std::uint64_t runId = 0;  // the adjustment id this run belongs to
  std::int32_t step = kAdjustmentRest;
  float progress = 0.0f;  // how far the current pause has filled, 0..1
  bool finished = false;  // ended with a valid reach
  bool failed = false;    // ended by time-out or with a reach too small
  StoredReach reach;      // the result once finished
  std::wstring message;
};

// A run in progress; the default value is the state before any run.
struct ReachAdjustment : AdjustmentProgress {
  Point rest;         // averaged rest position
  Point stillAnchor;  // where the current pause began
  Point sum;          // positions of the current pause
  ReachRect measured{0, 0, 0, 0};
  float refPalm = 0.0f;
  float palmSum = 0.0f;
  std::int32_t count = 0;
  std::int64_t startTime = 0;   // ms
  std::int64_t stepStart = 0;   // ms
  std::int64_t stillSince = 0;  // ms; 0 = no pause
  std::int64_t lastTime = 0;    // ms; 0 = none
};

// One frame's input to the adjustment.
struct AdjustmentSample {
  Point position;  // fingertip in camera coordinates 0..1, mirrored like the pointer
  float palmSize = 0.0f;  // palm pixels / frame height
  bool usable = false;    // a well placed, present hand pointing with one finger
};

AdjustmentSample adjustmentSample(const HandObservation& observation, HandCheck check, int frameWidth,
                                  int frameHeight, bool mirror);

// Advances run `id` (a new id starts a new run) with the frame at `timeMs`. A finished or failed
// run stays as it is until the id changes.
void stepReachAdjustment(ReachAdjustment& adjustment, std::uint64_t id, const AdjustmentSample& sample,
                         std::int64_t timeMs);

// The run as the user interface sees it, its reach tagged with this frame's image shape.
AdjustmentProgress adjustmentProgress(const ReachAdjustment& adjustment, int frameWidth, int frameHeight);

}  // namespace vel
