// The preview: where the camera picture goes, the mappings painting and practice share, and when
// the hand's skeleton and fingertip ring are drawn over the picture.
#include <gtest/gtest.h>

#include "ui/hand_skeleton.h"
#include "ui/preview_geometry.h"

namespace vel {
namespace {

TEST(PreviewGeometry, FrameFitsTheWellCentredPointsMapIntoItAndTheHandShowsWhenUsable) {
  const std::pair<std::array<int, 2>, std::array<int, 4>> rects[] = {  // frame size, left, top, width, height
      {{640, 480}, {237, 108, 325, 244}}, {{1280, 720}, {183, 108, 433, 244}},
      {{4000, 1000}, {44, 141, 712, 178}}, {{0, 0}, {400, 230, 0, 0}}};
  for (const auto& [frame, expected] : rects) {
    const PreviewRect r = previewRect(frame[0], frame[1]);
    EXPECT_EQ((std::array{r.left, r.top, r.width, r.height}), expected) << frame[0];
  }
  const PreviewRect preview = previewRect(640, 480);
  const auto point = [](Point p) { return std::pair(p.x, p.y); };
  EXPECT_EQ(point(frameToPreview(preview, {639.0f, 479.0f}, false)), std::pair(237.0f + 324.0f, 108.0f + 243.0f));
  EXPECT_EQ(frameToPreview(preview, {639.0f, 0.0f}, true).x, 237.0f) << "mirrored";
  EXPECT_EQ(frameToPreview(previewRect(2, 100), {1.0f, 50.0f}, false).x, 398.0f + 3.0f) << "a two-pixel-wide frame";
  EXPECT_EQ(point(areaToPreview(preview, {0.25f, 0.5f, 0.75f, 1.0f}, {0.5f, 0.5f})),
            std::pair(237.0f + 0.5f * 324.0f, 108.0f + 0.75f * 243.0f));
  EXPECT_EQ(point(previewToArea(preview, {0.25f, 0.5f, 0.75f, 1.0f}, {399.0f, 290.25f})), std::pair(0.5f, 0.5f));
  // round(324|243 × 0.85) + 1, and never below two.
  const PreviewSize size = areaSizeInPreview(preview, {0.075f, 0.075f, 0.925f, 0.925f});
  const PreviewSize tiny = areaSizeInPreview(preview, {0.5f, 0.5f, 0.5f, 0.5f});
  EXPECT_EQ((std::array{size.width, size.height, tiny.width, tiny.height}), (std::array{276, 208, 2, 2}));

  // The skeleton needs a usable hand at most 299 ms old, the fingertip ring only landmarks.
  ControlOutput hand;
  hand.handPresent = true;
  EXPECT_FALSE(skeletonShown(hand, 0) || fingertipRingShown(hand)) << "no landmarks";
  hand.landmarks = HandLandmarks{};
  EXPECT_EQ(std::tuple(skeletonShown(hand, 299), skeletonShown(hand, 300), fingertipRingShown(hand)),
            std::tuple(true, false, true));
  hand.handPresent = false;
  EXPECT_EQ(std::pair(skeletonShown(hand, 10), fingertipRingShown(hand)), std::pair(false, true)) << "not usable";
}

}  // namespace
}  // namespace vel
