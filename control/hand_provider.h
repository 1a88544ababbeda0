// The control provider of the program: the hand tracker followed by the gesture engine, with the
// time both took.
#pragma once

#include <filesystem>

#include "control/control_provider.h"
#include "control/gesture_engine.h"
#include "tracking/hand_tracker.h"

namespace vel {

class HandProvider final : public IControlProvider {
 public:
  // Loads and validates both models from `modelsDir`; throws when one cannot be used.
  explicit HandProvider(const std::filesystem::path& modelsDir) : tracker_(modelsDir) {}

  ControlOutput process(const Frame& frame, const Settings& settings) override;
  void reset() override;
  const wchar_t* name() const override { return L"Hand tracking"; }

  // The tracker with its inference counters, for tests and benchmarks.
  const HandTracker& tracker() const { return tracker_; }

 private:
  HandTracker tracker_;
  GestureState gesture_;
};

}  // namespace vel
