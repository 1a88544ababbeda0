// Settings page rules: choices into the settings record, and the pose sharing rule.
#include "ui/settings_pages.h"

#include <algorithm>

#include "app/display.h"
#include "control/poses.h"
#include "ui/control_table.h"

namespace vel {
namespace {

template <typename Table>
const auto& tableRow(const Table& table, int item) {
  return table[static_cast<std::size_t>(std::clamp(item, 0, static_cast<int>(table.size()) - 1))];
}

bool offersPose(int action, int pose) {
  if (action < 1 || action > kActionCount) return false;
  const auto& options = actionInfo(action).options;
  return std::find(options.begin(), options.end(), pose) != options.end();
}

}  // namespace

int clickWaitItem(int milliseconds) {
  if (milliseconds < 850) return 2;
  return milliseconds >= 1151 ? 1 : 0;
}

void resetCalibration(Settings& settings) { setStoredReach(settings, {.aspect = settings.ReachAspect}); }

void applyChoice(Settings& settings, int controlId, int value, std::size_t displayCount) {
  switch (controlId) {
    case kIdCamera:
      settings.Camera = value;
      resetCalibration(settings);
      break;
    case kIdMirror:
      settings.Mirror = value != 0;
      resetCalibration(settings);
      break;
    case kIdDisplay:
      pickDisplayItem(settings, value, displayCount);
      break;
    case kIdCursorFeel:
      settings.PointerFeel = std::clamp(value, 0, static_cast<int>(kPointerFeelOptions.size()) - 1);
      settings.pointerSmoothing = tableRow(kPointerFeelOptions, value).smoothing;
      break;
    case kIdClickWait:
      settings.ClickWait = tableRow(kClickWaitOptions, value).milliseconds;
      break;
    case kIdDistance:
      settings.DistanceMode = value == 1 ? 1 : 0;
      break;
    case kIdReference:
      settings.GestureReference = value != 0;
      break;
    default:
      break;
  }
}

int displacedAction(const Gestures& assignments, int action, int pose) {
  if (!offersPose(action, pose)) return kActionNone;
  if (action == kActionScroll) {
    return assignments[kActionDragAndDrop] == pose ? kActionDragAndDrop : kActionNone;
  }
  const int holder = actionForPose(assignments, pose);
  if (holder == kActionNone && action == kActionDragAndDrop && assignments[kActionScroll] == pose) {
    return kActionScroll;
  }
  return holder;
}

int assignPose(Gestures& assignments, int action, int pose) {
  if (!offersPose(action, pose)) return kActionNone;
  const int displaced = displacedAction(assignments, action, pose);
  if (action == kActionDragAndDrop && assignments[kActionScroll] == pose) assignments[kActionScroll] = 0;
  if (displaced != kActionNone && displaced != action) assignments[displaced] = 0;
  assignments[action] = pose;
  return displaced == action ? kActionNone : displaced;
}

std::wstring chooseOptionNotice(int action, int pose, const Gestures& before, const Gestures& after) {
  std::wstring notice = std::wstring(actionInfo(action).label) + L" uses " + kPoses[static_cast<std::size_t>(pose)].name;
  for (const ActionInfo& info : kActions) {
    if (before[info.id] != 0 && after[info.id] == 0) notice += std::wstring(L" \u00b7 ") + info.label + L" off";
  }
  return notice;
}

std::wstring turnOffNotice(int action) { return std::wstring(actionInfo(action).label) + L" is off"; }

}  // namespace vel
