// The feedback windows: layered, topmost, click-through and never activated.
#include "ui/overlays_win.h"

namespace vel {
namespace {

constexpr const wchar_t* kOverlayClass = L"VelmoraFeedback";

LRESULT CALLBACK overlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

bool OverlaySet::create(const GuideImageSet&) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = overlayProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kOverlayClass;
  RegisterClassW(&windowClass);
  const std::array<const wchar_t*, 3> titles{L"Velmora \u2014 Click progress", L"Velmora \u2014 Hand guidance",
                                             L"Velmora \u2014 Gesture reference"};
  for (std::size_t i = 0; i < titles.size(); ++i) {
    windows_[i] = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_LAYERED |
                                      WS_EX_NOACTIVATE,
                                  kOverlayClass, titles[i], WS_POPUP, 0, 0, 80, 80, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), this);
  }
  return complete();
}

void OverlaySet::update(const Settings&, const DesktopRect&, const ControlOutput&, bool, bool, const Gestures&, bool) {}

void OverlaySet::destroy() {
  for (HWND& window : windows_) {
    if (window != nullptr) DestroyWindow(window);
    window = nullptr;
  }
}

bool OverlaySet::complete() const {
  for (HWND window : windows_) {
    if (window == nullptr) return false;
  }
  return true;
}

}  // namespace vel
