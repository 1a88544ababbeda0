// Practice driven by synthetic control outputs: steps, targets, misses, mouse hits, the drop
// grace, losing the hand, the rest step and completion, with explicit times.
#include "ui/practice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>

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
    now += 1100;
  }
};

TEST_F(Practice, StepsAreTheAssignedPointerActionsAndWithoutThemOnlyTheRestStep) {
  Gestures gestures{};
  gestures[kActionClick] = 1;
  gestures[kActionScroll] = 2;
  gestures[8] = 5;  // Copy never gets a step
  engine.startPractice(now, 200, 200, gestures);
  ASSERT_EQ(state().stepCount, 2);
  EXPECT_EQ(state().steps[1], kActionScroll);
  EXPECT_EQ(prompt(), L"Point to aim. Hold your chosen pose while the circle fills.");

  frame(kOffTarget);
  EXPECT_EQ((std::pair{state().areaWidth, state().areaHeight}), (std::pair{276, 208})) << "the area follows the frame";
  ControlOutput sizeless = test::handOutput(now);
  sizeless.sequence = ++sequence;
  sizeless.frameWidth = 640;
  engine.practiceOnOutput(sizeless, now);
  EXPECT_EQ(state().areaWidth, 276) << "no frame height: the area stays";
  start(Gestures{});
  EXPECT_TRUE(state().inRestStep());
  EXPECT_EQ(prompt(), L"Open your hand, as shown below, and hold briefly to rest.");
  holdOpen(33);
  EXPECT_GT(state().restProgress, 0.0f);
  for (int frame = 0; frame < 20; ++frame, now += 33) {  // open hands reported 251 ms late
    ControlOutput late = test::handOutput(now - 251);
    late.pose = kPoseOpenHand;
    late.sequence = ++sequence;
    engine.practiceOnOutput(late, now);
  }
  EXPECT_FLOAT_EQ(state().restProgress, 0.0f) << "no rest from stale outputs";
  holdOpen(33);
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
  hitAndPause(ActionKind::LeftClick);
  EXPECT_EQ(state().stepIndex, 0);
  EXPECT_EQ(state().previousTarget, 1);
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
  const Point dropped = target(state().targetIndex);
  frame(kOffTarget, {}, kPoseOpenHand);  // the drop lands where the hand let go
  EXPECT_EQ(state().result, PracticeResult::Hit);
  EXPECT_EQ(state().pointer.x, dropped.x);
  now += 1100;
  frame(kOffTarget);
  EXPECT_EQ(state().currentAction, kActionScroll);
  frame(kOffTarget, {ActionKind::Wheel});
  EXPECT_EQ(prompt(), L"Aim first, then move this pose up or down. Lower it to finish.") << "the drop is history";

  hitAndPause(ActionKind::Wheel);
  frame(kOffTarget);
  ASSERT_TRUE(state().inRestStep());
  frame(target(state().targetIndex), {ActionKind::LeftClick});
  EXPECT_EQ(state().handHits, 5u) << "the rest step has no target";
  EXPECT_EQ(state().totalHits, 6u);

  // Rest: 499 ms is not enough, a 300 ms gap restarts the hold, 500 ms completes.
  holdOpen(499);
  EXPECT_FALSE(state().complete);
  EXPECT_NEAR(state().restProgress, 0.998f, 1e-3f);
  now += 300;
  const std::int64_t restart = now;
  holdOpen(499);
  EXPECT_FALSE(state().complete);
  now = restart + 530;
  frame(kOffTarget, {}, kPoseOpenHand);
  EXPECT_TRUE(state().complete);
  EXPECT_EQ(state().restProgress, 1.0f);
  const std::int64_t completedAt = state().completionTime;
  holdOpen(100);
  EXPECT_EQ(state().completionTime, completedAt);
  EXPECT_EQ(prompt(), L"All steps complete. Finish practice when you are ready.");
  frame(target(state().targetIndex), {ActionKind::LeftClick});
  EXPECT_EQ(state().totalHits, 6u) << "nothing counts once complete";
}

TEST_F(Practice, MouseClicksHitWithinTheTargetRadiusOnlyWhenNothingElseIsGoingOn) {
  // A square area of 200 pixels: radius 26, and 0.14 of it is 27.9 pixels away.
  engine.startPractice(now, 200, 200, kDefaultGestures);
  engine.practiceMouseClick({target(0).x + 0.14f, target(0).y}, now);
  EXPECT_EQ(state().result, PracticeResult::Missed);
  engine.practiceMouseClick({target(0).x, target(0).y + 0.13f}, now + 5);
  EXPECT_EQ(state().result, PracticeResult::Hit);
  EXPECT_EQ(state().resultTime, now + 5);
  EXPECT_EQ(state().resultSource, PracticeSource::Mouse);
  for (const Point outside : {Point{1.01f, 0.5f}, {0.5f, -0.01f}, {std::nanf(""), 0.5f}}) {
    engine.practiceMouseClick(outside, now);
    EXPECT_EQ(state().result, PracticeResult::Hit) << "no attempt outside the area";
  }
  engine.practiceMouseClick({0.0f, 1.0f}, now);
  EXPECT_EQ(state().result, PracticeResult::Missed) << "the area's corner is in it";
  engine.practiceMouseClick({target(1).x + 0.131f, target(1).y}, now);
  engine.practiceMouseClick({target(1).x, target(1).y - 0.131f}, now);
  EXPECT_EQ(state().mouseHits, 1u) << "26.07 pixels away";
  for (const auto& [width, height, result] : {std::tuple{1, 200, PracticeResult::Missed},
                                              {200, 1, PracticeResult::Missed}, {2, 2, PracticeResult::Hit}}) {
    engine.startPractice(now, width, height, kDefaultGestures);
    engine.practiceMouseClick(target(0), now);
    EXPECT_EQ(state().result, result) << width << " x " << height;
  }
  const std::function<void()> busy[] = {
      [&] { frame(target(0), {ActionKind::LeftClick}); },                       // success pause
      [&] { startGrabbed(); },                                                  // grabbed
      [&] { startGrabbed(), releaseClosed(kOffTarget); },                       // drop pending
      [&] { start(Gestures{}); },                                               // rest step
      [&] { engine.resetPractice(); },                                          // inactive
  };
  for (const auto& makeBusy : busy) {
    start();
    makeBusy();
    const PracticeState before = state();
    engine.practiceMouseClick(target(before.targetIndex), now);
    EXPECT_EQ(state().totalHits, before.totalHits) << &makeBusy - busy;
  }
}

TEST_F(Practice, ADropGraceThatLapsesOrADropOutsideTheTargetMisses) {
  startGrabbed();
  releaseClosed(target(1));
  EXPECT_EQ(prompt(), L"Released — open your hand to finish the drop.");
  now += 701;  // no frames: painting lets the grace lapse
  EXPECT_EQ(state().dropUntil, 0);
  EXPECT_EQ(prompt(), L"Released. Point at the large circle to try again.");
  EXPECT_EQ(engine.practicePrompt(state().resultShownUntil), L"Aim first. Hold this pose to grab; move it, then open your hand to drop.");
  frame(target(1), {}, kPoseOpenHand);
  EXPECT_EQ(state().result, PracticeResult::ReleasedEarly) << "too late to finish the drop";
  now += 1100;
  EXPECT_EQ(prompt(), L"Aim first. Hold this pose to grab; move it, then open your hand to drop.");

  releaseClosed(kOffTarget);
  EXPECT_EQ(state().result, PracticeResult::ReleasedEarly) << "a release while nothing is grabbed";
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

  // Finished by the open hand outside the target.
  frame(target(state().targetIndex), {ActionKind::LeftDown}, kPoseClosedFist);
  releaseClosed(kOffTarget);
  frame(target(state().targetIndex), {}, kPoseOpenHand);
  EXPECT_EQ(state().result, PracticeResult::Missed);
  EXPECT_EQ(prompt(), L"Released outside the target. Point at the large circle to try again.");
}

// A grab is let go when the hand is lost: by a gap of 251 ms or time going back between outputs,
// by an unusable output, or, between outputs, by painting 251 ms after the last one.
TEST_F(Practice, LosingTheHandLetsGoOfTheGrab) {
  const struct { std::int64_t gap; bool guidance; bool kept; } rows[] = {
      {250 - 33, false, true}, {251 - 33, false, false}, {-33, false, false}, {0, true, false}};
  for (const auto& row : rows) {
    startGrabbed();
    now += row.gap;
    ControlOutput next = test::handOutput(now);
    next.needsGuidance = row.guidance;
    send(next, target(1), kPoseClosedFist);
    EXPECT_EQ(state().grabbed, row.kept) << row.gap;
    EXPECT_EQ(state().pointerValid, !row.guidance) << row.gap;
  }
  startGrabbed();
  now += 250 - 33;
  EXPECT_TRUE(state().grabbed && state().pointerValid);
  now += 1;
  EXPECT_FALSE(state().grabbed || state().pointerValid);
}

TEST_F(Practice, IgnoresEarlyStaleRepeatedAdjustmentAndOutOfRangeOutputs) {
  frame(target(0), {ActionKind::LeftClick});
  EXPECT_FALSE(state().active) << "not started";
  start();
  const std::int64_t started = now;
  frame(kOffTarget);
  const std::uint64_t seen = sequence;
  engine.practiceMouseClick(target(0), now);
  const std::function<void(ControlOutput&)> spoil[] = {
      [&](ControlOutput& o) { o.timeMs = started - 1; },
      [&](ControlOutput& o) { o.sequence = seen; },
      [&](ControlOutput& o) { o.timeMs = now - 251; },
      [&](ControlOutput& o) { o.timeMs = now + 31; },
      [&](ControlOutput& o) { o.adjustment.runId = 7; },
      [&](ControlOutput& o) { o.handPresent = false; },
      [&](ControlOutput& o) { o.actions.insert(o.actions.begin(), moveAction({1.2f, 0.5f})); },
      [&](ControlOutput& o) { o.pointer = {0.5f, -0.1f}; },
  };
  for (const auto& change : spoil) {
    ControlOutput output = test::handOutput(now, {{ActionKind::LeftClick}});
    output.sequence = ++sequence;
    output.pointerActive = true;
    output.pointer = kOffTarget;
    change(output);
    engine.practiceOnOutput(output, now);
    now += 33;
    EXPECT_EQ(state().result, PracticeResult::Hit) << &change - spoil;
  }
  // A move aims the pointer even when the output does not, whatever its stale pointer says.
  ControlOutput moved = test::handOutput(now, {moveAction(target(1)), {ActionKind::LeftClick}});
  moved.sequence = ++sequence;
  moved.pointer = {2.0f, 2.0f};
  engine.practiceOnOutput(moved, now);
  EXPECT_EQ(state().handHits, 1u);
}

}  // namespace
}  // namespace vel
