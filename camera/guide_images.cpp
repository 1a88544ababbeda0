// Sheet size rule and cell placement for the gesture illustrations.
#include "camera/guide_images.h"

#include <algorithm>

namespace vel {

std::optional<GuideSize> guideSheetSize(std::uint32_t width, std::uint32_t height, std::int32_t cells) {
  if (cells < 1 || width > 8192 || height > 8192 || width < static_cast<std::uint32_t>(cells) || height == 0) {
    return std::nullopt;
  }
  const auto count = static_cast<std::uint32_t>(cells);
  std::uint32_t targetWidth = std::min(width, count * kGuideCellMaxWidth);
  targetWidth -= targetWidth % count;
  const std::uint64_t scaled = std::uint64_t{height} * targetWidth / width;
  return GuideSize{targetWidth, static_cast<std::uint32_t>(std::max<std::uint64_t>(scaled, 1))};
}

std::optional<CellPlacement> placeGuideCell(const GuideImageSet& images, CellRef ref, std::int32_t x, std::int32_t y,
                                            std::int32_t width, std::int32_t height) {
  if (ref.sheet >= images.size()) return std::nullopt;
  const GuideSheet& sheet = images[ref.sheet];
  const std::int32_t cells = kGuideSheets[ref.sheet].cells;
  if (ref.cell < 0 || ref.cell >= cells || sheet.pixels.empty()) return std::nullopt;

  const auto cellWidth = static_cast<std::int32_t>(sheet.width) / cells;
  const auto cellHeight = static_cast<std::int32_t>(sheet.height);
  const float scale = std::min(static_cast<float>(width) / static_cast<float>(cellWidth),
                               static_cast<float>(height) / static_cast<float>(cellHeight));
  const auto drawWidth = static_cast<std::int32_t>(static_cast<float>(cellWidth) * scale);
  const auto drawHeight = static_cast<std::int32_t>(static_cast<float>(cellHeight) * scale);
  return CellPlacement{x + (width - drawWidth) / 2, y + (height - drawHeight) / 2, drawWidth, drawHeight,
                       ref.cell * cellWidth,        cellWidth,                     cellHeight};
}

}  // namespace vel
