// The gesture engine driven by synthetic hands and explicit frame times: engagement, hold-to-fire
// and the aim lock, right-click against scroll, grab and drop, and every way of losing the hand.
#include "control/gesture_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "tests/support/gesture_driver.h"

namespace vel {
namespace {

using test::GestureDriver;
using test::handAt;

constexpr Point kCentre{320.0f, 300.0f};
// With Margin 0.2 and a fixed reach rectangle a camera pixel is 1919 / (639 × 0.8) = 3.75 desktop
// pixels: the hold radius (48) is 12.8 of them, twice it 25.6, the post-click radius (45) 12.
constexpr float kStray = 20.0f;
constexpr float kAway = 30.0f;

HandObservation at(int pose, float dx, float dy = 0.0f) { return handAt(pose, {kCentre.x + dx, kCentre.y + dy}); }
const HandObservation kPointing = at(kPoseOneFinger, 0);
const HandObservation kFist = at(kPoseClosedFist, 0);

// Direct pointer feel and a fixed reach rectangle, so hands move the aim by known amounts.
class GestureEngine : public ::testing::Test {
 protected:
  GestureEngine() {
    driver.settings.Margin = 0.2f;
    driver.settings.DistanceMode = 1;
    driver.settings.pointerSmoothing = 1.0f;
  }
  void engage() {
    driver.state = GestureState{};
    ASSERT_EQ(driver.after(300, kPointing).status, L"Point with your index finger to start");
    ASSERT_TRUE(driver.after(199, kPointing).actions.empty());
    const ControlOutput engaged = driver.after(1, kPointing);
    ASSERT_EQ(GestureDriver::kinds(engaged), "Move");
    ASSERT_EQ(engaged.status, L"Hold still · Click");
    ASSERT_FLOAT_EQ(engaged.reachRect.left, 0.1f);
  }
  // Frames of `hand` until one fires (2 s at most).
  ControlOutput untilFired(const HandObservation& hand) {
    ControlOutput output;
    for (int frame = 0; frame < 100 && !output.fired; ++frame) output = driver.after(20, hand);
    return output;
  }
  void click() {
    engage();
    ASSERT_EQ(GestureDriver::kinds(untilFired(kPointing)), "Move LeftClick");
  }
  void grab() {
    engage();
    driver.keep(kPointing, 100);
    ASSERT_EQ(driver.after(20, kFist).status, L"Keep this pose to grab");
    ASSERT_TRUE(driver.keep(kFist, 350).buttonHeld);
  }
  std::string actionsWhile(const HandObservation& hand, std::int64_t ms) {
    std::string actions;
    driver.keep(hand, ms, &actions);
    return actions;
  }

  GestureDriver driver;
};

TEST_F(GestureEngine, HoldingStillClicksOnce160MsPlusTheClampedClickWaitAfterEngaging) {
  for (const auto& [wait, hold] : {std::pair{1000, 1000}, {300, 700}, {1300, 1300}, {5000, 1500}}) {
    driver.settings.ClickWait = wait;
    engage();
    const std::int64_t engaged = driver.now;
    EXPECT_FALSE(driver.keep(kPointing, 140).showProgress) << "the aim follows the hand first";
    const ControlOutput half = driver.keep(kPointing, engaged + 160 + hold / 2 - driver.now);
    EXPECT_TRUE(half.showProgress);
    EXPECT_NEAR(half.progress, 0.5f, 1e-3f) << wait;
    EXPECT_EQ(moveAction(half.progressAt), half.actions.at(0)) << "the circle fills where the aim is held";
    EXPECT_EQ(actionsWhile(kPointing, engaged + 159 + hold - driver.now).find("Click"), std::string::npos) << wait;
    const ControlOutput fired = driver.at(engaged + 160 + hold, kPointing);
    EXPECT_EQ(GestureDriver::kinds(fired), "Move LeftClick") << wait;
    EXPECT_EQ(fired.status, L"Click done — move to continue");
    EXPECT_TRUE(fired.fired && fired.completed && !fired.showProgress);
  }
}

// After a fire the aim stays on the spot, without a second click, until the hand clearly moves
// away: beyond twice the hold radius at once, beyond the post-click radius after 140 ms.
TEST_F(GestureEngine, AfterAFireTheAimStaysLockedOnTheSpot) {
  click();
  const float spot = driver.state.hold.firedAt.x;
  const ControlOutput near = driver.keep(at(kPoseOneFinger, 5), 3000);
  EXPECT_TRUE(near.completed);
  EXPECT_EQ(near.actions.at(0).x, spot) << "the pointer stays where it clicked";
  EXPECT_FALSE(driver.after(20, at(kPoseOneFinger, kAway)).completed);

  click();
  const std::int64_t strayed = driver.after(20, at(kPoseOneFinger, kStray)).timeMs;
  driver.keep(at(kPoseOneFinger, kStray), 100);
  EXPECT_TRUE(driver.at(strayed + 139, at(kPoseOneFinger, kStray)).completed);
  EXPECT_FALSE(driver.at(strayed + 140, at(kPoseOneFinger, kStray)).completed);
  // Back on the spot a new hold starts from nothing.
  const std::int64_t back = driver.after(20, kPointing).timeMs;
  EXPECT_EQ(actionsWhile(kPointing, 1159).find("Click"), std::string::npos);
  EXPECT_EQ(GestureDriver::kinds(driver.at(back + 1160, kPointing)), "Move LeftClick");
  EXPECT_TRUE(driver.after(20, at(kPoseOneFinger, kStray)).completed) << "a new lock, with its own 140 ms";

  // Pointing again after 300 ms of another pose may click the same spot again.
  click();
  driver.keep(at(kPoseNone, 0), 300);
  const std::int64_t again = driver.after(20, kPointing).timeMs;
  driver.keep(kPointing, 1140);
  EXPECT_EQ(GestureDriver::kinds(driver.at(again + 1160, kPointing)), "Move LeftClick");
}

TEST_F(GestureEngine, AStrayWithinTwiceTheRadiusPausesTheHoldAndBeyondItRestarts) {
  engage();
  const std::int64_t engaged = driver.now;
  driver.keep(kPointing, 380);
  const ControlOutput drift = driver.after(20, at(kPoseOneFinger, 5));
  EXPECT_EQ(moveAction(drift.pointer), drift.actions.at(0)) << "a locked aim stays on the anchor";
  // Two frames off the anchor: the fire comes 40 ms later.
  EXPECT_GT(driver.after(20, at(kPoseOneFinger, kStray)).progress, 0.2f);
  EXPECT_EQ(GestureDriver::kinds(driver.after(20, kPointing)), "Move");
  EXPECT_EQ(actionsWhile(kPointing, engaged + 1199 - driver.now).find("Click"), std::string::npos);
  EXPECT_EQ(GestureDriver::kinds(driver.at(engaged + 1200, kPointing)), "Move LeftClick");

  engage();
  driver.keep(kPointing, 400);
  const ControlOutput moved = driver.after(20, at(kPoseOneFinger, kAway));
  EXPECT_EQ(moved.progress, 0.0f);
  EXPECT_FALSE(moved.showProgress);
  driver.keep(at(kPoseOneFinger, kAway), 1139);
  EXPECT_EQ(GestureDriver::kinds(driver.at(moved.timeMs + 1160, at(kPoseOneFinger, kAway))), "Move LeftClick");
}

TEST_F(GestureEngine, AnIdlePoseBetweenHoldsStartsTheHoldOver) {
  // A moment's rest, then pointing again: engaging takes 200 ms, the hold all its time after that.
  engage();
  driver.keep(kPointing, 500);
  driver.after(20, at(kPoseOpenHand, 0));
  ASSERT_EQ(GestureDriver::kinds(driver.keep(kPointing, 220)), "Move");
  const std::int64_t engaged = driver.now;
  EXPECT_EQ(actionsWhile(kPointing, 1159).find("Click"), std::string::npos);
  EXPECT_EQ(GestureDriver::kinds(driver.at(engaged + 1160, kPointing)), "Move LeftClick");

  engage();
  driver.keep(kPointing, 500);
  const float spot = driver.state.lastPointer.x;
  // Pose 0 aims with the finger too (mirrored: the pointer goes left), but holds nothing.
  EXPECT_LT(driver.keep(at(kPoseNone, kAway), 100).pointer.x, spot - 0.05f);
  const std::int64_t back = driver.after(20, kPointing).timeMs;
  EXPECT_EQ(actionsWhile(kPointing, 1159).find("Click"), std::string::npos);
  EXPECT_EQ(GestureDriver::kinds(driver.at(back + 1160, kPointing)), "Move LeftClick");
}

// Steady feel: one 20 ms step towards a fingertip 10 camera pixels away (0.01956 of the desktop)
// closes 0.003534 of it.
TEST_F(GestureEngine, TheSmoothingFilterStepsByTheFrameTime) {
  driver.settings.pointerSmoothing = 0.18f;
  engage();
  const float spot = driver.state.lastPointer.x;
  EXPECT_NEAR(driver.after(20, at(kPoseOneFinger, 10)).actions.at(0).x - spot, -0.0035344f, 1e-6f);
}

// Pointing down at the bottom of the image aims at the desktop's bottom edge; dragging further
// down keeps the item there.
TEST_F(GestureEngine, ADraggedItemStaysOnTheDesktop) {
  const auto down = [](int pose, float dy) {
    return test::HandBuilder::pose(pose).palm(60.0f).rotate(180.0f).at({320.0f, 380.0f + dy}).observation();
  };
  driver.keep(down(kPoseOneFinger, 0), 300);
  ASSERT_TRUE(driver.keep(down(kPoseClosedFist, 0), 400).buttonHeld);
  EXPECT_EQ(driver.after(20, down(kPoseClosedFist, 20)).actions.at(0).y, 1.0f);
}

TEST_F(GestureEngine, PointingAtTheImageBeyondTheReachRectangleAimsAtTheDesktopsEdge) {
  // Mirrored: the image's left edge is the desktop's right. The second hand points down.
  for (const auto& [tip, turn, corner] : {std::tuple{Point{20, 20}, 0.0f, Point{1, 0}}, {Point{620, 460}, 180.0f, Point{0, 1}}}) {
    driver.state = GestureState{};
    const HandObservation hand = test::HandBuilder::pointing().palm(60.0f).rotate(turn).tipAt(tip).observation();
    const ControlOutput fired = untilFired(hand);
    ASSERT_EQ(GestureDriver::kinds(fired), "Move LeftClick") << corner.x;
    EXPECT_EQ(fired.actions[0], moveAction(corner));
  }
}

TEST_F(GestureEngine, OtherPosesSettle180MsAndOnlyAnAssignedOneFires) {
  driver.settings.gestures[8] = kPoseThumbUp;  // Copy
  engage();
  driver.keep(kPointing, 100);
  driver.settings.gestures[8] = 0;
  EXPECT_EQ(driver.after(20, at(kPoseThumbUp, 0)).status, L"Keep your pose steady");
  EXPECT_EQ(actionsWhile(at(kPoseThumbUp, 0), 3000), "");
  EXPECT_EQ(driver.after(20, at(kPoseThumbUp, 0)).status, L"Pose not assigned — open your hand to rest");
  driver.settings.gestures[kActionScroll] = kPoseThumbUp;  // Scroll alone on the pose
  const ControlOutput scroll = driver.after(20, at(kPoseThumbUp, 0));
  EXPECT_EQ(scroll.status, L"Move up or down to scroll");
  EXPECT_TRUE(scroll.pointerActive);
  driver.settings.gestures[kActionScroll] = kPoseTwoFingers;
  EXPECT_EQ(driver.after(20, at(kPoseOpenHand, 0)).status, L"Resting — point again to continue");
  engage();
  // A drift of the palm past 0.025 of the frame starts a hold again where the palm now is.
  driver.keep(at(kPoseThreeFingers, 0), 800);
  const std::int64_t drifted = driver.after(20, at(kPoseThreeFingers, 15)).timeMs;
  EXPECT_EQ(actionsWhile(at(kPoseThreeFingers, 15), 1159).find("Click"), std::string::npos);
  EXPECT_EQ(GestureDriver::kinds(driver.at(drifted + 1160, at(kPoseThreeFingers, 15))), "Move DoubleClick");
  const std::int64_t changed = driver.after(20, at(kPoseTwoFingers, 0)).timeMs;
  EXPECT_EQ(driver.at(changed + 179, at(kPoseTwoFingers, 0)).status, L"Keep your pose steady");
  EXPECT_EQ(driver.at(changed + 180, at(kPoseTwoFingers, 0)).status, L"Hold still · Right-click");
  EXPECT_EQ(actionsWhile(at(kPoseTwoFingers, 0), changed + 1339 - driver.now).find("Click"), std::string::npos);
  const ControlOutput fired = driver.at(changed + 1340, at(kPoseTwoFingers, 0));
  EXPECT_EQ(GestureDriver::kinds(fired), "Move RightClick");
  EXPECT_EQ(fired.status, L"Right-click done — move to continue");
  // Pointing back at the spot is a new hold: another kind of click may follow.
  const std::int64_t pointing = driver.after(20, kPointing).timeMs;
  EXPECT_EQ(GestureDriver::kinds(driver.keep(kPointing, pointing + 1160 - driver.now)), "Move LeftClick");

  // Copy on Thumb up fires on the spot a click just locked; pointing back keeps the lock.
  driver.settings.gestures[8] = kPoseThumbUp;
  click();
  const std::int64_t thumb = driver.after(20, at(kPoseThumbUp, 0)).timeMs;
  EXPECT_EQ(GestureDriver::kinds(driver.keep(at(kPoseThumbUp, 0), thumb + 1340 - driver.now)), "Move Copy");
  EXPECT_EQ(actionsWhile(kPointing, 2000).find("Click"), std::string::npos);
}

TEST_F(GestureEngine, TwoFingersMovedFirstScrollAtMostThreeNotchesAFrameAndNeverRightClick) {
  engage();
  // A drift under 0.025 of the frame (12 pixels) is no scroll.
  EXPECT_EQ(driver.keep(at(kPoseTwoFingers, 0, -10), 300).status, L"Hold still · Right-click");
  driver.keep(kPointing, 100);
  // Moved at once: scrolling, but nothing counts before the pose has settled for 180 ms.
  driver.after(20, at(kPoseTwoFingers, 0));
  const ControlOutput moved = driver.after(20, at(kPoseTwoFingers, 0, -40));
  EXPECT_EQ(moved.status, L"Scrolling — relax your hand to finish");
  EXPECT_EQ(GestureDriver::kinds(moved) + actionsWhile(at(kPoseTwoFingers, 0, -40), 200), "");
  // 20 pixels up are 62.5 wheel units: one notch once the sum passes 120.
  const ControlOutput first = driver.after(20, at(kPoseTwoFingers, 0, -60));
  EXPECT_EQ(first.action, kActionScroll);
  EXPECT_FALSE(first.fired);
  const ControlOutput notch = driver.after(20, at(kPoseTwoFingers, 0, -80));
  EXPECT_EQ(notch.actions.at(0), wheelAction(120));
  EXPECT_TRUE(notch.fired && notch.pointerActive);
  EXPECT_EQ(actionsWhile(at(kPoseTwoFingers, 0, -80), 2000), "");
  EXPECT_EQ(driver.after(20, at(kPoseTwoFingers, 0, -30)).actions.at(0), wheelAction(-120));
  // A third of the frame height is 500 units: 360 go out, the rest stays for the next frames.
  EXPECT_EQ(driver.after(20, at(kPoseTwoFingers, 0, -190)).actions.at(0), wheelAction(360));
  EXPECT_EQ(driver.after(20, at(kPoseTwoFingers, 0, -200)).actions.at(0), wheelAction(120));
}

TEST_F(GestureEngine, AGrabPressesWhereThePointerWasAimedAndTheButtonFollowsThePalm) {
  engage();
  driver.keep(kPointing, 100);
  const Point aimed = driver.state.lastPointer;
  EXPECT_EQ(driver.after(20, kFist).action, kActionDragAndDrop);
  const std::int64_t start = driver.now;
  const ControlOutput counting = driver.at(start + 175, kFist);
  EXPECT_NEAR(counting.progress, 0.5f, 1e-4f);
  EXPECT_TRUE(counting.showProgress && counting.pointerActive);
  EXPECT_EQ(counting.pointer.x, aimed.x);
  EXPECT_TRUE(driver.at(start + 349, kFist).actions.empty());
  const ControlOutput pressed = driver.at(start + 350, kFist);
  EXPECT_EQ(pressed.actions, (std::vector<ActionRecord>{moveAction(aimed), {ActionKind::LeftDown}}));
  EXPECT_EQ(pressed.status, L"Holding — move, then open your hand");
  // Mirrored: the palm 0.1 of the area right and down moves the item 0.1 left and down.
  for (int frame = 1; frame <= 2; ++frame) {
    const ControlOutput dragged = driver.after(20, at(kPoseClosedFist, 0.1f * 639 * 0.8f, 0.1f * 479 * 0.8f));
    EXPECT_TRUE(dragged.buttonHeld && dragged.pointerActive);
    EXPECT_EQ(dragged.status, L"Holding — open your whole hand to drop");
    EXPECT_NEAR(dragged.actions.at(0).x, aimed.x - 0.1f, 1e-4f);
    EXPECT_NEAR(dragged.actions.at(0).y, aimed.y + 0.1f, 1e-4f);
  }
}

TEST_F(GestureEngine, OpeningTheHandDropsAnyOtherPoseReleasesAndNeitherGrabsAgainAtOnce) {
  for (const int pose : {kPoseOpenHand, kPoseTwoFingers}) {
    grab();
    const ControlOutput end = driver.after(20, at(pose, 0));
    EXPECT_EQ(GestureDriver::kinds(end), "Move LeftUp");
    EXPECT_EQ(moveAction(end.pointer), end.actions[0]) << "where the item is let go";
    EXPECT_EQ(end.status, pose == kPoseOpenHand ? L"Dropped — point again to continue" : L"Released — point again to continue");
    EXPECT_EQ(end.fired && end.completed, pose == kPoseOpenHand);
    EXPECT_EQ(end.action, kActionDragAndDrop);
    EXPECT_FALSE(end.buttonHeld);
    EXPECT_EQ(driver.after(20, kFist).status, L"Point at an item before making the grab pose");
    EXPECT_EQ(actionsWhile(kFist, 600), "");
    EXPECT_TRUE(driver.keep(kPointing, 180).actions.empty()) << "pointing starts over";
  }
  // A fist 700 ms or more after the last aimed frame is refused.
  for (const auto& [since, status] : {std::pair{699, L"Keep this pose to grab"},
                                      {700, L"Point at an item before making the grab pose"}}) {
    engage();
    const std::int64_t aimed = driver.now;
    driver.keep(at(kPoseNone, 0), 680);
    EXPECT_EQ(driver.at(aimed + since, kFist).status, status);
  }
}

// Every way of losing the hand during a drag sends LeftUp at once; a 250 ms gap is still a drag.
TEST_F(GestureEngine, LosingTheHandDuringADragReleases) {
  HandObservation cut = kFist, broken = kFist;
  for (Point& p : cut.landmarks) p.x += 300.0f;
  broken.landmarks[8].x = std::nanf("");
  const struct {
    const char* what;
    std::int64_t gap;
    HandObservation hand;
    const wchar_t* status;  // LeftUp comes with every status but the drag's own
    bool landmarks, present, guidance;
  } cases[] = {
      {"lost", 20, HandObservation{}, L"Show one hand to the camera", false, false, true},
      {"off the edge", 20, cut, L"Keep your whole hand in view", true, false, true},  // still drawn
      {"low presence", 20, handAt(kPoseClosedFist, kCentre, 0.79f), L"Show one hand to the camera", false, false, false},
      {"not a number", 20, broken, L"Show one hand to the camera", false, false, true},
      {"frame gap", 251, kFist, L"Point at an item before making the grab pose", true, true, false},
      {"time going back", -5, kFist, L"Point at an item before making the grab pose", true, true, false},
      {"gap of 250 ms", 250, kFist, L"Holding — open your whole hand to drop", true, true, false},
      {"presence 0.8", 20, handAt(kPoseClosedFist, kCentre, 0.8f), L"Holding — open your whole hand to drop", true, true,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    grab();
    const ControlOutput output = driver.after(c.gap, c.hand);
    const bool held = std::wstring(c.status).starts_with(L"Holding");
    EXPECT_EQ(GestureDriver::kinds(output), held ? "Move" : "LeftUp");
    EXPECT_EQ(output.status, c.status);
    EXPECT_EQ(output.landmarks.has_value(), c.landmarks);
    EXPECT_EQ(output.handPresent, c.present);
    EXPECT_EQ(output.needsGuidance, c.guidance);
    EXPECT_EQ(driver.after(20, kFist).buttonHeld, held) << "the drag state is gone";
  }
}

// Automatic distance: a palm of 60 of 480 pixels is 0.735 of the typical 0.17 of the image height,
// one of 90 pixels 1.103; the 0.85 wide area is scaled by that, but never under an aiming finger.
TEST(GestureEngineReach, FollowsTheHandsDistanceOnlyBeforeEngagingOrAtRest) {
  GestureDriver driver;
  driver.frame(kPointing);
  EXPECT_NEAR(driver.after(199, kPointing).reachRect.left, 0.075f, 1e-6f);
  const ControlOutput engaged = driver.after(1, kPointing);
  EXPECT_NEAR(engaged.reachRect.left, 0.5f - 0.85f * 0.735294f / 2, 1e-5f);
  const HandObservation closer = test::HandBuilder::pose(kPoseOneFinger).palm(90.0f).at(kCentre).observation();
  EXPECT_NEAR(driver.keep(closer, 400).reachRect.left, engaged.reachRect.left, 1e-6f);
  const HandObservation open = test::HandBuilder::pose(kPoseOpenHand).palm(90.0f).at(kCentre).observation();
  EXPECT_NEAR(driver.keep(open, 400).reachRect.right, 0.5f + 0.85f * 1.102941f / 2, 1e-5f);
}

TEST_F(GestureEngine, AnAdjustmentRunsInsteadOfGesturesAndKeepsAHeldDrag) {
  grab();
  driver.settings.adjustmentId = 7;
  const ControlOutput output = driver.after(20, kPointing);
  EXPECT_TRUE(output.actions.empty());
  EXPECT_EQ(output.adjustment.runId, 7u);
  EXPECT_EQ(output.status, L"Rest your elbow. Point comfortably in front of you and pause.");
  driver.settings.adjustmentId = 0;
  EXPECT_EQ(GestureDriver::kinds(driver.after(20, kFist)), "Move");
}

}  // namespace
}  // namespace vel
