// The per-frame decision maker of hand control: usability, pose, pointer, engagement, hold-to-fire
// actions, grab and drop, scrolling (or the movement-area adjustment), filling one ControlOutput.
#pragma once

#include <cstdint>

#include "app/settings.h"
#include "camera/frame.h"
#include "control/control_output.h"
#include "control/pointer.h"
#include "control/reach_adjustment.h"
#include "tracking/hand_observation.h"
#include "tracking/point.h"

namespace vel {

// The hold-to-fire timer: a pose held still fills a circle for the hold time, then fires once and
// keeps the aim locked on the fired spot until the hand clearly moves away. Times in ms, 0 = none.
struct HoldState {
  bool armed = false;
  bool lockedAfterFire = false;
  Point anchor;   // normalised desktop position the circle fills at
  Point firedAt;  // where the last fire happened
  std::int64_t holdStart = 0;
  std::int64_t lastUpdate = 0;
  std::int64_t leftAt = 0;   // when the aim first strayed beyond the hold radius
  std::int64_t movedAt = 0;  // when the aim first strayed beyond the post-click radius after a fire
  std::int32_t lastMode = 0;  // 0 click, 1 double-click, 2 right-click
};

// Everything the engine carries from frame to frame; the default value is the reset state.
struct GestureState {
  bool engaged = false;    // the user started control by pointing with one finger
  bool scrolling = false;  // the Scroll pose moved far enough to scroll
  bool dragging = false;   // the engine holds the left button down
  std::int64_t pointingStart = 0;  // ms, pose 1 began while not engaged; 0 = not timing
  std::int64_t lastUpdate = 0;     // ms, previous processed frame; 0 = none
  std::int64_t poseChangeTime = 0;
  std::int64_t grabStart = 0;         // ms, the grab countdown began; 0 = none
  std::int64_t lastPointingTime = 0;  // ms, the pointer was last aimed with pose 1; 0 = never
  std::int32_t lastPose = 0;
  std::int32_t lastAction = 0;
  Point lastPointer;   // normalised desktop, last sent or aimed
  Point anchorCentre;  // palm centre (frame pixels) at the last pose change or re-anchoring
  Point aimLock;       // pointer frozen at the last pose change
  Point grabCentre;    // palm centre when the drag started
  Point grabPointer;   // pointer when the drag started
  float scrollRefY = 0.0f;
  float scrollAccumulator = 0.0f;  // wheel units not yet sent
  HoldState hold;
  PointerFilter filter;
  ReachAdjustment adjustment;
  DistanceState distance;
};

// One frame at the frame's time: fills `output` (which starts as a default ControlOutput) from the
// observation. Any loss of the hand appends LeftUp if a drag held the button, and starts over.
// Only the frame's time, sequence and size are read, never its pixels.
void stepGestureEngine(GestureState& state, ControlOutput& output, const HandObservation& observation,
                       const Frame& frame, const Settings& settings);

}  // namespace vel
