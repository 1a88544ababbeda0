// Palm detection on hand-made detector outputs, hand regions from palms and landmarks, and landmark
// outputs mapped back into the frame.
#include "tracking/hand_landmarks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tracking/palm_detector.h"

namespace vel {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kInf = std::numeric_limits<float>::infinity();

Point rotated(Point p, float angle) {
  return {p.x * std::cos(angle) - p.y * std::sin(angle), p.x * std::sin(angle) + p.y * std::cos(angle)};
}

// Upright, a palm's region is its keypoints' bounds (80..120 × 100..200) moved up by 0.4 × 100 and
// 3 × 100 wide; a hand's (270..330 × 200..400) moved up by 0.1 × 200 and 1.65 × 200 wide. Any turn
// about the origin carries centre and angle, which lies in [-π, π), along.
TEST(HandRegions, ShiftTowardsTheFingersAndTurnWithTheHand) {
  const PalmDetection upright{{Point{100, 200}, {80, 150}, {100, 100}, {120, 150}, {110, 120}, {90, 130}, {100, 160}}};
  std::array<Point, kLandmarkCount> hand{};
  for (std::size_t i = 0; i < hand.size(); ++i) hand[i] = {270 + static_cast<float>(i % 7) * 10, 400 - static_cast<float>(i) * 10};
  hand[0] = {300, 400};  // the wrist below the middle finger's base
  hand[9] = {300, 310};
  for (float angle : {0.0f, kPi / 2.0f, -kPi / 2.0f, 0.3f, 2.5f, -3.0f, kPi}) {
    PalmDetection palm = upright;
    for (Point& p : palm.keypoints) p = rotated(p, angle);
    auto landmarks = hand;
    for (Point& p : landmarks) p = rotated(p, angle);
    for (const auto& [got, centre, size] : {std::tuple{regionFromPalm(palm), Point{100, 110}, 300.0f},
                                            std::tuple{regionFromLandmarks(landmarks), Point{300, 280}, 330.0f}}) {
      const Point expected = rotated(centre, angle);
      EXPECT_NEAR(std::hypot(got.centre.x - expected.x, got.centre.y - expected.y), 0.0f, 1e-3f) << angle;
      EXPECT_NEAR(got.size, size, 1e-3f) << angle;
      EXPECT_NEAR(std::abs(std::remainder(got.rotation - angle, 2 * kPi)), 0.0f, 1e-5f) << angle;
      EXPECT_TRUE(got.rotation >= -kPi && got.rotation < kPi) << got.rotation;
    }
  }
}

// Outputs are input pixels (0..224, 112 everywhere unless set); landmark `index` is checked.
TEST(HandLandmarkMapping, PixelsPresenceAndTheWrist) {
  const HandRegion centred{{300, 200}, 224, 0};
  const struct { std::vector<std::array<float, 3>> set; float presence; HandRegion region; bool valid, present; int index;
                 Point at; } rows[] = {
      {{{0, 112, 200}}, 0.95f, centred, true, true, 0, {300, 288}},
      {{{8, 0, 0}}, 0.8f, centred, true, true, 8, {188, 88}},
      {{{20, 224, 112}}, 0.95f, {{300, 200}, 448, kPi / 2}, true, true, 20, {300, 424}},  // the right edge turns down
      {{}, 0.7999f, centred, false, false, 0, {0, 0}},
      {{}, kInf, centred, false, false, 0, {0, 0}},
      {{{13, kInf, 10}}, 0.95f, centred, false, false, 0, {0, 0}},
      {{{2, 5, std::nanf("")}}, 0.95f, centred, false, false, 0, {0, 0}},
      {{{0, 0, 112}}, 0.95f, {{752, 200}, 224, 0}, true, false, 0, {640, 200}},  // the wrist leaves at x = W
      {{{0, 0, 112}}, 0.95f, {{751.5f, 200}, 224, 0}, true, true, 0, {639.5f, 200}},
      {{{0, 0, 112}}, 0.95f, {{112, 200}, 224, 0}, true, true, 0, {0, 200}},
      {{{0, 112, 0}}, 0.95f, {{300, 111}, 224, 0}, true, false, 0, {300, -1}},
      {{{0, 112, 224}}, 0.95f, {{300, 368}, 224, 0}, true, false, 0, {300, 480}},
      {{{0, 112, 224}}, 0.95f, {{300, 367}, 224, 0}, true, true, 0, {300, 479}}};
  for (const auto& row : rows) {
    std::vector<float> values(kLandmarkCount * 3, 112.0f);
    for (const auto& p : row.set) std::copy_n(p.begin() + 1, 2, values.begin() + static_cast<int>(p[0]) * 3);
    const HandObservation got = observationFromOutputs({values.data(), row.presence}, row.region, 640, 480);
    SCOPED_TRACE(&row - rows);
    EXPECT_EQ((std::pair{got.landmarksValid, got.present}), (std::pair{row.valid, row.present}));
    EXPECT_EQ(got.presence, row.valid || row.set.empty() ? row.presence : 0.0f);
    EXPECT_NEAR(std::hypot(got.landmarks[row.index].x - row.at.x, got.landmarks[row.index].y - row.at.y), 0.0f, 1e-3f);
  }
}

TEST(PalmLetterbox, FramesAreCentredInABlackSquare) {
  Frame white = *makeFrame(480, 640, 0, 0);
  std::fill(white.pixels.begin(), white.pixels.end(), 255);
  const Letterbox box = letterboxFor(white);
  EXPECT_EQ((std::array{box.side, box.padX, box.padY}), (std::array{640.0f, 80.0f, 0.0f}));
  std::vector<float> input(192 * 192 * 3, -1.0f);
  resample(white, letterboxGrid(box), 192, input.data());
  for (int ix = 0; ix < 192; ++ix) {  // 80 of 640 columns are 24 of 192, left and right
    EXPECT_FLOAT_EQ(input[(191 * 192 + ix) * 3], ix >= 24 && ix < 168 ? 1.0f : 0.0f) << ix;
  }
}

// Anchors: two per cell of a 24 × 24 grid, then six per cell of a 12 × 12 grid, at the cell
// centres, row by row. Keypoint k is the anchor plus its offsets, here (k, 2k) + (dx, dy) input
// pixels, in letterbox pixels; scores count strictly above 0.65 after the logistic function.
TEST(PalmDecoding, TheHighestScoringAnchorAboveTheThresholdGivesTheKeypoints) {
  const float atThreshold = std::log(0.65f / 0.35f), justAbove = std::log(0.66f / 0.34f);
  ASSERT_EQ(1.0f / (1.0f + std::exp(-atThreshold)), 0.65f);
  const struct { std::vector<std::pair<int, float>> scores; int anchor; float dx, dy; Letterbox box; std::optional<Point> first;
                 float score; } rows[] = {
      {{{5, 2}, {700, 3}, {1500, 1}}, 700, 9, 0, {192, 0, 0}, Point{125, 116}, 3},
      {{{1500, 2}}, 1500, 1, 1, {192, 0, 0}, Point{169, 73}, 2},
      {{{0, 3}}, 0, 0, 0, {192, 0, 0}, Point{4, 4}, 3},
      {{{1200, 3}, {300, 3}}, 300, 1, 0, {192, 0, 0}, Point{53, 52}, 3},  // the first of a tie
      {{{40, 200}, {20, kInf}}, 20, 5, 0, {192, 0, 0}, Point{89, 4}, 80},  // saturated
      {{{700, 3}}, 700, 0, 0, {640, 0, 80}, Point{386.667f, 306.667f}, 3},  // 14.5 / 24 of 640, less the pad
      {{{10, atThreshold}, {11, -kInf}, {12, std::nanf("")}}, 0, 0, 0, {192, 0, 0}, std::nullopt, 0},
      {{{10, justAbove}}, 10, 0, 0, {192, 0, 0}, Point{44, 4}, justAbove}};
  static const auto anchors = buildAnchors();
  for (const auto& row : rows) {
    std::vector<float> scores(kAnchorCount, -10.0f), regressors(kAnchorCount * 18, 0.0f);
    for (const auto& [anchor, raw] : row.scores) scores[static_cast<std::size_t>(anchor)] = raw;
    for (int k = 0; k < 7; ++k) {
      std::tie(regressors[row.anchor * 18 + 4 + 2 * k], regressors[row.anchor * 18 + 5 + 2 * k]) =
          std::pair(row.dx + static_cast<float>(k), row.dy + 2.0f * static_cast<float>(k));
    }
    const auto palm = decodePalm(scores.data(), regressors.data(), anchors, row.box);
    ASSERT_EQ(palm.has_value(), row.first.has_value()) << &row - rows;
    if (!palm) continue;
    EXPECT_FLOAT_EQ(palm->score, 1.0f / (1.0f + std::exp(-row.score))) << &row - rows;
    for (int k = 0; k < 7; ++k) {
      const float scale = row.box.side / 192.0f * static_cast<float>(k);
      EXPECT_NEAR(palm->keypoints[k].x, row.first->x + scale, 1e-3f) << &row - rows;
      EXPECT_NEAR(palm->keypoints[k].y, row.first->y + 2 * scale, 1e-3f) << &row - rows;
    }
  }
}

}  // namespace
}  // namespace vel
