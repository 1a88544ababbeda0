// Option card texts.
#include "ui/option_card.h"

#include "ui/settings_pages.h"

namespace vel {

OptionCardText optionCardText(const Gestures& assignments, int action, int option) {
  OptionCardText card;
  if (action < 1 || action > kActionCount || option < 0 || option > 2) return card;
  card.pose = actionInfo(action).options[static_cast<std::size_t>(option)];
  card.selected = assignments[static_cast<std::size_t>(action)] == card.pose;
  if (card.selected) {
    card.line = L"✓ Selected";
    return card;
  }
  const int displaced = displacedAction(assignments, action, card.pose);
  if (displaced == kActionNone) return card;
  // A drag cannot share with Scroll, so it takes the pose from both.
  const bool alsoScroll = action == kActionDragAndDrop && displaced != kActionScroll &&
                          assignments[kActionScroll] == card.pose;
  card.line = alsoScroll ? L"Replaces hold + scroll" : std::wstring(L"Replaces ") + actionInfo(displaced).label;
  return card;
}

}  // namespace vel
