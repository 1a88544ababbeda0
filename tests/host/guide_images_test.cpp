// Guide sheet size rule and cell placement.
#include <gtest/gtest.h>

#include "camera/guide_images.h"

namespace vel {
namespace {

TEST(GuideSheetSize, CellsAreCappedAtThreeHundredTwentyPixels) {
  const struct {
    std::uint32_t width, height;
    std::int32_t cells;
    std::uint32_t scaledWidth, scaledHeight;  // 0 x 0 when rejected
  } cases[] = {{1500, 400, 3, 960, 256}, {200, 100, 1, 200, 100},  {1000, 300, 3, 960, 288},
               {500, 100, 3, 498, 99},  // whole cells: 500 rounds down to 498
               {8000, 2, 1, 320, 1},    // at least one row
               {8192, 8192, 3, 960, 960}, {3, 1, 3, 3, 1},        {2, 100, 3, 0, 0},
               {300, 0, 1, 0, 0},        {8193, 100, 1, 0, 0},     {100, 8193, 1, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " in " << c.cells);
    const auto size = guideSheetSize(c.width, c.height, c.cells);
    EXPECT_EQ(size ? size->width : 0u, c.scaledWidth);
    EXPECT_EQ(size ? size->height : 0u, c.scaledHeight);
  }
}

GuideImageSet loaded(std::uint32_t width, std::uint32_t height) {
  GuideImageSet set;
  for (GuideSheet& sheet : set) sheet = {width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4u)};
  return set;
}

TEST(GuideCellPlacement, CellIsScaledToFitAndCentred) {
  const auto card = placeGuideCell(loaded(960, 256), {0, 2}, 20, 12, 184, 146);
  ASSERT_TRUE(card);
  EXPECT_EQ((std::array{card->x, card->y, card->width, card->height}), (std::array{21, 12, 182, 146}));
  EXPECT_EQ((std::array{card->sourceX, card->sourceWidth, card->sourceHeight}), (std::array{640, 320, 256}));
  const auto tile = placeGuideCell(loaded(320, 256), {1, 0}, 0, 0, 200, 82);
  ASSERT_TRUE(tile);
  EXPECT_EQ((std::array{tile->x, tile->width, tile->height}), (std::array{49, 102, 82}));
  const auto narrow = placeGuideCell(loaded(320, 256), {1, 0}, 10, 20, 100, 200);  // the width binds
  ASSERT_TRUE(narrow);
  EXPECT_EQ((std::array{narrow->x, narrow->y, narrow->width, narrow->height}), (std::array{10, 80, 100, 80}));
}

TEST(GuideCellPlacement, InvalidReferencesAndUnloadedSheetsDrawNothing) {
  const GuideImageSet set = loaded(960, 256);
  for (const CellRef ref : {CellRef{0, 3}, CellRef{0, -1}, CellRef{4, 0}, CellRef{1, 1}}) {
    EXPECT_FALSE(placeGuideCell(set, ref, 0, 0, 100, 100)) << ref.sheet << "," << ref.cell;
  }
  EXPECT_FALSE(placeGuideCell(GuideImageSet{}, {0, 0}, 0, 0, 100, 100));
}

}  // namespace
}  // namespace vel
