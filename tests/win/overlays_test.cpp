// The overlay windows over a green window standing for another application: the circle at the
// pointer, see-through around the circle, click-through everywhere, never taking the foreground;
// the bar and the card where asked.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>

#include "ui/overlays.h"

namespace vel {
namespace {

constexpr COLORREF kGreen = RGB(20, 200, 40);

LRESULT CALLBACK belowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_ERASEBKGND) return DefWindowProcW(window, message, wParam, lParam);
  RECT client;
  GetClientRect(window, &client);
  const HBRUSH brush = CreateSolidBrush(kGreen);
  FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
  DeleteObject(brush);
  return 1;
}

class Overlays : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = belowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelmoraOverlayTestBelow";
    RegisterClassW(&windowClass);
    below_ = CreateWindowExW(0, windowClass.lpszClassName, L"Below", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080,
                             nullptr, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(below_);
    ASSERT_TRUE(overlays_.createOverlays(images_));
  }
  void TearDown() override { DestroyWindow(below_); }

  // Updates at `now` with the default gestures, then lets every window paint.
  void update(const ControlOutput& snapshot, OverlayFlags flags, std::int64_t now) {
    overlays_.updateOverlays(Settings{}, DesktopRect{}, snapshot, flags, kDefaultGestures, now);
    for (int i = 0; i < 4; ++i) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(15);
    }
  }
  static RECT placed(const wchar_t* title) {
    RECT rect{};
    GetWindowRect(FindWindowW(kOverlayClass, title), &rect);
    return rect;
  }

  GuideImageSet images_;  // unloaded: the tiles draw without pictures
  OverlaySet overlays_;
  HWND below_ = nullptr;
};

TEST_F(Overlays, HalfFilledCircleFollowsThePointerSeeThroughAndClickThrough) {
  ControlOutput snapshot;
  snapshot.handPresent = snapshot.pointerActive = true;
  snapshot.pointer = {0.25f, 0.5f};  // pixel (479, 539) of 1920 × 1080
  snapshot.progress = 0.5f;
  update(snapshot, {true, false, false}, 100'000);
  update(snapshot, {true, false, false}, 100'100);  // eased in
  EXPECT_EQ(GetForegroundWindow(), below_) << "showing the circle must not activate it";
  const RECT rect = placed(kCircleTitle);
  EXPECT_EQ((std::array{rect.left, rect.top, rect.right, rect.bottom}), (std::array{423L, 483L, 535L, 595L}));

  struct Spot {
    const char* where;
    int dx, dy;
    COLORREF colour;
  };
  const HDC screen = GetDC(nullptr);
  for (const Spot& spot : {Spot{"corner: colour key", -50, -50, kGreen}, Spot{"empty upper half", 0, -15, kGreen},
                           Spot{"liquid", 0, 15, RGB(0, 116, 109)},
                           Spot{"ring at the top", 0, -34, RGB(0, 116, 109)}}) {
    const POINT point{479 + spot.dx, 539 + spot.dy};
    EXPECT_EQ(WindowFromPoint(point), below_) << spot.where;
    EXPECT_EQ(GetPixel(screen, point.x, point.y), spot.colour) << spot.where;
  }
  ReleaseDC(nullptr, screen);

  update(snapshot, {false, true, true}, 100'133);
  EXPECT_FALSE(IsWindowVisible(FindWindowW(kOverlayClass, kCircleTitle)));
  EXPECT_EQ(GetForegroundWindow(), below_);
}

TEST_F(Overlays, GuidanceBarAndCardShowOnlyWhenAskedAndWanted) {
  ControlOutput snapshot;
  snapshot.needsGuidance = true;
  update(snapshot, {false, true, true}, 100'000);
  EXPECT_EQ(GetForegroundWindow(), below_);
  EXPECT_EQ(placed(kGuidanceTitle).bottom, 1080 - 240);
  const RECT card = placed(kReferenceTitle);
  EXPECT_EQ((std::array{card.right - card.left, card.bottom}), (std::array{616L, 1080L - 58L})) << "four tiles";

  snapshot.feedbackText = L"Show one hand to the camera";  // steadied, and not asking
  update(snapshot, {false, true, true}, 100'033);
  EXPECT_FALSE(IsWindowVisible(FindWindowW(kOverlayClass, kGuidanceTitle)));
  EXPECT_TRUE(IsWindowVisible(FindWindowW(kOverlayClass, kReferenceTitle)));
  update(snapshot, {}, 100'066);
  EXPECT_FALSE(IsWindowVisible(FindWindowW(kOverlayClass, kReferenceTitle)));
  overlays_.destroyOverlays();
  EXPECT_EQ(FindWindowW(kOverlayClass, kReferenceTitle), nullptr);
}

}  // namespace
}  // namespace vel
