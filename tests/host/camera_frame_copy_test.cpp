// Camera buffer copies: pitch and stride either way up, padding, and the truncation check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "camera/frame_copy.h"

namespace vel {
namespace {

constexpr std::size_t kRowBytes = 8;  // two pixels
constexpr int kHeight = 3;

// Rows `stride` bytes apart (padding 0xee), each row's bytes equal to its image row + 1, stored bottom-up on request.
std::vector<std::uint8_t> buffer(std::size_t stride, bool bottomUp) {
  std::vector<std::uint8_t> bytes(stride * kHeight, 0xee);
  for (int y = 0; y < kHeight; ++y) {
    const std::size_t stored = static_cast<std::size_t>(bottomUp ? kHeight - 1 - y : y);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(stride * stored), kRowBytes, std::uint8_t(y + 1));
  }
  return bytes;
}

TEST(CameraFrameCopy, ContiguousBuffersEitherWayUpGiveTopDownPixels) {
  const std::vector<std::uint8_t> topDown = buffer(kRowBytes, false);
  for (const std::ptrdiff_t stride : {8, -8, 12, -12}) {
    SCOPED_TRACE(stride);
    const auto src = buffer(static_cast<std::size_t>(std::abs(stride)), stride < 0);
    const std::uint8_t* top = contiguousTopRow(src.data(), src.size(), stride, kRowBytes, kHeight);
    ASSERT_NE(top, nullptr);
    std::vector<std::uint8_t> pixels(kRowBytes * kHeight);
    copyFrameRows(pixels.data(), top, stride, kRowBytes, kHeight);
    EXPECT_EQ(pixels, topDown);
  }
}

TEST(CameraFrameCopy, ShortBuffersAreTruncated) {
  const auto src = buffer(kRowBytes, false);
  // With stride 4, 4 * 3 = 12 bytes fit in 14, but the last row would end at 8 + 8 = 16.
  const struct {
    std::size_t size;
    std::ptrdiff_t stride;
  } cases[] = {{23, 8}, {23, -8}, {0, 8}, {14, 4}, {7, 0}, {35, 12}};  // 35: the padding after the last row counts
  for (const auto& c : cases) EXPECT_EQ(contiguousTopRow(src.data(), c.size, c.stride, kRowBytes, kHeight), nullptr) << c.size;
  EXPECT_EQ(contiguousTopRow(src.data(), 8, 0, kRowBytes, kHeight), src.data());
  EXPECT_EQ(contiguousTopRow(src.data(), 36, 12, kRowBytes, kHeight), src.data());
  EXPECT_EQ(contiguousTopRow(src.data(), 24, 8, kRowBytes, 0), nullptr) << "no rows";
}

}  // namespace
}  // namespace vel
