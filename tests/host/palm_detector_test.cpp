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

// Raw detector outputs: every score far below the threshold until a test raises some.
struct RawPalmOutputs {
  std::vector<float> scores = std::vector<float>(kAnchorCount, -10.0f);
  std::vector<float> regressors = std::vector<float>(kAnchorCount * 18, 0.0f);

  RawPalmOutputs& score(int anchor, float raw) {
    scores[static_cast<std::size_t>(anchor)] = raw;
    return *this;
  }
  RawPalmOutputs& keypoint(int anchor, int k, float dx, float dy) {
    regressors[static_cast<std::size_t>(anchor) * 18 + 4 + 2 * static_cast<std::size_t>(k)] = dx;
    regressors[static_cast<std::size_t>(anchor) * 18 + 5 + 2 * static_cast<std::size_t>(k)] = dy;
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
  const auto at = [&](int ix, int iy) { return input[(static_cast<std::size_t>(iy) * 192 + ix) * 3]; };
  for (int ix : {0, 95, 191}) {
    for (int iy : {0, 23, 24, 167, 168, 191}) EXPECT_FLOAT_EQ(at(ix, iy), iy >= 24 && iy < 168 ? 1.0f : 0.0f) << iy;
  }
}

TEST(PalmDecoding, OnlyScoresStrictlyAboveTheThresholdDetect) {
  const float inf = std::numeric_limits<float>::infinity();
  const float atThreshold = std::log(0.65f / 0.35f);
  ASSERT_EQ(1.0f / (1.0f + std::exp(-atThreshold)), 0.65f);
  for (float raw : {-10.0f, atThreshold, -inf, std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_FALSE(RawPalmOutputs().score(10, raw).decode()) << raw;
  }
  EXPECT_TRUE(RawPalmOutputs().score(10, std::log(0.66f / 0.34f)).decode());
}

TEST(PalmDecoding, HighestScoreWinsAndTiesKeepTheLowerIndex) {
  const auto anchorX = [](std::size_t anchor, float dx) { return (buildAnchors()[anchor].x + dx / 192.0f) * 192.0f; };
  const auto best = RawPalmOutputs().score(5, 2.0f).score(700, 3.0f).score(1500, 1.0f).keypoint(700, 0, 9, 0).decode();
  ASSERT_TRUE(best);
  EXPECT_FLOAT_EQ(best->score, 1.0f / (1.0f + std::exp(-3.0f)));
  EXPECT_FLOAT_EQ(best->keypoints[0].x, anchorX(700, 9.0f));
  const auto tie = RawPalmOutputs().score(1200, 3.0f).score(300, 3.0f).keypoint(300, 0, 1.0f, 0.0f).decode();
  ASSERT_TRUE(tie);
  EXPECT_FLOAT_EQ(tie->keypoints[0].x, anchorX(300, 1.0f));
  // +inf and 200 both saturate to a score of 80, so the lower index wins the tie.
  const float inf = std::numeric_limits<float>::infinity();
  const auto saturated = RawPalmOutputs().score(40, 200.0f).score(20, inf).keypoint(20, 0, 5, 0).decode();
  ASSERT_TRUE(saturated);
  EXPECT_FLOAT_EQ(saturated->keypoints[0].x, anchorX(20, 5.0f));
}

}  // namespace
}  // namespace vel
