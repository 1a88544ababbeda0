// Overlay sizes and places on the desktop: the circle at the pointer, the controlled area, the
// reference card with its fade and the guidance bar.
#include "ui/overlay_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>

namespace vel {
namespace {

// A 1920 × 1080 target whose top-left corner is at (100, 50) on the virtual desktop.
const DesktopRect kTarget{100, 50, 2020, 1130};
const Box kWholeTarget{0, 0, 1920, 1080};

TEST(OverlayLayout, CircleFollowsTheSystemScaleDownToItsMinimumsCentredOnThePointerInTheTarget) {
  const std::pair<float, std::pair<int, int>> sizes[] = {
      {1.0f, {112, 30}}, {0.5f, {56, 15}}, {1.5f, {168, 45}}, {0.43f, {48, 14}}, {0.25f, {48, 14}}};
  for (const auto& [scale, expected] : sizes) {
    EXPECT_EQ(std::pair(circleWindowSize(scale), circleRadius(scale)), expected) << "scale " << scale;
  }
  EXPECT_EQ(pointerOnDesktop(kTarget, {0.25f, 0.5f}), (IntPoint{100 + 479, 50 + 539}));
  EXPECT_EQ(pointerOnDesktop(kTarget, {-0.5f, NAN}), (IntPoint{100, 50}));
  EXPECT_EQ(pointerOnDesktop(kTarget, {2.0f, 1.0f}), (IntPoint{100 + 1919, 50 + 1079}));
  EXPECT_EQ(pointerOnDesktop({5, 5, 5, 5}, {0.5f, 0.5f}), (IntPoint{5, 5})) << "an empty target";
  EXPECT_EQ(circleWindowBox(kTarget, {0.25f, 0.5f}, 0.5f), (Box{579 - 28, 589 - 28, 579 + 28, 589 + 28}));
}

TEST(OverlayLayout, ControlledAreaIsTheDisplayUnlessItIsNarrowerThan100) {
  Settings geometry;
  geometry.targetWidth = 3840;
  geometry.displayRectInTarget = {1920, 0, 2019, 900};
  EXPECT_EQ(controlledArea(geometry), (Box{0, 0, 3840, 1080}));
  geometry.displayRectInTarget[2] = 2020;
  EXPECT_EQ(controlledArea(geometry), (Box{1920, 0, 2020, 900}));
}

TEST(OverlayLayout, ReferenceCardFitsItsTilesBetweenAMinimumAndTheAreaAndFadesNearThePointer) {
  const struct {
    int tiles, areaWidth;
    float scale;
    int widthUnits;
    Box window;  // relative to the target
  } cases[] = {
      {3, 1920, 1.0f, 468, {726, 852, 1194, 1022}},
      {1, 1920, 1.0f, 240, {840, 852, 1080, 1022}},
      {3, 1920, 1.5f, 468, {609, 738, 1311, 993}},
      {6, 800, 1.0f, 768, {16, 852, 784, 1022}},
      {6, 800, 0.5f, 912, {58, 910, 742, 1037}},  // never drawn below three quarters
      {3, 200, 1.0f, 240, {-20, 852, 220, 1022}},
  };
  for (const auto& c : cases) {
    const ReferenceCard card = referenceCard({0, 0, c.areaWidth, 1080}, kTarget, c.scale, c.tiles);
    const Box& w = c.window;
    EXPECT_EQ(std::pair(card.widthUnits, card.window),
              std::pair(c.widthUnits, Box{w.left + 100, w.top + 50, w.right + 100, w.bottom + 50}))
        << c.tiles << " tiles over " << c.areaWidth << " at " << c.scale;
  }

  // 24 % of the way towards 48 while the cursor is within 24 pixels of the card, else towards 202.
  const ReferenceCard card = referenceCard(kWholeTarget, {0, 0, 1920, 1080}, 1.0f, 3);  // 726..1194 × 852..1022
  const std::tuple<float, std::optional<IntPoint>, float> fades[] = {
      {202.0f, IntPoint{900, 900}, 165.04f}, {202.0f, IntPoint{702, 828}, 165.04f},
      {202.0f, IntPoint{1217, 1045}, 165.04f}, {202.0f, IntPoint{701, 900}, 202.0f},
      {202.0f, IntPoint{900, 1046}, 202.0f},  {48.0f, std::nullopt, 84.96f},  // no cursor position
  };
  for (const auto& [alpha, cursor, next] : fades) EXPECT_NEAR(nextReferenceAlpha(alpha, card, cursor), next, 1e-3f);
}

TEST(OverlayLayout, GuidanceBarSitsHigherWhileTheReferenceCardIsRequested) {
  EXPECT_EQ(guidanceBarBox(kWholeTarget, kTarget, 1.0f, true), (Box{835, 854, 1285, 890}));  // bottom 1080 − 240
  EXPECT_EQ(guidanceBarBox(kWholeTarget, kTarget, 1.0f, false), (Box{835, 1034, 1285, 1070}));
  EXPECT_EQ(guidanceBarBox(kWholeTarget, kTarget, 1.5f, false), (Box{722, 986, 1397, 1040}));
  EXPECT_EQ(guidanceBarBox({1000, 0, 1300, 800}, kTarget, 1.0f, false).width(), 280) << "a narrow display";
  EXPECT_EQ((std::array{guidanceFontHeight(0.5f), guidanceFontHeight(1.5f)}), (std::array{12, 19}));
}

}  // namespace
}  // namespace vel
