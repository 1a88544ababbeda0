// Pose classification, the finger tests behind it, and the hand usability check, on synthetic
// hands turned, mirrored and scaled, with each threshold approached from both sides.
#include <gtest/gtest.h>

#include <utility>
#include <cmath>
#include <limits>
#include <string>

#include "control/poses.h"
#include "tests/support/hand_builder.h"

namespace vel {
namespace {

using test::HandBuilder;
using test::Thumb;

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

TEST(PoseClassification, PointingNeedsTheThumbOffTheIndexTip) {
  // pinchRatio = |L4 - L8| / palm must be at least 0.35; the palm is 1 in the hand's own units.
  for (const float turn : kTurns) {
    for (const auto& [gap, pose] : {std::pair{0.34f, kPoseNone}, std::pair{0.36f, kPoseOneFinger}}) {
      HandBuilder hand = HandBuilder::pointing().rotate(turn);
      const Point tip = hand.local(8);
      hand.set(4, {tip.x + gap * 0.6f, tip.y + gap * 0.8f});
      EXPECT_EQ(classifyPose(hand.build()), pose) << "gap " << gap << " turn " << turn;
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

TEST(PoseClassification, ThumbUpAndClosedFistDependOnTheThumb) {
  // Out from 0.95 palms when straight, folded up to 0.85; in between, or bent far out: no pose.
  const struct { float distance; bool straight; int pose; } rows[] = {
      {0.97f, true, kPoseThumbUp}, {0.93f, true, kPoseNone}, {0.83f, false, kPoseClosedFist},
      {0.87f, false, kPoseNone},   {1.2f, false, kPoseNone}};
  for (const float turn : kTurns) {
    for (const auto& row : rows) {
      const HandLandmarks hand = fistWithThumbAt(row.distance, row.straight).rotate(turn).mirror(turn < 0).build();
      EXPECT_EQ(classifyPose(hand), row.pose) << row.distance << (row.straight ? " straight" : " bent") << " " << turn;
    }
  }
}

TEST(FingerExtension, FartherThanTheMiddleJointAndStraightEnough) {
  // The index finger alone, wrist at the origin.
  const auto finger = [](Point base, Point middle, Point tip) {
    HandLandmarks hand{};
    hand[5] = base;
    hand[6] = middle;
    hand[8] = tip;
    return fingerExtended(hand, Finger::Index);
  };
  const auto bentBy = [&](float degrees) {
    const float a = degrees * 3.14159265f / 180.0f;
    return finger({0, -100}, {0, -150}, {40.0f * std::sin(a), -150.0f - 40.0f * std::cos(a)});
  };
  // The tip beyond 1.12 × 150 = 168 pixels from the wrist.
  EXPECT_FALSE(finger({0, -100}, {0, -150}, {0, -167}));
  EXPECT_TRUE(finger({0, -100}, {0, -150}, {0, -169}));
  // Bent by more than about 49 degrees.
  EXPECT_TRUE(bentBy(47.0f));
  EXPECT_FALSE(bentBy(52.0f));
  EXPECT_FALSE(finger({0, -100}, {0, -150}, {kNan, -200}));
}

TEST(HandUsability, TooFarBelowTheLargerOfAFloorAndAShareOfTheFrame) {
  // 640 × 480: 0.035 × 480 = 16.8 is below the floor of 24 pixels; 1920 × 1080: 37.8 pixels.
  EXPECT_EQ(checkHand(HandBuilder::open().palm(23.5f).build(), 640, 480), HandCheck::TooFar);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(24.5f).build(), 640, 480), HandCheck::Usable);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(37.0f).at({960, 540}).build(), 1920, 1080), HandCheck::TooFar);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(38.5f).at({960, 540}).build(), 1920, 1080), HandCheck::Usable);
}

TEST(HandUsability, CutOffWhenAnyLandmarkReachesTheFrameEdge) {
  // The index tip inside, then outside the 0.5 % border at the top and at the right.
  const auto check = [](float turn, Point tip) {
    return checkHand(HandBuilder::pointing().rotate(turn).tipAt(tip).build(), 640, 480);
  };
  EXPECT_EQ(check(0, {320, 0.006f * 480}), HandCheck::Usable);
  EXPECT_EQ(check(0, {320, 0.004f * 480}), HandCheck::CutOff);
  EXPECT_EQ(check(90, {0.994f * 640, 240}), HandCheck::Usable);
  EXPECT_EQ(check(90, {0.996f * 640, 240}), HandCheck::CutOff);
}

TEST(HandUsability, BrokenInputIsNoHand) {
  HandObservation observation = HandBuilder::open().observation();
  EXPECT_EQ(checkObservation(observation, 640, 0), HandCheck::NoHand);
  HandLandmarks broken = observation.landmarks;
  broken[13].y = std::numeric_limits<float>::infinity();
  EXPECT_EQ(checkHand(broken, 640, 480), HandCheck::NoHand);
  observation.presence = kNan;
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::NoHand);

  // Landmarks without a present hand (the wrist left the frame) are still checked.
  observation = HandBuilder::pointing().tipAt({320, 1}).observation(0.4f);
  observation.present = false;
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::CutOff);
  observation.landmarksValid = false;
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::NoHand);
}

TEST(HandUsability, GuidanceTexts) {
  EXPECT_EQ(std::wstring(handCheckText(HandCheck::TooFar)), L"Move your hand closer");
  EXPECT_EQ(std::wstring(handCheckText(HandCheck::TooClose)), L"Move your hand farther away");
  EXPECT_EQ(std::wstring(handCheckText(HandCheck::CutOff)), L"Keep your whole hand in view");
  EXPECT_EQ(std::wstring(handCheckText(HandCheck::NoHand)), L"Show one hand to the camera");
}

}  // namespace
}  // namespace vel
