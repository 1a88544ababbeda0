// Guide sheets decoded with WIC from the rendered PNGs (copied beside the test executable, as in dist/), broken
// copies of them, and one cell drawn into a GDI bitmap.
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

  static bool allEmpty(const GuideImageSet& set) {
    return std::all_of(set.begin(), set.end(), [](const GuideSheet& s) { return s.pixels.empty(); });
  }
};

TEST_F(GuideImages, RenderedSheetsLoadAtCellSize) {
  GuideImageSet set;
  ASSERT_TRUE(loadGuideImages(set, renderedAssets())) << "run `make guide-images` first";
  for (std::size_t i = 0; i < set.size(); ++i) {
    EXPECT_EQ(set[i].width, 320u * static_cast<std::uint32_t>(kGuideSheets[i].cells));
    EXPECT_EQ(set[i].height, 256u);
    EXPECT_EQ(set[i].pixels.size(), std::size_t{set[i].width} * set[i].height * 4u);
  }
  // The top-left corner is the sheet's light background, opaque.
  EXPECT_EQ(set[0].pixels[0], 0xf8);
  EXPECT_EQ(set[0].pixels[1], 0xf3);
  EXPECT_EQ(set[0].pixels[2], 0xee);
  EXPECT_EQ(set[0].pixels[3], 0xff);
}

TEST_F(GuideImages, MissingOrTruncatedSheetLeavesEverySheetUnloaded) {
  for (const bool truncate : {false, true}) {
    SCOPED_TRACE(truncate ? "truncated grab-open.png" : "missing custom-poses.png");
    test::TempDir dir;
    for (const auto& sheet : kGuideSheets) {
      std::filesystem::copy_file(renderedAssets() / sheet.fileName, dir.path() / sheet.fileName);
    }
    if (truncate) {
      const auto victim = dir.path() / L"grab-open.png";
      std::filesystem::resize_file(victim, std::filesystem::file_size(victim) / 2);
    } else {
      std::filesystem::remove(dir.path() / L"custom-poses.png");
    }
    GuideImageSet set;
    EXPECT_FALSE(loadGuideImages(set, dir.path()));
    EXPECT_TRUE(allEmpty(set));
  }
}

// A 200 x 160 white bitmap selected into a memory context.
class Canvas {
 public:
  Canvas() : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    std::fill(bits_, bits_ + kWidth * kHeight, 0x00ffffffu);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  std::uint32_t at(int x, int y) const {
    GdiFlush();
    return bits_[y * kWidth + x] & 0x00ffffffu;
  }
  static constexpr int kWidth = 200, kHeight = 160;

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

TEST_F(GuideImages, CardCellIsDrawnCentredOneColumnIn) {
  GuideImageSet set;
  ASSERT_TRUE(loadGuideImages(set, renderedAssets()));
  Canvas canvas;
  drawGuideCell(set, canvas.dc(), {0, 0}, 8, 6, 184, 146);  // 182 x 146 drawn from x = 9
  EXPECT_EQ(canvas.at(8, 70), 0xffffffu);
  EXPECT_EQ(canvas.at(9 + 181 + 1, 70), 0xffffffu);
  EXPECT_EQ(canvas.at(12, 10), 0xeef3f8u);  // the sheet's background
  EXPECT_EQ(canvas.at(100, 155), 0xffffffu);  // below the drawing
}

}  // namespace
}  // namespace vel
