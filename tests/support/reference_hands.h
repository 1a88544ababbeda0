// The reference landmarks of hands.jpg and the error of a tracked hand against the nearest of
// them. Header-only: used by the host and Windows tests and by velmora-bench.
#pragma once

#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "tracking/hand_observation.h"

namespace vel::test {

using Landmarks = std::array<Point, kLandmarkCount>;

// Reads the "hands" array of hands.keypoints.json: per hand 21 [x, y] pairs.
inline std::vector<Landmarks> loadReferenceHands(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::size_t at = text.find('[', text.find("\"hands\""));
  std::vector<float> numbers;
  for (int depth = 0; at < text.size() && !(text[at] == ']' && --depth == 0); ++at) {
    if (text[at] == '[') ++depth;
    if (text[at] == '-' || std::isdigit(static_cast<unsigned char>(text[at]))) {
      std::size_t used = 0;
      numbers.push_back(std::stof(text.substr(at), &used));
      at += used - 1;
    }
  }
  const std::size_t perHand = kLandmarkCount * 2;
  if (numbers.empty() || numbers.size() % perHand != 0) {
    throw std::runtime_error("no reference hands in " + file.string());
  }
  std::vector<Landmarks> hands(numbers.size() / perHand);
  for (std::size_t i = 0; i < numbers.size() / 2; ++i) {
    hands[i / kLandmarkCount][i % kLandmarkCount] = {numbers[2 * i], numbers[2 * i + 1]};
  }
  return hands;
}

struct LandmarkError {
  double mean = std::numeric_limits<double>::infinity();  // pixels, over the 21 landmarks
  double max = std::numeric_limits<double>::infinity();
  int worst = -1;  // landmark with the largest error
};

// The error against whichever reference hand the tracked hand is closest to (by mean).
inline LandmarkError errorToNearest(const Landmarks& found, const std::vector<Landmarks>& references) {
  LandmarkError best;
  for (const Landmarks& reference : references) {
    LandmarkError error{0.0, 0.0, -1};
    for (int i = 0; i < kLandmarkCount; ++i) {
      const double distance = std::hypot(found[i].x - reference[i].x, found[i].y - reference[i].y);
      error.mean += distance / kLandmarkCount;
      if (distance > error.max) error = {error.mean, distance, i};
    }
    if (error.mean < best.mean) best = error;
  }
  return best;
}

}  // namespace vel::test
