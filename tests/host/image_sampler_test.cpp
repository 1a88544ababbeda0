// The bilinear sampler and the stepped resampling grid that the letterbox and crop share.
#include "tracking/image_sampler.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "tests/support/frames.h"
#include "tracking/hand_landmarks.h"
#include "tracking/palm_detector.h"

namespace vel {
namespace {

std::array<float, 3> sampleAt(const Frame& frame, float x, float y) {
  std::array<float, 3> rgb{-1.0f, -1.0f, -1.0f};
  sampleBilinear(frame, x, y, rgb.data());
  return rgb;
}

// A 2 × 2 frame with distinct channels per pixel i: blue = 10 + 10i, green = 100 + 10i, red = 200 + 10i.
Frame fourPixels() {
  Frame frame = *makeFrame(2, 2, 0, 0);
  constexpr int kBase[4] = {10, 100, 200, 255};  // blue, green, red, alpha (opaque everywhere)
  for (std::size_t i = 0; i < 16; ++i) {
    frame.pixels[i] = static_cast<std::uint8_t>(kBase[i % 4] + (i % 4 == 3 ? 0 : 10 * static_cast<int>(i / 4)));
  }
  return frame;
}

TEST(BilinearSampler, CentresBlendsAndTheBlackOutside) {
  const Frame frame = fourPixels();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float x, y;
    std::array<float, 3> rgb;  // × 255
  } cases[] = {{1.0f, 0.0f, {210, 110, 20}},  {0.0f, 1.0f, {220, 120, 30}}, {1.0f, 1.0f, {230, 130, 40}},
               {0.5f, 0.0f, {205, 105, 15}},  {0.0f, 0.25f, {205, 105, 15}}, {0.75f, 0.5f, {217.5f, 117.5f, 27.5f}},
               {-0.001f, 0.0f, {0, 0, 0}},    {0.0f, -0.001f, {0, 0, 0}},    {1.001f, 0.0f, {0, 0, 0}},
               {0.0f, 1.001f, {0, 0, 0}},     {nan, 0.0f, {0, 0, 0}},        {0.0f, nan, {0, 0, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
    const auto rgb = sampleAt(frame, c.x, c.y);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(rgb[i], c.rgb[i] / 255.0f);
  }
}

// The sample point of input pixel (ix, iy) computed per pixel, as the tracking maths states it.
Point letterboxPoint(const Frame& frame, int ix, int iy) {
  const float side = static_cast<float>(std::max(frame.width, frame.height));
  const float padX = (side - static_cast<float>(frame.width)) / 2.0f;
  const float padY = (side - static_cast<float>(frame.height)) / 2.0f;
  return {(static_cast<float>(ix) + 0.5f) * side / 192.0f - 0.5f - padX,
          (static_cast<float>(iy) + 0.5f) * side / 192.0f - 0.5f - padY};
}

Point cropPoint(const HandRegion& region, int ix, int iy) {
  const float u = ((static_cast<float>(ix) + 0.5f) / 224.0f - 0.5f) * region.size;
  const float v = ((static_cast<float>(iy) + 0.5f) / 224.0f - 0.5f) * region.size;
  const float c = std::cos(region.rotation);
  const float s = std::sin(region.rotation);
  return {u * c - v * s + region.centre.x, u * s + v * c + region.centre.y};
}

template <class PointOf>
float largestDifference(const Frame& frame, const std::vector<float>& stepped, int side, PointOf pointOf) {
  float largest = 0.0f;
  for (int iy = 0; iy < side; ++iy) {
    for (int ix = 0; ix < side; ++ix) {
      const Point p = pointOf(ix, iy);
      const auto expected = sampleAt(frame, p.x, p.y);
      for (int c = 0; c < 3; ++c) {
        const float got = stepped[(static_cast<std::size_t>(iy) * side + ix) * 3 + c];
        largest = std::max(largest, std::abs(got - expected[static_cast<std::size_t>(c)]));
      }
    }
  }
  return largest;
}

// Stepping along rows and columns must give the per-pixel samples within float rounding: on
// noise, a position error of 0.001 px already changes a value by up to 0.001.
constexpr float kRoundingTolerance = 2e-4f;

TEST(SteppedResampling, LetterboxMatchesThePerPixelFormula) {
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{640, 480}, {480, 640}, {1920, 1080}}) {
    const Frame frame = test::noiseFrame(width, height);
    std::vector<float> input(192 * 192 * 3);
    resample(frame, letterboxGrid(letterboxFor(frame)), 192, input.data());
    EXPECT_LT(largestDifference(frame, input, 192, [&](int ix, int iy) { return letterboxPoint(frame, ix, iy); }),
              kRoundingTolerance)
        << width << "x" << height;
  }
}

TEST(SteppedResampling, RotatedCropMatchesThePerPixelFormula) {
  const Frame frame = test::noiseFrame(1280, 720);
  std::vector<float> input(224 * 224 * 3);
  for (const HandRegion& region :
       {HandRegion{{640.0f, 360.0f}, 300.0f, 0.0f}, HandRegion{{100.0f, 650.0f}, 500.0f, 0.7f},
        HandRegion{{900.0f, 200.0f}, 1500.0f, -2.9f}, HandRegion{{5.0f, 5.0f}, 40.0f, 3.1f}}) {
    resample(frame, cropGrid(region), 224, input.data());
    EXPECT_LT(largestDifference(frame, input, 224, [&](int ix, int iy) { return cropPoint(region, ix, iy); }),
              kRoundingTolerance)
        << "rotation " << region.rotation;
  }
}

// Tiny frames and grids running over every edge, where a sample's neighbours leave the frame: the
// fast inside path must hand exactly those samples back to the checked sampler, and read nothing
// outside the pixels (make check runs this under AddressSanitizer).
TEST(SteppedResampling, EdgesAndTinyFramesMatchTheSampler) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {1, 5}, {5, 1}, {2, 2}, {7, 5}, {64, 48}}) {
    const Frame frame = test::noiseFrame(width, height, 7);
    for (const int side : {1, 7, 192}) {
      const float across = static_cast<float>(width - 1) / static_cast<float>(std::max(side - 1, 1));
      const float down = static_cast<float>(height - 1) / static_cast<float>(std::max(side - 1, 1));
      for (const SampleGrid& grid : {SampleGrid{{0.0f, 0.0f}, {across, 0.0f}, {0.0f, down}},
                                     SampleGrid{{-1.5f, -0.7f}, {0.37f, 0.0f}, {0.0f, 0.53f}},
                                     SampleGrid{{0.5f, 0.5f}, {0.3f, 0.01f}, {-0.02f, 0.4f}},
                                     SampleGrid{{nan, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}}}) {
        // One float more, which must stay untouched.
        std::vector<float> input(static_cast<std::size_t>(side) * side * 3 + 1, -1.0f);
        resample(frame, grid, side, input.data());
        EXPECT_EQ(input.back(), -1.0f);
        input.pop_back();
        EXPECT_LT(largestDifference(frame, input, side, [&](int ix, int iy) { return grid.at(ix, iy); }),
                  kRoundingTolerance)
            << width << "x" << height << " side " << side;
      }
    }
  }
}

}  // namespace
}  // namespace vel
