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
  // The next actions to refuse, releases aside. A refused click is half sent: its press gets
  // through, the worst case the gate must make good; any other refused action sends nothing.
  int refusals = 0;

  bool perform(const ActionRecord& action) override {
    performed.push_back(action);
    const ActionKind kind = action.kind;
    const bool refused = refusals > 0 && kind != ActionKind::LeftUp && kind != ActionKind::RightUp;
    if (refused) --refusals;
    if (kind == ActionKind::LeftClick || kind == ActionKind::DoubleClick) leftDown = refused;
    if (kind == ActionKind::RightClick) rightDown = refused;
    if (kind == ActionKind::LeftDown) leftDown = leftDown || !refused;
    if (kind == ActionKind::LeftUp) leftDown = false;
    if (kind == ActionKind::RightUp) rightDown = false;
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
