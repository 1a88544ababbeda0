// Pose classification, the finger tests behind it, and the hand usability check, on synthetic
// hands turned, mirrored and scaled, with each threshold approached from both sides.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(PoseClassification, FingerMaskOfEveryCombination) {
  for (int mask = 0; mask < 16; ++mask) {
    for (const float turn : kTurns) {
      const HandLandmarks hand = HandBuilder(mask, Thumb::Folded).rotate(turn).mirror(mask % 3 == 0).build();
      EXPECT_EQ(extendedFingers(hand), mask) << "turn " << turn;
    }
  }
}

TEST(PoseClassification, ThreeFingersWhateverTheThumb) {
  for (const Thumb thumb : {Thumb::Folded, Thumb::Out, Thumb::Pinch}) {
    EXPECT_EQ(classifyPose(HandBuilder(kIndexBit | kMiddleBit | kRingBit, thumb).build()), kPoseThreeFingers);
  }
}

TEST(PoseClassification, OpenHandWhateverTheThumb) {
  for (const Thumb thumb : {Thumb::Folded, Thumb::Out, Thumb::Pinch}) {
    EXPECT_EQ(classifyPose(HandBuilder(15, thumb).build()), kPoseOpenHand);
  }
}

TEST(PoseClassification, MasksWithoutAPoseAreNone) {
  for (const int mask : {kMiddleBit, kRingBit | kLittleBit, kIndexBit | kRingBit, 14}) {
    EXPECT_EQ(classifyPose(HandBuilder(mask, Thumb::Out).build()), kPoseNone) << "mask " << mask;
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
// straight (extended) or bent at its middle joint.
HandBuilder fistWithThumbAt(float distance, bool straight) {
  HandBuilder hand = HandBuilder::fist();
  const Point base = hand.local(1);
  const Point tip{-distance, -1.0f};  // landmark 9 is at (0, -1)
  // Bent: a right angle at the middle joint.
  const Point middle = straight ? Point{base.x + 0.4f * (tip.x - base.x), base.y + 0.4f * (tip.y - base.y)}
                                : Point{base.x, tip.y};
  return hand.set(2, middle).set(3, {(middle.x + tip.x) / 2.0f, (middle.y + tip.y) / 2.0f}).set(4, tip);
}

TEST(PoseClassification, ThumbUpNeedsAStraightThumbWellAwayFromThePalm) {
  for (const float turn : kTurns) {
    EXPECT_EQ(classifyPose(fistWithThumbAt(0.97f, true).rotate(turn).build()), kPoseThumbUp) << turn;
    // Not out (0.95 palms), not folded either (0.85 palms): no pose.
    EXPECT_EQ(classifyPose(fistWithThumbAt(0.93f, true).rotate(turn).build()), kPoseNone) << turn;
  }
}

TEST(PoseClassification, ClosedFistNeedsTheThumbOverThePalm) {
  for (const float turn : kTurns) {
    EXPECT_EQ(classifyPose(fistWithThumbAt(0.83f, false).rotate(turn).mirror().build()), kPoseClosedFist) << turn;
    EXPECT_EQ(classifyPose(fistWithThumbAt(0.87f, false).rotate(turn).mirror().build()), kPoseNone) << turn;
    // A bent thumb far out is not "out": still no pose.
    EXPECT_EQ(classifyPose(fistWithThumbAt(1.2f, false).rotate(turn).build()), kPoseNone) << turn;
  }
}

TEST(PoseClassification, PalmIsTheLongerOfItsTwoMeasures) {
  HandBuilder hand = HandBuilder::open().palm(100.0f).rotate(30.0f);
  EXPECT_NEAR(palmSize(hand.build()), 100.0f, 1e-3f);
  hand.set(17, {0.9f, -0.9f});  // index base to little base: 1.2 palms
  EXPECT_NEAR(palmSize(hand.build()), std::hypot(1.22f, 0.05f) * 100.0f, 1e-2f);
}

// The index finger alone: wrist at the origin, base, middle joint and tip as given.
HandLandmarks indexFinger(Point base, Point middle, Point tip) {
  HandLandmarks hand{};
  hand[5] = base;
  hand[6] = middle;
  hand[8] = tip;
  return hand;
}

TEST(FingerExtension, TipMustBeClearlyFartherFromTheWristThanTheMiddleJoint) {
  // 1.12 × 150 = 168 pixels.
  EXPECT_FALSE(fingerExtended(indexFinger({0, -100}, {0, -150}, {0, -167}), Finger::Index));
  EXPECT_TRUE(fingerExtended(indexFinger({0, -100}, {0, -150}, {0, -169}), Finger::Index));
}

TEST(FingerExtension, BentMoreThanAbout49DegreesIsFolded) {
  const auto bentBy = [](float degrees) {
    const float a = degrees * 3.14159265f / 180.0f;
    return indexFinger({0, -100}, {0, -150}, {40.0f * std::sin(a), -150.0f - 40.0f * std::cos(a)});
  };
  EXPECT_TRUE(fingerExtended(bentBy(47.0f), Finger::Index));
  EXPECT_FALSE(fingerExtended(bentBy(52.0f), Finger::Index));
  EXPECT_FALSE(fingerExtended(bentBy(180.0f), Finger::Index));
}

TEST(FingerExtension, TinyOrDegenerateFingersAreNotExtended) {
  // The product of the two segment lengths must exceed 1.
  EXPECT_FALSE(fingerExtended(indexFinger({0, -2}, {0, -3}, {0, -3.9f}), Finger::Index));
  EXPECT_TRUE(fingerExtended(indexFinger({0, -2}, {0, -3}, {0, -4.2f}), Finger::Index));
  EXPECT_FALSE(fingerExtended(HandLandmarks{}, Finger::Index));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(fingerExtended(indexFinger({0, -100}, {0, -150}, {nan, -200}), Finger::Index));
}

TEST(HandUsability, AWellPlacedHandIsUsableInEveryPose) {
  for (int pose = kPoseNone; pose <= kPoseOpenHand; ++pose) {
    EXPECT_EQ(checkHand(HandBuilder::pose(pose).build(), 640, 480), HandCheck::Usable) << "pose " << pose;
  }
}

TEST(HandUsability, TooFarBelowTheLargerOfAFloorAndAShareOfTheFrame) {
  // 640 × 480: 0.035 × 480 = 16.8 is below the floor of 24 pixels.
  EXPECT_EQ(checkHand(HandBuilder::open().palm(23.5f).build(), 640, 480), HandCheck::TooFar);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(24.5f).build(), 640, 480), HandCheck::Usable);
  // 1920 × 1080: 0.035 × 1080 = 37.8 pixels.
  const Point centre{960, 540};
  EXPECT_EQ(checkHand(HandBuilder::open().palm(37.0f).at(centre).build(), 1920, 1080), HandCheck::TooFar);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(38.5f).at(centre).build(), 1920, 1080), HandCheck::Usable);
}

TEST(HandUsability, TooCloseWhenTheHandSpansAlmostTheWholeFrame) {
  // The hand's bounds with its palm centre at the origin.
  const HandLandmarks origin = HandBuilder::open().at({0, 0}).build();
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (const Point p : origin) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  const auto check = [&](int width, int height) {
    const Point centre{static_cast<float>(width) / 2.0f - (minX + maxX) / 2.0f,
                       static_cast<float>(height) / 2.0f - (minY + maxY) / 2.0f};
    return checkHand(HandBuilder::open().at(centre).build(), width, height);
  };
  const auto span = [](float extent, float share) { return static_cast<int>(extent / share); };
  const int roomyWidth = span(maxX - minX, 0.5f);
  const int roomyHeight = span(maxY - minY, 0.5f);
  EXPECT_EQ(check(span(maxX - minX, 0.95f), roomyHeight), HandCheck::Usable);
  EXPECT_EQ(check(span(maxX - minX, 0.97f), roomyHeight), HandCheck::TooClose);
  EXPECT_EQ(check(roomyWidth, span(maxY - minY, 0.95f)), HandCheck::Usable);
  EXPECT_EQ(check(roomyWidth, span(maxY - minY, 0.97f)), HandCheck::TooClose);
}

TEST(HandUsability, CutOffWhenAnyLandmarkReachesTheFrameEdge) {
  // The index tip leads: up, right, down, left.
  const struct {
    float turn;
    Point inside;
    Point outside;
  } edges[] = {{0, {320, 0.006f * 480}, {320, 0.004f * 480}},
               {90, {0.994f * 640, 240}, {0.996f * 640, 240}},
               {180, {320, 0.994f * 480}, {320, 0.996f * 480}},
               {270, {0.006f * 640, 240}, {0.004f * 640, 240}}};
  for (const auto& edge : edges) {
    EXPECT_EQ(checkHand(HandBuilder::pointing().rotate(edge.turn).tipAt(edge.inside).build(), 640, 480),
              HandCheck::Usable)
        << edge.turn;
    EXPECT_EQ(checkHand(HandBuilder::pointing().rotate(edge.turn).tipAt(edge.outside).build(), 640, 480),
              HandCheck::CutOff)
        << edge.turn;
  }
}

TEST(HandUsability, BrokenInputIsNoHand) {
  const HandLandmarks hand = HandBuilder::open().build();
  EXPECT_EQ(checkHand(hand, 1, 480), HandCheck::NoHand);
  EXPECT_EQ(checkHand(hand, 640, 0), HandCheck::NoHand);
  for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    HandLandmarks broken = hand;
    broken[13].y = bad;
    EXPECT_EQ(checkHand(broken, 640, 480), HandCheck::NoHand);
  }
}

TEST(HandUsability, ObservationsWithoutLandmarksOrAScoreAreNoHand) {
  HandObservation observation = HandBuilder::open().observation();
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::Usable);
  observation.presence = std::numeric_limits<float>::quiet_NaN();
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
  EXPECT_EQ(std::wstring(handCheckText(HandCheck::Usable)), L"");
}

}  // namespace
}  // namespace vel
