// "Set movement area" driven by synthetic pointing hands at explicit frame times: whole runs,
// time-out, a reach too small, distance changes, dropouts and what counts as pointing.
#include <gtest/gtest.h>

#include "control/reach_adjustment.h"
#include "tests/support/hand_builder.h"

namespace vel {
namespace {

using test::HandBuilder;

constexpr std::int64_t kFrameMs = 33;
constexpr Point kRest{0.5f, 0.45f};
constexpr Point kLeft{0.3f, 0.45f};
constexpr Point kPauses[] = {kRest, {0.2f, 0.45f}, {0.8f, 0.45f}, {0.5f, 0.2f}, {0.5f, 0.7f}};

// One adjustment run fed at 30 frames per second, the hand placed by its index tip in camera
// coordinates (0..1).
struct AdjustmentRun {
  HandObservation pointingAt(Point p, float palmScale = 1.0f) const {
    const Point tip{p.x * static_cast<float>(width - 1), p.y * static_cast<float>(height - 1)};
    return HandBuilder::pointing().palm(palm * palmScale).tipAt(tip).observation();
  }
  void at(std::int64_t t, const HandObservation& hand) {
    now = t;
    const HandCheck check = checkObservation(hand, width, height);
    stepReachAdjustment(state, id, adjustmentSample(hand, check, width, height, mirrored), now);
  }
  void hold(const HandObservation& hand, std::int64_t ms) {
    for (const std::int64_t end = now + ms; now + kFrameMs <= end;) at(now + kFrameMs, hand);
  }
  void pointAt(Point p, std::int64_t ms = 1700, float palmScale = 1.0f) { hold(pointingAt(p, palmScale), ms); }

  int width = 1280;
  int height = 720;
  float palm = 90.0f;
  ReachAdjustment state{};
  std::int64_t now = 100'000;
  bool mirrored = false;
  std::uint64_t id = 7;
};

TEST(ReachAdjustmentRun, FiveStillPausesMeasureTheArea) {
  AdjustmentRun run;
  for (int step = 0; step < 5; ++step) {
    run.at(run.now + kFrameMs, run.pointingAt(kPauses[step]));
    EXPECT_EQ(run.state.message, kAdjustmentPrompts[static_cast<std::size_t>(step)]);
    run.pointAt(kPauses[step]);
  }
  EXPECT_EQ(run.state.message, L"Reach saved. Start control or try Practice.");

  // 2.5 % inside the pauses: 0.2..0.8 × 0.2..0.7 becomes 0.215..0.785 × 0.2125..0.6875.
  const AdjustmentProgress progress = adjustmentProgress(run.state, 1280, 720);
  EXPECT_TRUE(progress.reach.valid);
  EXPECT_NEAR(progress.reach.left, 0.215f, 1e-5f);
  EXPECT_NEAR(progress.reach.top, 0.2125f, 1e-5f);
  EXPECT_NEAR(progress.reach.right, 0.785f, 1e-5f);
  EXPECT_NEAR(progress.reach.bottom, 0.6875f, 1e-5f);
  EXPECT_NEAR(progress.reach.palm, 90.0f / 720.0f, 1e-5f);
}

TEST(ReachAdjustmentRun, TimesOutAfter90SecondsAlsoWhenMovingTooLittle) {
  AdjustmentRun run;
  run.at(200'000, run.pointingAt(kRest));
  run.pointAt(kRest);
  ASSERT_EQ(run.state.step, kAdjustmentLeft);
  // 0.05 left of the rest position never fills the step: it needs more than 0.09.
  run.hold(run.pointingAt({kRest.x - 0.05f, kRest.y}), 290'000 - run.now);
  EXPECT_EQ(run.state.progress, 0.0f);
  run.at(290'000, run.pointingAt(kRest));
  EXPECT_FALSE(run.state.failed);
  run.at(290'001, run.pointingAt(kRest));
  EXPECT_TRUE(run.state.failed);
  EXPECT_EQ(run.state.message, L"Adjustment timed out. Your previous reach is unchanged.");
}

TEST(ReachAdjustmentRun, TooSmallAPalmFailsTheRun) {
  // A 25-pixel palm on a 2000-pixel-tall image is 0.0125 of it, below the 0.015 a reach needs.
  AdjustmentRun run{640, 2000, 25.0f};
  for (const Point p : kPauses) run.pointAt(p);
  EXPECT_TRUE(run.state.failed);
  EXPECT_EQ(run.state.message, L"Reach was too small. Try again with slightly wider movements.");
}

TEST(ReachAdjustmentRun, KeepingTheSameDistanceFromTheCamera) {
  AdjustmentRun run;
  run.pointAt(kRest);
  run.pointAt(kLeft, 700);
  // 40 % closer, then 30 % farther: both beyond the limits (1.38 and 0.72).
  for (const float scale : {1.4f, 0.7f}) {
    run.at(run.now + kFrameMs, run.pointingAt(kLeft, scale));
    EXPECT_EQ(run.state.message, L"Keep the same comfortable distance from the camera.");
    EXPECT_EQ(run.state.progress, 0.0f);
  }
  // Just inside the limits the pause goes on.
  for (const float scale : {1.36f, 0.74f}) {
    run.pointAt(kLeft, 300, scale);
    EXPECT_GT(run.state.progress, 0.0f);
  }
}

TEST(ReachAdjustmentRun, ADropoutOrAHandNotPointingRestartsThePauseNotTheStep) {
  AdjustmentRun run;
  run.pointAt(kRest);
  run.pointAt(kLeft, 1200);
  ASSERT_GT(run.state.progress, 0.3f);
  run.at(run.now + 300, run.pointingAt(kLeft));  // 300 ms without frames
  EXPECT_EQ(run.state.step, kAdjustmentLeft);
  EXPECT_EQ(run.state.progress, 0.0f);
  HandObservation unsure = run.pointingAt(kLeft);
  unsure.presence = 0.79f;
  for (const HandObservation& hand : {HandObservation{}, unsure, HandBuilder::open().tipAt({384, 324}).observation()}) {
    run.pointAt(kLeft, 600);
    ASSERT_GT(run.state.progress, 0.3f);
    run.at(run.now + kFrameMs, hand);
    EXPECT_EQ(run.state.progress, 0.0f);
  }
  run.pointAt(kLeft, 1000);
  EXPECT_EQ(run.state.step, kAdjustmentRight);
}

TEST(ReachAdjustmentRun, AStepTakes1500MillisecondsAndAPause900OfThem) {
  AdjustmentRun run;
  const std::int64_t start = run.now + kFrameMs;
  run.hold(run.pointingAt(kRest), 1500);
  EXPECT_EQ(run.state.step, kAdjustmentRest);
  EXPECT_NEAR(run.state.progress, static_cast<float>(run.now - start - 600) / 900.0f, 1e-5f);
  run.at(start + 1500, run.pointingAt(kRest));
  EXPECT_EQ(run.state.step, kAdjustmentLeft);

  // Left: 1000 ms at one place, then a move of more than 0.035 starts the pause again.
  run.pointAt(kLeft, 1000);
  const std::int64_t moved = run.now + kFrameMs;
  run.pointAt({0.3f, 0.5f}, 880);
  EXPECT_EQ(run.state.step, kAdjustmentLeft);
  run.at(moved + 900, run.pointingAt({0.3f, 0.5f}));
  EXPECT_EQ(run.state.step, kAdjustmentRight);
}

TEST(ReachAdjustmentRun, MirroredHandsMoveTheOtherWayAndANewIdStartsAgain) {
  AdjustmentRun run;
  run.mirrored = true;  // towards the image's right edge, which the mirrored pointer sees as left
  run.pointAt(kRest);
  run.pointAt({0.7f, 0.45f});
  ASSERT_EQ(run.state.step, kAdjustmentRight);
  EXPECT_NEAR(run.state.measured.left, 0.3f, 1e-5f);

  run.id = 8;
  run.at(run.now + kFrameMs, run.pointingAt(kRest));
  EXPECT_EQ(run.state.runId, 8u);
  EXPECT_EQ(run.state.step, kAdjustmentRest);
  EXPECT_EQ(run.state.startTime, run.now);
}

}  // namespace
}  // namespace vel
