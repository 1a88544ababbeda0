// Hand regions from palms and landmarks, and landmark outputs mapped back into the frame.
#include "tracking/hand_landmarks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace vel {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

Point rotated(Point p, float angle) {
  return {p.x * std::cos(angle) - p.y * std::sin(angle), p.x * std::sin(angle) + p.y * std::cos(angle)};
}

// An upright palm: keypoint 0 at the bottom, keypoint 2 straight above it; bounds 40 × 100.
PalmDetection uprightPalm() {
  PalmDetection palm;
  palm.keypoints = {Point{100, 200}, Point{80, 150}, Point{100, 100}, Point{120, 150},
                    Point{110, 120}, Point{90, 130}, Point{100, 160}};
  palm.score = 0.9f;
  return palm;
}

// An upright hand: wrist at the bottom, middle finger base straight above; bounds 60 × 200.
std::array<Point, kLandmarkCount> uprightLandmarks() {
  std::array<Point, kLandmarkCount> landmarks{};
  for (std::size_t i = 0; i < landmarks.size(); ++i) {
    landmarks[i] = {300.0f + static_cast<float>(i % 7) * 10.0f - 30.0f, 400.0f - static_cast<float>(i) * 10.0f};
  }
  landmarks[0] = {300, 400};
  landmarks[9] = {300, 310};
  return landmarks;
}

void expectSameRegion(const HandRegion& got, const HandRegion& expected) {
  EXPECT_NEAR(got.centre.x, expected.centre.x, 1e-3f);
  EXPECT_NEAR(got.centre.y, expected.centre.y, 1e-3f);
  EXPECT_NEAR(got.size, expected.size, 1e-3f);
  EXPECT_NEAR(normalizeAngle(got.rotation - expected.rotation), 0.0f, 1e-5f);
}

TEST(HandAngles, NormalisedIntoMinusPiToPi) {
  EXPECT_FLOAT_EQ(normalizeAngle(0.5f), 0.5f);
  EXPECT_NEAR(normalizeAngle(0.5f + 2.0f * kPi), 0.5f, 1e-5f);
  EXPECT_NEAR(normalizeAngle(-0.5f - 4.0f * kPi), -0.5f, 1e-5f);
  EXPECT_NEAR(normalizeAngle(1.5f * kPi), -0.5f * kPi, 1e-5f);
}

TEST(HandRegions, UprightPalmGivesRotationZeroAndMovesTowardsTheFingers) {
  // Bounds 80..120 × 100..200: centre (100, 150) moved up by 0.4 × 100; size 3 × 100.
  expectSameRegion(regionFromPalm(uprightPalm()), {{100.0f, 110.0f}, 300.0f, 0.0f});
}

TEST(HandRegions, UprightLandmarksGiveRotationZeroAndATighterSquare) {
  // Bounds 270..330 × 200..400: centre (300, 300) moved up by 0.1 × 200; size 1.65 × 200.
  expectSameRegion(regionFromLandmarks(uprightLandmarks()), {{300.0f, 280.0f}, 330.0f, 0.0f});
}

TEST(HandRegions, TurningTheHandTurnsTheRegionWithIt) {
  // A hand pointing right has rotation π/2; any turn about the origin carries centre and angle along.
  for (float angle : {kPi / 2.0f, -kPi / 2.0f, 0.3f, 2.5f, -3.0f}) {
    PalmDetection palm = uprightPalm();
    for (Point& p : palm.keypoints) p = rotated(p, angle);
    const HandRegion upright = regionFromPalm(uprightPalm());
    expectSameRegion(regionFromPalm(palm), {rotated(upright.centre, angle), upright.size, angle});

    auto landmarks = uprightLandmarks();
    for (Point& p : landmarks) p = rotated(p, angle);
    const HandRegion uprightHand = regionFromLandmarks(uprightLandmarks());
    expectSameRegion(regionFromLandmarks(landmarks), {rotated(uprightHand.centre, angle), uprightHand.size, angle});
  }
}

// Landmark model outputs in input pixels (0..224), built up per test.
struct RawHandOutputs {
  std::vector<float> values = std::vector<float>(kLandmarkCount * 3, 112.0f);
  float presence = 0.95f;

  RawHandOutputs& landmark(int i, float x, float y) {
    values[static_cast<std::size_t>(i) * 3] = x;
    values[static_cast<std::size_t>(i) * 3 + 1] = y;
    return *this;
  }
  RawHandOutputs& withPresence(float p) {
    presence = p;
    return *this;
  }
  HandObservation map(const HandRegion& region, int width = 640, int height = 480) const {
    return observationFromOutputs({values.data(), presence}, region, width, height);
  }
};

const HandRegion kUpright{{300.0f, 200.0f}, 224.0f, 0.0f};

TEST(HandLandmarkMapping, InputPixelsMapThroughTheRegion) {
  const auto observation =
      RawHandOutputs().landmark(0, 112, 200).landmark(8, 0, 0).landmark(20, 224, 112).map(kUpright);
  ASSERT_TRUE(observation.present);
  EXPECT_TRUE(observation.landmarksValid);
  EXPECT_FLOAT_EQ(observation.presence, 0.95f);
  EXPECT_FLOAT_EQ(observation.landmarks[0].x, 300.0f);
  EXPECT_FLOAT_EQ(observation.landmarks[0].y, 288.0f);
  EXPECT_FLOAT_EQ(observation.landmarks[8].x, 188.0f);
  EXPECT_FLOAT_EQ(observation.landmarks[8].y, 88.0f);
  EXPECT_FLOAT_EQ(observation.landmarks[5].x, 300.0f);

  // Turned a quarter to the right, the crop's right edge lies below the centre; scaled by size.
  const auto turned = RawHandOutputs().landmark(20, 224, 112).map({{300.0f, 200.0f}, 448.0f, kPi / 2.0f});
  EXPECT_NEAR(turned.landmarks[20].x, 300.0f, 1e-3f);
  EXPECT_NEAR(turned.landmarks[20].y, 424.0f, 1e-3f);
}

TEST(HandLandmarkMapping, PresenceBelowPointEightKeepsOnlyTheScore) {
  EXPECT_TRUE(RawHandOutputs().withPresence(0.8f).map(kUpright).present);
  const auto low = RawHandOutputs().withPresence(0.7999f).map(kUpright);
  EXPECT_FALSE(low.present);
  EXPECT_FALSE(low.landmarksValid);
  EXPECT_FLOAT_EQ(low.presence, 0.7999f);
  EXPECT_EQ(low.landmarks[0].x, 0.0f);
  const auto nan = RawHandOutputs().withPresence(std::numeric_limits<float>::quiet_NaN()).map(kUpright);
  EXPECT_FALSE(nan.landmarksValid);
  EXPECT_FALSE(RawHandOutputs().withPresence(std::numeric_limits<float>::infinity()).map(kUpright).landmarksValid);
}

TEST(HandLandmarkMapping, NonFiniteLandmarkGivesAnEmptyObservation) {
  const auto observation = RawHandOutputs().landmark(13, std::numeric_limits<float>::infinity(), 10).map(kUpright);
  EXPECT_FALSE(observation.present);
  EXPECT_FALSE(observation.landmarksValid);
  EXPECT_EQ(observation.presence, 0.0f);
  EXPECT_EQ(observation.landmarks[0].x, 0.0f);
  EXPECT_FALSE(RawHandOutputs().landmark(2, 5, std::numeric_limits<float>::quiet_NaN()).map(kUpright).landmarksValid);
}

TEST(HandLandmarkMapping, WristOutsideTheFrameKeepsLandmarksButIsNotPresent) {
  // Input x = 0 lands 112 px left of the centre: centre 752 puts the wrist at x = 640 = W.
  const auto outside = RawHandOutputs().landmark(0, 0, 112).map({{752.0f, 200.0f}, 224.0f, 0.0f}, 640, 480);
  EXPECT_TRUE(outside.landmarksValid);
  EXPECT_FALSE(outside.present);
  EXPECT_FLOAT_EQ(outside.landmarks[0].x, 640.0f);
  EXPECT_TRUE(RawHandOutputs().landmark(0, 0, 112).map({{751.5f, 200.0f}, 224.0f, 0.0f}, 640, 480).present);
  EXPECT_FALSE(RawHandOutputs().landmark(0, 112, 0).map({{300.0f, 111.0f}, 224.0f, 0.0f}, 640, 480).present);
  EXPECT_FALSE(RawHandOutputs().landmark(0, 112, 224).map({{300.0f, 368.0f}, 224.0f, 0.0f}, 640, 480).present);
}

}  // namespace
}  // namespace vel
