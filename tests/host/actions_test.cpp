// The gesture assignment validity rule and the pose-to-action lookup.
#include <gtest/gtest.h>

#include "control/actions.h"
#include "control/poses.h"

namespace vel {
namespace {

Gestures with(std::initializer_list<std::pair<int, int>> changes) {
  Gestures gestures = kDefaultGestures;
  for (const auto& [action, pose] : changes) gestures[static_cast<std::size_t>(action)] = pose;
  return gestures;
}

// Each action is off or on one of its options, never a resting pose nor element 0; no pose serves
// two actions (Back 6, Forward 7, Copy 8) but Scroll, which never shares with Drag and drop.
TEST(GestureAssignments, ValidityRuleAndThePoseToActionLookup) {
  const struct { Gestures gestures; bool valid; } rows[] = {
      {kDefaultGestures, true}, {Gestures{}, true}, {with({{kActionClick, kPoseThumbUp}}), true},
      {with({{kActionClick, kPoseThreeFingers}}), false}, {with({{kActionClick, 0}, {9, kPoseOpenHand}}), false},
      {with({{kActionClick, 0}, {9, 8}}), false}, {with({{0, kPoseOneFinger}, {kActionClick, 0}}), false},
      {with({{kActionClick, kPoseThumbUp}, {8, kPoseThumbUp}}), false},
      {with({{6, kPoseIndexLittle}, {7, kPoseIndexLittle}}), false},
      {with({{kActionRightClick, 0}, {kActionScroll, kPoseIndexLittle}, {11, kPoseIndexLittle}}), true},
      {with({{kActionDragAndDrop, kPoseIndexLittle}, {kActionScroll, kPoseIndexLittle}}), false}};
  for (const auto& row : rows) EXPECT_EQ(gesturesValid(row.gestures), row.valid) << "row " << &row - rows;
  // The first action holding the pose, never Scroll, never a resting pose.
  const Gestures odd = with({{kActionClick, kPoseOpenHand}, {kActionRightClick, kPoseNone}});
  const struct { Gestures gestures; int pose, action; } lookups[] = {
      {kDefaultGestures, kPoseTwoFingers, kActionRightClick}, {kDefaultGestures, kPoseThumbUp, kActionNone},
      {with({{kActionRightClick, 0}}), kPoseTwoFingers, kActionNone}, {with({{8, kPoseThumbUp}}), kPoseThumbUp, 8},
      {odd, kPoseOpenHand, kActionNone}, {odd, kPoseNone, kActionNone}};
  for (const auto& row : lookups) EXPECT_EQ(actionForPose(row.gestures, row.pose), row.action) << &row - lookups;
}

}  // namespace
}  // namespace vel
