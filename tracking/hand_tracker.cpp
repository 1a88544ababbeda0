// The searching/tracking state machine of the hand tracker.
#include "tracking/hand_tracker.h"

#include "tracking/palm_detector.h"

namespace vel {

HandObservation HandTracker::step(const Frame& frame) {
  if (!frame.wellFormed()) return {};
  if (!tracking_) {
    const auto palm = detectPalm(runtime_, frame);
    if (!palm) return {};
    region_ = regionFromPalm(*palm);
  }
  const HandObservation observation = inferLandmarks(runtime_, frame, region_);
  tracking_ = observation.present;
  if (observation.present) region_ = regionFromLandmarks(observation.landmarks);
  return observation;
}

}  // namespace vel
