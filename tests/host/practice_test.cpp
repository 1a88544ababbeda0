// Practice driven by synthetic control outputs: steps, targets, misses, mouse hits, the drop
// grace, the rest step and completion, with explicit times.
#include "ui/practice.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "control/poses.h"
#include "tests/support/control_outputs.h"

namespace vel {
namespace {

const Point kOffTarget{0.1f, 0.9f};

Point target(int index) { return kPracticeTargets[static_cast<std::size_t>(index)]; }

// 30 frames per second on a 640 × 480 camera with the default movement area (276 × 208 preview pixels).
class Practice : public ::testing::Test {
 protected:
  PracticeEngine engine;
  std::int64_t now = 100'000;
  std::uint64_t sequence = 0;

  void start(const Gestures& gestures = kDefaultGestures) { engine.startPractice(now, 276, 208, gestures); }

  // The next frame's output, aimed at `at`, with `kinds` performed there, then 33 ms pass.
  void frame(Point at, std::initializer_list<ActionKind> kinds = {}, int pose = kPoseOneFinger) {
    ControlOutput output = test::handOutput(now);
    for (ActionKind kind : kinds) output.actions.push_back({kind});
    send(output, at, pose);
  }
  void send(ControlOutput output, Point at, int pose) {
    output.sequence = ++sequence;
    output.frameWidth = 640;
    output.frameHeight = 480;
    output.pose = pose;
    output.pointerActive = true;
    output.pointer = at;
    engine.practiceOnOutput(output, now);
    now += 33;
  }
  // Open-hand frames over `ms`, the last one exactly `ms` after the first.
  void holdOpen(std::int64_t ms) {
    const std::int64_t until = now + ms;
    while (now < until) frame(kOffTarget, {}, kPoseOpenHand);
    now = until;
    frame(kOffTarget, {}, kPoseOpenHand);
  }
  void wait(std::int64_t ms) { now += ms; }

  PracticeState state() { return engine.practiceForPaint(now); }
  std::wstring prompt() { return engine.practicePrompt(now); }

  // Only Drag and drop assigned, and grabbed on the first target.
  void startGrabbed() {
    Gestures gestures{};
    gestures[kActionDragAndDrop] = 4;
    start(gestures);
    frame(target(0), {ActionKind::LeftDown}, kPoseClosedFist);
    ASSERT_TRUE(state().grabbed);
  }
  // Lets go at `at` while the fist stays closed: the drop grace begins.
  void releaseClosed(Point at) {
    ControlOutput release = test::handOutput(now, {{ActionKind::LeftUp}});
    release.action = kActionDragAndDrop;
    send(release, at, kPoseClosedFist);
  }
  // A hand hit of the current target with `kind`, then the success pause runs out.
  void hitAndPause(ActionKind kind) {
    frame(target(state().targetIndex), {kind});
    ASSERT_EQ(prompt(), L"Well done — next gesture in a moment.");
    wait(1100);
  }
};

TEST_F(Practice, StepsAreTheAssignedPointerActionsAndWithoutThemOnlyTheRestStep) {
  Gestures gestures{};
  gestures[kActionClick] = 1;
  gestures[kActionScroll] = 2;
  gestures[8] = 5;  // Copy never gets a step
  start(gestures);
  ASSERT_EQ(state().stepCount, 2);
  EXPECT_EQ(state().steps[1], kActionScroll);
  EXPECT_EQ(prompt(), L"Point to aim. Hold your chosen pose while the circle fills.");

  start(Gestures{});
  EXPECT_TRUE(state().inRestStep());
  EXPECT_EQ(prompt(), L"Open your hand, as shown below, and hold briefly to rest.");
  engine.practiceMouseClick(target(0), now);
  EXPECT_EQ(state().result, PracticeResult::None) << "no mouse attempts in the rest step";
  holdOpen(33);
  EXPECT_GT(state().restProgress, 0.0f);
  frame(kOffTarget, {}, kPoseOneFinger);
  EXPECT_FLOAT_EQ(state().restProgress, 0.0f) << "any other pose clears the rest hold";
  engine.resetPractice();
  EXPECT_FALSE(state().active);
  EXPECT_EQ(prompt(), L"Point at the large circle to begin.");
}

TEST_F(Practice, AWholeSessionThroughEveryStepType) {
  start();
  // Click: a miss, the wrong gesture, a mouse hit (moves the target, not the step), a hand hit.
  frame(kOffTarget, {ActionKind::LeftClick});
  EXPECT_EQ(state().result, PracticeResult::Missed);
  frame(target(0), {ActionKind::DoubleClick});
  EXPECT_EQ(state().targetIndex, 0) << "a double-click is not the Click step's gesture";
  engine.practiceMouseClick(target(0), now);
  EXPECT_EQ(state().mouseHits, 1u);
  EXPECT_EQ(state().targetIndex, 1);
  EXPECT_EQ(state().stepIndex, 0);
  hitAndPause(ActionKind::LeftClick);
  frame(target(state().targetIndex), {ActionKind::LeftClick});  // the pause has run out: next step
  EXPECT_EQ(state().stepIndex, 1);

  hitAndPause(ActionKind::RightClick);
  hitAndPause(ActionKind::DoubleClick);
  frame(kOffTarget);
  EXPECT_EQ(state().currentAction, kActionDragAndDrop);

  // Drag: grabbed on the target (which moves on), let go early, dropped with an open hand.
  const int grabbedAt = state().targetIndex;
  frame(target(grabbedAt), {ActionKind::LeftDown}, kPoseClosedFist);
  EXPECT_TRUE(state().grabbed);
  EXPECT_EQ(state().targetIndex, (grabbedAt + 1) % 5);
  EXPECT_EQ(prompt(), L"Move to the large target. Open your hand to let go.");
  releaseClosed(target(state().targetIndex));
  EXPECT_EQ(state().result, PracticeResult::ReleasedEarly);
  EXPECT_EQ(prompt(), L"Released — open your hand to finish the drop.");
  for (int i = 0; i < 15; ++i) frame(kOffTarget, {}, kPoseClosedFist);  // 495 ms still closed
  frame(kOffTarget, {}, kPoseOpenHand);  // the drop lands where the hand let go
  EXPECT_EQ(state().result, PracticeResult::Hit);
  wait(1100);
  frame(kOffTarget);
  EXPECT_EQ(state().currentAction, kActionScroll);

  hitAndPause(ActionKind::Wheel);
  frame(kOffTarget);
  ASSERT_TRUE(state().inRestStep());
  EXPECT_EQ(state().handHits, 5u);
  EXPECT_EQ(state().totalHits, 6u);

  // Rest: 499 ms is not enough, a 300 ms gap restarts the hold, 500 ms completes.
  holdOpen(499);
  EXPECT_FALSE(state().complete);
  EXPECT_NEAR(state().restProgress, 0.998f, 1e-3f);
  wait(300);
  const std::int64_t restart = now;
  holdOpen(499);
  EXPECT_FALSE(state().complete);
  now = restart + 500;
  frame(kOffTarget, {}, kPoseOpenHand);
  EXPECT_TRUE(state().complete);
  EXPECT_EQ(prompt(), L"All steps complete. Finish practice when you are ready.");
}

TEST_F(Practice, AMouseClick014OfASquareAreaAwayMisses) {
  engine.startPractice(now, 200, 200, kDefaultGestures);
  engine.practiceMouseClick({target(0).x + 0.14f, target(0).y}, now);
  EXPECT_EQ(state().result, PracticeResult::Missed);
  engine.practiceMouseClick({target(0).x + 0.13f, target(0).y}, now);
  EXPECT_EQ(state().result, PracticeResult::Hit);
  EXPECT_EQ(state().resultSource, PracticeSource::Mouse);
}

TEST_F(Practice, ADropAfterThe700MsGraceOrOutsideTheTargetMisses) {
  startGrabbed();
  releaseClosed(target(1));
  for (int i = 0; i < 22; ++i) frame(target(1), {}, kPoseClosedFist);  // 726 ms of closed fist
  frame(target(1), {}, kPoseOpenHand);
  EXPECT_EQ(state().result, PracticeResult::ReleasedEarly);
  EXPECT_EQ(state().dropUntil, 0);
  EXPECT_EQ(prompt(), L"Released. Point at the large circle to try again.");
  wait(1100);
  EXPECT_EQ(prompt(), L"Aim first. Hold this pose to grab; move it, then open your hand to drop.");

  frame(target(state().targetIndex), {ActionKind::LeftDown}, kPoseClosedFist);
  ASSERT_TRUE(state().grabbed);
  ControlOutput drop = test::handOutput(now, {{ActionKind::LeftUp}});
  drop.fired = true;  // let go with the open hand
  send(drop, kOffTarget, kPoseOpenHand);
  EXPECT_EQ(state().result, PracticeResult::Missed);
  EXPECT_EQ(prompt(), L"Released outside the target. Point at the large circle to try again.");
  frame(kOffTarget, {ActionKind::LeftDown}, kPoseClosedFist);  // a new grab away from the target
  EXPECT_FALSE(state().grabbed);
  EXPECT_EQ(prompt(), L"Released outside the target. Point at the large circle to try again.");
}

TEST_F(Practice, LosingTheHandLetsGoOfTheGrab) {
  startGrabbed();
  EXPECT_TRUE(state().pointerValid);
  wait(251);
  EXPECT_FALSE(state().pointerValid) << "painting expires a lost hand";
  frame(target(1), {}, kPoseClosedFist);
  EXPECT_FALSE(state().grabbed);

  frame(target(1), {ActionKind::LeftDown}, kPoseClosedFist);
  ASSERT_TRUE(state().grabbed);
  ControlOutput unusable = test::handOutput(now);
  unusable.needsGuidance = true;
  send(unusable, target(1), kPoseClosedFist);
  EXPECT_FALSE(state().grabbed);
  EXPECT_FALSE(state().pointerValid);
}

TEST_F(Practice, IgnoresEarlyStaleRepeatedAdjustmentAndOutOfRangeOutputs) {
  send(test::handOutput(now, {{ActionKind::LeftClick}}), target(0), kPoseOneFinger);
  EXPECT_FALSE(state().active) << "not started";
  start();
  send(test::handOutput(now - 100, {{ActionKind::LeftClick}}), target(0), kPoseOneFinger);
  EXPECT_EQ(state().result, PracticeResult::None) << "from before the start";
  frame(target(0), {ActionKind::LeftClick});
  wait(1100);
  const PracticeState before = state();

  ControlOutput repeated = test::handOutput(now, {{ActionKind::LeftClick}});
  repeated.sequence = sequence;  // already seen
  engine.practiceOnOutput(repeated, now);
  send(test::handOutput(now - 251, {{ActionKind::RightClick}}), target(1), kPoseTwoFingers);
  ControlOutput adjusting = test::handOutput(now, {{ActionKind::RightClick}});
  adjusting.adjustment.runId = 7;
  send(adjusting, target(1), kPoseTwoFingers);
  send(test::handOutput(now, {moveAction({1.2f, 0.5f}), {ActionKind::RightClick}}), target(1), kPoseTwoFingers);
  EXPECT_EQ(state().handHits, before.handHits);
  EXPECT_EQ(state().targetIndex, before.targetIndex);
  EXPECT_FALSE(state().pointerValid);
}

}  // namespace
}  // namespace vel
