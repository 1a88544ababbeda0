// Frames for tests: filled with one colour, with noise, or decoded from the shared photos.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "camera/frame.h"
#include "camera/image_file.h"
#include "tests/support/paths.h"

namespace vel::test {

inline Frame solidFrame(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  Frame frame = *makeFrame(width, height, 0, 0);
  for (std::size_t i = 0; i < frame.pixels.size(); i += 4) {
    frame.pixels[i] = blue;
    frame.pixels[i + 1] = green;
    frame.pixels[i + 2] = red;
  }
  return frame;
}

// Every byte random: the worst case for any error in sample positions.
inline Frame noiseFrame(int width, int height, unsigned seed = 1) {
  Frame frame = *makeFrame(width, height, 0, 0);
  std::mt19937 random(seed);
  for (auto& byte : frame.pixels) byte = static_cast<std::uint8_t>(random() & 0xff);
  return frame;
}

// The first frame of a photo in the shared test data, e.g. "hands.jpg" or "poses/one.png".
inline Frame photo(const std::string& name) { return decodeImageFile(testDataDir() / name).front(); }

}  // namespace vel::test
