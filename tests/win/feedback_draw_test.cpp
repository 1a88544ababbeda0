// The filling circle and the gesture tiles drawn with GDI leave no GDI object behind.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include "app/exe_dir.h"
#include "tests/win/gdi_objects.h"
#include "ui/feedback_draw.h"

namespace vel {
namespace {

TEST(FeedbackDraw, ThousandDrawsLeaveNoGdiObjectBehind) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  GuideImageSet images;
  ASSERT_TRUE(loadGuideImages(images, exeDir() / "assets"));
  // A bitmap drawn into at 150 %, as on a 144-DPI screen.
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateBitmap(800, 200, 1, 32, nullptr);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  SetGraphicsMode(dc, GM_ADVANCED);
  const XFORM transform{1.5f, 0.0f, 0.0f, 1.5f, 0.0f, 0.0f};
  SetWorldTransform(dc, &transform);
  const auto draw = [&](int times) {
    for (int i = 0; i < times; ++i) {
      const float t = static_cast<float>(i % 10) / 10.0f;
      drawFillingCircle(dc, 100, 100, 30, {t, t * 6.0f, t, i % 2 == 0});
      drawGestureTiles(dc, images, kDefaultGestures, 0, 0, 500, i % 8, i % 3 == 0);
    }
  };
  draw(10);
  const long afterTen = test::gdiObjectsInUse();
  draw(990);
  EXPECT_EQ(test::gdiObjectsInUse(), afterTen);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  CoUninitialize();
}

}  // namespace
}  // namespace vel
