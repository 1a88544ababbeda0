// The rules over pose assignments: validity and the pose-to-action lookup.
#include "control/actions.h"

#include <algorithm>

#include "control/poses.h"

namespace vel {

bool gesturesValid(const Gestures& gestures) {
  if (gestures[0] != 0) return false;
  for (const ActionInfo& action : kActions) {
    const std::int32_t pose = gestures[action.id];
    if (pose == 0) continue;
    if (std::find(action.options.begin(), action.options.end(), pose) == action.options.end()) return false;
    if (action.id == kActionScroll) continue;
    for (int earlier = 1; earlier < action.id; ++earlier) {
      if (earlier != kActionScroll && gestures[earlier] == pose) return false;
    }
  }
  const std::int32_t drag = gestures[kActionDragAndDrop];
  return drag == 0 || drag != gestures[kActionScroll];
}

bool hasPracticeStep(ActionKind kind) {
  switch (kind) {
    case ActionKind::LeftClick:
    case ActionKind::DoubleClick:
    case ActionKind::RightClick:
    case ActionKind::LeftDown:
    case ActionKind::Wheel:
      return true;
    default:
      return false;
  }
}

int actionForPose(const Gestures& gestures, int pose) {
  if (pose == kPoseNone || pose == kPoseOpenHand) return kActionNone;
  for (const ActionInfo& action : kActions) {
    if (action.id != kActionScroll && gestures[action.id] == pose) return action.id;
  }
  return kActionNone;
}

}  // namespace vel
