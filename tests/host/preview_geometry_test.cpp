// Preview layout and the mappings painting and practice share.
#include "ui/preview_geometry.h"

#include <gtest/gtest.h>

#include <array>

namespace vel {
namespace {

std::array<int, 4> box(const PreviewRect& r) { return {r.left, r.top, r.width, r.height}; }

TEST(PreviewGeometry, FitsTheFrameByHeightOrWidthAndCentresIt) {
  EXPECT_EQ(box(previewRect(640, 480)), (std::array{237, 108, 325, 244}));
  EXPECT_EQ(box(previewRect(4000, 1000)), (std::array{44, 141, 712, 178}));
  EXPECT_EQ(previewRect(0, 0).width, 0);
}

TEST(PreviewGeometry, MovementAreaFollowsTheMarginUnlessAStoredAreaFitsTheFrame) {
  Settings settings;
  settings.Margin = 0.04f;
  EXPECT_FLOAT_EQ(effectiveMovementArea(settings, 640, 480).top, 0.025f);
  EXPECT_FLOAT_EQ(effectiveMovementArea(settings, 640, 480).right, 0.975f);
  settings = Settings{};
  settings.ReachVersion = true;
  settings.ReachLeft = 0.2f;
  settings.ReachTop = 0.3f;
  settings.ReachRight = 0.6f;
  settings.ReachBottom = 0.7f;
  settings.ReachPalm = 0.2f;
  settings.ReachAspect = 4.0f / 3.0f;
  EXPECT_FLOAT_EQ(effectiveMovementArea(settings, 640, 480).left, 0.2f);
  EXPECT_FLOAT_EQ(effectiveMovementArea(settings, 1280, 720).left, 0.075f) << "another shape";
}

TEST(PreviewGeometry, FrameAndAreaPointsMapIntoThePreview) {
  const PreviewRect preview = previewRect(640, 480);
  const Point corner = frameToPreview(preview, {639.0f, 479.0f}, false);
  EXPECT_FLOAT_EQ(corner.x, 237.0f + 324.0f);
  EXPECT_FLOAT_EQ(corner.y, 108.0f + 243.0f);
  EXPECT_FLOAT_EQ(frameToPreview(preview, {639.0f, 0.0f}, true).x, 237.0f) << "mirrored";
  const PreviewRect narrow = previewRect(2, 100);
  EXPECT_FLOAT_EQ(frameToPreview(narrow, {1.0f, 50.0f}, false).x, static_cast<float>(narrow.left + narrow.width - 1));

  const Point centre = areaToPreview(preview, {0.25f, 0.5f, 0.75f, 1.0f}, {0.5f, 0.5f});
  EXPECT_FLOAT_EQ(centre.x, 237.0f + 0.5f * 324.0f);
  EXPECT_FLOAT_EQ(centre.y, 108.0f + 0.75f * 243.0f);
}

TEST(PreviewGeometry, AreaSizeCountsPixelsAndNeverDropsBelowTwo) {
  const PreviewRect preview = previewRect(640, 480);
  const PreviewSize size = areaSizeInPreview(preview, {0.075f, 0.075f, 0.925f, 0.925f});
  EXPECT_EQ((std::array{size.width, size.height}), (std::array{276, 208}));  // round(324|243 × 0.85) + 1
  const PreviewSize tiny = areaSizeInPreview(preview, {0.5f, 0.5f, 0.5f, 0.5f});
  EXPECT_EQ((std::array{tiny.width, tiny.height}), (std::array{2, 2}));
}

}  // namespace
}  // namespace vel
