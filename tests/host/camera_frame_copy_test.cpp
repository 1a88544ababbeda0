// Camera buffer copies: pitch and stride either way up, padding, and the truncation check.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camera/frame_copy.h"

namespace vel {
namespace {

constexpr std::size_t kRowBytes = 8;  // two pixels
constexpr int kHeight = 3;

// A buffer whose rows are `stride` bytes apart (with padding), each row's bytes equal to
// its row number in the image, listed bottom-up when `bottomUp`.
std::vector<std::uint8_t> buffer(std::size_t stride, bool bottomUp) {
  std::vector<std::uint8_t> bytes(stride * kHeight, 0xee);
  for (int y = 0; y < kHeight; ++y) {
    const int stored = bottomUp ? kHeight - 1 - y : y;
    for (std::size_t x = 0; x < kRowBytes; ++x) bytes[stride * stored + x] = static_cast<std::uint8_t>(y + 1);
  }
  return bytes;
}

std::vector<std::uint8_t> topDown() {
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < kHeight; ++y) pixels.insert(pixels.end(), kRowBytes, static_cast<std::uint8_t>(y + 1));
  return pixels;
}

std::vector<std::uint8_t> copyContiguous(const std::vector<std::uint8_t>& src, std::size_t length,
                                         std::ptrdiff_t stride) {
  std::vector<std::uint8_t> pixels(kRowBytes * kHeight);
  const std::uint8_t* top = contiguousTopRow(src.data(), length, stride, kRowBytes, kHeight);
  if (!top) return {};
  copyFrameRows(pixels.data(), top, stride, kRowBytes, kHeight);
  return pixels;
}

TEST(CameraFrameCopy, TopDownAndBottomUpBuffersGiveTopDownPixels) {
  EXPECT_EQ(copyContiguous(buffer(kRowBytes, false), kRowBytes * kHeight, kRowBytes), topDown());
  EXPECT_EQ(copyContiguous(buffer(kRowBytes, true), kRowBytes * kHeight, -static_cast<std::ptrdiff_t>(kRowBytes)),
            topDown());
}

TEST(CameraFrameCopy, PaddedRowsDropTheirPadding) {
  EXPECT_EQ(copyContiguous(buffer(12, false), 36, 12), topDown());
  EXPECT_EQ(copyContiguous(buffer(12, true), 36, -12), topDown());
}

TEST(CameraFrameCopy, TwoDimensionalPitchMayBeNegative) {
  // A 2-D buffer hands over its first image row and a pitch; a bottom-up one has a negative pitch.
  const auto src = buffer(kRowBytes, true);
  std::vector<std::uint8_t> pixels(kRowBytes * kHeight);
  copyFrameRows(pixels.data(), src.data() + kRowBytes * (kHeight - 1), -static_cast<std::ptrdiff_t>(kRowBytes),
                kRowBytes, kHeight);
  EXPECT_EQ(pixels, topDown());
}

TEST(CameraFrameCopy, OneByteShortIsTruncated) {
  const auto src = buffer(kRowBytes, false);
  const std::size_t exact = kRowBytes * kHeight;
  EXPECT_NE(contiguousTopRow(src.data(), exact, kRowBytes, kRowBytes, kHeight), nullptr);
  EXPECT_EQ(contiguousTopRow(src.data(), exact - 1, kRowBytes, kRowBytes, kHeight), nullptr);
  EXPECT_EQ(contiguousTopRow(src.data(), exact - 1, -static_cast<std::ptrdiff_t>(kRowBytes), kRowBytes, kHeight),
            nullptr);
  EXPECT_EQ(contiguousTopRow(src.data(), 0, kRowBytes, kRowBytes, kHeight), nullptr);
}

TEST(CameraFrameCopy, StrideNarrowerThanARowCannotReadPastTheBuffer) {
  const auto src = buffer(kRowBytes, false);
  // |stride| * height = 12 fits in 14 bytes, but the last row would end at 8 + 8 = 16.
  EXPECT_EQ(contiguousTopRow(src.data(), 14, 4, kRowBytes, kHeight), nullptr);
  EXPECT_EQ(contiguousTopRow(src.data(), 7, 0, kRowBytes, kHeight), nullptr);
  EXPECT_EQ(contiguousTopRow(src.data(), 8, 0, kRowBytes, kHeight), src.data());
}

}  // namespace
}  // namespace vel
