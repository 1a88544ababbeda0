// Tracker step, engine step, latency.
#include "control/hand_provider.h"

#include <chrono>

namespace vel {

ControlOutput HandProvider::process(const Frame& frame, const Settings& settings) {
  const auto start = std::chrono::steady_clock::now();
  ControlOutput output;
  const HandObservation observation = tracker_.step(frame);
  stepGestureEngine(gesture_, output, observation, frame, settings);
  const std::chrono::duration<float, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  output.latencyMs = elapsed.count();
  return output;
}

void HandProvider::reset() {
  tracker_.forgetHand();
  gesture_ = GestureState{};
}

}  // namespace vel
