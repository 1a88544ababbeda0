// Plain colours, rectangles and points that the portable layout code decides and the GDI code
// draws: 96-DPI units in the main window, pixels in the overlays.
#pragma once

#include <cstdint>

namespace vel {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Right and bottom are exclusive, as in a Windows RECT.
struct Box {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  Box inset(int by) const { return {left + by, top + by, right - by, bottom - by}; }
  friend bool operator==(const Box&, const Box&) = default;
};

struct IntPoint {
  int x = 0;
  int y = 0;

  friend bool operator==(const IntPoint&, const IntPoint&) = default;
};

}  // namespace vel
