// The gesture engine driven by synthetic hands and explicit frame times: engagement, hold-to-fire
// and the aim lock, other poses, scroll, grab and drop, and every way of losing the hand.
#include "control/gesture_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <tuple>

#include "tests/support/hand_builder.h"

namespace vel {
namespace {

const wchar_t* const kToStart = L"Point with your index finger to start";
const wchar_t* const kHoldClick = L"Hold still · Click";
const wchar_t* const kClickDone = L"Click done — move to continue";
const wchar_t* const kSteady = L"Keep your pose steady";
const wchar_t* const kPointFirst = L"Point at an item before making the grab pose";
const wchar_t* const kDragging = L"Holding — open your whole hand to drop";

// `pose` (-1: no hand) with its palm (dx, dy) camera pixels from (320, 300).
HandObservation hand(int pose, float dx = 0.0f, float dy = 0.0f) {
  if (pose < 0) return {};
  return test::HandBuilder::pose(pose).palm(60).at({320 + dx, 300 + dy}).observation();
}

// The actions as the replay tool prints them, but Move without its place ("Move Wheel:120").
std::string kinds(const ControlOutput& output) {
  std::string texts;
  for (const ActionRecord& action : output.actions) {
    texts += (texts.empty() ? "" : " ") + (action.kind == ActionKind::Move ? "Move" : actionText(action));
  }
  return texts;
}

// A script line: `pose` held for `ms` in 20 ms frames at (dx, dy); then the last frame's actions
// ("Stay" for a Move to where the pointer already was) and its status if given.
struct Line { int ms, pose; std::string actions; const wchar_t* status = nullptr; float dx = 0, dy = 0; };

// With Margin 0.2 and a fixed reach rectangle a camera pixel is 1919 / (639 × 0.8) = 3.75 desktop
// pixels: the hold radius (48) is 12.8 of them, twice it 25.6, the post-click radius (45) 12.
struct GestureEngine : ::testing::Test {
  // Also checks where each line leaves the pointer, the circle, a lock after a fire and the button.
  ControlOutput play(std::initializer_list<Line> script) {
    ControlOutput out;
    for (const Line& line : script) {
      SCOPED_TRACE(testing::Message() << "line " << &line - script.begin() + 1);
      out = driver.keep(hand(line.pose, line.dx, line.dy), line.ms);
      const ActionRecord moved = moveAction(out.pointer);
      std::string actions = kinds(out);
      if (actions.starts_with("Move") && moved == moveAction(pointer)) actions.replace(0, 4, "Stay");
      EXPECT_EQ(actions, line.actions);
      EXPECT_EQ(out.status, line.status ? line.status : out.status);
      EXPECT_EQ(out.buttonHeld, out.status.starts_with(L"Holding"));
      EXPECT_EQ(out.pointerActive, out.status != kToStart && out.status != kPointFirst &&
                                       !out.status.starts_with(L"Resting") && !out.status.starts_with(L"Pose not"));
      const bool move = !out.actions.empty() && out.actions[0].kind == ActionKind::Move;
      EXPECT_EQ(move ? out.actions[0] : moved, moved) << "the pointer is where the Move sent it";
      EXPECT_EQ(out.showProgress ? moveAction(out.progressAt) : moved, moved);
      EXPECT_EQ(out.completed && !out.fired ? moved : moveAction(firedAt), moveAction(firedAt));
      if (out.fired) firedAt = out.pointer;
      pointer = out.pointer;
    }
    return out;
  }
  void engage() {
    driver.state = GestureState{};
    play({{20, 1, "", kToStart}, {199, 1, "", kToStart}, {1, 1, "Move", kHoldClick}});
  }
  void grab() {
    engage();
    play({{100, 1, "Stay"}, {20, 4, "", L"Keep this pose to grab"}});
    const ControlOutput half = play({{175, 4, ""}});
    EXPECT_TRUE(half.pointerActive && half.showProgress && std::abs(half.progress - 0.5f) < 1e-4f);
    play({{174, 4, ""}, {1, 4, "Stay LeftDown", L"Holding — move, then open your hand"}});
  }

  test::GestureDriver driver{.settings = {.pointerSmoothing = 1.0f, .Margin = 0.2f, .DistanceMode = 1}};
  Point pointer, firedAt;
};

// A hold fires 160 ms plus the click wait (700..1500) in. The lock after it ends beyond twice the hold
// radius at once, beyond the post-click radius after 140 ms (afresh after each return), or after 300 ms
// without a hold.
TEST_F(GestureEngine, AfterAFireTheAimStaysLockedOnTheSpot) {
  driver.settings.ClickWait = 300;  // at least 700
  engage();
  play({{859, 1, "Stay"}, {1, 1, "Stay LeftClick", kClickDone}, {3000, 1, "Stay", kClickDone, 5},
        {20, 1, "Move", kHoldClick, 30}, {20, 1, "Move", kHoldClick}, {859, 1, "Stay"},
        {1, 1, "Stay LeftClick"}, {20, 1, "Stay", kClickDone, 20}, {20, 1, "Stay", kClickDone},
        {20, 1, "Stay", kClickDone, 20}, {139, 1, "Stay", kClickDone, 20},
        {1, 1, "Move", kHoldClick, 20}, {20, 1, "Move", kHoldClick}, {859, 1, "Stay"}, {1, 1, "Stay LeftClick"},
        {20, 1, "Stay", kClickDone, 20}, {300, 0, "", L"Pose not assigned — open your hand to rest"},
        {20, 1, "Stay", kHoldClick}, {859, 1, "Stay"}, {1, 1, "Stay LeftClick"}});
  driver.settings.pointerSmoothing = 0.18f;  // steady: a 20 ms step closes 0.003534 of a 0.01956 gap
  engage();
  EXPECT_NEAR(driver.after(20, hand(1, 10)).pointer.x - pointer.x, -0.0035344f, 1e-6f);
  // Pointing again elsewhere starts there, not on the way from where the hand rested.
  play({{300, 7, ""}, {20, 1, "", kToStart, 60}, {199, 1, "", kToStart, 60}, {1, 1, "Move", kHoldClick, 60},
        {20, 1, "Stay", nullptr, 60}});
}

// Once the aim locks, a stray within twice the hold radius pauses the hold; one beyond restarts it there.
TEST_F(GestureEngine, AStrayPausesOrRestartsTheHoldAndARestStartsItOver) {
  driver.settings.ClickWait = 5000;  // at most 1500
  engage();
  EXPECT_FALSE(driver.keep(hand(1), 140).showProgress) << "the aim follows the hand first";
  EXPECT_TRUE(driver.keep(hand(1), 520).showProgress);
  EXPECT_NEAR(driver.after(250, hand(1)).progress, 0.5f, 1e-3f) << "a 250 ms gap still counts";
  play({{20, 1, "Stay", nullptr, 5}, {20, 1, "Stay", nullptr, 20}, {20, 1, "Stay"}, {729, 1, "Stay"},
        {1, 1, "Stay LeftClick"}, {300, 7, "", L"Resting — point again to continue"}, {200, 1, "", kToStart},
        {20, 1, "Move", kHoldClick}, {1659, 1, "Stay"}, {1, 1, "Stay LeftClick"}});
  engage();
  EXPECT_FALSE(play({{400, 1, "Stay"}, {20, 1, "Move", kHoldClick, 30}, {1659, 1, "Stay", nullptr, 30},
                     {1, 1, "Stay LeftClick", nullptr, 30}}).showProgress) << "the circle goes as it fires";
  driver.settings.dpiScale = 2.0f;  // a radius of 96 pixels: a stray of 20 camera pixels stays inside
  engage();
  play({{400, 1, "Stay"}, {20, 1, "Stay", nullptr, 20}, {1239, 1, "Stay", nullptr, 20},
        {1, 1, "Stay LeftClick", nullptr, 20}});
}

// A new pose settles 180 ms; an unassigned one then does nothing. A palm drift past 0.025 of the frame
// restarts the hold; pointing after another click is a new hold, but after Copy it keeps the lock.
TEST_F(GestureEngine, OtherPosesSettleThenHoldToFireOnlyWhenAssigned) {
  engage();
  const Point held = play({{100, 1, "Stay"}}).pointer;  // the pointer stays there, wherever the hand goes
  const ControlOutput unassigned =
      play({{20, 5, "", kSteady}, {3000, 5, "", L"Pose not assigned — open your hand to rest", 20}});
  EXPECT_EQ(moveAction(unassigned.pointer), moveAction(held));
  engage();
  play({{800, 3, "Stay"}, {20, 3, "Stay", L"Hold still · Double-click", 15}, {1159, 3, "Stay", nullptr, 15},
        {1, 3, "Stay DoubleClick", L"Double-click done — move to continue", 15}, {20, 2, "", kSteady},
        {179, 2, "", kSteady}, {1, 2, "Stay", L"Hold still · Right-click"}, {1159, 2, "Stay"},
        {1, 2, "Stay RightClick", L"Right-click done — move to continue"}, {20, 1, "Stay", kHoldClick},
        {1159, 1, "Stay"}, {1, 1, "Stay LeftClick"}});
  driver.settings.gestures[8] = kPoseThumbUp;
  play({{20, 5, ""}, {1339, 5, "Stay"}, {1, 5, "Stay Copy", L"Copy done — move to continue"},
        {2000, 1, "Stay", kClickDone}});
  driver.settings.gestures[kActionClick] = 0;  // pointing only aims, and a grab takes the item there
  const Point aimed = play({{20, 1, "Move", L"Point to aim — use your chosen click pose", 10}}).pointer;
  const ControlOutput grabbed = play({{20, 4, "", nullptr, 10}, {350, 4, "Stay LeftDown", nullptr, 10}});
  EXPECT_EQ(moveAction(grabbed.pointer), moveAction(aimed));
}

// Two fingers moved at once scroll (not before the pose has settled) and never right-click:
// 20 pixels are 62.5 wheel units, one notch once the sum passes 120, at most three a frame.
TEST_F(GestureEngine, TwoFingersMovedFirstScroll) {
  engage();
  const wchar_t* const scrolling = L"Scrolling — relax your hand to finish";
  play({{300, 2, "Stay", L"Hold still · Right-click", 0, -10}, {100, 1, "Stay"}, {20, 2, "", kSteady},
        {20, 2, "", scrolling, 0, -40}, {200, 2, "", scrolling, 0, -40}, {20, 2, "", scrolling, 0, -60},
        {20, 2, "Wheel:120", scrolling, 0, -80}, {2000, 2, "", scrolling, 0, -80},
        {20, 2, "Wheel:-120", scrolling, 0, -30}, {20, 2, "Wheel:360", scrolling, 0, -190}});
  EXPECT_TRUE(play({{20, 2, "Wheel:120", scrolling, 0, -200}}).pointerActive);
}

// The item follows the palm (mirrored: 0.1 of the area right is 0.1 left), never off the desktop. An open
// hand drops, another pose releases; no grab again before pointing, nor 700 ms after the last aim.
TEST_F(GestureEngine, GrabDragAndDrop) {
  grab();
  const Point aimed = pointer;
  play({{20, 4, "Move", kDragging, 51.12f, 38.32f}, {20, 4, "Stay", kDragging, 51.12f, 38.32f}});
  EXPECT_NEAR(pointer.x, aimed.x - 0.1f, 1e-4f);
  EXPECT_NEAR(pointer.y, aimed.y + 0.1f, 1e-4f);
  HandObservation twitching = hand(4, 51.12f, 38.32f);  // fingers that twitch move nothing: the palm does
  for (const int i : {1, 2, 3, 4, 6, 7, 8, 10, 11, 12, 14, 15, 16, 18, 19, 20}) twitching.landmarks[i].x += 3.0f;
  const ControlOutput twitched = driver.after(20, twitching);
  EXPECT_EQ(std::pair(twitched.status, moveAction(twitched.pointer)),
            std::pair(std::wstring(kDragging), moveAction(pointer)));
  EXPECT_EQ(play({{20, 4, "Move", kDragging, -260}}).pointer.x, 1.0f);
  for (const auto& [pose, status] : {std::pair{kPoseOpenHand, L"Dropped — point again to continue"},
                                     {kPoseTwoFingers, L"Released — point again to continue"}}) {
    grab();
    const ControlOutput end = play({{20, pose, "Stay LeftUp", status}});
    EXPECT_EQ(end.fired && end.completed, pose == kPoseOpenHand);
    play({{20, 4, "", kPointFirst}, {600, 4, "", kPointFirst}, {180, 1, "", kToStart}});
  }
  engage();
  play({{680, 0, ""}, {19, 4, "", L"Keep this pose to grab"}});
  engage();
  play({{680, 0, ""}, {20, 4, "", kPointFirst}});
}

// Every way of losing the hand during a drag sends LeftUp at once; a 250 ms gap is still a drag.
TEST_F(GestureEngine, LosingTheHandDuringADragReleases) {
  HandObservation cut = hand(4), broken = cut, noScore = cut, low = cut, enough = cut;
  for (Point& p : cut.landmarks) p.x += 300.0f;
  broken.landmarks[8].x = std::nanf("");
  noScore.presence = std::nanf("");
  low.presence = 0.79f;
  enough.presence = 0.8f;
  const wchar_t* const none = L"Show one hand to the camera";
  const struct { int gap; HandObservation hand; const wchar_t* status; bool landmarks, present, guidance; }
      cases[] = {{20, HandObservation{}, none, false, false, true}, {20, noScore, none, false, false, true},
                 {20, cut, L"Keep your whole hand in view", true, false, true},  // still drawn
                 {20, low, none, false, false, false},
                 {20, broken, none, false, false, true}, {251, hand(4), kPointFirst, true, true, false},
                 {-5, hand(4), kPointFirst, true, true, false}, {250, hand(4), kDragging, true, true, false},
                 {20, enough, kDragging, true, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    grab();
    const ControlOutput output = driver.after(c.gap, c.hand);
    EXPECT_EQ(kinds(output), c.status == kDragging ? "Move" : "LeftUp");
    EXPECT_EQ(output.status, c.status);
    EXPECT_EQ(std::tuple(output.landmarks.has_value(), output.handPresent, output.needsGuidance),
              std::tuple(c.landmarks, c.present, c.guidance));
    const bool dragging = c.status == kDragging;  // otherwise the drag and the engagement are forgotten
    EXPECT_EQ(driver.after(20, hand(dragging ? 4 : 1)).status, dragging ? kDragging : kToStart);
  }
}

}  // namespace
}  // namespace vel
