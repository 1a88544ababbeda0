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
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

Point rotated(Point p, float angle) {
  return {p.x * std::cos(angle) - p.y * std::sin(angle), p.x * std::sin(angle) + p.y * std::cos(angle)};
}

// An upright palm: keypoint 0 at the bottom, keypoint 2 straight above it; bounds 80..120 × 100..200.
PalmDetection uprightPalm() {
  return {{Point{100, 200}, {80, 150}, {100, 100}, {120, 150}, {110, 120}, {90, 130}, {100, 160}}, 0.9f};
}

// An upright hand: wrist at the bottom, middle finger base straight above; bounds 270..330 × 200..400.
std::array<Point, kLandmarkCount> uprightLandmarks() {
  std::array<Point, kLandmarkCount> landmarks{};
  for (std::size_t i = 0; i < landmarks.size(); ++i) {
    landmarks[i] = {270.0f + static_cast<float>(i % 7) * 10.0f, 400.0f - static_cast<float>(i) * 10.0f};
  }
  landmarks[0] = {300, 400};
  landmarks[9] = {300, 310};
  return landmarks;
}

// Rotations are compared as directions, and must lie in [-π, π).
void expectSameRegion(const HandRegion& got, const HandRegion& expected) {
  EXPECT_NEAR(got.centre.x, expected.centre.x, 1e-3f);
  EXPECT_NEAR(got.centre.y, expected.centre.y, 1e-3f);
  EXPECT_NEAR(got.size, expected.size, 1e-3f);
  EXPECT_NEAR(std::cos(got.rotation), std::cos(expected.rotation), 1e-5f);
  EXPECT_NEAR(std::sin(got.rotation), std::sin(expected.rotation), 1e-5f);
  EXPECT_TRUE(got.rotation >= -kPi && got.rotation < kPi) << got.rotation;
}

TEST(HandRegions, AnglesAreNormalisedIntoMinusPiToPi) {
  const std::pair<float, float> rows[] = {{0.0f, 0.0f}, {3.0f, 3.0f}, {kPi, -kPi}, {-kPi, -kPi},
                                          {1.5f * kPi, -0.5f * kPi}, {-1.5f * kPi, 0.5f * kPi}, {7.0f * kPi + 0.25f, -kPi + 0.25f}};
  for (const auto& [angle, normalised] : rows) EXPECT_NEAR(normalizeAngle(angle), normalised, 2e-5f) << angle;
}

TEST(HandRegions, UprightHandsShiftTowardsTheFingersAndTurnWithTheHand) {
  // Palm: centre (100, 150) moved up by 0.4 × 100, size 3 × 100. Landmarks: centre (300, 300)
  // moved up by 0.1 × 200, size 1.65 × 200.
  const HandRegion palmRegion{{100.0f, 110.0f}, 300.0f, 0.0f};
  const HandRegion handRegion{{300.0f, 280.0f}, 330.0f, 0.0f};
  expectSameRegion(regionFromPalm(uprightPalm()), palmRegion);
  expectSameRegion(regionFromLandmarks(uprightLandmarks()), handRegion);
  // A hand pointing right has rotation π/2; any turn about the origin carries centre and angle along.
  for (float angle : {kPi / 2.0f, -kPi / 2.0f, 0.3f, 2.5f, -3.0f}) {
    SCOPED_TRACE(angle);
    PalmDetection palm = uprightPalm();
    for (Point& p : palm.keypoints) p = rotated(p, angle);
    expectSameRegion(regionFromPalm(palm), {rotated(palmRegion.centre, angle), palmRegion.size, angle});
    auto landmarks = uprightLandmarks();
    for (Point& p : landmarks) p = rotated(p, angle);
    expectSameRegion(regionFromLandmarks(landmarks), {rotated(handRegion.centre, angle), handRegion.size, angle});
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
  HandObservation map(const HandRegion& region = {{300.0f, 200.0f}, 224.0f, 0.0f}) const {
    return observationFromOutputs({values.data(), presence}, region, 640, 480);
  }
};

TEST(HandLandmarkMapping, InputPixelsMapThroughTheRegion) {
  const auto observation = RawHandOutputs().landmark(0, 112, 200).landmark(8, 0, 0).landmark(20, 224, 112).map();
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
  RawHandOutputs outputs;
  outputs.presence = 0.8f;
  EXPECT_TRUE(outputs.map().present);
  for (float presence : {0.7999f, kNaN, kInf}) {
    outputs.presence = presence;
    const auto low = outputs.map();
    EXPECT_FALSE(low.present) << presence;
    EXPECT_FALSE(low.landmarksValid) << presence;
    EXPECT_EQ(low.landmarks[0].x, 0.0f) << presence;
  }
  outputs.presence = 0.7999f;
  EXPECT_FLOAT_EQ(outputs.map().presence, 0.7999f);
}

TEST(HandLandmarkMapping, NonFiniteLandmarkGivesAnEmptyObservation) {
  for (const auto& outputs : {RawHandOutputs().landmark(13, kInf, 10), RawHandOutputs().landmark(2, 5, kNaN)}) {
    const auto observation = outputs.map();
    EXPECT_FALSE(observation.present);
    EXPECT_FALSE(observation.landmarksValid);
    EXPECT_EQ(observation.presence, 0.0f);
    EXPECT_EQ(observation.landmarks[0].x, 0.0f);
  }
}

TEST(HandLandmarkMapping, WristOutsideTheFrameKeepsLandmarksButIsNotPresent) {
  // Input x = 0 lands 112 px left of the centre: centre 752 puts the wrist at x = 640 = W.
  const auto outside = RawHandOutputs().landmark(0, 0, 112).map({{752.0f, 200.0f}, 224.0f, 0.0f});
  EXPECT_TRUE(outside.landmarksValid);
  EXPECT_FALSE(outside.present);
  EXPECT_FLOAT_EQ(outside.landmarks[0].x, 640.0f);
  EXPECT_TRUE(RawHandOutputs().landmark(0, 0, 112).map({{751.5f, 200.0f}, 224.0f, 0.0f}).present);
  EXPECT_FALSE(RawHandOutputs().landmark(0, 112, 0).map({{300.0f, 111.0f}, 224.0f, 0.0f}).present);
  EXPECT_FALSE(RawHandOutputs().landmark(0, 112, 224).map({{300.0f, 368.0f}, 224.0f, 0.0f}).present);
}

}  // namespace
}  // namespace vel
