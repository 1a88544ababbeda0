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

// One adjustment run fed at 30 frames per second, the hand described by where its index tip is
// in camera coordinates (0..1, mirrored like the pointer).
class AdjustmentRun {
 public:
  AdjustmentRun(int width = 1280, int height = 720, bool mirror = false, float palm = 90.0f)
      : width_(width), height_(height), mirror_(mirror), palm_(palm) {}

  HandObservation pointingAt(Point p, float palmScale = 1.0f) const {
    const float x = mirror_ ? 1.0f - p.x : p.x;
    return HandBuilder::pointing()
        .palm(palm_ * palmScale)
        .tipAt({x * static_cast<float>(width_ - 1), p.y * static_cast<float>(height_ - 1)})
        .observation();
  }

  // One frame at time `t`.
  void at(std::int64_t t, const HandObservation& hand) {
    now = t;
    const AdjustmentSample sample = adjustmentSample(hand, checkObservation(hand, width_, height_), width_,
                                                     height_, mirror_);
    stepReachAdjustment(state, id, sample, now);
  }
  void frame(const HandObservation& hand) { at(now + kFrameMs, hand); }
  // Frames of the same hand for `ms`.
  void hold(const HandObservation& hand, std::int64_t ms) {
    for (const std::int64_t end = now + ms; now + kFrameMs <= end;) frame(hand);
  }
  void pointAt(Point p, std::int64_t ms = 1700, float palmScale = 1.0f) { hold(pointingAt(p, palmScale), ms); }

  std::wstring message() const { return state.message; }

  ReachAdjustment state;
  std::uint64_t id = 7;
  std::int64_t now = 100'000;

 private:
  int width_;
  int height_;
  bool mirror_;
  float palm_;
};

TEST(ReachAdjustmentRun, FiveStillPausesMeasureTheArea) {
  AdjustmentRun run;
  const Point pauses[] = {kRest, {0.2f, 0.45f}, {0.8f, 0.45f}, {0.5f, 0.2f}, {0.5f, 0.7f}};
  for (int step = 0; step < 5; ++step) {
    run.frame(run.pointingAt(pauses[step]));
    EXPECT_EQ(run.state.step, step);
    EXPECT_EQ(run.message(), kAdjustmentPrompts[static_cast<std::size_t>(step)]);
    EXPECT_FALSE(run.state.finished);
    run.pointAt(pauses[step]);
  }
  EXPECT_TRUE(run.state.finished);
  EXPECT_FALSE(run.state.failed);
  EXPECT_EQ(run.message(), L"Reach saved. Start control or try Practice.");

  // 2.5 % inside the pauses: 0.2..0.8 × 0.2..0.7 becomes 0.215..0.785 × 0.2125..0.6875.
  const AdjustmentProgress progress = adjustmentProgress(run.state, 1280, 720);
  EXPECT_TRUE(progress.reach.valid);
  EXPECT_NEAR(progress.reach.left, 0.215f, 1e-5f);
  EXPECT_NEAR(progress.reach.top, 0.2125f, 1e-5f);
  EXPECT_NEAR(progress.reach.right, 0.785f, 1e-5f);
  EXPECT_NEAR(progress.reach.bottom, 0.6875f, 1e-5f);
  EXPECT_NEAR(progress.reach.palm, 90.0f / 720.0f, 1e-5f);
  EXPECT_NEAR(progress.reach.aspect, 1280.0f / 720.0f, 1e-6f);
  EXPECT_EQ(progress.progress, 1.0f);

  // The finished run stays as it is while the id stays.
  run.pointAt({0.1f, 0.1f}, 3000);
  EXPECT_TRUE(run.state.finished);
  EXPECT_NEAR(run.state.reach.left, 0.215f, 1e-5f);
}

TEST(ReachAdjustmentRun, AStepTakes1500MillisecondsAndAPause900OfThem) {
  AdjustmentRun run;
  const std::int64_t start = run.now + kFrameMs;
  run.hold(run.pointingAt(kRest), 1500);
  EXPECT_EQ(run.state.step, kAdjustmentRest);
  EXPECT_NEAR(run.state.progress, static_cast<float>(run.now - start - 600) / 900.0f, 1e-5f);
  run.at(start + 1500, run.pointingAt(kRest));
  EXPECT_EQ(run.state.step, kAdjustmentLeft);
  EXPECT_EQ(run.state.progress, 0.0f);

  // Left: 1000 ms at one place, then a move of more than 0.035 starts the pause again.
  run.pointAt(kLeft, 1000);
  const std::int64_t moved = run.now + kFrameMs;
  run.pointAt({0.3f, 0.5f}, 880);
  EXPECT_EQ(run.state.step, kAdjustmentLeft);
  EXPECT_NEAR(run.state.progress, static_cast<float>(run.now - moved) / 900.0f, 1e-5f);
  run.at(moved + 900, run.pointingAt({0.3f, 0.5f}));
  EXPECT_EQ(run.state.step, kAdjustmentRight);
}

TEST(ReachAdjustmentRun, TimesOutAfter90SecondsAlsoWhenMovingTooLittle) {
  AdjustmentRun run;
  run.at(200'000, run.pointingAt(kRest));
  run.pointAt(kRest);
  ASSERT_EQ(run.state.step, kAdjustmentLeft);
  // 0.05 left of the rest position never fills the step: it needs more than 0.09.
  run.hold(run.pointingAt({kRest.x - 0.05f, kRest.y}), 290'000 - run.now);
  EXPECT_EQ(run.state.step, kAdjustmentLeft);
  EXPECT_EQ(run.state.progress, 0.0f);
  run.at(290'000, run.pointingAt(kRest));
  EXPECT_FALSE(run.state.failed);
  run.at(290'001, run.pointingAt(kRest));
  EXPECT_TRUE(run.state.failed);
  EXPECT_EQ(run.message(), L"Adjustment timed out. Your previous reach is unchanged.");
  EXPECT_FALSE(adjustmentProgress(run.state, 1280, 720).reach.valid);
}

TEST(ReachAdjustmentRun, TooSmallAPalmFailsTheRun) {
  // A 25-pixel palm on a 2000-pixel-tall image is 0.0125 of it, below the 0.015 a reach needs.
  AdjustmentRun run(640, 2000, false, 25.0f);
  for (const Point p : {kRest, Point{0.2f, 0.45f}, Point{0.8f, 0.45f}, Point{0.5f, 0.2f}, Point{0.5f, 0.7f}}) {
    run.pointAt(p);
  }
  EXPECT_TRUE(run.state.failed);
  EXPECT_FALSE(run.state.finished);
  EXPECT_EQ(run.message(), L"Reach was too small. Try again with slightly wider movements.");
}

TEST(ReachAdjustmentRun, KeepingTheSameDistanceFromTheCamera) {
  AdjustmentRun run;
  run.pointAt(kRest);
  run.pointAt(kLeft, 700);
  ASSERT_GT(run.state.progress, 0.0f);
  // 40 % closer, then 30 % farther: both beyond the limits (1.38 and 0.72).
  for (const float scale : {1.4f, 0.7f}) {
    run.frame(run.pointingAt(kLeft, scale));
    EXPECT_EQ(run.message(), L"Keep the same comfortable distance from the camera.");
    EXPECT_EQ(run.state.progress, 0.0f);
  }
  // Just inside the limits the pause goes on.
  for (const float scale : {1.36f, 0.74f}) {
    run.pointAt(kLeft, 300, scale);
    EXPECT_EQ(run.message(), kAdjustmentPrompts[kAdjustmentLeft]);
    EXPECT_GT(run.state.progress, 0.0f);
  }
  run.pointAt(kLeft, 400);
  EXPECT_EQ(run.state.step, kAdjustmentRight);
}

TEST(ReachAdjustmentRun, ADropoutRestartsThePauseNotTheStep) {
  AdjustmentRun run;
  run.pointAt(kRest);
  run.pointAt(kLeft, 1200);
  ASSERT_GT(run.state.progress, 0.3f);
  // 300 ms without frames, then frames without a hand.
  run.at(run.now + 300, run.pointingAt(kLeft));
  EXPECT_EQ(run.state.step, kAdjustmentLeft);
  EXPECT_EQ(run.state.progress, 0.0f);
  run.pointAt(kLeft, 600);
  ASSERT_GT(run.state.progress, 0.3f);
  run.frame(HandObservation{});
  EXPECT_EQ(run.state.progress, 0.0f);
  EXPECT_EQ(run.message(), kAdjustmentPrompts[kAdjustmentLeft]);
  run.pointAt(kLeft, 1000);
  EXPECT_EQ(run.state.step, kAdjustmentRight);
}

TEST(ReachAdjustmentRun, OnlyAPointingWellPlacedHandCounts) {
  AdjustmentRun run;
  HandObservation unsure = run.pointingAt(kRest);
  unsure.presence = 0.79f;
  HandObservation lost = run.pointingAt(kRest);
  lost.present = false;
  const HandObservation pinch = HandBuilder::pose(kPoseNone).tipAt({640, 324}).observation();
  const HandObservation open = HandBuilder::open().tipAt({640, 324}).observation();
  const HandObservation cutOff = HandBuilder::pointing().tipAt({640, 2}).observation();
  for (const HandObservation& hand : {unsure, lost, pinch, open, cutOff}) {
    run.hold(hand, 2000);
    EXPECT_EQ(run.state.step, kAdjustmentRest);
    EXPECT_EQ(run.state.progress, 0.0f);
  }
  run.pointAt(kRest);
  EXPECT_EQ(run.state.step, kAdjustmentLeft);
}

TEST(ReachAdjustmentRun, MirroredHandsMoveTheOtherWay) {
  // Towards the image's right edge, which the mirrored pointer sees as left.
  AdjustmentRun run(1280, 720, true);
  run.pointAt(kRest);
  run.pointAt(kLeft);
  EXPECT_EQ(run.state.step, kAdjustmentRight);
  EXPECT_NEAR(run.state.measured.left, 0.3f, 1e-5f);
}

TEST(ReachAdjustmentRun, ANewIdStartsAgain) {
  AdjustmentRun run;
  run.pointAt(kRest);
  run.pointAt({0.2f, 0.45f});
  ASSERT_EQ(run.state.step, kAdjustmentRight);
  run.id = 8;
  run.frame(run.pointingAt(kRest));
  EXPECT_EQ(run.state.runId, 8u);
  EXPECT_EQ(run.state.step, kAdjustmentRest);
  EXPECT_EQ(run.state.startTime, run.now);
}

}  // namespace
}  // namespace vel
