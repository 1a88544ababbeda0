// An action sink for tests: records what it is asked to perform, keeps the state of the two mouse
// buttons those actions leave on the desktop, and can refuse an action the way blocked input does.
#pragma once

#include <string>
#include <vector>

#include "control/action_sink.h"

namespace vel::test {

class RecordingSink : public IActionSink {
 public:
  std::vector<ActionRecord> performed;
  DesktopRect target;
  bool leftDown = false;
  bool rightDown = false;
  // The next actions to refuse, releases (LeftUp, RightUp) aside: nothing could make a refused
  // release good. A refused click is half sent: its press gets through, the worst case the gate
  // must make good; any other refused action sends nothing.
  int refusals = 0;

  bool perform(const ActionRecord& action) override {
    performed.push_back(action);
    const bool release = action.kind == ActionKind::LeftUp || action.kind == ActionKind::RightUp;
    const bool refused = refusals > 0 && !release;
    if (refused) --refusals;
    switch (action.kind) {
      case ActionKind::LeftClick:
      case ActionKind::DoubleClick:
        leftDown = refused;
        break;
      case ActionKind::RightClick:
        rightDown = refused;
        break;
      case ActionKind::LeftDown:
        leftDown = leftDown || !refused;
        break;
      case ActionKind::LeftUp:
        leftDown = false;
        break;
      case ActionKind::RightUp:
        rightDown = false;
        break;
      default:
        break;
    }
    return !refused;
  }

  void setTarget(const DesktopRect& rect) override { target = rect; }

  // The actions performed since the last call, as the replay tool prints them, space-separated.
  std::string takeTexts() {
    std::string texts;
    for (const ActionRecord& action : performed) texts += (texts.empty() ? "" : " ") + actionText(action);
    performed.clear();
    return texts;
  }
};

}  // namespace vel::test
