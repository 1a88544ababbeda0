// Under Wine: the private-profile functions beside the host INI store; one 1920 × 1080 Xvfb screen at
// 96 DPI; WIC decoding of the rendered PNGs (copied beside the test executable, as in dist/), GDI drawing.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include "app/display.h"
#include "app/exe_dir.h"
#include "app/ini_store.h"
#include "app/profile_store.h"
#include "app/settings.h"
#include "camera/guide_draw.h"
#include "tests/support/profile_cases.h"
#include "tests/support/run_count.h"

namespace vel {
namespace {

TEST(ProfileStores, BothDoWhatTheCasesSayAndLoadRandomFilesAlike) {
  const test::TempDir profile, dir;
  test::expectProfileCases(profile.path(), "private profile: ",
                           [](const auto& f) { return std::make_unique<ProfileStore>(f); });
  test::expectProfileCases(dir.path(), "INI store: ", [](const auto& f) { return std::make_unique<IniStore>(f); });
  std::mt19937 random(20240601);
  for (int i = 0, count = test::runCount(300, 3000); i < count; ++i) {
    const auto file = dir / ("random" + std::to_string(i) + ".ini");
    const std::string text = test::randomSettingsFile(random);
    test::writeFile(file, text);
    const LoadedSettings a = loadSettings(ProfileStore(file)), b = loadSettings(IniStore(file));
    ASSERT_TRUE(a.settings == b.settings && a.reachMirror == b.reachMirror && a.reachCamera == b.reachCamera) << text;
  }
}

TEST(DisplayList, TheTestScreenIsOneMainMonitorAtTheOriginAt96Dpi) {
  const DisplayList displays = buildDisplayList();
  ASSERT_EQ(displays.size(), 1u);
  EXPECT_EQ(displays[0].rect, (DesktopRect{0, 0, 1920, 1080}));
  EXPECT_EQ(displays[0].name, L"Display 1  \u00b7  1920 \u00d7 1080 (main)");
  EXPECT_EQ(systemDpi(), 96u);
  const VirtualScreen screen = currentVirtualScreen();
  EXPECT_EQ((std::array{screen.x, screen.y, screen.width, screen.height}), (std::array{0, 0, 1920, 1080}));
}

TEST(GuideImages, RenderedSheetsLoadAtCellSizeAndDrawCentredAndBrokenOnesNotAtAll) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  const std::filesystem::path assets = exeDir() / "assets";
  GuideImageSet set;
  ASSERT_TRUE(loadGuideImages(set, assets)) << "run `make guide-images` first";
  for (std::size_t i = 0; i < set.size(); ++i) {
    EXPECT_EQ((std::array{set[i].width, set[i].height}), (std::array{320u * kGuideSheets[i].cells, 256u})) << i;
  }
  // A 200 x 160 white bitmap in a memory context; 182 x 146 drawn from x = 9.
  const HDC dc = CreateCompatibleDC(nullptr);
  const BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 200, -160, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  void* bits = nullptr;
  const HGDIOBJ old = SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  PatBlt(dc, 0, 0, 200, 160, WHITENESS);
  drawGuideCell(set, dc, {0, 0}, 8, 6, 184, 146);
  // Left of it, right of it, the sheet's light background, below it.
  EXPECT_EQ((std::array{GetPixel(dc, 8, 70), GetPixel(dc, 191, 70), GetPixel(dc, 12, 10), GetPixel(dc, 100, 155)}),
            (std::array{RGB(255, 255, 255), RGB(255, 255, 255), RGB(0xee, 0xf3, 0xf8), RGB(255, 255, 255)}));
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  // One truncated sheet: every sheet is left unloaded.
  const test::TempDir dir;
  std::filesystem::copy(assets, dir / "assets");
  std::filesystem::resize_file(dir / "assets" / L"grab-open.png", 1000);
  EXPECT_FALSE(loadGuideImages(set, dir / "assets"));
  EXPECT_TRUE(std::all_of(set.begin(), set.end(), [](const GuideSheet& s) { return s.pixels.empty(); }));
  CoUninitialize();
}

}  // namespace
}  // namespace vel
