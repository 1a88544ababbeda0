// The bilinear sampler and the stepped resampling grid that the letterbox and crop share.
#include "tracking/image_sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tracking/hand_landmarks.h"
#include "tracking/palm_detector.h"

namespace vel {
namespace {

// Every byte random: the worst case for any error in sample positions.
Frame noiseFrame(int width, int height) {
  Frame frame = *makeFrame(width, height, 0, 0);
  std::mt19937 random(static_cast<unsigned>(width * height));
  for (auto& byte : frame.pixels) byte = static_cast<std::uint8_t>(random() & 0xff);
  return frame;
}

std::array<float, 3> sampleAt(const Frame& frame, Point p) {
  std::array<float, 3> rgb{-1.0f, -1.0f, -1.0f};
  sampleBilinear(frame, p.x, p.y, rgb.data());
  return rgb;
}

TEST(BilinearSampler, CentresBlendsAndTheBlackOutside) {
  Frame frame = *makeFrame(2, 2, 0, 0);  // pixel i: blue 10 + 10i, green 100 + 10i, red 200 + 10i
  for (std::size_t i = 0; i < 16; ++i) frame.pixels[i] = static_cast<std::uint8_t>(std::array{10, 100, 200, 0}[i % 4] + i / 4 * 10);
  const float nan = std::nanf("");
  const std::pair<Point, std::array<float, 3>> cases[] = {
      {{1, 0}, {210, 110, 20}},       {{0, 1}, {220, 120, 30}},     {{1, 1}, {230, 130, 40}},
      {{0.5f, 0}, {205, 105, 15}},    {{0, 0.25f}, {205, 105, 15}}, {{0.75f, 0.5f}, {217.5f, 117.5f, 27.5f}},
      {{-0.001f, 0}, {0, 0, 0}},      {{0, -0.001f}, {0, 0, 0}},    {{1.001f, 0}, {0, 0, 0}},
      {{0, 1.001f}, {0, 0, 0}},       {{nan, 0}, {0, 0, 0}},        {{0, nan}, {0, 0, 0}}};
  for (const auto& [at, rgb] : cases) {
    const auto got = sampleAt(frame, at);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(got[i], rgb[i] / 255.0f) << at.x << "," << at.y;
  }
}

// Stepping along rows and columns must give the per-pixel samples within float rounding (on noise a
// position error of 0.001 px already changes a value by up to 0.001), and write nothing after them.
template <class PointOf>
void expectPerPixelSamples(const Frame& frame, const SampleGrid& grid, int side, PointOf pointOf) {
  std::vector<float> input(static_cast<std::size_t>(side) * side * 3 + 1, -1.0f);
  resample(frame, grid, side, input.data());
  EXPECT_EQ(input.back(), -1.0f);
  float largest = 0.0f;
  for (int i = 0; i < side * side; ++i) {
    const auto expected = sampleAt(frame, pointOf(i % side, i / side));
    for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(input[i * 3 + c] - expected[c]));
  }
  EXPECT_LT(largest, 2e-4f) << frame.width << "x" << frame.height << " side " << side;
}

float centred(int i, float size, int side) { return ((static_cast<float>(i) + 0.5f) / static_cast<float>(side) - 0.5f) * size; }

TEST(SteppedResampling, LetterboxAndRotatedCropMatchThePerPixelFormula) {
  for (const auto& [width, height] : {std::pair{640, 480}, {480, 640}, {1920, 1080}}) {
    const Frame frame = noiseFrame(width, height);
    const float w = static_cast<float>(width), h = static_cast<float>(height), side = std::max(w, h);
    expectPerPixelSamples(frame, letterboxGrid(letterboxFor(frame)), 192, [&](int ix, int iy) {
      return Point{w / 2 + centred(ix, side, 192) - 0.5f, h / 2 + centred(iy, side, 192) - 0.5f};
    });
  }
  const Frame frame = noiseFrame(1280, 720);
  for (const HandRegion& region : {HandRegion{{640, 360}, 300, 0}, HandRegion{{100, 650}, 500, 0.7f},
                                   HandRegion{{900, 200}, 1500, -2.9f}, HandRegion{{5, 5}, 40, 3.1f}}) {
    expectPerPixelSamples(frame, cropGrid(region), 224, [&](int ix, int iy) {
      const float u = centred(ix, region.size, 224), v = centred(iy, region.size, 224);
      const float c = std::cos(region.rotation), s = std::sin(region.rotation);
      return Point{u * c - v * s + region.centre.x, u * s + v * c + region.centre.y};
    });
  }
}

// Tiny frames and grids running over every edge, where a sample's neighbours leave the frame: the
// fast inside path must hand exactly those samples back to the checked sampler, and read nothing
// outside the pixels (make check runs this under AddressSanitizer).
TEST(SteppedResampling, EdgesAndTinyFramesMatchTheSampler) {
  for (const auto& [width, height] : {std::pair{1, 1}, {1, 5}, {5, 1}, {2, 2}, {7, 5}, {64, 48}}) {
    const Frame frame = noiseFrame(width, height);
    for (const int side : {1, 7, 192}) {
      const float last = static_cast<float>(std::max(side - 1, 1));
      for (const SampleGrid& grid : {SampleGrid{{0, 0}, {static_cast<float>(width - 1) / last, 0}, {0, static_cast<float>(height - 1) / last}},
                                     SampleGrid{{-1.5f, -0.7f}, {0.37f, 0}, {0, 0.53f}},
                                     SampleGrid{{0.5f, 0.5f}, {0.3f, 0.01f}, {-0.02f, 0.4f}},
                                     SampleGrid{{std::nanf(""), 0}, {1, 0}, {0, 1}}}) {
        expectPerPixelSamples(frame, grid, side, [&](int ix, int iy) { return grid.at(ix, iy); });
      }
    }
  }
}

}  // namespace
}  // namespace vel
