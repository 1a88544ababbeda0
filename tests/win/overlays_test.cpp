// The circle overlay over a green window standing for another application: at the pointer,
// see-through around the circle, click-through, never taking the foreground; the overlays' painting
// leaves no GDI object behind.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <array>

#include "app/exe_dir.h"
#include "tests/win/gdi_objects.h"
#include "ui/overlays.h"

namespace vel {
namespace {

TEST(Overlays, CircleFollowsThePointerSeeThroughClickThroughNeverActivatingAndPaintsWithoutLeaks) {
  constexpr COLORREF kGreen = RGB(20, 200, 40), kAccent = RGB(0, 116, 109);
  const WNDCLASSW windowClass{0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr,
                              CreateSolidBrush(kGreen), nullptr, L"VelmoraOverlayTestBelow"};
  RegisterClassW(&windowClass);
  const HWND below = CreateWindowExW(0, windowClass.lpszClassName, L"Below", WS_POPUP | WS_VISIBLE, 0, 0, 1920,
                                     1080, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetForegroundWindow(below);
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  GuideImageSet images;
  ASSERT_TRUE(loadGuideImages(images, exeDir() / "assets"));
  OverlaySet overlays;
  ASSERT_TRUE(overlays.createOverlays(images));
  const auto update = [&](const ControlOutput& snapshot, OverlayFlags flags, std::int64_t now) {
    overlays.updateOverlays(Settings{}, DesktopRect{}, snapshot, flags, kDefaultGestures, now);
    for (int i = 0; i < 4; ++i) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(15);
    }
    EXPECT_EQ(GetForegroundWindow(), below) << "an overlay took the foreground";
  };
  ControlOutput snapshot;
  snapshot.handPresent = snapshot.pointerActive = true;
  snapshot.pointer = {0.25f, 0.5f};  // pixel (479, 539) of 1920 × 1080
  snapshot.progress = 0.5f;
  update(snapshot, {true, false, false}, 100'000);
  update(snapshot, {true, false, false}, 100'100);  // eased in
  RECT rect{};
  GetWindowRect(FindWindowW(kOverlayClass, kCircleTitle), &rect);
  EXPECT_EQ((std::array{rect.left, rect.top, rect.right, rect.bottom}), (std::array{423L, 483L, 535L, 595L}));
  const HDC screen = GetDC(nullptr);
  const struct { const char* where; int dx, dy; COLORREF colour; } spots[] = {
      {"corner: colour key", -50, -50, kGreen}, {"empty upper half", 0, -15, kGreen},
      {"liquid", 0, 15, kAccent}, {"ring at the top", 0, -34, kAccent}};
  for (const auto& spot : spots) {
    const POINT point{479 + spot.dx, 539 + spot.dy};
    EXPECT_EQ(WindowFromPoint(point), below) << spot.where;
    EXPECT_EQ(GetPixel(screen, point.x, point.y), spot.colour) << spot.where;
  }
  ReleaseDC(nullptr, screen);
  update(snapshot, {false, true, true}, 100'133);
  EXPECT_FALSE(IsWindowVisible(FindWindowW(kOverlayClass, kCircleTitle)));
  // The circle filling and completing, the card's tiles changing: a paint of each every time.
  Gestures other = kDefaultGestures;
  other[1] = 0;
  const auto paint = [&](int times) {
    for (int i = 0; i < times; ++i) {
      snapshot.progress = static_cast<float>(i % 10) / 10.0f;
      snapshot.completed = i % 10 == 9;
      const Gestures& tiles = i % 2 ? other : kDefaultGestures;
      overlays.updateOverlays(Settings{}, DesktopRect{}, snapshot, {true, false, true}, tiles, 200'000 + i * 33);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
  };
  paint(10);
  const long afterTen = test::gdiObjectsInUse();
  paint(290);  // a leak of one object a paint would show 290 times over
  EXPECT_EQ(test::gdiObjectsInUse(), afterTen);
  overlays.destroyOverlays();
  EXPECT_EQ(FindWindowW(kOverlayClass, kCircleTitle), nullptr);
  DestroyWindow(below);
  CoUninitialize();
}

}  // namespace
}  // namespace vel
