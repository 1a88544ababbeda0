// Drives one gesture engine frame by frame with explicit times, on a 640 × 480 camera unless told.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "control/action_sink.h"
#include "control/gesture_engine.h"
#include "tests/support/hand_builder.h"

namespace vel::test {

class GestureDriver {
 public:
  Settings settings;  // the defaults of a missing settings.ini
  GestureState state;
  std::int64_t now = 100'000;  // a time of 0 means "none" inside the engine
  int width = 640;
  int height = 480;

  ControlOutput frame(const HandObservation& observation) {
    const Frame frame{width, height, ++sequence_, static_cast<std::uint64_t>(now), {}};
    ControlOutput output;
    stepGestureEngine(state, output, observation, frame, settings);
    return output;
  }
  ControlOutput at(std::int64_t timeMs, const HandObservation& observation) {
    now = timeMs;
    return frame(observation);
  }
  ControlOutput after(std::int64_t ms, const HandObservation& observation) { return at(now + ms, observation); }

  // Frames every `step` ms until `now + ms`; the last output, and every frame's action kinds in `actions`.
  ControlOutput keep(const HandObservation& observation, std::int64_t ms, std::string* actions = nullptr,
                     std::int64_t step = 20) {
    const std::int64_t end = now + ms;
    ControlOutput output;
    while (now < end) {
      output = at(std::min(now + step, end), observation);
      if (actions) *actions += (actions->empty() || output.actions.empty() ? "" : " ") + kinds(output);
    }
    return output;
  }

  // The kind names of the output's actions, space-separated ("Move LeftDown").
  static std::string kinds(const ControlOutput& output) {
    std::string names;
    for (const ActionRecord& action : output.actions) names += (names.empty() ? "" : " ") + actionKindName(action.kind);
    return names;
  }

 private:
  std::uint64_t sequence_ = 0;
};

// A tracked hand in `pose` with its palm centre on `centre` (frame pixels), palm 60 pixels.
inline HandObservation handAt(int pose, Point centre, float presence = 0.95f) {
  return HandBuilder::pose(pose).palm(60.0f).at(centre).observation(presence);
}

}  // namespace vel::test
