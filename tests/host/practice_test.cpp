// Practice driven by synthetic control outputs with explicit times; and the two gesture assignment
// rules that the settings, gesture card and engine tests do not reach.
#include "ui/practice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>

#include "control/poses.h"
#include "ui/practice_scene.h"

namespace vel {
namespace {

using Change = std::function<void(ControlOutput&)>;
const Point kOffTarget{0.1f, 0.9f};

Point target(int index) { return kPracticeTargets[static_cast<std::size_t>(index)]; }

// 30 frames per second from a 640 × 480 camera: a movement area of 276 × 208 preview pixels.
class Practice : public ::testing::Test {
 protected:
  PracticeEngine engine;
  std::int64_t now = 100'000;
  std::uint64_t sequence = 0;

  void start(const Gestures& gestures = kDefaultGestures) { engine.startPractice(now, 200, 200, gestures); }
  // The next frame's output: a usable hand aimed at `at`, performing `kinds` there; then 33 ms pass.
  void frame(Point at, std::initializer_list<ActionKind> kinds = {}, int pose = kPoseOneFinger,
             const Change& change = {}) {
    ControlOutput output;
    std::tie(output.timeMs, output.sequence, output.frameWidth, output.frameHeight, output.handPresent) =
        std::tuple(now, ++sequence, 640, 480, true);
    std::tie(output.pose, output.pointerActive, output.pointer) = std::tuple(pose, true, at);
    for (ActionKind kind : kinds) output.actions.push_back({kind});
    if (change) change(output);
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
  void startGrabbed() {  // only Drag and drop assigned
    start(Gestures{0, 0, 0, 0, kPoseClosedFist});
    frame(target(0), {ActionKind::LeftDown}, kPoseClosedFist);
  }
  // Lets go while the fist stays closed: the drop grace begins.
  void releaseClosed(Point at) {
    frame(at, {ActionKind::LeftUp}, kPoseClosedFist, [](ControlOutput& o) { o.action = kActionDragAndDrop; });
  }
  void hitAndPause(ActionKind kind) {  // the hand's next output comes as the pause ends
    frame(target(state().targetIndex), {kind});
    frame(target(state().targetIndex), {kind});  // ignored
    EXPECT_EQ(prompt(), L"Well done — next gesture in a moment.");
    now += 1100 - 66;
  }
};

TEST_F(Practice, AWholeSessionThroughEveryStepType) {
  start();
  // Click: a miss, the wrong gestures, a mouse hit (moves the target, not the step), a hand hit.
  frame(kOffTarget, {ActionKind::LeftClick});
  EXPECT_EQ((std::tuple{state().result, state().areaWidth}), (std::tuple{PracticeResult::Missed, 276}));
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
  frame(target(4), {ActionKind::LeftDown}, kPoseClosedFist);
  EXPECT_EQ((std::tuple{state().grabbed, state().targetIndex}), (std::tuple{true, 0}));
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
  // Rest: 499 ms is not enough; a gap of 251 ms, another pose or late outputs restart the hold.
  holdOpen(499);
  EXPECT_NEAR(state().restProgress, 0.998f, 1e-3f);
  now += 251 - 33;
  holdOpen(400);
  frame(kOffTarget);
  holdOpen(150);
  EXPECT_FALSE(state().complete);
  for (int i = 0; i < 20; ++i) frame(kOffTarget, {}, kPoseOpenHand, [](ControlOutput& o) { o.timeMs -= 251; });
  EXPECT_EQ(state().restProgress, 0.0f);
  holdOpen(490);
  frame(kOffTarget, {}, kPoseOpenHand);  // 523 ms: full, and no fuller
  const std::int64_t completed = now - 33;
  EXPECT_EQ((std::tuple{state().complete, state().restProgress, state().completionTime}),
            (std::tuple{true, 1.0f, completed}));
  holdOpen(100);
  EXPECT_EQ(state().completionTime, completed);
  EXPECT_EQ(prompt(), L"All steps complete. Finish practice when you are ready.");
}

TEST_F(Practice, MouseClicksHitWithinTheRadiusWhenNothingElseIsGoingOnAndOnlyUsableOutputsCount) {
  // A square area of 200 pixels: radius 26; 0.131 of it is 26.07 pixels away. Of 105: 13, just reached.
  const Point t = target(0);
  const auto none = PracticeResult::None, hit = PracticeResult::Hit, missed = PracticeResult::Missed;
  const struct { int width, height; Point at; PracticeResult result; } rows[] = {
      {200, 200, {t.x + 0.131f, t.y}, missed}, {200, 200, {t.x, t.y + 0.13f}, hit}, {200, 200, {0.0f, 1.0f}, missed},
      {200, 200, {std::nanf(""), 0.5f}, none}, {200, 200, {0.5f, -0.01f}, none}, {2, 2, t, hit}, {200, 1, t, missed},
      {105, 105, {t.x - 0.125f, t.y}, hit}};
  for (const auto& row : rows) {
    engine.startPractice(now, row.width, row.height, kDefaultGestures);
    engine.practiceMouseClick(row.at, now + 5);
    EXPECT_EQ((std::pair{state().result, state().mouseHits == 1}), (std::pair{row.result, row.result == hit}))
        << &row - rows;
  }
  EXPECT_EQ((std::tuple{state().resultTime, state().resultSource}), (std::tuple{now + 5, PracticeSource::Mouse}));
  // Not in the success pause, grabbed, with a drop pending, in the rest step (Copy has none), inactive.
  const std::function<void()> busy[] = {
      [&] { frame(target(0), {ActionKind::LeftClick}); }, [&] { startGrabbed(); },
      [&] { startGrabbed(), releaseClosed(kOffTarget); }, [&] { start(Gestures{0, 0, 0, 0, 0, 0, 0, 0, 5}); },
      [&] { engine.resetPractice(); }};
  for (const auto& makeBusy : busy) {
    start();
    makeBusy();
    engine.practiceMouseClick(target(state().targetIndex), now);
    EXPECT_EQ(state().mouseHits, 0u) << &makeBusy - busy;
  }
  // Outputs that do not count: before the start, repeated, stale, ahead, or without a usable hand.
  frame(target(0), {ActionKind::LeftClick});
  EXPECT_EQ(state().result, PracticeResult::None) << "not started";
  EXPECT_EQ(prompt(), L"Point at the large circle to begin.");
  start();
  const std::int64_t started = now;
  frame(kOffTarget);
  engine.practiceMouseClick(target(0), now);
  const Change spoilt[] = {
      [](ControlOutput& o) { --o.sequence; },  // the last one seen again
      [&](ControlOutput& o) { o.timeMs = started - 1; }, [](ControlOutput& o) { o.timeMs -= 251; },
      [](ControlOutput& o) { o.timeMs += 31; }, [](ControlOutput& o) { o.adjustment.runId = 7; },
      [](ControlOutput& o) { o.handPresent = false; }, [](ControlOutput& o) { o.pointer = {0.5f, -0.1f}; },
      [](ControlOutput& o) { o.actions.insert(o.actions.begin(), moveAction({1.2f, 0.5f})); }};
  for (const Change& spoil : spoilt) {
    frame(kOffTarget, {ActionKind::LeftClick}, kPoseOneFinger, spoil);
    EXPECT_EQ(state().result, PracticeResult::Hit) << &spoil - spoilt;
  }
  const Point aim = target(state().targetIndex);
  frame({2.0f, 2.0f}, {ActionKind::LeftClick}, kPoseOneFinger, [aim](ControlOutput& o) {  // a move aims all the same
    o.pointerActive = false;
    o.actions.insert(o.actions.begin(), moveAction(aim));
  });
  EXPECT_EQ(state().handHits, 1u);
}

// A drop grace lapses; a grab away right after a drop outside the target keeps its prompt; a lost hand.
TEST_F(Practice, DropsAndLosingTheHand) {
  for (const bool lost : {false, true}) {  // a drop lands once, and never after the hand was lost
    startGrabbed();
    releaseClosed(lost ? target(1) : kOffTarget);
    if (lost) frame(kOffTarget, {}, kPoseClosedFist, [](ControlOutput& o) { o.handPresent = false; });
    frame(kOffTarget, {}, kPoseOpenHand);
    const std::int64_t shown = state().resultTime;
    frame(kOffTarget, {}, kPoseOpenHand);
    EXPECT_EQ(std::pair(state().result, state().resultTime),
              std::pair(lost ? PracticeResult::ReleasedEarly : PracticeResult::Missed, shown));
  }
  startGrabbed();
  releaseClosed(target(1));
  for (int i = 0; i < 20; ++i) frame(kOffTarget, {}, kPoseClosedFist);  // the fist stays closed 660 ms
  now += 8;  // 701 ms after the release, the last output still fresh
  EXPECT_EQ(state().dropUntil, 0) << "painting lets the grace lapse";
  startGrabbed();
  releaseClosed(target(1));
  for (int i = 0; i < 22; ++i) frame(kOffTarget, {}, kPoseClosedFist);  // so does an output 726 ms after it
  EXPECT_EQ(prompt(), L"Released. Point at the large circle to try again.");
  releaseClosed(kOffTarget);
  EXPECT_EQ(state().dropUntil, 0) << "a release while nothing is grabbed";
  frame(target(state().targetIndex), {ActionKind::LeftDown}, kPoseClosedFist);
  frame(kOffTarget, {ActionKind::LeftUp}, kPoseOpenHand, [](ControlOutput& o) { o.fired = true; });
  EXPECT_EQ(prompt(), L"Released outside the target. Point at the large circle to try again.");
  frame(kOffTarget, {ActionKind::LeftDown}, kPoseClosedFist);
  EXPECT_EQ(prompt(), L"Released outside the target. Point at the large circle to try again.");
  EXPECT_EQ(std::wstring(engine.practicePrompt(state().resultShownUntil)),
            L"Aim first. Hold this pose to grab; move it, then open your hand to drop.");
  for (const auto& [gap, guidance, kept] : {std::tuple{250 - 33, false, true}, {251 - 33, false, false},
                                             {-33, false, false}, {0, true, false}}) {
    startGrabbed();
    now += gap;
    frame(target(1), {}, kPoseClosedFist, [&](ControlOutput& o) { o.needsGuidance = guidance; });
    EXPECT_EQ((std::pair{state().grabbed, state().pointerValid}), (std::pair{kept, !guidance})) << gap;
  }
  startGrabbed();
  now += 250 - 33;
  EXPECT_TRUE(state().grabbed && state().pointerValid);
  now += 1;
  EXPECT_FALSE(state().grabbed || state().pointerValid);
}

TEST(GestureAssignments, ElementZeroBelongsToNoActionAndARestingPoseToNone) {
  Gestures gestures = kDefaultGestures;
  gestures[kActionClick] = kPoseOpenHand;
  EXPECT_EQ(actionForPose(gestures, kPoseOpenHand), kActionNone);
  gestures[kActionClick] = 0;
  gestures[0] = kPoseOneFinger;
  EXPECT_FALSE(gesturesValid(gestures));
}

// The preview's practice drawing, as circles "x,y rRadius", "live" when animated, then the mark.
std::string describeScene(const PracticeScene& scene) {
  std::ostringstream out;
  for (int i = 0; i < scene.circleCount; ++i) {
    const SceneCircle& c = scene.circles[static_cast<std::size_t>(i)];
    out << c.centre.x << ',' << c.centre.y << " r" << c.radius << (c.animated ? " live" : "");
    if (c.drawing.completed) out << " done t" << c.drawing.t;
    out << "; ";
  }
  if (scene.mark) out << (std::wstring(scene.mark) == L"Drop" ? "Drop " : "dot ") << scene.markHeight << ' ';
  out << "hold " << scene.hold.progress << (scene.hold.completed ? " done" : "");
  return out.str();
}

TEST(PracticeScene, TargetFollowerMarkAndHitCompletion) {
  const std::int64_t now = 10'000;
  const PreviewRect preview{10, 20, 201, 101, 640, 480};
  // A 200 × 100 pixel area: radius 13, target 0 at (110, 55), target 1 at (80, 68).
  const ReachRect whole{0, 0, 1, 1}, corner{0.5f, 0.5f, 1, 1};
  EXPECT_EQ(std::pair(practiceTargetRadius({0, 0, 108, 300, 0, 0}, whole), practiceTargetRadius({0, 0, 300, 108, 0, 0}, whole)),
            std::pair(14, 14)) << "0.13 of 108 pixels, whichever side is shorter";
  const struct { const char* name; ReachRect area; std::function<void(PracticeState&)> change; std::string expected; }
      rows[] = {
      {"on target", whole, {}, "110,55 r13 live; dot 13 hold 0.4"},
      {"off target", whole, [](PracticeState& s) { s.pointer = {0.1f, 0.9f}; },
       "110,55 r13; 30,110 r9 live; dot 13 hold 0.4"},
      {"grabbed", whole, [](PracticeState& s) { s.grabbed = true, s.pointer = {0.1f, 0.9f}; },
       "110,55 r13; 30,110 r9 live; Drop 14 hold 0.4"},
      {"no pointer", whole, [](PracticeState& s) { s.pointerValid = false; }, "110,55 r13; dot 13 hold 0.4"},
      {"rest step", whole, [](PracticeState& s) { s.stepIndex = 1, s.restProgress = 1; },
       "110,55 r13 live; 110,55 r9; hold 1 done"},
      {"success pause", whole, [now](PracticeState& s) { s.successPauseUntil = now + 1; }, "110,55 r9 live; hold 0.4"},
      {"hit shown", whole, [now](PracticeState& s) { s.result = PracticeResult::Hit, s.resultTime = now - 350,
                                                     s.resultShownUntil = now + 1; },
       "80,68 r13 done t0.5; 110,55 r13 live; dot 13 hold 0.4"},
      {"hit completed", whole, [now](PracticeState& s) { s.result = PracticeResult::Hit, s.resultTime = now - 900,
                                                         s.resultShownUntil = now + 1; },
       "80,68 r13 done t1; 110,55 r13 live; dot 13 hold 0.4"},
      {"hit no longer shown", whole, [now](PracticeState& s) { s.result = PracticeResult::Hit,
                                                               s.resultShownUntil = now; },
       "110,55 r13 live; dot 13 hold 0.4"},
      // 100 × 50 pixels from the preview's centre: radius 6, target 0 at (160, 88).
      {"smaller area", corner, {}, "160,88 r6 live; dot 6 hold 0.4"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PracticeState state;
    state.active = state.hasSteps = state.pointerValid = true;
    std::tie(state.stepCount, state.previousTarget, state.pointer, state.output.progress) =
        std::tuple(1, 1, kPracticeTargets[0], 0.4f);
    if (row.change) row.change(state);
    EXPECT_EQ(describeScene(practiceScene(state, preview, row.area, now)), row.expected);
  }
}

}  // namespace
}  // namespace vel
