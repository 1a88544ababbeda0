// One frame's control decision: where the pointer goes, which input actions to send and what to
// tell the user. Made by the control provider, passed through the input gate, shown by the UI.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/action_sink.h"
#include "control/pointer.h"
#include "control/poses.h"
#include "control/reach_adjustment.h"
#include "tracking/point.h"

namespace vel {

// The default value is the record every provider call starts from.
struct ControlOutput {
  std::int64_t timeMs = 0;  // the frame's capture time, GetTickCount64 ms
  std::uint64_t sequence = 0;
  std::int32_t frameWidth = 0;
  std::int32_t frameHeight = 0;
  bool handPresent = false;  // a usable hand this frame
  float presence = 0.0f;
  std::wstring status = handCheckText(HandCheck::NoHand);
  std::optional<HandLandmarks> landmarks;  // frame pixels, whenever the tracker produced landmarks
  std::vector<ActionRecord> actions;       // in the order they are to be performed
  float latencyMs = 0.0f;
  bool pointerActive = false;  // the hand aims the pointer this frame
  Point pointer;               // normalised over the target desktop rectangle
  float progress = 0.0f;       // fill of the hold circle, 0..1
  Point progressAt;            // normalised desktop position of the hold circle
  bool showProgress = false;
  bool buttonHeld = false;        // a drag holds the left button
  bool completed = false;         // the hold fired and the aim is still locked, or a drag ended with the open hand
  bool fired = false;             // this frame fired a hold action, sent wheel input or dropped
  bool needsGuidance = false;     // the hand is missing or unusable
  AdjustmentProgress adjustment;  // runId 0 outside a movement-area adjustment
  std::int32_t pose = 0;          // pose id, 0 = none
  std::int32_t action = 0;        // action id, 0 = none; 4 while dragging, 5 while scrolling
  ReachRect reachRect;            // the camera rectangle the fingertip is mapped through
  std::wstring feedbackText;      // the steadied status, filled by the tracking worker
  bool feedbackFlag = false;      // the steadied needsGuidance, filled by the tracking worker
};

// Fresh: less than 251 ms old and at most 30 ms in the future; for snapshots and outputs alike.
inline constexpr std::int64_t kFreshAgeMs = 251;
inline constexpr std::int64_t kFreshLeadMs = 30;

inline bool isFresh(std::int64_t timeMs, std::int64_t nowMs) {
  return timeMs <= nowMs + kFreshLeadMs && nowMs - timeMs < kFreshAgeMs;
}

}  // namespace vel
