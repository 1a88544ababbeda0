// Palm detection: the letterbox geometry and best-anchor decoding on hand-made detector outputs.
#include "tracking/palm_detector.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "tests/support/frames.h"

namespace vel {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// Raw detector outputs: every score far below the threshold until a test raises some.
struct RawPalmOutputs {
  std::vector<float> scores = std::vector<float>(kAnchorCount, -10.0f);
  std::vector<float> regressors = std::vector<float>(kAnchorCount * 18, 0.0f);

  RawPalmOutputs& score(int anchor, float raw) {
    scores[static_cast<std::size_t>(anchor)] = raw;
    return *this;
  }
  // Keypoint k of `anchor` offset by (k, 2k) input pixels plus (dx, dy).
  RawPalmOutputs& keypoints(int anchor, float dx, float dy) {
    for (std::size_t k = 0; k < 7; ++k) {
      regressors[static_cast<std::size_t>(anchor) * 18 + 4 + 2 * k] = dx + static_cast<float>(k);
      regressors[static_cast<std::size_t>(anchor) * 18 + 5 + 2 * k] = dy + 2.0f * static_cast<float>(k);
    }
    return *this;
  }
  std::optional<PalmDetection> decode(const Letterbox& box = {192.0f, 0.0f, 0.0f}) const {
    static const auto anchors = buildAnchors();
    return decodePalm(scores.data(), regressors.data(), anchors, box);
  }
};

TEST(PalmLetterbox, FramesAreCentredInABlackSquare) {
  const Letterbox portrait = letterboxFor(*makeFrame(480, 640, 0, 0));
  EXPECT_EQ((std::array{portrait.side, portrait.padX, portrait.padY}), (std::array{640.0f, 80.0f, 0.0f}));
  const Frame white = test::solidFrame(640, 480, 255, 255, 255);
  std::vector<float> input(192 * 192 * 3, -1.0f);
  resample(white, letterboxGrid(letterboxFor(white)), 192, input.data());
  // 80 of 640 rows are 24 of 192 input rows, top and bottom.
  for (int ix : {0, 95, 191}) {
    for (int iy : {0, 23, 24, 167, 168, 191}) {
      EXPECT_FLOAT_EQ(input[(static_cast<std::size_t>(iy) * 192 + ix) * 3], iy >= 24 && iy < 168 ? 1.0f : 0.0f) << iy;
    }
  }
}

TEST(PalmDecoding, OnlyScoresStrictlyAboveTheThresholdDetect) {
  const float atThreshold = std::log(0.65f / 0.35f);
  ASSERT_EQ(1.0f / (1.0f + std::exp(-atThreshold)), 0.65f);
  for (float raw : {-10.0f, atThreshold, -kInf, std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_FALSE(RawPalmOutputs().score(10, raw).decode()) << raw;
  }
  EXPECT_TRUE(RawPalmOutputs().score(10, std::log(0.66f / 0.34f)).decode());
}

// Anchors: two per cell of a 24 × 24 grid, then six per cell of a 12 × 12 grid, at the cell
// centres, row by row. Keypoints are the anchor plus their offsets, in letterbox pixels.
TEST(PalmDecoding, TheHighestScoringAnchorGivesTheKeypoints) {
  const struct { RawPalmOutputs outputs; Letterbox box; Point first; float score; } rows[] = {
      {RawPalmOutputs().score(5, 2.0f).score(700, 3.0f).score(1500, 1.0f).keypoints(700, 9, 0), {192, 0, 0}, {125, 116}, 3.0f},
      {RawPalmOutputs().score(1500, 2.0f).keypoints(1500, 1, 1), {192, 0, 0}, {169, 73}, 2.0f},
      {RawPalmOutputs().score(1200, 3.0f).score(300, 3.0f).keypoints(300, 1, 0), {192, 0, 0}, {53, 52}, 3.0f},  // tie
      {RawPalmOutputs().score(40, 200.0f).score(20, kInf).keypoints(20, 5, 0), {192, 0, 0}, {89, 4}, 80.0f},  // saturated tie
      {RawPalmOutputs().score(700, 3.0f), {640, 0, 80}, {386.667f, 306.667f}, 3.0f},  // 14.5 / 24 of 640, less the pad
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    const auto palm = row.outputs.decode(row.box);
    ASSERT_TRUE(palm);
    EXPECT_FLOAT_EQ(palm->score, 1.0f / (1.0f + std::exp(-row.score)));
    const float scale = row.box.side / 192.0f;
    for (std::size_t k = 0; k < 7; ++k) {
      const bool offsets = row.box.side == 192.0f;
      EXPECT_NEAR(palm->keypoints[k].x, row.first.x + (offsets ? scale * static_cast<float>(k) : 0.0f), 1e-3f) << k;
      EXPECT_NEAR(palm->keypoints[k].y, row.first.y + (offsets ? scale * 2.0f * static_cast<float>(k) : 0.0f), 1e-3f) << k;
    }
  }
}

}  // namespace
}  // namespace vel
