// "Set movement area" through the gesture engine, with synthetic pointing hands at explicit frame
// times on a 1280 × 720 camera.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "tests/support/hand_builder.h"

namespace vel {
namespace {

constexpr Point kRest{0.5f, 0.45f}, kLeft{0.2f, 0.45f};
const wchar_t* const kGoLeft = kAdjustmentPrompts[kAdjustmentLeft];

struct Adjustment : ::testing::Test {
  // The index tip on `p` in camera coordinates (0..1), a 90-pixel palm times `scale`.
  static HandObservation hand(Point p, float scale = 1.0f, int pose = kPoseOneFinger) {
    return test::HandBuilder::pose(pose).palm(90.0f * scale).tipAt({p.x * 1279, p.y * 719}).observation();
  }
  // 30 frames a second for `ms`; the run as it is then.
  const AdjustmentProgress& pointAt(Point p, std::int64_t ms = 1700, float scale = 1.0f) {
    driver.keep(hand(p, scale), ms, 33);
    return driver.state.adjustment;
  }

  test::GestureDriver driver{.settings = {.Mirror = false, .adjustmentId = 7}, .width = 1280, .height = 720};
};

// Each step fills only beyond 0.09 (sideways) or 0.08 (up and down) from the rest position, with the
// prompt of the next step at once; the area keeps 2.5 % inside the pauses.
TEST_F(Adjustment, FivePausesInTheirDirectionsMeasureTheArea) {
  const Point shortOf[] = {{}, {0.415f, 0.45f}, {0.585f, 0.45f}, {0.5f, 0.375f}, {0.5f, 0.525f}};
  const Point past[] = {kRest, {0.405f, 0.45f}, {0.595f, 0.45f}, {0.5f, 0.365f}, {0.5f, 0.535f}};
  const std::int64_t start = driver.after(33, hand(kRest)).timeMs;
  EXPECT_NEAR(pointAt(kRest, 1450).progress, 850.0f / 900.0f, 1e-5f);
  EXPECT_EQ(driver.at(start + 1499, hand(kRest)).status, kAdjustmentPrompts[kAdjustmentRest]);
  EXPECT_EQ(driver.at(start + 1500, hand(kRest)).status, kGoLeft) << "a step takes 1500 ms";
  for (int step = 1; step <= 4; ++step) {
    for (const Point wrong : {past[step % 4 + 1], shortOf[step]}) EXPECT_EQ(pointAt(wrong).progress, 0.0f);
    EXPECT_EQ(pointAt(past[step]).step, std::min(step + 1, 4));
  }
  const ControlOutput done = driver.after(33, hand(kRest));
  EXPECT_EQ(done.status, L"Reach saved. Start control or try Practice.");
  const StoredReach& reach = done.adjustment.reach;
  EXPECT_TRUE(done.adjustment.finished && reach.valid && done.adjustment.progress == 1.0f);
  const float measured[] = {reach.left, reach.top, reach.right, reach.bottom, reach.palm, reach.aspect};
  const float expected[] = {0.40975f, 0.36925f, 0.59025f, 0.53075f, 90.0f / 720.0f, 1280.0f / 720.0f};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(measured[i], expected[i], 1e-5f) << i;
}

// A dropout, a hand not pointing, too near or too far (beyond 1.38 and 0.72 of the palm at rest), a
// frame gap, the wrong way or a move beyond 0.035 restarts the pause, not the step; 90 s end the run.
TEST_F(Adjustment, AnythingButAStillPointingHandRestartsThePause) {
  HandObservation unsure = hand(kLeft), cut = unsure, wristOut = unsure;
  unsure.presence = 0.79f;
  for (Point& p : cut.landmarks) p.y += 400.0f;
  wristOut.present = false;  // the tracker's landmarks with the wrist outside the frame
  const struct { HandObservation hand; int gap; const wchar_t* status; bool usable, present; } cases[] = {
      {HandObservation{}, 33, L"Show one hand to the camera", false, false},
      {unsure, 33, kGoLeft, false, true}, {hand(kLeft, 1.0f, kPoseOpenHand), 33, kGoLeft, false, true},
      {cut, 33, L"Keep your whole hand in view", false, false}, {wristOut, 33, kGoLeft, false, false},
      {hand(kLeft, 1.385f), 33, kAdjustmentKeepDistance, true, true}, {hand(kRest), 33, kGoLeft, true, true},
      {hand(kLeft, 0.715f), 33, kAdjustmentKeepDistance, true, true}, {hand(kLeft), 300, kGoLeft, true, true}};
  const std::int64_t start = driver.after(33, hand(kRest)).timeMs;
  pointAt(kRest);
  pointAt(kLeft, 700);  // the step's first 600 ms never count
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_GT(pointAt(kLeft, 600).progress, 0.3f);
    const ControlOutput output = driver.after(c.gap, c.hand);
    EXPECT_EQ(output.adjustment.progress, 0.0f);
    EXPECT_EQ(output.status, c.status);
    EXPECT_EQ(std::tuple(output.landmarks.has_value(), output.handPresent, output.pointerActive),
              std::tuple(c.hand.landmarksValid, c.present, c.usable));
    EXPECT_EQ(output.needsGuidance, !c.usable);
  }
  for (const float scale : {1.375f, 0.725f}) EXPECT_GT(pointAt(kLeft, 300, scale).progress, 0.0f);
  const std::int64_t moved = driver.after(33, hand({0.2f, 0.49f})).timeMs;
  pointAt({0.21f, 0.48f}, 866);  // within 0.035 of where the pause began
  EXPECT_EQ(driver.at(moved + 899, hand({0.21f, 0.48f})).adjustment.step, kAdjustmentLeft);
  EXPECT_EQ(driver.at(moved + 900, hand({0.21f, 0.48f})).adjustment.step, kAdjustmentRight);
  EXPECT_FALSE(driver.at(start + 90'000, hand(kRest)).adjustment.failed);
  const ControlOutput late = driver.at(start + 90'001, hand(kRest));
  EXPECT_TRUE(late.status == kAdjustmentTimedOut && late.adjustment.failed);
  // A 25-pixel palm on a 2000-pixel-tall image is 0.0125 of it, below the 0.015 a reach needs.
  driver = {.settings = {.Mirror = false, .adjustmentId = 8}, .width = 640, .height = 2000};
  for (const Point p : {kRest, kLeft, Point{0.8f, 0.45f}, Point{0.5f, 0.2f}, Point{0.5f, 0.7f}}) {
    driver.keep(test::HandBuilder::pose(1).palm(25).tipAt({p.x * 639, p.y * 1999}).observation(), 1700, 33);
  }
  EXPECT_EQ(driver.state.adjustment.message, kAdjustmentTooSmall);
}

// Samples the tracker never gives, straight to the step: outside the image, not finite, without a palm.
TEST(AdjustmentSamples, OnlyFiniteOnesInsideTheImageWithAPalmCount) {
  const AdjustmentSample good{{0.5f, 0.45f}, 0.1f, true}, bad[] = {
      {{-0.01f, 0.5f}, 0.1f, true}, {{1.01f, 0.5f}, 0.1f, true}, {{0.5f, -0.01f}, 0.1f, true},
      {{0.5f, 1.01f}, 0.1f, true}, {{NAN, 0.5f}, 0.1f, true}, {{0.5f, INFINITY}, 0.1f, true},
      {{0.5f, 0.45f}, 0.0f, true}, {{0.5f, 0.45f}, NAN, true}, {{0.5f, 0.45f}, 0.1f, false}};
  for (const AdjustmentSample& sample : bad) {
    ReachAdjustment a;
    for (std::int64_t t = 1000; t <= 2000; t += 100) stepReachAdjustment(a, 1, good, t);
    const float before = a.progress;
    stepReachAdjustment(a, 1, sample, 2100);
    EXPECT_TRUE(before > 0.0f && a.progress == 0.0f) << &sample - bad;
  }
}

}  // namespace
}  // namespace vel
