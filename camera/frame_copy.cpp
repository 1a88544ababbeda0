// Camera buffer copies: one block copy per row, no per-pixel work.
#include "camera/frame_copy.h"

#include <cstdlib>
#include <cstring>

namespace vel {

void copyFrameRows(std::uint8_t* dst, const std::uint8_t* firstRow, std::ptrdiff_t pitch, std::size_t rowBytes,
                   int height) {
  for (int y = 0; y < height; ++y) std::memcpy(dst + rowBytes * y, firstRow + pitch * y, rowBytes);
}

const std::uint8_t* contiguousTopRow(const std::uint8_t* data, std::size_t length, std::ptrdiff_t stride,
                                     std::size_t rowBytes, int height) {
  if (height <= 0) return nullptr;
  const auto absStride = static_cast<std::size_t>(std::llabs(stride));
  const std::size_t lastRow = absStride * static_cast<std::size_t>(height - 1);
  if (absStride * static_cast<std::size_t>(height) > length || lastRow + rowBytes > length) return nullptr;
  return stride >= 0 ? data : data + lastRow;
}

}  // namespace vel
