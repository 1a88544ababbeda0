// The reference landmarks of hands.jpg and the error of a tracked hand against the nearest of
// them. Header-only: used by the host and Windows tests and by velmora-bench.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tracking/hand_observation.h"

namespace vel::test {

using Landmarks = std::array<Point, kLandmarkCount>;

// Reads the "hands" array of hands.keypoints.json: per hand 21 [x, y] pairs, then another key.
inline std::vector<Landmarks> loadReferenceHands(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::size_t from = std::min(text.find("\"hands\""), text.size() - 7) + 7;
  text = text.substr(from, text.find('"', from) - from);
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '[' || c == ']' || c == ',' || c == ':'; }, ' ');
  std::istringstream numbers(text);
  std::vector<float> values;
  for (float value = 0; numbers >> value;) values.push_back(value);
  const std::size_t perHand = kLandmarkCount * 2;
  if (values.empty() || values.size() % perHand != 0) throw std::runtime_error("no reference hands in " + file.string());
  std::vector<Landmarks> hands(values.size() / perHand);
  for (std::size_t i = 0; i < values.size(); i += 2) hands[i / perHand][i % perHand / 2] = {values[i], values[i + 1]};
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
