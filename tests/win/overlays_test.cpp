// The overlay windows over a green window standing for another application: the circle at the
// pointer, see-through around it, click-through, never taking the foreground; the bar and the card
// where asked.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>

#include "ui/overlays.h"

namespace vel {
namespace {

TEST(Overlays, CircleFollowsThePointerSeeThroughAndClickThroughAndTheBarAndCardShowWhenAsked) {
  constexpr COLORREF kGreen = RGB(20, 200, 40), kAccent = RGB(0, 116, 109);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VelmoraOverlayTestBelow";
  windowClass.hbrBackground = CreateSolidBrush(kGreen);
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
  const auto placed = [](const wchar_t* title) {
    RECT rect{};
    GetWindowRect(FindWindowW(kOverlayClass, title), &rect);
    return std::array{rect.left, rect.top, rect.right, rect.bottom};
  };
  const auto shown = [](const wchar_t* title) { return IsWindowVisible(FindWindowW(kOverlayClass, title)) != 0; };

  ControlOutput snapshot;
  snapshot.handPresent = snapshot.pointerActive = true;
  snapshot.pointer = {0.25f, 0.5f};  // pixel (479, 539) of 1920 × 1080
  snapshot.progress = 0.5f;
  update(snapshot, {true, false, false}, 100'000);
  update(snapshot, {true, false, false}, 100'100);  // eased in
  EXPECT_EQ(placed(kCircleTitle), (std::array{423L, 483L, 535L, 595L}));
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

  snapshot = ControlOutput{};
  snapshot.needsGuidance = true;
  update(snapshot, {false, true, true}, 100'133);
  EXPECT_FALSE(shown(kCircleTitle));
  EXPECT_EQ(placed(kGuidanceTitle)[3], 1080 - 240);
  const auto card = placed(kReferenceTitle);
  EXPECT_EQ((std::array{card[2] - card[0], card[3]}), (std::array{616L, 1080L - 58L})) << "four tiles";
  snapshot.feedbackText = L"Show one hand to the camera";  // steadied, and not asking
  update(snapshot, {false, true, true}, 100'166);
  EXPECT_FALSE(shown(kGuidanceTitle));
  EXPECT_TRUE(shown(kReferenceTitle));
  update(snapshot, {}, 100'200);
  EXPECT_FALSE(shown(kReferenceTitle));
  overlays.destroyOverlays();
  EXPECT_EQ(FindWindowW(kOverlayClass, kReferenceTitle), nullptr);
  DestroyWindow(below);
}

}  // namespace
}  // namespace vel
