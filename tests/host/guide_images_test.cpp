// Guide sheet size rule and cell placement.
#include <gtest/gtest.h>

#include "camera/guide_images.h"

namespace vel {
namespace {

::testing::AssertionResult sized(std::uint32_t w, std::uint32_t h, std::int32_t cells, std::uint32_t tw,
                                 std::uint32_t th) {
  const auto size = guideSheetSize(w, h, cells);
  if (!size) return ::testing::AssertionFailure() << "rejected";
  if (size->width != tw || size->height != th) return ::testing::AssertionFailure() << size->width << "x" << size->height;
  return ::testing::AssertionSuccess();
}

GuideImageSet loaded(std::uint32_t width, std::uint32_t height) {
  GuideImageSet set;
  for (GuideSheet& sheet : set) sheet = {width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4u)};
  return set;
}

TEST(GuideSheetSize, CellsAreCappedAtThreeHundredTwentyPixels) {
  EXPECT_TRUE(sized(1500, 400, 3, 960, 256));
  EXPECT_TRUE(sized(200, 100, 1, 200, 100));
  EXPECT_TRUE(sized(1000, 300, 3, 960, 288));
  EXPECT_TRUE(sized(500, 100, 3, 498, 99));   // whole cells: 500 rounds down to 498
  EXPECT_TRUE(sized(8000, 2, 1, 320, 1));     // at least one row
  EXPECT_TRUE(sized(8192, 8192, 3, 960, 960));
}

TEST(GuideSheetSize, UnusableSheetsAreRejected) {
  EXPECT_FALSE(guideSheetSize(2, 100, 3));
  EXPECT_FALSE(guideSheetSize(300, 0, 1));
  EXPECT_FALSE(guideSheetSize(8193, 100, 1));
  EXPECT_FALSE(guideSheetSize(100, 8193, 1));
  EXPECT_TRUE(guideSheetSize(3, 1, 3));
}

TEST(GuideCellPlacement, CardCellIsScaledToFitAndCentred) {
  const GuideImageSet set = loaded(960, 256);
  const auto place = placeGuideCell(set, {0, 2}, 20, 12, 184, 146);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->width, 182);
  EXPECT_EQ(place->height, 146);
  EXPECT_EQ(place->x, 21);
  EXPECT_EQ(place->y, 12);
  EXPECT_EQ(place->sourceX, 640);
  EXPECT_EQ(place->sourceWidth, 320);
  EXPECT_EQ(place->sourceHeight, 256);
}

TEST(GuideCellPlacement, TileHeightDrivesTheScale) {
  const GuideImageSet set = loaded(320, 256);
  const auto place = placeGuideCell(set, {1, 0}, 0, 0, 200, 82);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->height, 82);
  EXPECT_EQ(place->width, 102);
  EXPECT_EQ(place->x, 49);
}

TEST(GuideCellPlacement, InvalidReferencesAndUnloadedSheetsDrawNothing) {
  const GuideImageSet set = loaded(960, 256);
  EXPECT_FALSE(placeGuideCell(set, {0, 3}, 0, 0, 100, 100));
  EXPECT_FALSE(placeGuideCell(set, {0, -1}, 0, 0, 100, 100));
  EXPECT_FALSE(placeGuideCell(set, {4, 0}, 0, 0, 100, 100));
  EXPECT_FALSE(placeGuideCell(set, {1, 1}, 0, 0, 100, 100));
  EXPECT_FALSE(placeGuideCell(GuideImageSet{}, {0, 0}, 0, 0, 100, 100));
}

}  // namespace
}  // namespace vel
