// The overlay windows: creation, per-tick placement and fading, and their painting.
#include "ui/overlays.h"

#include <optional>

#include "control/poses.h"
#include "ui/feedback_draw.h"
#include "ui/gdi_draw.h"
#include "ui/gesture_tiles.h"
#include "ui/palette.h"
#include "ui/status_text.h"

namespace vel {
namespace {

constexpr DWORD kOverlayExStyle =
    WS_EX_TOPMOST | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE;

void place(HWND window, const Box& box) {
  SetWindowPos(window, HWND_TOPMOST, box.left, box.top, box.width(), box.height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

std::optional<IntPoint> cursorPosition() {
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return std::nullopt;
  return IntPoint{cursor.x, cursor.y};
}

}  // namespace

OverlaySet::~OverlaySet() { destroyOverlays(); }

bool OverlaySet::createOverlays(const GuideImageSet& guideImages) {
  destroyOverlays();
  guideImages_ = &guideImages;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kOverlayClass;
  RegisterClassW(&windowClass);  // fails harmlessly when an earlier set registered it

  const auto create = [&](const wchar_t* title, int width, int height) {
    return CreateWindowExW(kOverlayExStyle, kOverlayClass, title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           instance, this);
  };
  circle_ = create(kCircleTitle, 80, 80);
  guidance_ = create(kGuidanceTitle, 450, 36);
  reference_ = create(kReferenceTitle, 640, 170);
  const COLORREF key = colorRef(kColourKey);
  if (circle_) SetLayeredWindowAttributes(circle_, key, 230, LWA_COLORKEY | LWA_ALPHA);
  if (guidance_) SetLayeredWindowAttributes(guidance_, 0, 240, LWA_ALPHA);
  if (reference_) {
    SetLayeredWindowAttributes(reference_, key, static_cast<BYTE>(referenceAlpha_), LWA_COLORKEY | LWA_ALPHA);
  }
  return allExist();
}

void OverlaySet::destroyOverlays() {
  for (HWND* window : {&circle_, &guidance_, &reference_}) {
    if (*window) DestroyWindow(*window);
    *window = nullptr;
  }
}

void OverlaySet::updateOverlays(const Settings& geometry, const DesktopRect& target, const ControlOutput& snapshot,
                                OverlayFlags flags, const Gestures& assignments, std::int64_t now) {
  if (!allExist()) return;
  scale_ = geometry.dpiScale;
  buttonHeld_ = snapshot.buttonHeld;
  guidanceText_ = shownStatus(snapshot);

  if (flags.showCircle && snapshot.pointerActive) {
    circleDrawing_ = advanceCircle(animation_, {snapshot.progress, snapshot.completed}, now);
    place(circle_, circleWindowBox(target, snapshot.pointer, scale_));
    InvalidateRect(circle_, nullptr, FALSE);
  } else {
    animation_ = {};  // the next hold starts from empty
    circleDrawing_ = {};
    ShowWindow(circle_, SW_HIDE);
  }

  const Box area = controlledArea(geometry);
  if (flags.showReference) {
    const ReferenceCard card = referenceCard(area, target, scale_, gestureTiles(assignments, false).count);
    referenceWidth_ = card.widthUnits;
    referenceScale_ = card.drawScale;
    // The fade goes through the layering alone; the tiles are repainted only when they change.
    referenceAlpha_ = nextReferenceAlpha(referenceAlpha_, card, cursorPosition());
    SetLayeredWindowAttributes(reference_, colorRef(kColourKey), static_cast<BYTE>(referenceAlpha_),
                               LWA_COLORKEY | LWA_ALPHA);
    const bool repaint = assignments != assignmentsCopy_ || !IsWindowVisible(reference_);
    assignmentsCopy_ = assignments;
    place(reference_, card.window);
    if (repaint) InvalidateRect(reference_, nullptr, FALSE);
  } else {
    ShowWindow(reference_, SW_HIDE);
  }

  if (flags.showGuidance && asksForGuidance(snapshot)) {
    place(guidance_, guidanceBarBox(area, target, scale_, flags.showReference));
    InvalidateRect(guidance_, nullptr, FALSE);
  } else {
    ShowWindow(guidance_, SW_HIDE);
  }
}

LRESULT CALLBACK OverlaySet::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  auto* set = reinterpret_cast<OverlaySet*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!set) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      set->paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks fall through to the window below
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void OverlaySet::paint(HWND window) {
  PaintBuffer buffer(window);
  const HDC dc = buffer.dc();
  const Box client{0, 0, buffer.width(), buffer.height()};
  if (window == guidance_) {
    fillBox(dc, client, kInk);
    drawLabel(dc, guidanceText_, client, guidanceFontHeight(scale_), FW_NORMAL, kWhite,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    return;
  }
  fillBox(dc, client, kColourKey);
  if (window == circle_) {
    const int radius = circleRadius(scale_);
    drawFillingCircle(dc, client.width() / 2, client.height() / 2, radius, circleDrawing_);
    if (buttonHeld_) drawLabel(dc, L"↔", client, radius, FW_BOLD, kInk, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  } else if (window == reference_) {
    SetGraphicsMode(dc, GM_ADVANCED);
    const XFORM scale{referenceScale_, 0.0f, 0.0f, referenceScale_, 0.0f, 0.0f};
    SetWorldTransform(dc, &scale);
    drawGestureTiles(dc, *guideImages_, assignmentsCopy_, 0, 0, referenceWidth_, kPoseNone, false);
  }
}

}  // namespace vel
