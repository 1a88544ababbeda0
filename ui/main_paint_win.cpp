// The main window's painting: one off-screen bitmap per paint under a 96-DPI world transform.
#include "ui/main_paint_win.h"

#include <array>
#include <mutex>
#include <string>

namespace vel {
namespace {

constexpr COLORREF kBackground = RGB(243, 246, 247);
constexpr COLORREF kInk = RGB(19, 35, 48);
constexpr COLORREF kMuted = RGB(101, 119, 131);
constexpr COLORREF kAccent = RGB(0, 116, 109);
constexpr COLORREF kStop = RGB(160, 76, 44);
constexpr COLORREF kDisabled = RGB(220, 227, 230);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A font for one text, deleted with the object.
class TextFont {
 public:
  TextFont(HDC dc, int height, int weight)
      : dc_(dc),
        font_(CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI")),
        previous_(SelectObject(dc, font_)) {}
  ~TextFont() {
    SelectObject(dc_, previous_);
    DeleteObject(font_);
  }
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ previous_;
};

void drawText(HDC dc, const std::wstring& text, RECT box, int height, int weight, COLORREF colour, UINT format) {
  const TextFont font(dc, height, weight);
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
}

void fillRounded(HDC dc, const RECT& box, int corner, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
  // Without an outline the shape is one pixel short on the right and bottom; extend it by that.
  RoundRect(dc, box.left, box.top, box.right + 1, box.bottom + 1, corner, corner);
  SelectObject(dc, previousPen);
  SelectObject(dc, previousBrush);
  DeleteObject(brush);
}

void fillRect(HDC dc, const RECT& box, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &box, brush);
  DeleteObject(brush);
}

void paintHeader(HDC dc, const WindowsApp& app) {
  drawText(dc, app.state.page == kPageHome ? L"Velmora" : L"Settings", {24, 23, 184, 71}, 32, FW_BOLD, kInk,
           DT_WORDBREAK);
}

}  // namespace

void paintMainWindow(WindowsApp& app) {
  PAINTSTRUCT paint;
  HDC windowDc = BeginPaint(app.window, &paint);
  RECT client;
  GetClientRect(app.window, &client);
  HDC dc = CreateCompatibleDC(windowDc);
  HBITMAP bitmap = CreateCompatibleBitmap(windowDc, client.right, client.bottom);
  HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
  fillRect(dc, client, kBackground);
  SetBkMode(dc, TRANSPARENT);
  SetGraphicsMode(dc, GM_ADVANCED);
  const float scale = static_cast<float>(app.dpi) / 96.0f;
  const XFORM transform{scale, 0.0f, 0.0f, scale, 0.0f, 0.0f};
  SetWorldTransform(dc, &transform);

  paintHeader(dc, app);

  ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  BitBlt(windowDc, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(dc, previousBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  EndPaint(app.window, &paint);
}

void drawOwnerButton(WindowsApp& app, const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return;
  HDC dc = item.hDC;
  const RECT& box = item.rcItem;
  const int id = static_cast<int>(item.CtlID);
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool selectedTab = (id == kIdGeneralTab && app.state.page == kPageGeneral) ||
                           (id == kIdGesturesTab && app.state.page == kPageGestures);
  COLORREF fill = disabled ? kDisabled : kWhite;
  if (selectedTab) {
    fill = kAccent;
  } else if (id == kIdStart && !disabled) {
    const bool stopping = app.state.gate.enabled() || app.state.startRequest != StartRequest::None;
    fill = stopping ? kStop : kAccent;
  }
  fillRect(dc, box, kBackground);
  const int corner = MulDiv(12, app.dpi, 96);
  fillRounded(dc, box, corner, fill);

  std::array<wchar_t, 81> text{};
  GetWindowTextW(item.hwndItem, text.data(), static_cast<int>(text.size()));
  const COLORREF ink = disabled ? kMuted : (id == kIdStart || selectedTab) ? kWhite : kInk;
  SetBkMode(dc, TRANSPARENT);
  drawText(dc, text.data(), box, MulDiv(14, app.dpi, 96), 600, ink, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = box;
    InflateRect(&focus, -5, -5);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace vel
