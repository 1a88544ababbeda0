// The gesture engine driven by synthetic hands and explicit frame times: engagement, hold-to-fire,
// right-click against scroll, grab and drop, and every way of losing the hand.
#include "control/gesture_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/support/gesture_driver.h"

namespace vel {
namespace {

using test::GestureDriver;
using test::handAt;

constexpr Point kCentre{320.0f, 300.0f};

class GestureEngine : public ::testing::Test {
 protected:
  // Points until control engages; the engaging frame's time is `engagedAt`.
  void engage(Point centre = kCentre) {
    ASSERT_FALSE(driver.frame(handAt(kPoseOneFinger, centre)).pointerActive);
    const ControlOutput output = driver.keep(handAt(kPoseOneFinger, centre), 200);
    ASSERT_TRUE(driver.state.engaged);
    engagedAt = driver.now;
    ASSERT_TRUE(output.pointerActive);
  }

  // Changes to `pose` on the spot and keeps it `ms` longer.
  ControlOutput show(int pose, std::int64_t ms, std::string* actions = nullptr) {
    driver.after(20, handAt(pose, kCentre));
    return driver.keep(handAt(pose, kCentre), ms, actions);
  }

  GestureDriver driver;
  std::int64_t engagedAt = 0;
};

TEST_F(GestureEngine, PointingEngagesAt200msAndMovesThePointerOnThatFrame) {
  const HandObservation pointing = handAt(kPoseOneFinger, kCentre);
  const ControlOutput first = driver.frame(pointing);
  const std::int64_t start = driver.now;
  EXPECT_EQ(first.status, L"Point with your index finger to start");
  EXPECT_EQ(first.pose, kPoseOneFinger);
  EXPECT_EQ(first.action, kActionClick);
  EXPECT_TRUE(first.handPresent);
  EXPECT_TRUE(first.actions.empty());

  const ControlOutput before = driver.at(start + 199, pointing);
  EXPECT_FALSE(before.pointerActive);
  EXPECT_TRUE(before.actions.empty());
  EXPECT_EQ(before.status, L"Point with your index finger to start");

  const ControlOutput engaged = driver.at(start + 200, pointing);
  EXPECT_TRUE(engaged.pointerActive);
  EXPECT_EQ(GestureDriver::kinds(engaged), "Move");
  EXPECT_EQ(engaged.status, L"Hold still · Click");
  EXPECT_NEAR(engaged.pointer.x, 0.5f, 0.1f);  // mirrored palm centre near the middle
}

TEST_F(GestureEngine, AnotherPoseRestartsTheEngagementTimer) {
  driver.keep(handAt(kPoseOneFinger, kCentre), 150);
  driver.after(20, handAt(kPoseNone, kCentre));
  const ControlOutput output = driver.keep(handAt(kPoseOneFinger, kCentre), 180);
  EXPECT_FALSE(driver.state.engaged);
  EXPECT_TRUE(output.actions.empty());
}

TEST_F(GestureEngine, HoldingStillClicksOnceAfter160msPlusClickWait) {
  engage();
  const HandObservation pointing = handAt(kPoseOneFinger, kCentre);
  const ControlOutput early = driver.keep(pointing, 100);
  EXPECT_FALSE(early.showProgress);
  const ControlOutput half = driver.keep(pointing, engagedAt + 660 - driver.now);
  EXPECT_TRUE(half.showProgress);
  EXPECT_NEAR(half.progress, 0.5f, 1e-4f);
  EXPECT_FLOAT_EQ(half.progressAt.x, half.pointer.x);
  EXPECT_EQ(half.status, L"Hold still · Click");

  std::string actions;
  driver.keep(pointing, engagedAt + 1159 - driver.now, &actions);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos);
  const ControlOutput fired = driver.at(engagedAt + 1160, pointing);
  EXPECT_EQ(GestureDriver::kinds(fired), "Move LeftClick");
  EXPECT_TRUE(fired.fired);
  EXPECT_TRUE(fired.completed);
  EXPECT_FALSE(fired.showProgress);
  EXPECT_EQ(fired.status, L"Click done — move to continue");

  // Staying on the spot never clicks again.
  actions.clear();
  const ControlOutput after = driver.keep(pointing, 3000, &actions);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos);
  EXPECT_EQ(after.status, L"Click done — move to continue");
  EXPECT_TRUE(after.completed);
  EXPECT_FALSE(after.fired);
}

TEST_F(GestureEngine, ClickWaitSetsTheHoldTime) {
  driver.settings.ClickWait = 700;
  engage();
  std::string actions;
  driver.keep(handAt(kPoseOneFinger, kCentre), 859, &actions);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos);
  EXPECT_EQ(GestureDriver::kinds(driver.after(1, handAt(kPoseOneFinger, kCentre))), "Move LeftClick");
}

TEST_F(GestureEngine, MovingWellAwayAfterAClickStartsANewHold) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 1200);
  ASSERT_TRUE(driver.state.hold.lockedAfterFire);
  // 100 camera pixels are several hundred desktop pixels: far beyond twice the hold radius.
  const ControlOutput moved = driver.keep(handAt(kPoseOneFinger, {kCentre.x - 100.0f, kCentre.y}), 300);
  EXPECT_FALSE(moved.completed);
  EXPECT_EQ(moved.status, L"Hold still · Click");
}

TEST_F(GestureEngine, TwoFingersHeldStillRightClickAfter180Plus160PlusClickWait) {
  engage();
  const HandObservation two = handAt(kPoseTwoFingers, kCentre);
  const ControlOutput settling = driver.after(20, two);
  const std::int64_t changed = driver.now;
  EXPECT_EQ(settling.status, L"Keep your pose steady");
  EXPECT_TRUE(settling.actions.empty());
  EXPECT_EQ(driver.keep(two, 159).status, L"Keep your pose steady");
  EXPECT_EQ(driver.at(changed + 180, two).status, L"Hold still · Right-click");

  std::string actions;
  EXPECT_EQ(driver.keep(two, changed + 1339 - driver.now, &actions).status, L"Hold still · Right-click");
  EXPECT_EQ(actions.find("RightClick"), std::string::npos);
  const ControlOutput fired = driver.at(changed + 1340, two);
  EXPECT_EQ(GestureDriver::kinds(fired), "Move RightClick");
  EXPECT_EQ(fired.status, L"Right-click done — move to continue");
}

TEST_F(GestureEngine, TwoFingersMovedFirstScrollAndNeverRightClick) {
  engage();
  driver.after(20, handAt(kPoseTwoFingers, kCentre));
  driver.keep(handAt(kPoseTwoFingers, kCentre), 200);
  // Up by 20 pixels twice: 62.5 wheel units each, one notch once the sum passes 120.
  const ControlOutput first = driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 20.0f}));
  EXPECT_EQ(first.status, L"Scrolling — relax your hand to finish");
  EXPECT_EQ(first.action, kActionScroll);
  EXPECT_TRUE(first.actions.empty());
  EXPECT_FALSE(first.fired);
  const ControlOutput second = driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 40.0f}));
  ASSERT_EQ(second.actions.size(), 1u);
  EXPECT_EQ(actionText(second.actions[0]), "Wheel:120");
  EXPECT_TRUE(second.fired);
  EXPECT_TRUE(second.pointerActive);

  std::string actions;
  driver.keep(handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 40.0f}), 2000, &actions);
  EXPECT_EQ(actions, "");
  const ControlOutput down = driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y + 10.0f}));
  ASSERT_EQ(down.actions.size(), 1u);
  EXPECT_EQ(down.actions[0].amount, -120);
}

TEST_F(GestureEngine, ALargeScrollSendsAtMostThreeNotchesAndKeepsTheRest) {
  engage({320.0f, 330.0f});
  driver.after(20, handAt(kPoseTwoFingers, {320.0f, 330.0f}));
  driver.keep(handAt(kPoseTwoFingers, {320.0f, 330.0f}), 200);
  // A third of the frame height: 500 wheel units, of which 360 go out and 20 stay.
  const ControlOutput jump = driver.after(20, handAt(kPoseTwoFingers, {320.0f, 170.0f}));
  ASSERT_EQ(jump.actions.size(), 1u);
  EXPECT_EQ(jump.actions[0].amount, 360);
  EXPECT_NEAR(driver.state.scrollAccumulator, 20.0f, 1e-3f);
  // 33 pixels more make 103 units: a notch only with the 20 kept.
  const ControlOutput more = driver.after(20, handAt(kPoseTwoFingers, {320.0f, 137.0f}));
  ASSERT_EQ(more.actions.size(), 1u);
  EXPECT_EQ(more.actions[0].amount, 120);
}

TEST_F(GestureEngine, AScrollPoseWithoutOtherActionAsksForMovement) {
  driver.settings.gestures[kActionRightClick] = 0;
  engage();
  const ControlOutput output = show(kPoseTwoFingers, 300);
  EXPECT_EQ(output.status, L"Move up or down to scroll");
  EXPECT_TRUE(output.pointerActive);
  EXPECT_TRUE(output.actions.empty());
}

TEST_F(GestureEngine, IdleStatusesForPointingWithoutClickAndForAnUnassignedPose) {
  driver.settings.gestures[kActionClick] = 0;
  engage();
  const ControlOutput aiming = driver.after(20, handAt(kPoseOneFinger, kCentre));
  EXPECT_EQ(aiming.status, L"Point to aim — use your chosen click pose");
  EXPECT_EQ(GestureDriver::kinds(aiming), "Move");
  const ControlOutput unassigned = show(kPoseIndexLittle, 300);
  EXPECT_EQ(unassigned.status, L"Pose not assigned — open your hand to rest");
  EXPECT_FALSE(unassigned.pointerActive);
  EXPECT_TRUE(unassigned.actions.empty());
}

TEST_F(GestureEngine, AHeldCommandPoseSendsItsCatalogKind) {
  driver.settings.gestures[8] = kPoseThumbUp;  // Copy
  engage();
  std::string actions;
  const ControlOutput output = show(kPoseThumbUp, 1400, &actions);
  EXPECT_NE(actions.find("Copy"), std::string::npos);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos);
  EXPECT_EQ(output.status, L"Copy done — move to continue");
}

TEST_F(GestureEngine, OpenHandRestsAndControlMustBeStartedAgain) {
  engage();
  const ControlOutput rest = driver.after(20, handAt(kPoseOpenHand, kCentre));
  EXPECT_EQ(rest.status, L"Resting — point again to continue");
  EXPECT_FALSE(rest.pointerActive);
  EXPECT_TRUE(rest.actions.empty());
  EXPECT_FALSE(driver.state.engaged);
  EXPECT_EQ(driver.after(20, handAt(kPoseOneFinger, kCentre)).status, L"Point with your index finger to start");
}

class GestureEngineDrag : public GestureEngine {
 protected:
  // Engages, points a little, then grabs; the grab's first frame is at `grabAt`.
  void grab() {
    engage();
    driver.keep(handAt(kPoseOneFinger, kCentre), 100);
    grabAt = driver.now + 20;
    const ControlOutput first = driver.at(grabAt, fist);
    ASSERT_EQ(first.status, L"Keep this pose to grab");
    const ControlOutput grabbed = driver.keep(fist, 350);
    ASSERT_TRUE(grabbed.buttonHeld);
  }

  HandObservation fist = handAt(kPoseClosedFist, kCentre);
  std::int64_t grabAt = 0;
};

TEST_F(GestureEngineDrag, GrabPressesTheButtonAfter350ms) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 100);
  const Point aimed = driver.state.lastPointer;
  const ControlOutput first = driver.after(20, fist);
  const std::int64_t start = driver.now;
  EXPECT_EQ(first.status, L"Keep this pose to grab");
  EXPECT_TRUE(first.showProgress);
  EXPECT_FLOAT_EQ(first.progress, 0.0f);
  EXPECT_EQ(first.action, kActionDragAndDrop);
  const ControlOutput half = driver.at(start + 175, fist);
  EXPECT_NEAR(half.progress, 0.5f, 1e-4f);
  const ControlOutput before = driver.at(start + 349, fist);
  EXPECT_TRUE(before.actions.empty());

  const ControlOutput pressed = driver.at(start + 350, fist);
  ASSERT_EQ(pressed.actions.size(), 2u);
  EXPECT_EQ(pressed.actions[0], moveAction(aimed));
  EXPECT_EQ(pressed.actions[1].kind, ActionKind::LeftDown);
  EXPECT_TRUE(pressed.buttonHeld);
  EXPECT_EQ(pressed.status, L"Holding — move, then open your hand");
}

TEST_F(GestureEngineDrag, TheDraggedPointerFollowsThePalmMirrored) {
  grab();
  const Point start = driver.state.grabPointer;
  // The palm moves right in the camera; the mirrored pointer moves left by the same share of the reach.
  const ControlOutput moved = driver.after(20, handAt(kPoseClosedFist, {kCentre.x + 54.315f, kCentre.y}));
  EXPECT_EQ(moved.status, L"Holding — open your whole hand to drop");
  EXPECT_TRUE(moved.buttonHeld);
  ASSERT_EQ(moved.actions.size(), 1u);
  const float width = 639.0f * (moved.reachRect.right - moved.reachRect.left);
  EXPECT_NEAR(moved.actions[0].x, start.x - 54.315f / width, 1e-4f);
  EXPECT_NEAR(moved.actions[0].y, start.y, 1e-4f);
}

TEST_F(GestureEngineDrag, OpeningTheHandDrops) {
  grab();
  const Point held = driver.state.lastPointer;
  const ControlOutput drop = driver.after(20, handAt(kPoseOpenHand, kCentre));
  ASSERT_EQ(drop.actions.size(), 2u);
  EXPECT_EQ(drop.actions[0], moveAction(held));
  EXPECT_EQ(drop.actions[1].kind, ActionKind::LeftUp);
  EXPECT_EQ(drop.status, L"Dropped — point again to continue");
  EXPECT_TRUE(drop.fired);
  EXPECT_TRUE(drop.completed);
  EXPECT_FALSE(drop.buttonHeld);
  EXPECT_FALSE(driver.state.engaged);
}

TEST_F(GestureEngineDrag, AnyOtherPoseReleases) {
  grab();
  const ControlOutput released = driver.after(20, handAt(kPoseTwoFingers, kCentre));
  EXPECT_EQ(GestureDriver::kinds(released), "Move LeftUp");
  EXPECT_EQ(released.status, L"Released — point again to continue");
  EXPECT_FALSE(released.fired);
  EXPECT_FALSE(released.completed);
}

TEST_F(GestureEngineDrag, LosingTheHandReleasesAtOnce) {
  grab();
  const ControlOutput lost = driver.after(20, HandObservation{});
  EXPECT_EQ(GestureDriver::kinds(lost), "LeftUp");
  EXPECT_EQ(lost.status, L"Show one hand to the camera");
  EXPECT_TRUE(lost.needsGuidance);
  EXPECT_FALSE(lost.handPresent);
  EXPECT_FALSE(lost.landmarks.has_value());
  EXPECT_FALSE(driver.state.dragging);
  EXPECT_FALSE(driver.state.engaged);
}

TEST_F(GestureEngineDrag, AnUnusableHandReleasesAndSaysWhy) {
  grab();
  HandObservation cut = fist;
  for (Point& p : cut.landmarks) p.x += 300.0f;  // off the right edge
  const ControlOutput output = driver.after(20, cut);
  EXPECT_EQ(GestureDriver::kinds(output), "LeftUp");
  EXPECT_EQ(output.status, L"Keep your whole hand in view");
  EXPECT_TRUE(output.needsGuidance);
  EXPECT_TRUE(output.landmarks.has_value());
}

TEST_F(GestureEngineDrag, LowPresenceReleasesWithoutGuidance) {
  grab();
  const ControlOutput output = driver.after(20, handAt(kPoseClosedFist, kCentre, 0.7f));
  EXPECT_EQ(GestureDriver::kinds(output), "LeftUp");
  EXPECT_EQ(output.status, L"Show one hand to the camera");
  EXPECT_FALSE(output.needsGuidance);
  EXPECT_FALSE(output.handPresent);
}

TEST_F(GestureEngineDrag, AFrameGapReleasesAndStartsOver) {
  grab();
  const ControlOutput gap = driver.after(251, fist);
  EXPECT_EQ(GestureDriver::kinds(gap), "LeftUp");
  EXPECT_EQ(gap.status, L"Point at an item before making the grab pose");
  EXPECT_FALSE(driver.state.engaged);
}

TEST_F(GestureEngineDrag, TimeGoingBackReleasesAndStartsOver) {
  grab();
  const ControlOutput back = driver.after(-5, fist);
  EXPECT_EQ(GestureDriver::kinds(back), "LeftUp");
  EXPECT_FALSE(driver.state.dragging);
}

TEST_F(GestureEngineDrag, AGapOf250msKeepsTheDrag) {
  grab();
  const ControlOutput output = driver.after(250, fist);
  EXPECT_EQ(GestureDriver::kinds(output), "Move");
  EXPECT_TRUE(output.buttonHeld);
}

TEST_F(GestureEngine, AGrabLongAfterPointingIsRefused) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 100);
  driver.keep(handAt(kPoseNone, kCentre), 700);
  std::string actions;
  const ControlOutput output = driver.keep(handAt(kPoseClosedFist, kCentre), 600, &actions);
  EXPECT_EQ(output.status, L"Point at an item before making the grab pose");
  EXPECT_EQ(actions, "");
  EXPECT_FALSE(output.pointerActive);
}

TEST_F(GestureEngine, AnAdjustmentRunsInsteadOfGesturesAndKeepsAHeldDrag) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 100);
  driver.keep(handAt(kPoseClosedFist, kCentre), 400);
  ASSERT_TRUE(driver.state.dragging);
  driver.settings.adjustmentId = 7;
  const ControlOutput output = driver.after(20, handAt(kPoseOneFinger, kCentre));
  EXPECT_TRUE(output.actions.empty());
  EXPECT_EQ(output.adjustment.runId, 7u);
  EXPECT_EQ(output.status, L"Rest your elbow. Point comfortably in front of you and pause.");
  EXPECT_TRUE(output.pointerActive);
  EXPECT_TRUE(output.handPresent);
  EXPECT_FALSE(output.needsGuidance);
  EXPECT_NEAR(output.adjustment.reach.aspect, 640.0f / 480.0f, 1e-6f);
  EXPECT_TRUE(driver.state.dragging);

  const ControlOutput far = driver.after(20, test::HandBuilder::pointing().palm(20.0f).at(kCentre).observation());
  EXPECT_EQ(far.status, L"Move your hand closer");
  EXPECT_TRUE(far.needsGuidance);
  EXPECT_FALSE(far.handPresent);
}

TEST_F(GestureEngine, NonFiniteLandmarksAreNoHand) {
  engage();
  HandObservation broken = handAt(kPoseOneFinger, kCentre);
  broken.landmarks[8].x = std::nanf("");
  const ControlOutput output = driver.after(20, broken);
  EXPECT_EQ(output.status, L"Show one hand to the camera");
  EXPECT_FALSE(output.handPresent);
  EXPECT_FALSE(output.landmarks.has_value());
  EXPECT_FALSE(driver.state.engaged);
}

}  // namespace
}  // namespace vel
