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

TEST(GestureAssignments, ValidityRuleAndThePoseToActionLookup) {
  const struct { Gestures gestures; bool valid; } rows[] = {
      {kDefaultGestures, true},  // Scroll shares Two fingers with Right click
      {Gestures{}, true},        // everything off
      {with({{kActionClick, kPoseThumbUp}}), true},
      {with({{kActionClick, kPoseThreeFingers}}), false},  // not one of Click's options
      {with({{kActionClick, 0}, {9, kPoseOpenHand}}), false},  // a resting pose
      {with({{kActionClick, 0}, {9, 8}}), false},              // no such pose
      {with({{kActionClick, 0}, {9, -1}}), false},
      {with({{0, kPoseOneFinger}, {kActionClick, 0}}), false},  // element 0 belongs to no action
      // No pose serves two actions: Copy (8) and Click on Thumb up, Back (6) and Forward (7).
      {with({{kActionClick, kPoseThumbUp}, {8, kPoseThumbUp}}), false},
      {with({{6, kPoseIndexLittle}, {7, kPoseIndexLittle}}), false},
      // Except Scroll, but never with Drag and drop.
      {with({{kActionRightClick, 0}, {kActionScroll, kPoseIndexLittle}, {11, kPoseIndexLittle}}), true},
      {with({{kActionDragAndDrop, kPoseIndexLittle}, {kActionScroll, kPoseIndexLittle}}), false},
  };
  for (const auto& row : rows) EXPECT_EQ(gesturesValid(row.gestures), row.valid) << "row " << &row - rows;
  // The first action holding the pose, never Scroll, never a resting pose.
  const Gestures odd = with({{kActionClick, kPoseOpenHand}, {kActionRightClick, kPoseNone}});
  const struct { Gestures gestures; int pose, action; } lookups[] = {
      {kDefaultGestures, kPoseTwoFingers, kActionRightClick}, {kDefaultGestures, kPoseThumbUp, kActionNone},
      {with({{kActionRightClick, 0}}), kPoseTwoFingers, kActionNone}, {with({{8, kPoseThumbUp}}), kPoseThumbUp, 8},
      {odd, kPoseOpenHand, kActionNone}, {odd, kPoseNone, kActionNone},
  };
  for (const auto& row : lookups) EXPECT_EQ(actionForPose(row.gestures, row.pose), row.action) << &row - lookups;
}

}  // namespace
}  // namespace vel
