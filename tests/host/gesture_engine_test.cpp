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
  // Points until control engages at `engagedAt`.
  void engage() {
    ASSERT_FALSE(driver.frame(handAt(kPoseOneFinger, kCentre)).pointerActive);
    ASSERT_TRUE(driver.keep(handAt(kPoseOneFinger, kCentre), 200).pointerActive);
    engagedAt = driver.now;
  }
  void grab() {
    engage();
    driver.keep(handAt(kPoseOneFinger, kCentre), 100);
    ASSERT_EQ(driver.after(20, fist).status, L"Keep this pose to grab");
    ASSERT_TRUE(driver.keep(fist, 350).buttonHeld);
  }

  GestureDriver driver;
  std::int64_t engagedAt = 0;
  HandObservation fist = handAt(kPoseClosedFist, kCentre);
};

TEST_F(GestureEngine, PointingEngagesAt200ms) {
  const HandObservation pointing = handAt(kPoseOneFinger, kCentre);
  EXPECT_EQ(driver.frame(pointing).status, L"Point with your index finger to start");
  const std::int64_t start = driver.now;
  EXPECT_TRUE(driver.at(start + 199, pointing).actions.empty());
  const ControlOutput engaged = driver.at(start + 200, pointing);
  EXPECT_EQ(GestureDriver::kinds(engaged), "Move");
  EXPECT_EQ(engaged.status, L"Hold still · Click");
}

TEST_F(GestureEngine, HoldingStillClicksOnceAfter160msPlusClickWaitAndMovingAwayRearms) {
  engage();
  const HandObservation pointing = handAt(kPoseOneFinger, kCentre);
  EXPECT_FALSE(driver.keep(pointing, 100).showProgress);
  const ControlOutput half = driver.keep(pointing, engagedAt + 660 - driver.now);
  EXPECT_TRUE(half.showProgress);
  EXPECT_NEAR(half.progress, 0.5f, 1e-4f);

  std::string actions;
  driver.keep(pointing, engagedAt + 1159 - driver.now, &actions);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos);
  const ControlOutput fired = driver.at(engagedAt + 1160, pointing);
  EXPECT_EQ(GestureDriver::kinds(fired), "Move LeftClick");
  EXPECT_EQ(fired.status, L"Click done — move to continue");

  actions.clear();
  EXPECT_TRUE(driver.keep(pointing, 3000, &actions).completed);
  EXPECT_EQ(actions.find("LeftClick"), std::string::npos) << "staying on the spot never clicks again";
  EXPECT_FALSE(driver.keep(handAt(kPoseOneFinger, {kCentre.x - 100.0f, kCentre.y}), 300).completed);
}

TEST_F(GestureEngine, TwoFingersHeldStillRightClickAfter180Plus160PlusClickWait) {
  engage();
  const HandObservation two = handAt(kPoseTwoFingers, kCentre);
  EXPECT_EQ(driver.after(20, two).status, L"Keep your pose steady");
  const std::int64_t changed = driver.now;
  EXPECT_EQ(driver.at(changed + 179, two).status, L"Keep your pose steady");
  EXPECT_EQ(driver.at(changed + 180, two).status, L"Hold still · Right-click");
  std::string actions;
  driver.keep(two, changed + 1339 - driver.now, &actions);
  EXPECT_EQ(actions.find("RightClick"), std::string::npos);
  const ControlOutput fired = driver.at(changed + 1340, two);
  EXPECT_EQ(GestureDriver::kinds(fired), "Move RightClick");
  EXPECT_EQ(fired.status, L"Right-click done — move to continue");
}

TEST_F(GestureEngine, TwoFingersMovedFirstScrollAtMostThreeNotchesAndNeverRightClick) {
  engage();
  driver.keep(handAt(kPoseTwoFingers, kCentre), 220);
  // 20 pixels up are 62.5 wheel units: one notch once the sum passes 120.
  const ControlOutput first = driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 20.0f}));
  EXPECT_EQ(first.status, L"Scrolling — relax your hand to finish");
  EXPECT_TRUE(first.actions.empty());
  EXPECT_EQ(driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 40.0f})).actions.at(0).amount, 120);
  std::string actions;
  driver.keep(handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 40.0f}), 2000, &actions);
  EXPECT_EQ(actions, "");
  EXPECT_EQ(driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y + 10.0f})).actions.at(0).amount, -120);
  // A third of the frame height is 500 units: 360 go out.
  EXPECT_EQ(driver.after(20, handAt(kPoseTwoFingers, {kCentre.x, kCentre.y - 150.0f})).actions.at(0).amount, 360);
}

TEST_F(GestureEngine, GrabPressesTheButtonAfter350msWhereThePointerWasAimed) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 100);
  const Point aimed = driver.state.lastPointer;
  EXPECT_EQ(driver.after(20, fist).action, kActionDragAndDrop);
  const std::int64_t start = driver.now;
  EXPECT_NEAR(driver.at(start + 175, fist).progress, 0.5f, 1e-4f);
  EXPECT_TRUE(driver.at(start + 349, fist).actions.empty());
  const ControlOutput pressed = driver.at(start + 350, fist);
  ASSERT_EQ(GestureDriver::kinds(pressed), "Move LeftDown");
  EXPECT_EQ(pressed.actions[0], moveAction(aimed));
  EXPECT_EQ(pressed.status, L"Holding — move, then open your hand");
}

TEST_F(GestureEngine, OpeningTheHandDropsAndAnyOtherPoseReleases) {
  grab();
  const ControlOutput drop = driver.after(20, handAt(kPoseOpenHand, kCentre));
  ASSERT_EQ(GestureDriver::kinds(drop), "Move LeftUp");
  EXPECT_EQ(drop.status, L"Dropped — point again to continue");
  EXPECT_FALSE(drop.buttonHeld || driver.state.engaged);

  driver = GestureDriver{};
  grab();
  const ControlOutput released = driver.after(20, handAt(kPoseTwoFingers, kCentre));
  EXPECT_EQ(GestureDriver::kinds(released), "Move LeftUp");
  EXPECT_EQ(released.status, L"Released — point again to continue");
}

// Every way of losing the hand during a drag sends LeftUp at once; a 250 ms gap is still a drag.
TEST_F(GestureEngine, LosingTheHandDuringADragReleases) {
  HandObservation cut = fist, broken = fist;
  for (Point& p : cut.landmarks) p.x += 300.0f;
  broken.landmarks[8].x = std::nanf("");
  const struct { const char* what; std::int64_t gap; HandObservation hand; const char* kinds; const wchar_t* status; }
      cases[] = {
      {"lost", 20, HandObservation{}, "LeftUp", L"Show one hand to the camera"},
      {"off the edge", 20, cut, "LeftUp", L"Keep your whole hand in view"},
      {"low presence", 20, handAt(kPoseClosedFist, kCentre, 0.7f), "LeftUp", L"Show one hand to the camera"},
      {"not a number", 20, broken, "LeftUp", L"Show one hand to the camera"},
      {"frame gap", 251, fist, "LeftUp", L"Point at an item before making the grab pose"},
      {"time going back", -5, fist, "LeftUp", L"Point at an item before making the grab pose"},
      {"gap of 250 ms", 250, fist, "Move", L"Holding — open your whole hand to drop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    driver = GestureDriver{};
    grab();
    const ControlOutput output = driver.after(c.gap, c.hand);
    EXPECT_EQ(GestureDriver::kinds(output), c.kinds);
    EXPECT_EQ(output.status, c.status);
    EXPECT_EQ(driver.state.dragging, std::string(c.kinds) == "Move");
  }
}

TEST_F(GestureEngine, AGrabLongAfterPointingIsRefused) {
  engage();
  driver.keep(handAt(kPoseOneFinger, kCentre), 100);
  driver.keep(handAt(kPoseNone, kCentre), 700);
  std::string actions;
  EXPECT_EQ(driver.keep(fist, 600, &actions).status, L"Point at an item before making the grab pose");
  EXPECT_EQ(actions, "");
}

TEST_F(GestureEngine, AnAdjustmentRunsInsteadOfGesturesAndKeepsAHeldDrag) {
  grab();
  driver.settings.adjustmentId = 7;
  const ControlOutput output = driver.after(20, handAt(kPoseOneFinger, kCentre));
  EXPECT_TRUE(output.actions.empty());
  EXPECT_EQ(output.adjustment.runId, 7u);
  EXPECT_EQ(output.status, L"Rest your elbow. Point comfortably in front of you and pause.");
  EXPECT_TRUE(driver.state.dragging);
}

}  // namespace
}  // namespace vel
