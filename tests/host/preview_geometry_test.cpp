// Preview layout and the mappings painting and practice share.
#include "ui/preview_geometry.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(PreviewGeometry, FitsA4By3FrameByHeightAndCentresIt) {
  const PreviewRect preview = previewRect(640, 480);
  EXPECT_EQ(preview.width, 325);
  EXPECT_EQ(preview.height, 244);
  EXPECT_EQ(preview.left, 237);
  EXPECT_EQ(preview.top, 108);
}

TEST(PreviewGeometry, FitsAWideFrameByWidth) {
  const PreviewRect preview = previewRect(4000, 1000);
  EXPECT_EQ(preview.width, 712);
  EXPECT_EQ(preview.height, 178);
  EXPECT_EQ(preview.left, 44);
  EXPECT_EQ(preview.top, 108 + 33);
}

TEST(PreviewGeometry, AnEmptyFrameGivesAnEmptyRectangle) {
  const PreviewRect preview = previewRect(0, 0);
  EXPECT_EQ(preview.width, 0);
  EXPECT_EQ(preview.height, 0);
}

TEST(PreviewGeometry, MovementAreaFollowsTheMarginWithoutAStoredArea) {
  Settings settings;
  settings.Margin = 0.15f;
  const ReachRect wide = effectiveMovementArea(settings, 640, 480);
  EXPECT_FLOAT_EQ(wide.left, 0.075f);
  EXPECT_FLOAT_EQ(wide.bottom, 0.925f);
  settings.Margin = 0.04f;
  const ReachRect narrow = effectiveMovementArea(settings, 640, 480);
  EXPECT_FLOAT_EQ(narrow.top, 0.025f);
  EXPECT_FLOAT_EQ(narrow.right, 0.975f);
}

TEST(PreviewGeometry, AStoredAreaAppliesOnlyToFramesOfItsShape) {
  Settings settings;
  settings.ReachVersion = true;
  settings.ReachLeft = 0.2f;
  settings.ReachTop = 0.3f;
  settings.ReachRight = 0.6f;
  settings.ReachBottom = 0.7f;
  settings.ReachPalm = 0.2f;
  settings.ReachAspect = 4.0f / 3.0f;
  EXPECT_FLOAT_EQ(effectiveMovementArea(settings, 640, 480).left, 0.2f);
  EXPECT_FLOAT_EQ(effectiveMovementArea(settings, 1280, 720).left, 0.075f);
}

TEST(PreviewGeometry, FrameToPreviewMapsCornersAndMirrors) {
  const PreviewRect preview = previewRect(640, 480);
  const Point corner = frameToPreview(preview, {639.0f, 479.0f}, false);
  EXPECT_FLOAT_EQ(corner.x, 237.0f + 324.0f);
  EXPECT_FLOAT_EQ(corner.y, 108.0f + 243.0f);
  EXPECT_FLOAT_EQ(frameToPreview(preview, {639.0f, 0.0f}, true).x, 237.0f);
}

TEST(PreviewGeometry, AOnePixelWideFrameMapsEveryXToTheLeftEdge) {
  const PreviewRect preview = previewRect(1, 100);
  EXPECT_FLOAT_EQ(frameToPreview(preview, {0.0f, 50.0f}, false).x, static_cast<float>(preview.left));
}

TEST(PreviewGeometry, AreaPointsMapInsideTheAreaWhateverTheMirror) {
  const PreviewRect preview = previewRect(640, 480);
  const ReachRect area{0.25f, 0.5f, 0.75f, 1.0f};
  const Point centre = areaToPreview(preview, area, {0.5f, 0.5f});
  EXPECT_FLOAT_EQ(centre.x, 237.0f + 0.5f * 324.0f);
  EXPECT_FLOAT_EQ(centre.y, 108.0f + 0.75f * 243.0f);
}

TEST(PreviewGeometry, AreaSizeCountsPixelsAndNeverDropsBelowTwo) {
  const PreviewRect preview = previewRect(640, 480);
  const PreviewSize size = areaSizeInPreview(preview, {0.075f, 0.075f, 0.925f, 0.925f});
  EXPECT_EQ(size.width, 276);   // round(324 × 0.85) + 1
  EXPECT_EQ(size.height, 208);  // round(243 × 0.85) + 1
  const PreviewSize tiny = areaSizeInPreview(preview, {0.5f, 0.5f, 0.5f, 0.5f});
  EXPECT_EQ(tiny.width, 2);
  EXPECT_EQ(tiny.height, 2);
}

}  // namespace
}  // namespace vel
