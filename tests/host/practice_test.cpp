// Practice driven by synthetic control outputs: steps, targets, misses, mouse hits, the drop
// grace, losing the hand, the rest step and completion, with explicit times.
#include "ui/practice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "control/poses.h"

namespace vel {
namespace {

const Point kOffTarget{0.1f, 0.9f};

Point target(int index) { return kPracticeTargets[static_cast<std::size_t>(index)]; }

// A usable hand at `timeMs`.
ControlOutput hand(std::int64_t timeMs, std::vector<ActionRecord> actions = {}) {
  ControlOutput output;
  output.timeMs = timeMs;
  output.handPresent = true;
  output.actions = std::move(actions);
  return output;
}

// 30 frames per second on a 640 × 480 camera with the default movement area (276 × 208 preview pixels
// once a frame came).
class Practice : public ::testing::Test {
 protected:
  PracticeEngine engine;
  std::int64_t now = 100'000;
  std::uint64_t sequence = 0;

  void start(const Gestures& gestures = kDefaultGestures) { engine.startPractice(now, 200, 200, gestures); }
  // The next frame's output aimed at `at`, with `kinds` performed there, then 33 ms pass.
  void frame(Point at, std::initializer_list<ActionKind> kinds = {}, int pose = kPoseOneFinger,
             ControlOutput output = hand(0)) {
    output.timeMs += now;
    for (ActionKind kind : kinds) output.actions.push_back({kind});
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
    start(Gestures{0, 0, 0, 0, kPoseClosedFist});
    frame(target(0), {ActionKind::LeftDown}, kPoseClosedFist);
    ASSERT_TRUE(state().grabbed);
  }
  // Lets go at `at` while the fist stays closed: the drop grace begins.
  void releaseClosed(Point at) {
    ControlOutput release = hand(0);
    release.action = kActionDragAndDrop;
    frame(at, {ActionKind::LeftUp}, kPoseClosedFist, release);
  }
  // A hand hit of the current target with `kind`, then the success pause runs out.
  void hitAndPause(ActionKind kind) {
    frame(target(state().targetIndex), {kind});
    ASSERT_EQ(prompt(), L"Well done — next gesture in a moment.");
    now += 1100;
  }
};

TEST_F(Practice, AWholeSessionThroughEveryStepType) {
  start();
  // Click: a miss, the wrong gestures, a mouse hit (moves the target, not the step), a hand hit.
  frame(kOffTarget, {ActionKind::LeftClick});
  EXPECT_EQ((std::tuple{state().result, state().areaWidth, state().areaHeight}), (std::tuple{PracticeResult::Missed, 276, 208}));
  frame(target(0), {ActionKind::DoubleClick, ActionKind::LeftDown}, kPoseClosedFist);
  engine.practiceMouseClick(target(0), now);
  EXPECT_EQ((std::tuple{state().grabbed, state().handHits, state().mouseHits, state().targetIndex}),
            (std::tuple{false, 0u, 1u, 1}));
  hitAndPause(ActionKind::LeftClick);
  frame(target(state().targetIndex), {ActionKind::LeftClick});  // the pause has run out: the next step's
  EXPECT_EQ((std::tuple{state().stepIndex, state().previousTarget, state().handHits}), (std::tuple{1, 1, 1u}));
  hitAndPause(ActionKind::RightClick);
  hitAndPause(ActionKind::DoubleClick);
  // Drag: grabbed on the target (which moves on), let go early, dropped with an open hand.
  frame(kOffTarget);
  const int grabbedAt = state().targetIndex;
  frame(target(grabbedAt), {ActionKind::LeftDown}, kPoseClosedFist);
  EXPECT_EQ((std::tuple{state().grabbed, state().targetIndex}), (std::tuple{true, (grabbedAt + 1) % 5}));
  EXPECT_EQ(prompt(), L"Move to the large target. Open your hand to let go.");
  releaseClosed(target(state().targetIndex));
  EXPECT_EQ(prompt(), L"Released — open your hand to finish the drop.");
  for (int i = 0; i < 15; ++i) frame(kOffTarget, {}, kPoseClosedFist);  // 495 ms still closed
  const Point dropped = target(state().targetIndex);
  frame(kOffTarget, {}, kPoseOpenHand);  // the drop lands where the hand let go
  EXPECT_EQ((std::tuple{state().result, state().pointer.x}), (std::tuple{PracticeResult::Hit, dropped.x}));
  now += 1100;
  frame(kOffTarget, {ActionKind::Wheel});
  EXPECT_EQ(prompt(), L"Aim first, then move this pose up or down. Lower it to finish.") << "the drop is history";
  hitAndPause(ActionKind::Wheel);
  frame(target(state().targetIndex), {ActionKind::LeftClick});
  EXPECT_EQ((std::tuple{state().handHits, state().totalHits}), (std::tuple{5u, 6u})) << "the rest step has no target";
  EXPECT_EQ(prompt(), L"Open your hand, as shown below, and hold briefly to rest.");
  // Rest: 499 ms is not enough; a gap of 300 ms, another pose or late outputs restart the hold.
  holdOpen(499);
  EXPECT_NEAR(state().restProgress, 0.998f, 1e-3f);
  now += 300;
  holdOpen(400);
  frame(kOffTarget);
  holdOpen(150);
  EXPECT_FALSE(state().complete);
  for (int i = 0; i < 20; ++i) frame(kOffTarget, {}, kPoseOpenHand, hand(-251));
  EXPECT_EQ(state().restProgress, 0.0f);
  holdOpen(500);
  const std::int64_t completed = now - 33;
  EXPECT_EQ((std::tuple{state().complete, state().restProgress, state().completionTime}), (std::tuple{true, 1.0f, completed}));
  holdOpen(100);
  frame(target(state().targetIndex), {ActionKind::LeftClick});
  EXPECT_EQ((std::tuple{state().completionTime, state().totalHits}), (std::tuple{completed, 6u})) << "nothing counts now";
  EXPECT_EQ(prompt(), L"All steps complete. Finish practice when you are ready.");
  engine.resetPractice();
  EXPECT_EQ(prompt(), L"Point at the large circle to begin.");
}

TEST_F(Practice, MouseClicksHitWithinTheTargetRadiusOnlyWhenNothingElseIsGoingOn) {
  // A square area of 200 pixels: radius 26; 0.131 of it is 26.07 pixels away.
  const Point t = target(0);
  const struct { int width, height; Point at; PracticeResult result; } rows[] = {
      {200, 200, {t.x + 0.131f, t.y}, PracticeResult::Missed}, {200, 200, {t.x, t.y - 0.131f}, PracticeResult::Missed},
      {200, 200, {t.x, t.y + 0.13f}, PracticeResult::Hit}, {200, 200, {0.0f, 1.0f}, PracticeResult::Missed},
      {200, 200, {1.01f, 0.5f}, PracticeResult::None}, {200, 200, {0.5f, -0.01f}, PracticeResult::None},
      {200, 200, {std::nanf(""), 0.5f}, PracticeResult::None}, {1, 200, t, PracticeResult::Missed},
      {200, 1, t, PracticeResult::Missed}, {2, 2, t, PracticeResult::Hit},
  };
  for (const auto& row : rows) {
    engine.startPractice(now, row.width, row.height, kDefaultGestures);
    engine.practiceMouseClick(row.at, now + 5);
    EXPECT_EQ((std::tuple{state().result, state().mouseHits}), (std::tuple{row.result, row.result == PracticeResult::Hit ? 1u : 0u}))
        << &row - rows;
  }
  EXPECT_EQ((std::tuple{state().resultTime, state().resultSource}), (std::tuple{now + 5, PracticeSource::Mouse}));
  const std::function<void()> busy[] = {
      [&] { frame(target(0), {ActionKind::LeftClick}); },  // success pause
      [&] { startGrabbed(); },
      [&] { startGrabbed(), releaseClosed(kOffTarget); },  // drop pending
      [&] { start(Gestures{0, 0, 0, 0, 0, 0, 0, 0, 5}); },  // Copy has no step: the rest step
      [&] { engine.resetPractice(); },                      // inactive
  };
  for (const auto& makeBusy : busy) {
    start();
    makeBusy();
    const PracticeState before = state();
    engine.practiceMouseClick(target(before.targetIndex), now);
    EXPECT_EQ(state().totalHits, before.totalHits) << &makeBusy - busy;
  }
}

// A drop grace lapses by itself; a drop outside the target misses, and a grab away from the target
// right after it leaves the drop's prompt. A grab is let go when the hand is lost: by a gap of
// 251 ms or time going back between outputs, an unusable output, or painting 251 ms after the last.
TEST_F(Practice, DropsAndLosingTheHand) {
  startGrabbed();
  releaseClosed(target(1));
  now += 701;  // no frames: painting lets the grace lapse
  EXPECT_EQ(state().dropUntil, 0);
  EXPECT_EQ(prompt(), L"Released. Point at the large circle to try again.");
  frame(target(1), {}, kPoseOpenHand);
  EXPECT_EQ(state().result, PracticeResult::ReleasedEarly) << "too late to finish the drop";
  releaseClosed(kOffTarget);
  EXPECT_EQ(state().dropUntil, 0) << "a release while nothing is grabbed";
  frame(target(state().targetIndex), {ActionKind::LeftDown}, kPoseClosedFist);
  ControlOutput drop = hand(0);
  drop.fired = true;  // let go with the open hand
  frame(kOffTarget, {ActionKind::LeftUp}, kPoseOpenHand, drop);
  EXPECT_EQ(prompt(), L"Released outside the target. Point at the large circle to try again.");
  frame(kOffTarget, {ActionKind::LeftDown}, kPoseClosedFist);
  EXPECT_EQ(prompt(), L"Released outside the target. Point at the large circle to try again.");
  EXPECT_EQ(engine.practicePrompt(state().resultShownUntil),
            L"Aim first. Hold this pose to grab; move it, then open your hand to drop.");
  const struct { std::int64_t gap; bool guidance; bool kept; } rows[] = {
      {250 - 33, false, true}, {251 - 33, false, false}, {-33, false, false}, {0, true, false}};
  for (const auto& row : rows) {
    startGrabbed();
    now += row.gap;
    ControlOutput next = hand(0);
    next.needsGuidance = row.guidance;
    frame(target(1), {}, kPoseClosedFist, next);
    EXPECT_EQ((std::pair{state().grabbed, state().pointerValid}), (std::pair{row.kept, !row.guidance})) << row.gap;
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
      [&](ControlOutput& o) { o.timeMs = started - 1; }, [&](ControlOutput& o) { o.sequence = seen; },
      [&](ControlOutput& o) { o.timeMs = now - 251; }, [&](ControlOutput& o) { o.timeMs = now + 31; },
      [](ControlOutput& o) { o.adjustment.runId = 7; }, [](ControlOutput& o) { o.handPresent = false; },
      [](ControlOutput& o) { o.actions.insert(o.actions.begin(), moveAction({1.2f, 0.5f})); },
      [](ControlOutput& o) { o.pointer = {0.5f, -0.1f}; },
  };
  for (const auto& change : spoil) {
    ControlOutput output = hand(now, {{ActionKind::LeftClick}});
    output.sequence = ++sequence;
    output.pointerActive = true;
    output.pointer = kOffTarget;
    change(output);
    engine.practiceOnOutput(output, now);
    now += 33;
    EXPECT_EQ(state().result, PracticeResult::Hit) << &change - spoil;
  }
  // A move aims the pointer even when the output does not, whatever its stale pointer says.
  ControlOutput moved = hand(now, {moveAction(target(1)), {ActionKind::LeftClick}});
  moved.sequence = ++sequence;
  moved.pointer = {2.0f, 2.0f};
  engine.practiceOnOutput(moved, now);
  EXPECT_EQ(state().handHits, 1u);
}

}  // namespace
}  // namespace vel
