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

float logit(float p) { return std::log(p / (1.0f - p)); }

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

TEST(PalmDecoding, NothingAboveTheThresholdIsNoDetection) {
  EXPECT_FALSE(RawPalmOutputs().decode());
  // The threshold itself does not qualify: the score must be strictly greater than 0.65.
  const float atThreshold = logit(0.65f);
  ASSERT_EQ(1.0f / (1.0f + std::exp(-atThreshold)), 0.65f);
  EXPECT_FALSE(RawPalmOutputs().score(10, atThreshold).decode());
  EXPECT_TRUE(RawPalmOutputs().score(10, logit(0.66f)).decode());
}

TEST(PalmDecoding, HighestScoreWinsAndTiesKeepTheLowerIndex) {
  const auto detection =
      RawPalmOutputs().score(5, 2.0f).score(700, 3.0f).score(1500, 1.0f).keypoint(700, 0, 9.0f, 0.0f).decode();
  ASSERT_TRUE(detection);
  EXPECT_FLOAT_EQ(detection->score, 1.0f / (1.0f + std::exp(-3.0f)));
  EXPECT_NE(detection->keypoints[0].x, detection->keypoints[1].x);  // the offsets of anchor 700

  const auto tie = RawPalmOutputs().score(1200, 3.0f).score(300, 3.0f).keypoint(300, 0, 1.0f, 0.0f).decode();
  ASSERT_TRUE(tie);
  EXPECT_FLOAT_EQ(tie->keypoints[0].x, (buildAnchors()[300].x + 1.0f / 192.0f) * 192.0f);
}

TEST(PalmDecoding, ScoresBeyondEightyCountAsEighty) {
  const float inf = std::numeric_limits<float>::infinity();
  // +inf and 200 both saturate to the same score, so the lower index wins the tie.
  const auto detection = RawPalmOutputs().score(40, 200.0f).score(20, inf).keypoint(20, 0, 5.0f, 5.0f).decode();
  ASSERT_TRUE(detection);
  EXPECT_FLOAT_EQ(detection->keypoints[0].y, (buildAnchors()[20].y + 5.0f / 192.0f) * 192.0f);
  EXPECT_FALSE(RawPalmOutputs().score(3, -inf).decode());
  EXPECT_FALSE(RawPalmOutputs().score(3, std::numeric_limits<float>::quiet_NaN()).decode());
}

TEST(PalmDecoding, KeypointsAreAnchorPlusOffsetInFramePixels) {
  // Anchor 1152 is the first cell of the 12 × 12 grid: (1/24, 1/24). A 640 × 480 frame pads 80 rows.
  RawPalmOutputs outputs;
  outputs.score(1152, 5.0f);
  for (int k = 0; k < 7; ++k) outputs.keypoint(1152, k, 10.0f * static_cast<float>(k), -4.0f);
  const auto detection = outputs.decode({640.0f, 0.0f, 80.0f});
  ASSERT_TRUE(detection);
  for (int k = 0; k < 7; ++k) {
    const Point p = detection->keypoints[static_cast<std::size_t>(k)];
    EXPECT_NEAR(p.x, (1.0f / 24.0f + 10.0f * static_cast<float>(k) / 192.0f) * 640.0f, 1e-3f);
    EXPECT_NEAR(p.y, (1.0f / 24.0f - 4.0f / 192.0f) * 640.0f - 80.0f, 1e-3f);
  }
}

}  // namespace
}  // namespace vel
