// When the preview shows the hand.
#include "ui/hand_skeleton.h"

namespace vel {

bool skeletonShown(const ControlOutput& snapshot, std::int64_t ageMs) {
  return snapshot.handPresent && snapshot.landmarks.has_value() && ageMs <= 299;
}

bool fingertipRingShown(const ControlOutput& snapshot) { return snapshot.landmarks.has_value(); }

}  // namespace vel
