// Small GDI helpers for the main window and the overlays (Windows only). Each creates the pens,
// brushes and fonts it needs and deletes them before returning.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

#include "ui/draw_types.h"

namespace vel {

inline COLORREF colorRef(Rgb colour) { return RGB(colour.r, colour.g, colour.b); }
inline RECT toRect(const Box& box) { return {box.left, box.top, box.right, box.bottom}; }

// Text in "Segoe UI" of a character height and weight, drawn transparently with DrawTextW.
void drawLabel(HDC dc, std::wstring_view text, const Box& box, int height, int weight, Rgb colour, UINT format);

void fillBox(HDC dc, const Box& box, Rgb colour);
// A rounded rectangle covering exactly `box`, without outline.
void fillRoundBox(HDC dc, const Box& box, int corner, Rgb colour);
void fillRoundBoxes(HDC dc, std::span<const Box> boxes, int corner, Rgb colour);
void fillPolygon(HDC dc, std::span<const IntPoint> points, Rgb colour);
// A hollow circle around (x, y); the pen is centred on the radius.
void strokeCircle(HDC dc, int x, int y, int radius, int penWidth, Rgb colour);
void strokePolyline(HDC dc, std::span<const IntPoint> points, int penWidth, Rgb colour);
// Separate lines with one pen: points 0 to 1, 2 to 3, and so on.
void strokeSegments(HDC dc, std::span<const IntPoint> ends, int penWidth, Rgb colour);
// A hollow rectangle in a dotted line one pixel wide.
void strokeDottedBox(HDC dc, const Box& box, Rgb colour);

// A WM_PAINT drawn off-screen into a bitmap of the client's size and copied to the window in one
// BitBlt when the buffer goes, so nothing flickers.
class PaintBuffer {
 public:
  explicit PaintBuffer(HWND window);
  ~PaintBuffer();
  PaintBuffer(const PaintBuffer&) = delete;
  PaintBuffer& operator=(const PaintBuffer&) = delete;

  HDC dc() const { return memory_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace vel
