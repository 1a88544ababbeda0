// Pose classification, the finger tests behind it, and the hand usability check, on synthetic
// hands turned, mirrored and scaled, with each threshold approached from both sides.
#include "control/poses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "tests/support/hand_builder.h"

namespace vel {
namespace {

using test::HandBuilder;

constexpr float kTurns[] = {0.0f, 35.0f, 90.0f, 180.0f, 250.0f, -60.0f};
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

TEST(PoseClassification, EveryPoseWhateverTheTurnSideOrSize) {
  for (int pose = kPoseNone; pose <= kPoseOpenHand; ++pose) {
    for (const float turn : kTurns) {
      for (const bool left : {false, true}) {
        for (const float palm : {30.0f, 90.0f, 300.0f}) {
          const HandLandmarks hand = HandBuilder::pose(pose).rotate(turn).mirror(left).palm(palm).build();
          EXPECT_EQ(classifyPose(hand), pose) << "turn " << turn << (left ? " left" : " right") << " palm " << palm;
        }
      }
    }
  }
}

// A fist whose thumb tip sits `distance` palms left of the middle finger's base, the thumb
// straight (extended) or bent at a right angle at its middle joint.
HandBuilder fistWithThumbAt(float distance, bool straight) {
  HandBuilder hand = HandBuilder::pose(kPoseClosedFist);
  const Point base = hand.local(1);
  const Point tip{-distance, -1.0f};  // landmark 9 is at (0, -1)
  const Point middle = straight ? Point{base.x + 0.4f * (tip.x - base.x), base.y + 0.4f * (tip.y - base.y)}
                                : Point{base.x, tip.y};
  return hand.set(2, middle).set(3, {(middle.x + tip.x) / 2.0f, (middle.y + tip.y) / 2.0f}).set(4, tip);
}

TEST(PoseClassification, TheThumbDecidesBetweenPointingAndPinchAndBetweenFistAndThumbUp) {
  for (const float turn : kTurns) {
    // Pointing needs the thumb tip at least 0.35 palms from the index tip.
    for (const auto& [gap, pose] : {std::pair{0.34f, kPoseNone}, {0.36f, kPoseOneFinger}}) {
      HandBuilder hand = HandBuilder::pointing().rotate(turn);
      const Point tip = hand.local(8);
      hand.set(4, {tip.x + gap * 0.6f, tip.y + gap * 0.8f});
      EXPECT_EQ(classifyPose(hand.build()), pose) << "gap " << gap << " turn " << turn;
    }
    // Out from 0.95 palms when straight, folded up to 0.85; in between, or bent far out: no pose.
    const struct { float distance; bool straight; int pose; } rows[] = {
        {0.97f, true, kPoseThumbUp}, {0.93f, true, kPoseNone}, {0.83f, false, kPoseClosedFist},
        {0.855f, false, kPoseNone}, {1.2f, false, kPoseNone}};
    for (const auto& row : rows) {
      const HandLandmarks hand = fistWithThumbAt(row.distance, row.straight).rotate(turn).mirror(turn < 0).build();
      EXPECT_EQ(classifyPose(hand), row.pose) << row.distance << (row.straight ? " straight" : " bent") << " " << turn;
    }
  }
}

TEST(FingerExtension, FartherThanTheMiddleJointAndStraightEnough) {
  // The index finger alone, wrist at the origin: the tip beyond 1.12 × 150 = 168 pixels from the
  // wrist and bent by less than about 49 degrees; segments whose lengths multiply to 1 or less
  // are no finger at all.
  const auto bentBy = [](float degrees) {
    const float a = degrees * 3.14159265f / 180.0f;
    return Point{40.0f * std::sin(a), -150.0f - 40.0f * std::cos(a)};
  };
  const Point base{0, -100}, middle{0, -150};
  const struct { Point base, middle, tip; bool extended; } rows[] = {
      {base, middle, {0, -167}, false}, {base, middle, {0, -169}, true}, {base, middle, bentBy(49), true},
      {base, middle, bentBy(52), false}, {base, middle, {kNan, -200}, false}, {base, middle, {0, -150.5f}, false},
      {{0, -0.5f}, {0, -1}, {0, -2.5f}, false}, {{0, -1}, {0, -2}, {0, -3.5f}, true}, {{0, -1}, {0, -2}, {0, -3}, false}};
  for (const auto& row : rows) {
    HandLandmarks hand{};
    hand[1] = {60, -40};  // the thumb's base, which plays no part
    hand[5] = row.base, hand[6] = row.middle, hand[8] = row.tip;
    EXPECT_EQ(fingerExtended(hand, Finger::Index), row.extended) << row.tip.x << "," << row.tip.y;
  }
}

// Each finger by its own joints: straight up from its base, or bent square at its middle joint.
TEST(FingerExtension, EachFingerByItsOwnJoints) {
  for (const Finger finger : {Finger::Index, Finger::Middle, Finger::Ring, Finger::Little}) {
    const std::size_t base = 5 + 4 * (static_cast<std::size_t>(finger) - 1);
    for (const bool straight : {true, false}) {
      HandLandmarks hand{};
      hand[0] = {0, 3};
      hand[base] = {0, 0}, hand[base + 1] = {0, -1};
      hand[base + 2] = straight ? Point{0, -2} : Point{1, -1}, hand[base + 3] = straight ? Point{0, -3} : Point{3, -1};
      EXPECT_EQ(fingerExtended(hand, finger), straight) << base;
      EXPECT_EQ(extendedFingers(hand), straight ? 1 << (static_cast<int>(finger) - 1) : 0) << base;
    }
  }
}

TEST(HandUsability, SizeAndPlaceInTheFrameWithTheirGuidance) {
  const auto open = [](float palm, Point at, float turn = 0) { return HandBuilder::open().palm(palm).rotate(turn).at(at).build(); };
  const auto tip = [](Point at, float turn) { return HandBuilder::pointing().rotate(turn).tipAt(at).build(); };
  HandLandmarks broken = open(90, {320, 240});
  broken[13].y = std::numeric_limits<float>::infinity();
  // 640 × 480: 0.035 × 480 = 16.8 is below the floor of 24 pixels; 1920 × 1080: 37.8 pixels.
  const struct { HandLandmarks hand; int width, height; HandCheck check; const wchar_t* text; } rows[] = {
      {open(23.5f, {320, 240}), 640, 480, HandCheck::TooFar, L"Move your hand closer"},
      {open(24.0f, {320, 240}), 640, 480, HandCheck::Usable, L""},
      {open(37.0f, {960, 540}), 1920, 1080, HandCheck::TooFar, L"Move your hand closer"},
      {open(38.5f, {960, 540}), 1920, 1080, HandCheck::Usable, L""},
      // An open hand is 2.06 palms long and 1.74 wide: 0.963 of the frame's height, then of its width.
      {open(224.5f, {320, 240}), 640, 480, HandCheck::TooClose, L"Move your hand farther away"},
      {open(300, {320, 500}, 90), 640, 1000, HandCheck::TooClose, L"Move your hand farther away"},
      {open(220, {320, 301}), 640, 480, HandCheck::Usable, L""},
      // The index tip just inside, then just outside the 0.5 % border at each edge.
      {tip({320, 0.006f * 480}, 0), 640, 480, HandCheck::Usable, L""},
      {tip({320, 0.004f * 480}, 0), 640, 480, HandCheck::CutOff, L"Keep your whole hand in view"},
      {tip({320, 0.994f * 480}, 180), 640, 480, HandCheck::Usable, L""},
      {tip({320, 0.996f * 480}, 180), 640, 480, HandCheck::CutOff, L"Keep your whole hand in view"},
      {tip({0.994f * 640, 240}, 90), 640, 480, HandCheck::Usable, L""},
      {tip({0.996f * 640, 240}, 90), 640, 480, HandCheck::CutOff, L"Keep your whole hand in view"},
      {tip({0.006f * 640, 240}, -90), 640, 480, HandCheck::Usable, L""},
      {tip({0.004f * 640, 240}, -90), 640, 480, HandCheck::CutOff, L"Keep your whole hand in view"},
      {broken, 640, 480, HandCheck::NoHand, L"Show one hand to the camera"},
      {open(90, {320, 240}), 640, 1, HandCheck::NoHand, L"Show one hand to the camera"},
      {open(90, {320, 1}), 640, 2, HandCheck::TooClose, L"Move your hand farther away"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    EXPECT_EQ(checkHand(row.hand, row.width, row.height), row.check);
    EXPECT_EQ(std::wstring(handCheckText(row.check)), row.text);
  }
}

TEST(HandUsability, AnObservationWithoutLandmarksOrAScoreIsNoHand) {
  // Landmarks without a present hand (the wrist left the frame) are still checked.
  HandObservation observation = HandBuilder::pointing().tipAt({320, 1}).observation(0.4f);
  observation.present = false;
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::CutOff);
  observation.landmarksValid = false;
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::NoHand);
  observation = HandBuilder::open().observation(kNan);
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::NoHand);
  observation.presence = 0.5f;
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::Usable);
}

}  // namespace
}  // namespace vel
