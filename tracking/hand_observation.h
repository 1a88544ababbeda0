// What the tracker reports for one frame: the hand's 21 landmarks in frame pixels and whether
// the hand counts as present. Read by the gesture engine, the overlays and the self-tests.
#pragma once

#include <array>

#include "tracking/point.h"

namespace vel {

// Landmark order: 0 wrist; thumb 1-4; index 5-8; middle 9-12; ring 13-16; little 17-20,
// each finger from its base joint to its tip.
inline constexpr int kLandmarkCount = 21;

struct HandObservation {
  bool present = false;         // presence ≥ 0.8, landmarks finite, wrist inside the frame
  bool landmarksValid = false;  // landmarks filled, even when the wrist is outside the frame
  float presence = 0.0f;        // landmark model's presence score; 0 when it did not run
  std::array<Point, kLandmarkCount> landmarks{};
};

}  // namespace vel
