// The filling circle and the gesture tiles drawn with GDI: pixels where the shapes say, nothing
// outside the space they are given, and no GDI object left behind.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/exe_dir.h"
#include "tests/win/gdi_objects.h"
#include "ui/feedback_draw.h"
#include "ui/overlay_layout.h"

namespace vel {
namespace {

constexpr std::uint32_t kKey = 0xFF00FF, kAccent = 0x00746D, kInk = 0x132330, kGreen = 0x009163;

// A magenta bitmap drawn into at a world scale; pixels read as 0xRRGGBB.
class Canvas {
 public:
  Canvas(int width, int height, float scale = 1.0f) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    std::fill_n(bits_, width * height, kKey);
    old_ = SelectObject(dc_, bitmap_);
    SetGraphicsMode(dc_, GM_ADVANCED);
    const XFORM transform{scale, 0.0f, 0.0f, scale, 0.0f, 0.0f};
    SetWorldTransform(dc_, &transform);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  std::uint32_t at(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFF;
  }
  int drawnOutside(const RECT& inside) const {
    int count = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const POINT p{x, y};
        count += !PtInRect(&inside, p) && at(x, y) != kKey;
      }
    }
    return count;
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  std::uint32_t* bits_;
};

TEST(FeedbackDraw, CircleLandsWhereItsShapeSays) {
  struct Sample {
    int dx, dy;  // from the centre, in logical units
    std::uint32_t colour;
  };
  struct Case {
    const char* name;
    CircleDrawing input;
    float scale;
    std::vector<Sample> samples;
  };
  // Radius 30 around (100, 100): the ring at 34; completing at t 0.5 pulses to 33, halo at 43.
  const std::vector<Case> cases{
      {"empty", {0.0f, 0.0f, 1.0f, false}, 1.0f, {{0, 0, kKey}, {30, 0, kInk}, {0, -34, kKey}}},
      {"half", {0.5f, 0.0f, 1.0f, false}, 1.0f,
       {{0, 15, kAccent}, {0, -15, kKey}, {0, -34, kAccent}, {34, 0, kAccent}, {-34, 0, 0xB5CDCE}, {-30, 0, kInk}}},
      {"half at 150 %: liquid clipped to the circle", {0.5f, 0.0f, 1.0f, false}, 1.5f,
       {{0, 15, kAccent}, {-27, 27, kKey}, {27, 27, kKey}}},
      {"completed", {1.0f, 0.0f, 1.0f, true}, 1.0f, {{0, 25, kGreen}, {30, 0, kGreen}, {43, 0, kKey}}},
      {"completing", {1.0f, 0.0f, 0.5f, true}, 1.0f, {{0, 28, kGreen}, {43, 0, 0x7FC8B1}, {38, 0, kKey}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(320, 320, c.scale);
    drawFillingCircle(canvas.dc(), 100, 100, 30, c.input);
    for (const Sample& s : c.samples) {
      EXPECT_EQ(canvas.at(static_cast<int>(static_cast<float>(100 + s.dx) * c.scale),
                          static_cast<int>(static_cast<float>(100 + s.dy) * c.scale)),
                s.colour)
          << "at " << s.dx << "," << s.dy;
    }
  }
  Canvas done(200, 200);
  drawFillingCircle(done.dc(), 100, 100, 30, {1.0f, 0.0f, 1.0f, true});
  int white = 0;
  for (int y = 80; y < 120; ++y) {
    for (int x = 80; x < 120; ++x) white += done.at(x, y) == 0xFFFFFF;
  }
  EXPECT_GT(white, 40) << "the check mark";
}

TEST(FeedbackDraw, CircleWithHaloAndRingFitsTheOverlayWindow) {
  for (const float scale : {0.25f, 0.5f, 1.0f, 1.5f, 2.0f}) {
    const int d = circleWindowSize(scale);
    for (const float t : {0.0f, 0.5f, 0.95f, 1.0f}) {
      Canvas canvas(d + 40, d + 40);
      const CircleDrawing input{t < 1.0f ? 1.0f : 0.98f, 1.0f, t, t < 1.0f};
      drawFillingCircle(canvas.dc(), 20 + d / 2, 20 + d / 2, circleRadius(scale), input);
      EXPECT_EQ(canvas.drawnOutside({20, 20, 20 + d, 20 + d}), 0) << "scale " << scale << " t " << t;
    }
  }
}

class FeedbackTiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_TRUE(loadGuideImages(images_, exeDir() / "assets"));
  }
  static void TearDownTestSuite() { CoUninitialize(); }
  static inline GuideImageSet images_;
};

TEST_F(FeedbackTiles, StayOnTheirCardAndFrameTheHighlightedPose) {
  Canvas canvas(800, 200);
  // The home page's card: four tiles 173 wide at x 18, 203, 388, 573; Two fingers highlighted.
  drawGestureTiles(canvas.dc(), images_, kDefaultGestures, 10, 10, 752, 2, false);
  EXPECT_EQ(canvas.drawnOutside({10, 10, 762, 180}), 0);
  EXPECT_EQ(canvas.at(203, 80), kAccent) << "the frame's left edge";
  EXPECT_EQ(canvas.at(203 + 173 + 7, 80), kAccent) << "the frame's right edge";
  EXPECT_EQ(canvas.at(18, 80), 0xFFFFFFu) << "no frame on the first tile";
}

TEST_F(FeedbackTiles, ThousandDrawsLeaveNoGdiObjectBehind) {
  Canvas canvas(800, 200, 1.5f);
  const auto draw = [&](int times) {
    for (int i = 0; i < times; ++i) {
      const float t = static_cast<float>(i % 10) / 10.0f;
      drawFillingCircle(canvas.dc(), 100, 100, 30, {t, t * 6.0f, t, i % 2 == 0});
      drawGestureTiles(canvas.dc(), images_, kDefaultGestures, 0, 0, 500, i % 8, i % 3 == 0);
    }
  };
  draw(10);
  const long afterTen = test::gdiObjectsInUse();
  draw(990);
  EXPECT_EQ(test::gdiObjectsInUse(), afterTen);
}

}  // namespace
}  // namespace vel
