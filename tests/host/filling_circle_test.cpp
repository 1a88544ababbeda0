// The click-progress circle over time (easing, drops, the 98 % cap, completion, a clock going
// back) and the shape it is drawn with.
#include "ui/filling_circle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace vel {
namespace {

TEST(FillingCircle, AnimationEasesRisesDropsFallsAndPlaysCompletion) {
  const struct {
    const char* what;
    HoldInfo hold;
    std::int64_t now;
    float fill, t;
  } steps[] = {
      {"a rise starts from what shows", {0.5f}, 1000, 0.0f, 1.0f},
      {"halfway through the 80 ms ease", {0.5f}, 1040, 0.25f, 1.0f},
      {"eased in", {0.5f}, 1080, 0.5f, 1.0f},
      {"the same moment again", {0.5f}, 1080, 0.5f, 1.0f},
      {"a further rise eases on from there", {0.9f}, 1100, 0.5f, 1.0f},
      {"a fall drops at once", {0.2f}, 1120, 0.2f, 1.0f},
      {"a hold not yet fired", {1.5f}, 1200, 0.2f, 1.0f},
      {"shows at most 98 %", {1.5f}, 1300, 0.98f, 1.0f},
      {"completion shows full", {0.0f, true}, 2000, 1.0f, 0.0f},
      {"and plays over 700 ms", {0.0f, true}, 2350, 1.0f, 0.5f},
      {"to its end", {0.0f, true}, 3000, 1.0f, 1.0f},
      {"the next hold starts empty", {0.3f}, 3010, 0.0f, 1.0f},
      {"and so does the next completion", {0.0f, true}, 3020, 1.0f, 0.0f},
      {"a clock gone back starts afresh", {0.3f}, 500, 0.0f, 1.0f},
      {"and eases from there", {0.3f}, 540, 0.15f, 1.0f},
      {"a broken progress counts as none", {NAN}, 560, 0.0f, 1.0f},
  };
  CircleAnimation state;
  for (const auto& step : steps) {
    const CircleDrawing drawn = advanceCircle(state, step.hold, step.now);
    SCOPED_TRACE(step.what);
    EXPECT_NEAR(drawn.fill, step.fill, 1e-5f);
    EXPECT_NEAR(drawn.t, step.t, 1e-5f);
    EXPECT_EQ(drawn.completed, step.hold.completed);
    if (drawn.completed) {
      EXPECT_EQ(drawn.phase, 0.0f) << "a still surface";
    }
  }
  EXPECT_NEAR(advanceCircle(state, {0.5f}, 14'350).phase, 0.5f * 3.14159265f, 1e-4f) << "a turn every 1.4 s";
}

// Where the pixels land is checked on a real device context by the Windows suite; these are the
// decisions behind them.
TEST(FillingCircle, ShapeGoesFromOutlineToWavyLiquidWithRingToPulsingCheckMark) {
  const CircleShape empty = circleShape(100, 100, 30, {});
  EXPECT_FALSE(empty.liquid || empty.ring || empty.halo || empty.checkMark);
  EXPECT_FALSE(circleShape(100, 100, 30, {NAN, 0.0f, 1.0f, false}).liquid) << "a broken fill";
  EXPECT_EQ(std::tie(empty.bounds, empty.outlinePen), std::tuple(Box{70, 70, 131, 131}, 5));

  const CircleShape half = circleShape(100, 100, 30, {0.5f, 0.0f, 1.0f, false});
  ASSERT_TRUE(half.liquid && half.surfaceLine && half.ring);
  // Level 131 − 61 × 0.5 = 100.5, waving by at most 0.035 r.
  EXPECT_EQ(std::tie(half.liquidPolygon[12], half.liquidPolygon[48], half.liquidPolygon[50]),
            std::tuple(IntPoint{85, 102}, IntPoint{131, 100}, IntPoint{70, 131}))
      << "closed along the bottom";
  EXPECT_EQ(std::tie(half.ringSegments, half.ringPen, half.ringArc[0], half.ringArc[16]),
            std::tuple(32, 3, IntPoint{100, 66}, IntPoint{134, 100}))
      << "clockwise from the top";
  EXPECT_EQ(circleShape(100, 100, 30, {0.001f, 0.0f, 1.0f, false}).ringSegments, 1);
  EXPECT_EQ(circleShape(100, 100, 30, {1.5f, 0.0f, 1.0f, false}).ringSegments, 64) << "one turn at most";
  EXPECT_EQ(circleShape(100, 100, 30, {0.98f, 0.0f, 1.0f, false}).liquidPolygon[12].y, 71) << "calm when nearly full";
  EXPECT_EQ(circleShape(100, 100, 30, {0.02f, 0.0f, 1.0f, false}).liquidPolygon[12].y, 130) << "and nearly empty";
  EXPECT_EQ(circleShape(100, 100, 30, {0.5f, 1.5708f, 1.0f, false}).liquidPolygon[0].y, 102) << "a quarter turn on";

  const CircleShape pulsing = circleShape(100, 100, 30, {1.0f, 2.0f, 0.5f, true});
  EXPECT_FALSE(pulsing.surfaceLine || pulsing.ring);
  EXPECT_EQ(std::tie(pulsing.radius, pulsing.halo, pulsing.haloRadius, pulsing.haloPen, pulsing.haloColour),
            std::tuple(33, true, 43, 5, Rgb{127, 200, 177}));
  EXPECT_EQ(std::tie(pulsing.checkMark, pulsing.checkHeight), std::tuple(true, 54));
  EXPECT_EQ(pulsing.liquidPolygon[20].y, pulsing.bounds.top) << "full and flat";
  EXPECT_EQ(circleShape(0, 0, 100, {1.0f, 0.0f, 0.5f, true}).radius, 112) << "12 % larger halfway";
  const CircleShape done = circleShape(100, 100, 30, {1.0f, 0.0f, 1.0f, true});
  EXPECT_EQ(std::tie(done.radius, done.halo, done.checkHeight), std::tuple(30, false, 49));
}

}  // namespace
}  // namespace vel
