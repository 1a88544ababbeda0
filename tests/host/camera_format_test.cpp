// Capture format choice (candidate limits, the baseline cost, the detail rule), the camera setting,
// and camera buffer copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "camera/camera.h"
#include "camera/format_choice.h"
#include "camera/frame_copy.h"

namespace vel {
namespace {

constexpr std::uint64_t pack(std::uint32_t high, std::uint32_t low) { return (std::uint64_t{high} << 32) | low; }

TEST(CameraCandidates, RatesAndInclusiveSizeLimits) {
  EXPECT_NEAR(framesPerSecond(pack(30000, 1001)), 29.97, 0.001);
  EXPECT_EQ(framesPerSecond(pack(15, 0)), 30.0);
  const struct { std::uint32_t width, height; std::optional<std::uint64_t> rate; bool accepted; } cases[] = {
      {1920, 1080, pack(30, 1), true},  {320, 240, pack(30, 1), true},  {1921, 1080, pack(30, 1), false},
      {1920, 1081, pack(30, 1), false}, {319, 240, pack(30, 1), false}, {320, 239, pack(30, 1), false},
      {640, 480, pack(15, 1), true},    {640, 480, pack(29, 2), false}, {640, 480, std::nullopt, false},
      {0xffffffffu, 480, pack(30, 1), false}};  // a huge size must not wrap into range
  for (const auto& c : cases) {
    EXPECT_EQ(formatCandidate(0, pack(c.width, c.height), c.rate).has_value(), c.accepted) << c.width << "x" << c.height;
  }
}

// Baseline: the least |W − 640| + |H − 480| + 20 |fps − 30|. Detail: the closest to 960 × 720 with
// 640..1280 × 640..960 pixels, 29..31 fps and the baseline's aspect within 0.02.
TEST(CameraFormatChoice, BaselineDetailAndTheCameraSetting) {
  const double inf = std::numeric_limits<double>::infinity();
  // Indices into `modes` of the baseline and the preferred format, -1 for none.
  const struct { const char* why; std::vector<std::tuple<int, int, double>> modes; bool detail; int baseline, preferred; } cases[] = {
      {"4:3 camera keeps its aspect", {{1280, 720, 30}, {640, 480, 30}}, true, 1, 1},
      {"no detail asked", {{640, 480, 30}, {960, 720, 30}}, false, 0, 0},
      {"960x720 offered", {{640, 480, 30}, {1280, 720, 30}, {960, 720, 30}, {1280, 960, 30}}, true, 0, 2},
      {"wide camera, wide detail", {{640, 360, 30}, {1280, 720, 30}}, true, 0, 1},
      {"29 fps detail", {{640, 480, 30}, {960, 720, 29.0}}, true, 0, 1},
      {"31 fps detail", {{640, 480, 30}, {960, 720, 31.0}}, true, 0, 1},
      {"31.5 fps no detail", {{640, 480, 30}, {960, 720, 31.5}}, true, 0, 0},
      {"640 rows are enough for detail", {{640, 480, 30}, {853, 640, 30}}, true, 0, 1},
      {"960 rows are the most for detail", {{640, 480, 30}, {1280, 960, 30}}, true, 0, 1},
      {"1281 columns are too many", {{640, 480, 30}, {1281, 960, 30}}, true, 0, 0},
      {"detail closest to 960 x 720", {{640, 480, 30}, {960, 729, 30}, {952, 720, 30}, {960, 710, 30}}, true, 0, 2},
      {"cost 280 beats 300", {{640, 480, 15}, {800, 600, 30}}, false, 1, 1},
      {"first of equal costs", {{700, 480, 30}, {580, 480, 30}}, false, 0, 0},
      {"a frame per second costs 20 pixels", {{640, 480, 29}, {660, 480, 30}}, false, 0, 0},
      {"from 30 frames per second", {{640, 480, 31}, {641, 480, 30}}, false, 1, 1},
      {"from 480 rows", {{640, 440, 30}, {660, 480, 30}}, false, 1, 1},
      {"first of equal details", {{640, 480, 30}, {1000, 750, 30}, {920, 690, 30}, {1000, 750, 30}}, true, 0, 1},
      {"aspect off by 0.009", {{640, 480, 30}, {960, 725, 30}}, true, 0, 1},
      {"aspect off by 0.038", {{640, 480, 30}, {960, 700, 30}}, true, 0, 0},
      {"outside the detail size window", {{640, 480, 30}, {1440, 1080, 30}}, true, 0, 0},
      {"non-finite rate skipped", {{640, 480, inf}, {800, 600, 30}}, false, 1, 1},
      {"no candidates", {}, true, -1, -1},
  };
  for (const auto& c : cases) {
    std::vector<FormatCandidate> list;
    for (const auto& [w, h, fps] : c.modes) list.push_back({static_cast<std::uint32_t>(list.size()), w, h, fps});
    const FormatChoice choice = chooseFormat(list, c.detail);
    const auto index = [](const std::optional<FormatCandidate>& f) { return f ? static_cast<int>(f->index) : -1; };
    EXPECT_EQ((std::pair{index(choice.baseline), index(choice.preferred)}), (std::pair{c.baseline, c.preferred})) << c.why;
  }
  const struct { int camera; std::size_t count; int index; } rows[] = {{5, 2, 1}, {-3, 2, 0}, {1, 2, 1}, {4, 0, 0}, {-1, 0, 0}};
  for (const auto& row : rows) EXPECT_EQ(clampCameraIndex(row.camera, row.count), row.index) << row.camera << " of " << row.count;
}

// Three rows of 8 bytes (two pixels) `stride` bytes apart, padded with 0xee; image row y is all y + 1.
std::vector<std::uint8_t> buffer(std::ptrdiff_t stride) {
  const std::size_t pitch = static_cast<std::size_t>(std::abs(stride));
  std::vector<std::uint8_t> bytes(pitch * 3, 0xee);
  for (std::size_t y = 0; y < 3; ++y) {
    std::fill_n(bytes.begin() + pitch * (stride < 0 ? 2 - y : y), 8, static_cast<std::uint8_t>(y + 1));
  }
  return bytes;
}

TEST(CameraFrameCopy, BuffersEitherWayUpGiveTopDownPixelsAndShortOnesNone) {
  for (const std::ptrdiff_t stride : {8, -8, 12, -12}) {
    const auto src = buffer(stride);
    const std::uint8_t* top = contiguousTopRow(src.data(), src.size(), stride, 8, 3);
    ASSERT_NE(top, nullptr) << stride;
    std::vector<std::uint8_t> pixels(24);
    copyFrameRows(pixels.data(), top, stride, 8, 3);
    EXPECT_EQ(pixels, buffer(8)) << stride;
  }
  // With stride 4, 4 × 3 = 12 bytes fit in 14, but the last row would end at 8 + 8 = 16; with
  // stride 12 the padding after the last row counts.
  const auto src = buffer(12);
  const struct { std::size_t size; std::ptrdiff_t stride; int height; bool fits; } cases[] = {
      {23, 8, 3, false}, {23, -8, 3, false}, {0, 8, 3, false}, {14, 4, 3, false}, {7, 0, 3, false},
      {35, 12, 3, false}, {8, 0, 3, true}, {36, 12, 3, true}, {24, 8, 0, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(contiguousTopRow(src.data(), c.size, c.stride, 8, c.height), c.fits ? src.data() : nullptr) << c.size;
  }
}

}  // namespace
}  // namespace vel
