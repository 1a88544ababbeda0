// Display choice and geometry, guide sheet size and cell placement.
#include <gtest/gtest.h>

#include "app/display.h"
#include "camera/guide_images.h"
#include "control/input_gate.h"
#include "tests/support/recording_sink.h"

namespace vel {
namespace {

// Primary 1920 x 1080 at 0,0 and a 2560 x 1440 monitor to its left and higher, primary enumerated first.
const DisplayList kTwoMonitors{{{0, 0, 1920, 1080}, displayName(0, {0, 0, 1920, 1080}, true)},
                               {{-2560, -360, 0, 1080}, displayName(1, {-2560, -360, 0, 1080}, false)}};

TEST(Display, ChoiceItemsClampingAndTargetGeometry) {
  EXPECT_EQ(displayChoiceItems(kTwoMonitors),
            (std::vector<std::wstring>{L"Display 1  \u00b7  1920 \u00d7 1080 (main)",
                                       L"Display 2  \u00b7  2560 \u00d7 1440", L"All displays \u2014 entire desktop"}));
  EXPECT_EQ(displayChoiceItems({kTwoMonitors[0]}), std::vector<std::wstring>{kTwoMonitors[0].name});
  // Display, AllDisplays and the monitor count; the item selected, Display and AllDisplays after.
  const std::array<int, 6> cases[] = {{5, 0, 2, 1, 1, 0}, {-4, 0, 2, 0, 0, 0}, {1, 1, 2, 2, 1, 1}, {1, 1, 1, 0, 0, 0}};
  for (const auto& [display, all, count, item, clampedDisplay, clampedAll] : cases) {
    Settings settings;
    std::tie(settings.Display, settings.AllDisplays) = std::pair(display, all);
    EXPECT_EQ(clampDisplaySelection(settings, static_cast<std::size_t>(count)), item) << display << all << count;
    EXPECT_EQ((std::array{settings.Display, settings.AllDisplays}), (std::array{clampedDisplay, clampedAll}));
  }
  test::RecordingSink sink;
  InputGate gate{sink, [] { return std::uint64_t{100000}; }};
  Settings settings;
  pickDisplayItem(settings, 2, 2);  // all displays
  applyDisplaySelection(settings, kTwoMonitors, {-2560, -360, 4480, 1440}, 144, gate);
  EXPECT_EQ(sink.target, (DesktopRect{-2560, -360, 1920, 1080}));
  EXPECT_EQ((std::array{settings.targetWidth, settings.targetHeight}), (std::array{4480, 1440}));
  EXPECT_FLOAT_EQ(settings.dpiScale, 1.5f);
  EXPECT_EQ(settings.displayRectInTarget, (std::array{2560, 360, 4480, 1440}));
  pickDisplayItem(settings, 1, 2);  // a monitor after all displays
  applyDisplaySelection(settings, kTwoMonitors, {-2560, -360, 4480, 1440}, 96, gate);
  EXPECT_EQ(sink.target, (DesktopRect{-2560, -360, 0, 1080}));
  EXPECT_EQ(settings.displayRectInTarget, (std::array{0, 0, 2560, 1440}));
  applyDisplaySelection(settings, {}, {-5, 7, 1024, 768}, 96, gate);  // no monitors: the virtual screen
  EXPECT_EQ(sink.target, (DesktopRect{-5, 7, 1019, 775}));
  EXPECT_EQ(settings.displayRectInTarget, (std::array{0, 0, 1024, 768}));
}

TEST(GuideImages, SheetSizeAndCellPlacement) {
  // Width, height and cells; the width and height kept, 0 x 0 when rejected.
  const std::array<std::uint32_t, 5> cases[] = {{1500, 400, 3, 960, 256}, {200, 100, 1, 200, 100},
      {1000, 300, 3, 960, 288}, {500, 100, 3, 498, 99}, {8000, 2, 1, 320, 1}, {8192, 8192, 3, 960, 960},
      {3, 1, 3, 3, 1}, {2, 100, 3, 0, 0}, {300, 0, 1, 0, 0}, {8193, 100, 1, 0, 0}, {100, 8193, 1, 0, 0}};
  for (const auto& [width, height, cells, keptWidth, keptHeight] : cases) {
    const auto size = guideSheetSize(width, height, static_cast<std::int32_t>(cells));
    EXPECT_EQ((std::array{size ? size->width : 0, size ? size->height : 0}), (std::array{keptWidth, keptHeight}))
        << width << " x " << height << " in " << cells;
  }
  GuideImageSet set;
  for (GuideSheet& sheet : set) sheet = {960, 256, std::vector<std::uint8_t>(960 * 256 * 4)};
  set[1] = {320, 256, std::vector<std::uint8_t>(320 * 256 * 4)};
  const auto card = placeGuideCell(set, {0, 2}, 20, 12, 184, 146).value();  // the height binds
  EXPECT_EQ((std::array{card.x, card.y, card.width, card.height, card.sourceX, card.sourceWidth, card.sourceHeight}),
            (std::array{21, 12, 182, 146, 640, 320, 256}));
  const auto tile = placeGuideCell(set, {1, 0}, 10, 20, 100, 200).value();  // the width binds
  EXPECT_EQ((std::array{tile.x, tile.y, tile.width, tile.height}), (std::array{10, 80, 100, 80}));
  for (const CellRef ref : {CellRef{0, 3}, CellRef{0, -1}, CellRef{4, 0}, CellRef{1, 1}}) {
    EXPECT_FALSE(placeGuideCell(set, ref, 0, 0, 100, 100)) << ref.sheet << "," << ref.cell;
  }
  EXPECT_FALSE(placeGuideCell(GuideImageSet{}, {0, 0}, 0, 0, 100, 100)) << "not loaded";
}

}  // namespace
}  // namespace vel
