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

// A 2 × 2 frame with distinct channels per pixel: blue = 10 + i, green = 100 + i, red = 200 + i.
Frame fourPixels() {
  Frame frame = *makeFrame(2, 2, 0, 0);
  for (int i = 0; i < 4; ++i) {
    frame.pixels[static_cast<std::size_t>(i) * 4] = static_cast<std::uint8_t>(10 + 10 * i);
    frame.pixels[static_cast<std::size_t>(i) * 4 + 1] = static_cast<std::uint8_t>(100 + 10 * i);
    frame.pixels[static_cast<std::size_t>(i) * 4 + 2] = static_cast<std::uint8_t>(200 + 10 * i);
    frame.pixels[static_cast<std::size_t>(i) * 4 + 3] = 255;
  }
  return frame;
}

TEST(BilinearSampler, PixelCentresGiveRedGreenBlueOfThatPixel) {
  const Frame frame = fourPixels();
  const auto topRight = sampleAt(frame, 1.0f, 0.0f);
  EXPECT_FLOAT_EQ(topRight[0], 210.0f / 255.0f);
  EXPECT_FLOAT_EQ(topRight[1], 110.0f / 255.0f);
  EXPECT_FLOAT_EQ(topRight[2], 20.0f / 255.0f);
  const auto bottomLeft = sampleAt(frame, 0.0f, 1.0f);
  EXPECT_FLOAT_EQ(bottomLeft[0], 220.0f / 255.0f);
}

TEST(BilinearSampler, BetweenPixelsBlendsByDistance) {
  const Frame frame = fourPixels();
  EXPECT_FLOAT_EQ(sampleAt(frame, 0.5f, 0.0f)[0], 205.0f / 255.0f);
  EXPECT_FLOAT_EQ(sampleAt(frame, 0.0f, 0.25f)[0], 205.0f / 255.0f);
  EXPECT_FLOAT_EQ(sampleAt(frame, 0.5f, 0.5f)[0], 215.0f / 255.0f);
  EXPECT_FLOAT_EQ(sampleAt(frame, 0.75f, 0.5f)[2], 27.5f / 255.0f);
}

TEST(BilinearSampler, OutsideTheFrameIsBlackAndTheLastPixelIsInside) {
  const Frame frame = fourPixels();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const auto& [x, y] : std::vector<std::pair<float, float>>{
           {-0.001f, 0.0f}, {0.0f, -0.001f}, {1.001f, 0.0f}, {0.0f, 1.001f}, {nan, 0.0f}, {0.0f, nan}}) {
    EXPECT_EQ(sampleAt(frame, x, y), (std::array<float, 3>{0.0f, 0.0f, 0.0f})) << x << "," << y;
  }
  EXPECT_FLOAT_EQ(sampleAt(frame, 1.0f, 1.0f)[0], 230.0f / 255.0f);
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

TEST(SteppedResampling, UnrotatedCropIsTheAxisAlignedSquareAroundTheCentre) {
  // A 224-pixel square at rotation 0 samples exactly the pixel centres of the frame under it.
  const Frame frame = test::noiseFrame(400, 300);
  std::vector<float> input(224 * 224 * 3);
  resample(frame, cropGrid({{200.0f - 0.5f, 150.0f - 0.5f}, 224.0f, 0.0f}), 224, input.data());
  for (const auto& [ix, iy] : std::vector<std::pair<int, int>>{{0, 0}, {223, 0}, {0, 223}, {223, 223}, {111, 57}}) {
    const auto pixel = sampleAt(frame, static_cast<float>(88 + ix), static_cast<float>(38 + iy));
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(input[(static_cast<std::size_t>(iy) * 224 + ix) * 3 + c], pixel[static_cast<std::size_t>(c)], 1e-6f)
          << ix << "," << iy;
    }
  }
}

}  // namespace
}  // namespace vel
