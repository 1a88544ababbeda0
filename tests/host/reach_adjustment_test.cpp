// "Set movement area" through the gesture engine, with synthetic pointing hands at explicit frame
// times on a 1280 × 720 camera: whole runs, each step's direction and travel, the pause timing,
// distance changes, dropouts, time-out and a reach too small.
#include <gtest/gtest.h>

#include "tests/support/gesture_driver.h"

namespace vel {
namespace {

constexpr Point kRest{0.5f, 0.45f};
constexpr Point kPauses[] = {kRest, {0.2f, 0.45f}, {0.8f, 0.45f}, {0.5f, 0.2f}, {0.5f, 0.7f}};

class Adjustment : public ::testing::Test {
 protected:
  Adjustment() {
    driver.width = 1280;
    driver.height = 720;
    driver.settings.adjustmentId = 7;
    driver.settings.Mirror = false;
  }
  // The index tip on `p` in camera coordinates (0..1), a 90-pixel palm times `palmScale`.
  HandObservation pointingAt(Point p, float palmScale = 1.0f) const {
    const Point tip{p.x * static_cast<float>(driver.width - 1), p.y * static_cast<float>(driver.height - 1)};
    return test::HandBuilder::pointing().palm(90.0f * palmScale).tipAt(tip).observation();
  }
  // 30 frames per second for `ms`; the last output.
  ControlOutput pointAt(Point p, std::int64_t ms = 1700, float palmScale = 1.0f) {
    return driver.keep(pointingAt(p, palmScale), ms, nullptr, 33);
  }
  const AdjustmentProgress& run() const { return driver.state.adjustment; }

  test::GestureDriver driver;
};

TEST_F(Adjustment, FiveStillPausesMeasureTheArea) {
  for (int step = 0; step < 5; ++step) {
    const ControlOutput first = driver.after(33, pointingAt(kPauses[step]));
    EXPECT_EQ(first.status, kAdjustmentPrompts[static_cast<std::size_t>(step)]);
    EXPECT_TRUE(first.pointerActive && first.handPresent && !first.needsGuidance && first.actions.empty());
    pointAt(kPauses[step]);
  }
  const ControlOutput done = driver.after(33, pointingAt(kRest));
  EXPECT_EQ(done.status, L"Reach saved. Start control or try Practice.");
  // 2.5 % inside the pauses: 0.2..0.8 × 0.2..0.7 becomes 0.215..0.785 × 0.2125..0.6875.
  const StoredReach& reach = done.adjustment.reach;
  EXPECT_TRUE(done.adjustment.finished && reach.valid);
  EXPECT_NEAR(reach.left, 0.215f, 1e-5f);
  EXPECT_NEAR(reach.top, 0.2125f, 1e-5f);
  EXPECT_NEAR(reach.right, 0.785f, 1e-5f);
  EXPECT_NEAR(reach.bottom, 0.6875f, 1e-5f);
  EXPECT_NEAR(reach.palm, 90.0f / 720.0f, 1e-5f);
  EXPECT_NEAR(reach.aspect, 1280.0f / 720.0f, 1e-5f);
  EXPECT_EQ(pointAt(kRest).adjustment.progress, 1.0f) << "a finished run stays as it is";
}

// Each step fills only beyond 0.09 (sideways) or 0.08 (up and down) from the rest position.
TEST_F(Adjustment, EachStepNeedsItsDirectionAndDistance) {
  const Point shortOf[] = {{}, {0.415f, 0.45f}, {0.585f, 0.45f}, {0.5f, 0.375f}, {0.5f, 0.525f}};
  const Point past[] = {{}, {0.405f, 0.45f}, {0.595f, 0.45f}, {0.5f, 0.365f}, {0.5f, 0.535f}};
  for (int step = 1; step <= 4; ++step) {
    SCOPED_TRACE(step);
    driver.settings.adjustmentId += 1;
    for (int before = 0; before < step; ++before) pointAt(kPauses[before]);
    ASSERT_EQ(run().step, step);
    pointAt(kPauses[step % 4 + 1]);  // another direction
    pointAt(shortOf[step]);
    EXPECT_EQ(run().step, step);
    EXPECT_EQ(run().progress, 0.0f);
    pointAt(past[step]);
    EXPECT_TRUE(step == 4 ? run().finished : run().step == step + 1);
  }
}

TEST_F(Adjustment, AStepTakes1500MsAndAPause900MsWithin0035OfWhereItBegan) {
  const std::int64_t start = driver.after(33, pointingAt(kRest)).timeMs;
  EXPECT_NEAR(pointAt(kRest, 1450).adjustment.progress, 850.0f / 900.0f, 1e-5f);
  EXPECT_EQ(driver.at(start + 1499, pointingAt(kRest)).adjustment.step, kAdjustmentRest);
  const ControlOutput next = driver.at(start + 1500, pointingAt(kRest));
  EXPECT_EQ(next.adjustment.step, kAdjustmentLeft);
  EXPECT_EQ(next.status, kAdjustmentPrompts[kAdjustmentLeft]) << "the next step's prompt at once";
  // Left: 1000 ms at one place, then a move of more than 0.035 starts the pause again.
  pointAt(kPauses[1], 1000);
  const std::int64_t moved = driver.after(33, pointingAt({0.2f, 0.49f})).timeMs;
  pointAt({0.2f, 0.49f}, 860);
  EXPECT_EQ(driver.at(moved + 899, pointingAt({0.21f, 0.48f})).adjustment.step, kAdjustmentLeft);
  EXPECT_EQ(driver.at(moved + 900, pointingAt({0.21f, 0.48f})).adjustment.step, kAdjustmentRight);
}

TEST_F(Adjustment, KeepingTheSameDistanceFromTheCamera) {
  pointAt(kRest);
  pointAt(kPauses[1], 700);
  // Just beyond the limits (1.38 and 0.72 of the palm at rest) and just inside them.
  for (const float scale : {1.385f, 0.715f}) {
    const ControlOutput output = pointAt(kPauses[1], 300, scale);
    EXPECT_EQ(output.status, L"Keep the same comfortable distance from the camera.");
    EXPECT_EQ(output.adjustment.progress, 0.0f);
  }
  for (const float scale : {1.375f, 0.725f}) EXPECT_GT(pointAt(kPauses[1], 300, scale).adjustment.progress, 0.0f);
}

TEST_F(Adjustment, ADropoutOrAHandNotPointingRestartsThePauseNotTheStep) {
  pointAt(kRest);
  HandObservation unsure = pointingAt(kPauses[1]);
  unsure.presence = 0.79f;
  HandObservation cut = pointingAt(kPauses[1]);
  for (Point& p : cut.landmarks) p.y += 400.0f;
  const HandObservation open = test::HandBuilder::open().palm(90.0f).tipAt({256, 324}).observation();
  pointAt(kPauses[1], 700);  // the step's first 600 ms never count
  for (const HandObservation& hand : {HandObservation{}, unsure, open, cut}) {
    ASSERT_GT(pointAt(kPauses[1], 600).adjustment.progress, 0.3f);
    const ControlOutput output = driver.after(33, hand);
    EXPECT_EQ(output.adjustment.progress, 0.0f);
    EXPECT_TRUE(output.needsGuidance && !output.pointerActive);
  }
  HandObservation wristOut = pointingAt(kPauses[1]);
  wristOut.present = false;  // the tracker's landmarks with the wrist outside the frame
  EXPECT_TRUE(driver.after(33, wristOut).landmarks.has_value());
  const ControlOutput cutOff = driver.after(33, cut);
  EXPECT_EQ(cutOff.status, L"Keep your whole hand in view");
  EXPECT_FALSE(cutOff.handPresent);
  ASSERT_GT(pointAt(kPauses[1], 600).adjustment.progress, 0.3f);
  EXPECT_EQ(driver.after(33, pointingAt(kRest)).adjustment.progress, 0.0f) << "pointing the wrong way";
  EXPECT_EQ(driver.after(33, pointingAt(kPauses[1])).adjustment.progress, 0.0f);
  pointAt(kPauses[1], 600);
  EXPECT_EQ(driver.after(300, pointingAt(kPauses[1])).adjustment.progress, 0.0f) << "300 ms without frames";
  EXPECT_EQ(run().step, kAdjustmentLeft);
  pointAt(kPauses[1], 1000);
  EXPECT_EQ(run().step, kAdjustmentRight);
}

TEST_F(Adjustment, FailsAfter90SecondsOrWithAPalmTooSmallAndANewIdStartsAgain) {
  const std::int64_t start = driver.after(33, pointingAt(kRest)).timeMs;
  pointAt(kRest);
  pointAt({kRest.x - 0.05f, kRest.y}, start + 90'000 - driver.now);
  EXPECT_FALSE(driver.at(start + 90'000, pointingAt(kRest)).adjustment.failed);
  const ControlOutput late = driver.at(start + 90'001, pointingAt(kRest));
  EXPECT_TRUE(late.adjustment.failed);
  EXPECT_EQ(late.status, L"Adjustment timed out. Your previous reach is unchanged.");

  // A 25-pixel palm on a 2000-pixel-tall image is 0.0125 of it, below the 0.015 a reach needs.
  driver.settings.adjustmentId = 8;
  driver.width = 640;
  driver.height = 2000;
  for (const Point p : kPauses) driver.keep(test::HandBuilder::pointing().palm(25.0f).tipAt({p.x * 639, p.y * 1999}).observation(), 1700, nullptr, 33);
  EXPECT_TRUE(run().failed);
  EXPECT_EQ(run().message, L"Reach was too small. Try again with slightly wider movements.");

  // Mirrored, the image's right side is the pointer's left.
  driver.settings.adjustmentId = 9;
  driver.settings.Mirror = true;
  driver.width = 1280;
  driver.height = 720;
  EXPECT_EQ(driver.after(33, pointingAt(kRest)).adjustment.runId, 9u);
  EXPECT_FALSE(run().failed);
  pointAt(kRest);
  pointAt({0.7f, 0.45f});
  EXPECT_EQ(run().step, kAdjustmentRight);
  EXPECT_NEAR(driver.state.adjustment.measured.left, 0.3f, 1e-5f);
}

}  // namespace
}  // namespace vel
