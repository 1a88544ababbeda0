// Follows one hand from frame to frame: the palm detector only while searching, then the
// landmark model alone on the region carried over from the previous frame's landmarks.
#pragma once

#include <filesystem>
#include <string>

#include "camera/frame.h"
#include "tracking/hand_landmarks.h"
#include "tracking/hand_observation.h"
#include "tracking/model_runtime.h"

namespace vel {

class HandTracker {
 public:
  // Loads both models from `modelsDir`; throws as ModelRuntime does.
  explicit HandTracker(const std::filesystem::path& modelsDir) : runtime_(modelsDir) {}

  // One frame. A frame that is not well formed gives an empty observation and changes nothing;
  // model errors propagate as exceptions.
  HandObservation step(const Frame& frame);

  // The next step searches with the palm detector even if the hand is still in view.
  void forgetHand() { tracking_ = false; }

  bool tracking() const { return tracking_; }
  const HandRegion& region() const { return region_; }
  // The models and their inference counters (tests and benchmarks look at them).
  ModelRuntime& runtime() { return runtime_; }
  const ModelRuntime& runtime() const { return runtime_; }
  std::string description() const { return runtime_.description(); }

 private:
  ModelRuntime runtime_;
  HandRegion region_;
  bool tracking_ = false;
};

}  // namespace vel
