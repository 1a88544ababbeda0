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
    ASSERT_TRUE(driver.keep(handAt(kPoseOneFinger, centre), 200).pointerActive);
    engagedAt = driver.now;
  }

  // Changes to `pose` on the spot and keeps it `ms` longer.
  ControlOutput show(int pose, std::int64_t ms, std::string* actions = nullptr) {
    driver.after(20, handAt(pose, kCentre));
    return driver.keep(handAt(pose, kCentre), ms, actions);
  }

  GestureDriver driver;
  std::int64_t engagedAt = 0;
};

TEST_F(GestureEngine, PointingEngagesAt200msAndAnotherPoseRestartsTheTimer) {
  const HandObservation pointing = handAt(kPoseOneFinger, kCentre);
  const ControlOutput first = driver.frame(pointing);
  const std::int64_t start = driver.now;
  EXPECT_EQ(first.status, L"Point with your index finger to start");
  EXPECT_EQ(first.action, kActionClick);
  const ControlOutput before = driver.at(start + 199, pointing);
  EXPECT_FALSE(before.pointerActive);
  EXPECT_TRUE(before.actions.empty());
  const ControlOutput engaged = driver.at(start + 200, pointing);
  EXPECT_EQ(GestureDriver::kinds(engaged), "Move");
  EXPECT_EQ(engaged.status, L"Hold still · Click");
  EXPECT_NEAR(engaged.pointer.x, 0.5f, 0.1f);  // mirrored palm centre near the middle

  GestureDriver other;
  other.keep(pointing, 150);
  other.after(20, handAt(kPoseNone, kCentre));
  EXPECT_TRUE(other.keep(pointing, 180).actions.empty());
  EXPECT_FALSE(other.state.engaged);
}

TEST_F(GestureEngine, HoldingStillClicksOnceAfter160msPlusClickWaitAndMovingAwayRearms) {
  engage();
  const HandObservation pointing = handAt(kPoseOneFinger, kCentre);
  EXPECT_FALSE(driver.keep(pointing, 100).showProgress);
  const ControlOutput half = driver.keep(pointing, engagedAt + 660 - driver.now);
  EXPECT_TRUE(half.showProgress);
  EXPECT_NEAR(half.progress, 0.5f, 1e-4f);
  EXPECT_FLOAT_EQ(half.progressAt.x, half.pointer.x);

  std::string actions;
  driver.keep(pointing, engagedAt + 1159 - driver.now, &actions);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos);
  const ControlOutput fired = driver.at(engagedAt + 1160, pointing);
  EXPECT_EQ(GestureDriver::kinds(fired), "Move LeftClick");
  EXPECT_TRUE(fired.fired && fired.completed);
  EXPECT_FALSE(fired.showProgress);
  EXPECT_EQ(fired.status, L"Click done — move to continue");

  actions.clear();
  const ControlOutput after = driver.keep(pointing, 3000, &actions);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos) << "staying on the spot never clicks again";
  EXPECT_TRUE(after.completed);
  EXPECT_FALSE(after.fired);
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
  EXPECT_EQ(driver.at(changed + 179, two).status, L"Keep your pose steady");
  EXPECT_EQ(driver.at(changed + 180, two).status, L"Hold still · Right-click");
  std::string actions;
  driver.keep(two, changed + 1339 - driver.now, &actions);
  EXPECT_EQ(actions.find("RightClick"), std::string::npos);
  const ControlOutput fired = driver.at(changed + 1340, two);
  EXPECT_EQ(GestureDriver::kinds(fired), "Move RightClick");
  EXPECT_EQ(fired.status, L"Right-click done — move to continue");
}

TEST_F(GestureEngine, TwoFingersMovedFirstScrollAndNeverRightClick) {
  engage();
  show(kPoseTwoFingers, 200);
  // Up by 20 pixels twice: 62.5 wheel units each, one notch once the sum passes 120.
  const ControlOutput first = driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 20.0f}));
  EXPECT_EQ(first.status, L"Scrolling — relax your hand to finish");
  EXPECT_TRUE(first.actions.empty());
  const ControlOutput second = driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 40.0f}));
  EXPECT_EQ(GestureDriver::kinds(second), "Wheel");
  EXPECT_EQ(second.actions.at(0).amount, 120);
  std::string actions;
  driver.keep(handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 40.0f}), 2000, &actions);
  EXPECT_EQ(actions, "");
  const ControlOutput down = driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y + 10.0f}));
  EXPECT_EQ(down.actions.at(0).amount, -120);
}

TEST_F(GestureEngine, ALargeScrollSendsAtMostThreeNotchesAndKeepsTheRest) {
  engage({320.0f, 330.0f});
  driver.after(20, handAt(kPoseTwoFingers, {320.0f, 330.0f}));
  driver.keep(handAt(kPoseTwoFingers, {320.0f, 330.0f}), 200);
  // A third of the frame height: 500 wheel units, of which 360 go out and 20 stay.
  EXPECT_EQ(driver.after(20, handAt(kPoseTwoFingers, {320.0f, 170.0f})).actions.at(0).amount, 360);
  // 33 pixels more make 103 units: a notch only with the 20 kept.
  EXPECT_EQ(driver.after(20, handAt(kPoseTwoFingers, {320.0f, 137.0f})).actions.at(0).amount, 120);
}

TEST_F(GestureEngine, IdleStatuses) {
  struct Case {
    int unassign;  // action left without a pose
    int pose;
    const wchar_t* status;
    bool pointerActive;
  };
  for (const Case c : {Case{kActionRightClick, kPoseTwoFingers, L"Move up or down to scroll", true},
                       Case{kActionClick, kPoseOneFinger, L"Point to aim — use your chosen click pose", true},
                       Case{kActionClick, kPoseIndexLittle, L"Pose not assigned — open your hand to rest", false},
                       Case{kActionClick, kPoseOpenHand, L"Resting — point again to continue", false}}) {
    SCOPED_TRACE(c.pose);
    driver = GestureDriver{};
    driver.settings.gestures[static_cast<std::size_t>(c.unassign)] = 0;
    engage();
    const ControlOutput output = show(c.pose, 300);
    EXPECT_EQ(output.status, c.status);
    EXPECT_EQ(output.pointerActive, c.pointerActive);
    EXPECT_EQ(GestureDriver::kinds(output), c.pointerActive && c.pose == kPoseOneFinger ? "Move" : "");
  }
  EXPECT_FALSE(driver.state.engaged) << "an open hand rests";
  EXPECT_EQ(driver.after(20, handAt(kPoseOneFinger, kCentre)).status, L"Point with your index finger to start");
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

class GestureEngineDrag : public GestureEngine {
 protected:
  // Engages, points a little, then grabs.
  void grab() {
    engage();
    driver.keep(handAt(kPoseOneFinger, kCentre), 100);
    ASSERT_EQ(driver.after(20, fist).status, L"Keep this pose to grab");
    ASSERT_TRUE(driver.keep(fist, 350).buttonHeld);
  }

  HandObservation fist = handAt(kPoseClosedFist, kCentre);
};

TEST_F(GestureEngineDrag, GrabPressesTheButtonAfter350msAndThePointerFollowsThePalmMirrored) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 100);
  const Point aimed = driver.state.lastPointer;
  const ControlOutput first = driver.after(20, fist);
  const std::int64_t start = driver.now;
  EXPECT_TRUE(first.showProgress);
  EXPECT_EQ(first.action, kActionDragAndDrop);
  EXPECT_NEAR(driver.at(start + 175, fist).progress, 0.5f, 1e-4f);
  EXPECT_TRUE(driver.at(start + 349, fist).actions.empty());
  const ControlOutput pressed = driver.at(start + 350, fist);
  ASSERT_EQ(GestureDriver::kinds(pressed), "Move LeftDown");
  EXPECT_EQ(pressed.actions[0], moveAction(aimed));
  EXPECT_EQ(pressed.status, L"Holding — move, then open your hand");

  // The palm moves right in the camera; the mirrored pointer moves left by the same share of the reach.
  const ControlOutput moved = driver.after(20, handAt(kPoseClosedFist, {kCentre.x + 54.315f, kCentre.y}));
  EXPECT_EQ(moved.status, L"Holding — open your whole hand to drop");
  ASSERT_EQ(GestureDriver::kinds(moved), "Move");
  const float width = 639.0f * (moved.reachRect.right - moved.reachRect.left);
  EXPECT_NEAR(moved.actions[0].x, aimed.x - 54.315f / width, 1e-4f);
  EXPECT_NEAR(moved.actions[0].y, aimed.y, 1e-4f);
}

TEST_F(GestureEngineDrag, OpeningTheHandDropsAndAnyOtherPoseReleases) {
  grab();
  const Point held = driver.state.lastPointer;
  const ControlOutput drop = driver.after(20, handAt(kPoseOpenHand, kCentre));
  ASSERT_EQ(GestureDriver::kinds(drop), "Move LeftUp");
  EXPECT_EQ(drop.actions[0], moveAction(held));
  EXPECT_EQ(drop.status, L"Dropped — point again to continue");
  EXPECT_TRUE(drop.fired && drop.completed);
  EXPECT_FALSE(drop.buttonHeld || driver.state.engaged);

  driver = GestureDriver{};
  grab();
  const ControlOutput released = driver.after(20, handAt(kPoseTwoFingers, kCentre));
  EXPECT_EQ(GestureDriver::kinds(released), "Move LeftUp");
  EXPECT_EQ(released.status, L"Released — point again to continue");
  EXPECT_FALSE(released.fired || released.completed);
}

// Every way of losing the hand during a drag sends LeftUp at once; a 250 ms gap is still a drag.
TEST_F(GestureEngineDrag, LosingTheHandReleases) {
  HandObservation cut = fist, broken = fist;
  for (Point& p : cut.landmarks) p.x += 300.0f;  // off the right edge
  broken.landmarks[8].x = std::nanf("");
  struct Case {
    const char* what;
    std::int64_t gap;
    HandObservation hand;
    const char* kinds;
    const wchar_t* status;
    bool guidance;
  };
  const Case cases[] = {
      {"lost", 20, HandObservation{}, "LeftUp", L"Show one hand to the camera", true},
      {"off the edge", 20, cut, "LeftUp", L"Keep your whole hand in view", true},
      {"low presence", 20, handAt(kPoseClosedFist, kCentre, 0.7f), "LeftUp", L"Show one hand to the camera", false},
      {"not a number", 20, broken, "LeftUp", L"Show one hand to the camera", true},
      {"frame gap", 251, fist, "LeftUp", L"Point at an item before making the grab pose", false},
      {"time going back", -5, fist, "LeftUp", L"Point at an item before making the grab pose", false},
      {"gap of 250 ms", 250, fist, "Move", L"Holding — open your whole hand to drop", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    driver = GestureDriver{};
    grab();
    const ControlOutput output = driver.after(c.gap, c.hand);
    EXPECT_EQ(GestureDriver::kinds(output), c.kinds);
    EXPECT_EQ(output.status, c.status);
    EXPECT_EQ(output.needsGuidance, c.guidance);
    EXPECT_EQ(driver.state.dragging, std::string(c.kinds) == "Move");
  }
}

TEST_F(GestureEngine, AGrabLongAfterPointingIsRefused) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 100);
  driver.keep(handAt(kPoseNone, kCentre), 700);
  std::string actions;
  const ControlOutput output = driver.keep(handAt(kPoseClosedFist, kCentre), 600, &actions);
  EXPECT_EQ(output.status, L"Point at an item before making the grab pose");
  EXPECT_EQ(actions, "");
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
  EXPECT_NEAR(output.adjustment.reach.aspect, 640.0f / 480.0f, 1e-6f);
  EXPECT_TRUE(driver.state.dragging);

  const ControlOutput far = driver.after(20, test::HandBuilder::pointing().palm(20.0f).at(kCentre).observation());
  EXPECT_EQ(far.status, L"Move your hand closer");
  EXPECT_TRUE(far.needsGuidance);
  EXPECT_FALSE(far.handPresent);
}

}  // namespace
}  // namespace vel
