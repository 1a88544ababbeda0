// The circle overlay over a green window standing for another application: at the pointer,
// see-through around the circle, click-through, never taking the foreground.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>

#include "ui/overlays.h"

namespace vel {
namespace {

TEST(Overlays, CircleFollowsThePointerSeeThroughAndClickThroughAndNeverActivates) {
  constexpr COLORREF kGreen = RGB(20, 200, 40), kAccent = RGB(0, 116, 109);
  const WNDCLASSW windowClass{0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr,
                              CreateSolidBrush(kGreen), nullptr, L"VelmoraOverlayTestBelow"};
  RegisterClassW(&windowClass);
  const HWND below = CreateWindowExW(0, windowClass.lpszClassName, L"Below", WS_POPUP | WS_VISIBLE, 0, 0, 1920,
                                     1080, nullptr, nullptr, windowClass.hInstance, nullptr);
  SetForegroundWindow(below);
  GuideImageSet images;  // unloaded: the tiles draw without pictures
  OverlaySet overlays;
  ASSERT_TRUE(overlays.createOverlays(images));
  // Updates at `now` with the default gestures, then lets every window paint.
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
  overlays.destroyOverlays();
  EXPECT_EQ(FindWindowW(kOverlayClass, kCircleTitle), nullptr);
  DestroyWindow(below);
}

}  // namespace
}  // namespace vel
