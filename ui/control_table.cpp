// Main window layout arithmetic.
#include "ui/control_table.h"

#include <algorithm>

namespace vel {

int effectiveDpi(int workWidth, int workHeight, int windowDpi) {
  // The DPI at which the 800 × 720 client plus 40 and 70 pixels of frame still fits the work area.
  const int fitsWidth = (workWidth * 96 - 3840) / 800;
  const int fitsHeight = (workHeight * 96 - 6720) / 720;
  const int dpi = std::min({fitsWidth, fitsHeight, windowDpi});
  return dpi < 73 ? 72 : dpi;
}

}  // namespace vel
