// The option cards of the Gestures page: which of an action's three poses is selected, and what
// choosing another would take from the other actions.
#pragma once

#include <string>

#include "control/actions.h"

namespace vel {

struct OptionCardText {
  int pose = 0;           // the card's pose
  bool selected = false;  // the action uses it now
  std::wstring line;      // "✓ Selected", "Replaces …", "Replaces hold + scroll" or empty
};

// Card `option` (0-2) of `action` (1-11); an empty card for anything else.
OptionCardText optionCardText(const Gestures& assignments, int action, int option);

}  // namespace vel
