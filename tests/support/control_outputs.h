// Control outputs for tests of what consumes them: a fresh frame with a usable hand and actions.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "control/control_output.h"

namespace vel::test {

inline ControlOutput handOutput(std::int64_t timeMs, std::initializer_list<ActionRecord> actions = {}) {
  ControlOutput output;
  output.timeMs = timeMs;
  output.handPresent = true;
  output.presence = 0.95f;
  output.actions = actions;
  return output;
}

}  // namespace vel::test
