// The overlays on the desktop: sizes and places of the circle at the pointer, the controlled area,
// the reference card with its fade and the guidance bar; the click-progress circle over time and
// its shape, whose pixels the Windows suite checks.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/filling_circle.h"
#include "ui/overlay_layout.h"
#include "ui/palette.h"

namespace vel {
namespace {

// A 1920 × 1080 target whose top-left corner is at (100, 50) on the virtual desktop.
const DesktopRect kTarget{100, 50, 2020, 1130};
const Box kWholeTarget{0, 0, 1920, 1080};

TEST(OverlayLayout, CircleFollowsTheSystemScaleDownToItsMinimumsCentredOnThePointerInTheTarget) {
  const std::pair<float, std::pair<int, int>> sizes[] = {
      {1.0f, {112, 30}}, {0.5f, {56, 15}}, {1.5f, {168, 45}}, {0.43f, {48, 14}}, {0.25f, {48, 14}}};
  for (const auto& [scale, size] : sizes) EXPECT_EQ(std::pair(circleWindowSize(scale), circleRadius(scale)), size);
  EXPECT_EQ(std::tuple(pointerOnDesktop(kTarget, {0.25f, 0.5f}), pointerOnDesktop(kTarget, {-0.5f, NAN}),
                       pointerOnDesktop(kTarget, {2.0f, 1.0f}), pointerOnDesktop({5, 5, 5, 5}, {1.0f, 1.0f})),
            std::tuple(IntPoint{579, 589}, IntPoint{100, 50}, IntPoint{100 + 1919, 50 + 1079}, IntPoint{5, 5}));
  EXPECT_EQ(circleWindowBox(kTarget, {0.25f, 0.5f}, 0.5f), (Box{579 - 28, 589 - 28, 579 + 28, 589 + 28}));

  Settings geometry;  // the controlled area is the display unless it is narrower than 100
  geometry.targetWidth = 3840;
  geometry.displayRectInTarget = {1920, 0, 2019, 900};
  EXPECT_EQ(controlledArea(geometry), (Box{0, 0, 3840, 1080}));
  geometry.displayRectInTarget[2] = 2020;
  EXPECT_EQ(controlledArea(geometry), (Box{1920, 0, 2020, 900}));
}

TEST(OverlayLayout, ReferenceCardFitsItsTilesBetweenAMinimumAndTheAreaAndFadesNearThePointerAboveTheGuidance) {
  const std::tuple<int, int, float, int, Box> cases[] = {  // tiles, area width, scale, width units, window
      {3, 1920, 1.0f, 468, {726, 852, 1194, 1022}}, {1, 1920, 1.0f, 240, {840, 852, 1080, 1022}},
      {3, 1920, 1.5f, 468, {609, 738, 1311, 993}},  {6, 800, 1.0f, 768, {16, 852, 784, 1022}},
      {6, 800, 0.5f, 912, {58, 910, 742, 1037}},  // never drawn below three quarters
      {3, 200, 1.0f, 240, {-20, 852, 220, 1022}},
  };
  for (const auto& [tiles, areaWidth, scale, widthUnits, w] : cases) {
    const ReferenceCard card = referenceCard({0, 0, areaWidth, 1080}, kTarget, scale, tiles);
    EXPECT_EQ(std::pair(card.widthUnits, card.window),
              std::pair(widthUnits, Box{w.left + 100, w.top + 50, w.right + 100, w.bottom + 50}))
        << tiles << " tiles over " << areaWidth << " at " << scale;
  }
  // 24 % of the way towards 48 while the cursor is within 24 pixels of the card, else towards 202.
  const ReferenceCard card = referenceCard(kWholeTarget, {0, 0, 1920, 1080}, 1.0f, 3);  // 726..1194 × 852..1022
  const std::tuple<float, std::optional<IntPoint>, float> fades[] = {
      {202.0f, IntPoint{900, 900}, 165.04f}, {202.0f, IntPoint{702, 828}, 165.04f},
      {202.0f, IntPoint{1217, 1045}, 165.04f}, {202.0f, IntPoint{701, 900}, 202.0f},
      {202.0f, IntPoint{900, 1046}, 202.0f},  {48.0f, std::nullopt, 84.96f},  // no cursor position
  };
  for (const auto& [alpha, cursor, next] : fades) EXPECT_NEAR(nextReferenceAlpha(alpha, card, cursor), next, 1e-3f);
  EXPECT_EQ(guidanceBarBox(kWholeTarget, kTarget, 1.0f, true), (Box{835, 854, 1285, 890}));  // bottom 1080 − 240
  EXPECT_EQ(guidanceBarBox(kWholeTarget, kTarget, 1.0f, false), (Box{835, 1034, 1285, 1070}));
  EXPECT_EQ(guidanceBarBox(kWholeTarget, kTarget, 1.5f, false), (Box{722, 986, 1397, 1040}));
  EXPECT_EQ(guidanceBarBox({1000, 0, 1300, 800}, kTarget, 1.0f, false).width(), 280) << "a narrow display";
  EXPECT_EQ(std::pair(guidanceFontHeight(0.5f), guidanceFontHeight(1.5f)), std::pair(12, 19));
}

TEST(FillingCircle, AnimationEasesRisesDropsFallsAndPlaysCompletion) {
  // Hold progress, time, then the fill and completion shown: a rise eases in over 80 ms from what
  // shows, a fall drops at once, a hold not yet fired shows at most 98 %; completion shows full and
  // plays over 700 ms; the next hold starts empty; a clock gone back starts afresh; NaN is none.
  const std::tuple<HoldInfo, std::int64_t, float, float> steps[] = {
      {{0.5f}, 1000, 0.0f, 1.0f},        {{0.5f}, 1040, 0.25f, 1.0f},       {{0.5f}, 1080, 0.5f, 1.0f},
      {{0.9f}, 1100, 0.5f, 1.0f},        {{0.2f}, 1120, 0.2f, 1.0f},        {{1.5f}, 1200, 0.2f, 1.0f},
      {{1.5f}, 1300, 0.98f, 1.0f},       {{0.0f, true}, 2000, 1.0f, 0.0f},  {{0.0f, true}, 2350, 1.0f, 0.5f},
      {{0.0f, true}, 3000, 1.0f, 1.0f},  {{0.3f}, 3010, 0.0f, 1.0f},        {{0.0f, true}, 3020, 1.0f, 0.0f},
      {{0.3f}, 3030, 0.0f, 1.0f},        {{0.3f}, 3070, 0.15f, 1.0f},       {{0.6f}, 3035, 0.0f, 1.0f},
      {{0.6f}, 3075, 0.3f, 1.0f},        {{NAN}, 3100, 0.0f, 1.0f},
  };
  CircleAnimation state;
  for (const auto& [hold, now, fill, t] : steps) {
    const CircleDrawing drawn = advanceCircle(state, hold, now);
    EXPECT_NEAR(drawn.fill, fill, 1e-5f) << now;
    EXPECT_NEAR(drawn.t, t, 1e-5f) << now;
    EXPECT_EQ(std::pair(drawn.completed, drawn.completed && drawn.phase != 0.0f), std::pair(hold.completed, false));
  }
  EXPECT_NEAR(advanceCircle(state, {0.5f}, 14'350).phase, 0.5f * 3.14159265f, 1e-4f) << "a turn every 1.4 s";
}

TEST(FillingCircle, ShapeGoesFromOutlineToWavyLiquidWithRingToPulsingCheckMark) {
  const CircleShape empty = circleShape(100, 100, 30, {});
  EXPECT_EQ(std::tuple(empty.liquid || empty.ring || empty.halo || empty.checkMark, empty.bounds, empty.outlinePen,
                       empty.outlineColour),
            std::tuple(false, Box{70, 70, 131, 131}, 5, kInk));
  EXPECT_FALSE(circleShape(100, 100, 30, {NAN, 0.0f, 1.0f, false}).liquid) << "a broken fill";
  // Level 131 − 61 × 0.5 = 100.5, waving by at most 0.035 r, closed along the bottom; the ring
  // runs clockwise from the top.
  const CircleShape half = circleShape(100, 100, 30, {0.5f, 0.0f, 1.0f, false});
  const auto& liquid = half.liquidPolygon;
  EXPECT_EQ(std::tuple(half.liquid, half.surfaceLine, liquid[12], liquid[48], liquid[49], liquid[50]),
            std::tuple(true, true, IntPoint{85, 102}, IntPoint{131, 100}, IntPoint{131, 131}, IntPoint{70, 131}));
  EXPECT_EQ(std::tuple(half.ring, half.ringSegments, half.ringPen, half.ringArc[0], half.ringArc[16]),
            std::tuple(true, 32, 3, IntPoint{100, 66}, IntPoint{134, 100}));
  const auto shape = [](float fill, float phase = 0.0f) { return circleShape(100, 100, 30, {fill, phase, 1, false}); };
  EXPECT_EQ(std::pair(shape(0.001f).ringSegments, shape(1.5f).ringSegments), std::pair(1, 64)) << "one turn at most";
  EXPECT_EQ(std::tuple(shape(0.98f).liquidPolygon[12].y, shape(0.02f).liquidPolygon[12].y,
                       shape(0.5f, 1.5708f).liquidPolygon[0].y),
            std::tuple(71, 130, 102))
      << "calm when nearly full or nearly empty; a quarter turn on";

  const CircleShape pulsing = circleShape(100, 100, 30, {1.0f, 2.0f, 0.5f, true});
  EXPECT_FALSE(pulsing.surfaceLine || pulsing.ring);
  EXPECT_EQ(std::tie(pulsing.radius, pulsing.halo, pulsing.haloRadius, pulsing.haloPen, pulsing.haloColour),
            std::tuple(33, true, 43, 5, Rgb{127, 200, 177}));
  EXPECT_EQ(std::tuple(pulsing.checkMark, pulsing.checkHeight, pulsing.liquidPolygon[20].y), std::tuple(true, 54, 67))
      << "full and flat";
  const CircleShape halfway = circleShape(0, 0, 100, {1.0f, 0.0f, 0.5f, true});
  EXPECT_EQ(std::pair(halfway.radius, halfway.checkHeight), std::pair(112, 184)) << "12 % larger halfway";
  const CircleShape done = circleShape(100, 100, 30, {1.0f, 0.0f, 1.0f, true});
  EXPECT_EQ(std::tie(done.radius, done.halo, done.checkHeight, done.outlineColour),
            std::tuple(30, false, 49, kCompletedGreen));
}

}  // namespace
}  // namespace vel
