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
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

TEST(PoseClassification, EveryPoseWhateverTheTurnSideOrSize) {
  for (int pose = kPoseNone; pose <= kPoseOpenHand; ++pose) {
    EXPECT_EQ(checkHand(HandBuilder::pose(pose).build(), 640, 480), HandCheck::Usable) << "pose " << pose;
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

TEST(PoseClassification, ThumbMattersOnlyWhereThePoseSaysSo) {
  for (const Thumb thumb : {Thumb::Folded, Thumb::Out, Thumb::Pinch}) {
    EXPECT_EQ(classifyPose(HandBuilder(kIndexBit | kMiddleBit | kRingBit, thumb).build()), kPoseThreeFingers);
    EXPECT_EQ(classifyPose(HandBuilder(15, thumb).build()), kPoseOpenHand);
  }
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
  const struct {
    float distance;
    bool straight;
    int pose;
  } rows[] = {{0.97f, true, kPoseThumbUp}, {0.93f, true, kPoseNone}, {0.83f, false, kPoseClosedFist},
              {0.87f, false, kPoseNone},   {1.2f, false, kPoseNone}};
  for (const float turn : kTurns) {
    for (const auto& row : rows) {
      EXPECT_EQ(classifyPose(fistWithThumbAt(row.distance, row.straight).rotate(turn).mirror(turn < 0).build()),
                row.pose)
          << row.distance << (row.straight ? " straight" : " bent") << ", turn " << turn;
    }
  }
}

TEST(PoseClassification, PalmIsTheLongerOfItsTwoMeasures) {
  HandBuilder hand = HandBuilder::open().palm(100.0f).rotate(30.0f);
  EXPECT_NEAR(palmSize(hand.build()), 100.0f, 1e-3f);
  hand.set(17, {0.9f, -0.9f});  // index base to little base: 1.2 palms
  EXPECT_NEAR(palmSize(hand.build()), std::hypot(1.22f, 0.05f) * 100.0f, 1e-2f);
}

TEST(FingerExtension, FartherThanTheMiddleJointStraightEnoughAndNotTiny) {
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
  EXPECT_FALSE(bentBy(180.0f));
  // The product of the two segment lengths must exceed 1.
  EXPECT_FALSE(finger({0, -2}, {0, -3}, {0, -3.9f}));
  EXPECT_TRUE(finger({0, -2}, {0, -3}, {0, -4.2f}));
  EXPECT_FALSE(finger({}, {}, {}));
  EXPECT_FALSE(finger({0, -100}, {0, -150}, {kNan, -200}));
}

TEST(HandUsability, TooFarBelowTheLargerOfAFloorAndAShareOfTheFrame) {
  // 640 × 480: 0.035 × 480 = 16.8 is below the floor of 24 pixels; 1920 × 1080: 37.8 pixels.
  EXPECT_EQ(checkHand(HandBuilder::open().palm(23.5f).build(), 640, 480), HandCheck::TooFar);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(24.5f).build(), 640, 480), HandCheck::Usable);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(37.0f).at({960, 540}).build(), 1920, 1080), HandCheck::TooFar);
  EXPECT_EQ(checkHand(HandBuilder::open().palm(38.5f).at({960, 540}).build(), 1920, 1080), HandCheck::Usable);
}

TEST(HandUsability, TooCloseWhenTheHandSpansAlmostTheWholeFrame) {
  // The open hand's bounds about its palm centre, in a frame `share` of which it spans.
  const HandLandmarks origin = HandBuilder::open().at({0, 0}).build();
  const auto [minX, maxX] = std::minmax({origin[4].x, origin[20].x});  // thumb and little tips
  const auto [minY, maxY] = std::minmax({origin[0].y, origin[12].y});  // wrist and middle tip
  const auto check = [&](float shareX, float shareY) {
    const int width = static_cast<int>((maxX - minX) / shareX);
    const int height = static_cast<int>((maxY - minY) / shareY);
    const Point centre{static_cast<float>(width) / 2.0f - (minX + maxX) / 2.0f,
                       static_cast<float>(height) / 2.0f - (minY + maxY) / 2.0f};
    return checkHand(HandBuilder::open().at(centre).build(), width, height);
  };
  EXPECT_EQ(check(0.95f, 0.5f), HandCheck::Usable);
  EXPECT_EQ(check(0.97f, 0.5f), HandCheck::TooClose);
  EXPECT_EQ(check(0.5f, 0.95f), HandCheck::Usable);
  EXPECT_EQ(check(0.5f, 0.97f), HandCheck::TooClose);
}

TEST(HandUsability, CutOffWhenAnyLandmarkReachesTheFrameEdge) {
  // The index tip leads: up, right, down, left; inside, then outside the 0.5 % border.
  const struct {
    float turn;
    Point inside;
    Point outside;
  } edges[] = {{0, {320, 0.006f * 480}, {320, 0.004f * 480}},
               {90, {0.994f * 640, 240}, {0.996f * 640, 240}},
               {180, {320, 0.994f * 480}, {320, 0.996f * 480}},
               {270, {0.006f * 640, 240}, {0.004f * 640, 240}}};
  for (const auto& edge : edges) {
    const auto check = [&](Point tip) {
      return checkHand(HandBuilder::pointing().rotate(edge.turn).tipAt(tip).build(), 640, 480);
    };
    EXPECT_EQ(check(edge.inside), HandCheck::Usable) << edge.turn;
    EXPECT_EQ(check(edge.outside), HandCheck::CutOff) << edge.turn;
  }
}

TEST(HandUsability, BrokenInputIsNoHand) {
  HandObservation observation = HandBuilder::open().observation();
  EXPECT_EQ(checkObservation(observation, 640, 480), HandCheck::Usable);
  EXPECT_EQ(checkObservation(observation, 1, 480), HandCheck::NoHand);
  EXPECT_EQ(checkObservation(observation, 640, 0), HandCheck::NoHand);
  for (const float bad : {kNan, std::numeric_limits<float>::infinity()}) {
    HandLandmarks broken = observation.landmarks;
    broken[13].y = bad;
    EXPECT_EQ(checkHand(broken, 640, 480), HandCheck::NoHand);
  }
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
  EXPECT_EQ(std::wstring(handCheckText(HandCheck::Usable)), L"");
}

}  // namespace
}  // namespace vel
