// GDI helpers: fonts, pens and brushes live only for the one call that needs them.
#include "ui/gdi_draw.h"

#include <algorithm>
#include <array>

namespace vel {
namespace {

// Longest point list drawn: the progress ring's 65 points (the hand's 21 bones take 42).
constexpr std::size_t kMaxPoints = 72;

// Converts to GDI points without allocating; longer lists are cut.
int gdiPoints(std::span<const IntPoint> points, std::array<POINT, kMaxPoints>& out) {
  const std::size_t n = std::min(points.size(), kMaxPoints);
  for (std::size_t i = 0; i < n; ++i) out[i] = {points[i].x, points[i].y};
  return static_cast<int>(n);
}

// Selects a pen and a brush for the life of one shape and deletes what it created.
class ShapeTools {
 public:
  ShapeTools(HDC dc, HPEN pen, HBRUSH brush)
      : dc_(dc), pen_(pen), brush_(brush),
        oldPen_(SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN))),
        oldBrush_(SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH))) {}
  ~ShapeTools() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    if (pen_) DeleteObject(pen_);
    if (brush_) DeleteObject(brush_);
  }
  ShapeTools(const ShapeTools&) = delete;
  ShapeTools& operator=(const ShapeTools&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
};

}  // namespace

void drawLabel(HDC dc, std::wstring_view text, const Box& box, int height, int weight, Rgb colour, UINT format) {
  const HFONT font = CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
  const HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colorRef(colour));
  RECT rect = toRect(box);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, format);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

void fillBox(HDC dc, const Box& box, Rgb colour) {
  const HBRUSH brush = CreateSolidBrush(colorRef(colour));
  const RECT rect = toRect(box);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void fillRoundBox(HDC dc, const Box& box, int corner, Rgb colour) { fillRoundBoxes(dc, {&box, 1}, corner, colour); }

void fillRoundBoxes(HDC dc, std::span<const Box> boxes, int corner, Rgb colour) {
  // A hairline in the fill colour ends the shape on the box's edge; with a null pen, GDI versions
  // disagree on whether the last row and column are filled.
  ShapeTools tools(dc, CreatePen(PS_SOLID, 0, colorRef(colour)), CreateSolidBrush(colorRef(colour)));
  for (const Box& box : boxes) RoundRect(dc, box.left, box.top, box.right, box.bottom, corner, corner);
}

void fillPolygon(HDC dc, std::span<const IntPoint> points, Rgb colour) {
  std::array<POINT, kMaxPoints> gdi;
  const int n = gdiPoints(points, gdi);
  ShapeTools tools(dc, nullptr, CreateSolidBrush(colorRef(colour)));
  Polygon(dc, gdi.data(), n);
}

void strokeCircle(HDC dc, int x, int y, int radius, int penWidth, Rgb colour) {
  ShapeTools tools(dc, CreatePen(PS_SOLID, penWidth, colorRef(colour)), nullptr);
  Ellipse(dc, x - radius, y - radius, x + radius + 1, y + radius + 1);
}

void strokePolyline(HDC dc, std::span<const IntPoint> points, int penWidth, Rgb colour) {
  std::array<POINT, kMaxPoints> gdi;
  const int n = gdiPoints(points, gdi);
  ShapeTools tools(dc, CreatePen(PS_SOLID, penWidth, colorRef(colour)), nullptr);
  Polyline(dc, gdi.data(), n);
}

void strokeSegments(HDC dc, std::span<const IntPoint> ends, int penWidth, Rgb colour) {
  std::array<POINT, kMaxPoints> gdi;
  const int n = gdiPoints(ends, gdi);
  std::array<DWORD, kMaxPoints / 2> counts;
  counts.fill(2);
  ShapeTools tools(dc, CreatePen(PS_SOLID, penWidth, colorRef(colour)), nullptr);
  PolyPolyline(dc, gdi.data(), counts.data(), static_cast<DWORD>(n / 2));
}

void strokeDottedBox(HDC dc, const Box& box, Rgb colour) {
  // A zero width keeps the pen one pixel wide under any world transform: a wider one would draw
  // solid, and a geometric dotted pen costs more than the rest of the preview.
  ShapeTools tools(dc, CreatePen(PS_DOT, 0, colorRef(colour)), nullptr);
  Rectangle(dc, box.left, box.top, box.right, box.bottom);
}

PaintBuffer::PaintBuffer(HWND window) : window_(window) {
  const HDC target = BeginPaint(window, &paint_);
  RECT client{};
  GetClientRect(window, &client);
  width_ = client.right - client.left;
  height_ = client.bottom - client.top;
  memory_ = CreateCompatibleDC(target);
  bitmap_ = CreateCompatibleBitmap(target, std::max(width_, 1), std::max(height_, 1));
  oldBitmap_ = SelectObject(memory_, bitmap_);
}

PaintBuffer::~PaintBuffer() {
  ModifyWorldTransform(memory_, nullptr, MWT_IDENTITY);  // the copy is pixel for pixel
  BitBlt(paint_.hdc, 0, 0, width_, height_, memory_, 0, 0, SRCCOPY);
  SelectObject(memory_, oldBitmap_);
  DeleteObject(bitmap_);
  DeleteDC(memory_);
  EndPaint(window_, &paint_);
}

}  // namespace vel
