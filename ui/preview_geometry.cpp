// Preview geometry: integer layout of the image in the well and the mappings into it.
#include "ui/preview_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vel {

PreviewRect previewRect(int frameWidth, int frameHeight) {
  // The scale min(712 / w, 244 / h) as an exact fraction, so a side that fills the well is never
  // truncated one pixel short by rounding.
  const std::int64_t w = std::max(frameWidth, 1);
  const std::int64_t h = std::max(frameHeight, 1);
  const bool widthBinds = kPreviewWellWidth * h <= kPreviewWellHeight * w;
  const std::int64_t numerator = widthBinds ? kPreviewWellWidth : kPreviewWellHeight;
  const std::int64_t denominator = widthBinds ? w : h;
  PreviewRect preview;
  preview.width = static_cast<int>(frameWidth * numerator / denominator);
  preview.height = static_cast<int>(frameHeight * numerator / denominator);
  preview.left = kPreviewWellLeft + (kPreviewWellWidth - preview.width) / 2;
  preview.top = kPreviewWellTop + (kPreviewWellHeight - preview.height) / 2;
  preview.frameWidth = frameWidth;
  preview.frameHeight = frameHeight;
  return preview;
}

ReachRect effectiveMovementArea(const Settings& settings, int frameWidth, int frameHeight) {
  return reachRect(settings, frameWidth, frameHeight);
}

Point frameToPreview(const PreviewRect& preview, Point framePixel, bool mirror) {
  float x = framePixel.x / static_cast<float>(std::max(preview.frameWidth - 1, 1));
  const float y = framePixel.y / static_cast<float>(std::max(preview.frameHeight - 1, 1));
  if (mirror) x = 1.0f - x;
  return {static_cast<float>(preview.left) + x * static_cast<float>(preview.width - 1),
          static_cast<float>(preview.top) + y * static_cast<float>(preview.height - 1)};
}

Point areaToPreview(const PreviewRect& preview, const ReachRect& area, Point areaPoint) {
  const float x = area.left + (area.right - area.left) * areaPoint.x;
  const float y = area.top + (area.bottom - area.top) * areaPoint.y;
  return {static_cast<float>(preview.left) + x * static_cast<float>(preview.width - 1),
          static_cast<float>(preview.top) + y * static_cast<float>(preview.height - 1)};
}

Point previewToArea(const PreviewRect& preview, const ReachRect& area, Point previewPoint) {
  const float x = (previewPoint.x - static_cast<float>(preview.left)) / static_cast<float>(std::max(preview.width - 1, 1));
  const float y = (previewPoint.y - static_cast<float>(preview.top)) / static_cast<float>(std::max(preview.height - 1, 1));
  return {(x - area.left) / (area.right - area.left), (y - area.top) / (area.bottom - area.top)};
}

PreviewSize areaSizeInPreview(const PreviewRect& preview, const ReachRect& area) {
  const auto span = [](int pixels, float fraction) {
    return std::max(static_cast<int>(std::lround(static_cast<float>(pixels - 1) * fraction)), 1) + 1;
  };
  return {span(preview.width, area.right - area.left), span(preview.height, area.bottom - area.top)};
}

}  // namespace vel
