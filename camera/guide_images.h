// The gesture illustration sheets: which files hold how many pose cells, how big a sheet is kept
// in memory, and where a cell lands when drawn into a rectangle.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vel {

struct GuideSheetInfo {
  const wchar_t* fileName;
  std::int32_t cells;
};

inline constexpr std::array<GuideSheetInfo, 4> kGuideSheets{{
    {L"finger-poses.png", 3},
    {L"grab-open.png", 1},
    {L"three-fingers.png", 1},
    {L"custom-poses.png", 3},
}};

// Cells are kept at most this wide in memory, whatever the size of the file.
inline constexpr std::uint32_t kGuideCellMaxWidth = 320;

// Decoded pixels: rows top first, blue, green, red and straight alpha. Empty = not loaded.
struct GuideSheet {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;
};

using GuideImageSet = std::array<GuideSheet, kGuideSheets.size()>;

struct CellRef {
  std::size_t sheet = 0;
  std::int32_t cell = 0;
};

struct GuideSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// The size a decoded w x h sheet is kept at: whole cells of at most 320 pixels, the height
// scaled alike (at least 1). Nothing for a sheet over 8192 pixels, narrower than its cell
// count or of zero height.
std::optional<GuideSize> guideSheetSize(std::uint32_t width, std::uint32_t height, std::int32_t cells);

// One cell scaled to fit a destination rectangle and centred in it.
struct CellPlacement {
  std::int32_t x = 0, y = 0, width = 0, height = 0;          // destination
  std::int32_t sourceX = 0, sourceWidth = 0, sourceHeight = 0;  // in the sheet
};

// Nothing when the reference is out of range or its sheet is not loaded.
std::optional<CellPlacement> placeGuideCell(const GuideImageSet& images, CellRef ref, std::int32_t x, std::int32_t y,
                                            std::int32_t width, std::int32_t height);

// Windows only: decodes the four sheets from `assetsDir` with WIC. True when all four loaded;
// on any decoding failure every sheet is left unloaded. Never throws.
bool loadGuideImages(GuideImageSet& images, const std::filesystem::path& assetsDir);

}  // namespace vel
