// Guide sheets decoded with WIC from the rendered PNGs (copied beside the test executable, as in
// dist/), broken copies of them, and one cell drawn into a GDI bitmap.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include "app/exe_dir.h"
#include "camera/guide_draw.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

std::filesystem::path renderedAssets() { return exeDir() / "assets"; }

class GuideImages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(GuideImages, RenderedSheetsLoadAtCellSize) {
  GuideImageSet set;
  ASSERT_TRUE(loadGuideImages(set, renderedAssets())) << "run `make guide-images` first";
  for (std::size_t i = 0; i < set.size(); ++i) {
    EXPECT_EQ(set[i].width, 320u * static_cast<std::uint32_t>(kGuideSheets[i].cells));
    EXPECT_EQ(set[i].height, 256u);
    EXPECT_EQ(set[i].pixels.size(), std::size_t{set[i].width} * set[i].height * 4u);
  }
}

TEST_F(GuideImages, MissingOrTruncatedSheetLeavesEverySheetUnloaded) {
  for (const bool truncate : {false, true}) {
    SCOPED_TRACE(truncate ? "truncated grab-open.png" : "missing custom-poses.png");
    test::TempDir dir;
    for (const auto& sheet : kGuideSheets) {
      std::filesystem::copy_file(renderedAssets() / sheet.fileName, dir.path() / sheet.fileName);
    }
    const auto victim = dir.path() / (truncate ? L"grab-open.png" : L"custom-poses.png");
    if (truncate) std::filesystem::resize_file(victim, std::filesystem::file_size(victim) / 2);
    else std::filesystem::remove(victim);
    GuideImageSet set;
    EXPECT_FALSE(loadGuideImages(set, dir.path()));
    EXPECT_TRUE(std::all_of(set.begin(), set.end(), [](const GuideSheet& s) { return s.pixels.empty(); }));
  }
}

TEST_F(GuideImages, CardCellIsDrawnCentredOneColumnIn) {
  GuideImageSet set;
  ASSERT_TRUE(loadGuideImages(set, renderedAssets()));
  // A 200 x 160 white bitmap selected into a memory context.
  const HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 200, -160, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, 200, 160, WHITENESS);

  drawGuideCell(set, dc, {0, 0}, 8, 6, 184, 146);  // 182 x 146 drawn from x = 9
  EXPECT_EQ(GetPixel(dc, 8, 70), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 9 + 181 + 1, 70), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 12, 10), RGB(0xee, 0xf3, 0xf8));  // the sheet's light background
  EXPECT_EQ(GetPixel(dc, 100, 155), RGB(255, 255, 255));  // below the drawing
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace
}  // namespace vel
