// The action catalog's structure, the assignment validity rule and the pose-to-action lookup.
#include <gtest/gtest.h>

#include <set>

#include "control/actions.h"
#include "control/poses.h"

namespace vel {
namespace {

Gestures with(std::initializer_list<std::pair<int, int>> changes, Gestures gestures = kDefaultGestures) {
  for (const auto& [action, pose] : changes) gestures[static_cast<std::size_t>(action)] = pose;
  return gestures;
}

TEST(ActionCatalog, IdsInOrderAndThreeDistinctAssignablePosesEach) {
  for (std::size_t i = 0; i < kActions.size(); ++i) {
    const ActionInfo& action = kActions[i];
    EXPECT_EQ(action.id, static_cast<int>(i) + 1);
    EXPECT_EQ(&actionInfo(action.id), &action);
    EXPECT_EQ(std::set<int>(action.options.begin(), action.options.end()).size(), 3u) << action.id;
    for (const int pose : action.options) {
      EXPECT_GE(pose, kPoseOneFinger) << action.id;
      EXPECT_LT(pose, kPoseOpenHand) << action.id;  // the open hand rests
    }
  }
  EXPECT_EQ(actionInfo(kActionScroll).kind, ActionKind::Wheel);
  EXPECT_EQ(actionInfo(kActionDragAndDrop).kind, ActionKind::LeftDown);
}

TEST(GestureAssignments, DefaultsAreValidAndShareTwoFingersWithScroll) {
  EXPECT_TRUE(gesturesValid(kDefaultGestures));
  EXPECT_EQ(kDefaultGestures[kActionScroll], kDefaultGestures[kActionRightClick]);
  EXPECT_TRUE(gesturesValid(Gestures{}));  // everything off
}

TEST(GestureAssignments, EachPoseMustBeOneOfTheActionsOptions) {
  EXPECT_FALSE(gesturesValid(with({{kActionClick, kPoseThreeFingers}})));
  EXPECT_TRUE(gesturesValid(with({{kActionClick, kPoseThumbUp}})));
  for (const int bad : {kPoseOpenHand, 8, -1, 1 << 30}) {
    EXPECT_FALSE(gesturesValid(with({{kActionClick, 0}, {9, bad}}))) << bad;
  }
  // Element 0 belongs to no action.
  EXPECT_FALSE(gesturesValid(with({{0, kPoseOneFinger}, {kActionClick, 0}})));
}

TEST(GestureAssignments, NoPoseServesTwoActionsExceptScroll) {
  // Copy (8) on Thumb up clashes with Click on Thumb up.
  EXPECT_FALSE(gesturesValid(with({{kActionClick, kPoseThumbUp}, {8, kPoseThumbUp}})));
  // Browser back (6) and forward (7) both on Index + little.
  EXPECT_FALSE(gesturesValid(with({{6, kPoseIndexLittle}, {7, kPoseIndexLittle}})));
  // Scroll may share its pose with another action...
  EXPECT_TRUE(gesturesValid(with({{kActionRightClick, kPoseThreeFingers}, {kActionDoubleClick, 0},
                                  {kActionScroll, kPoseThreeFingers}})));
  EXPECT_TRUE(gesturesValid(with({{kActionRightClick, 0}, {kActionScroll, kPoseIndexLittle}, {11, kPoseIndexLittle}})));
  // ...but never with Drag and drop.
  EXPECT_FALSE(gesturesValid(with({{kActionDragAndDrop, kPoseIndexLittle}, {kActionScroll, kPoseIndexLittle}})));
  // Both on Thumb up, which is no Scroll option anyway.
  EXPECT_FALSE(gesturesValid(with({{kActionDragAndDrop, kPoseThumbUp}, {kActionScroll, kPoseThumbUp}})));
}

TEST(PoseToAction, FirstActionHoldingThePoseScrollNever) {
  EXPECT_EQ(actionForPose(kDefaultGestures, kPoseTwoFingers), kActionRightClick);
  EXPECT_EQ(actionForPose(kDefaultGestures, kPoseOneFinger), kActionClick);
  EXPECT_EQ(actionForPose(kDefaultGestures, kPoseClosedFist), kActionDragAndDrop);
  EXPECT_EQ(actionForPose(kDefaultGestures, kPoseThumbUp), kActionNone);
  const Gestures scrollOnly = with({{kActionRightClick, 0}});
  EXPECT_EQ(actionForPose(scrollOnly, kPoseTwoFingers), kActionNone);
  EXPECT_EQ(actionForPose(with({{8, kPoseThumbUp}}), kPoseThumbUp), 8);
}

TEST(PoseToAction, NoPoseAndTheOpenHandNeverAct) {
  const Gestures odd = with({{kActionClick, kPoseOpenHand}, {kActionRightClick, kPoseNone}});
  EXPECT_EQ(actionForPose(odd, kPoseOpenHand), kActionNone);
  EXPECT_EQ(actionForPose(odd, kPoseNone), kActionNone);
}

}  // namespace
}  // namespace vel
