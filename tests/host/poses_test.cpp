// Pose classification and the hand usability check on synthetic hands turned, mirrored and scaled,
// with each threshold approached from both sides.
#include "control/poses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

#include "tests/support/hand_builder.h"

namespace vel {
namespace {

using test::HandBuilder;

// Every pose as drawn, then with the thumb tip moved: pointing needs it 0.35 palms from the index
// tip; a fist's (`thumb` palms left of the middle finger's base) is out from 0.95 palms when straight,
// folded up to 0.85 when bent square; in between, or bent far out, the hand shows no pose.
TEST(Poses, EveryPoseWhateverTheTurnSideOrSizeAndTheThumbAtItsBorders) {
  struct Row { int shape; float thumb; bool straight; int pose; };
  std::vector<Row> rows = {
      {kPoseOneFinger, 0.34f, true, kPoseNone}, {kPoseOneFinger, 0.36f, true, kPoseOneFinger},
      {kPoseClosedFist, 0.97f, true, kPoseThumbUp}, {kPoseClosedFist, 0.93f, true, kPoseNone},
      {kPoseClosedFist, 0.83f, false, kPoseClosedFist}, {kPoseClosedFist, 0.855f, false, kPoseNone},
      {kPoseClosedFist, 1.2f, false, kPoseNone}};
  for (int pose = kPoseNone; pose <= kPoseOpenHand; ++pose) rows.push_back({pose, 0.0f, false, pose});
  for (const Row& row : rows) {
    for (const auto& [turn, palm, left] : {std::tuple{0.0f, 30.0f, false}, {35.0f, 300.0f, true},
                                           {180.0f, 90.0f, false}, {-110.0f, 60.0f, true}}) {
      HandBuilder hand = HandBuilder::pose(row.shape).rotate(turn).mirror(left).palm(palm);
      const Point base = hand.local(1), index = hand.local(8);
      Point tip{-row.thumb, -1.0f};  // the middle finger's base is at (0, -1)
      if (row.shape == kPoseOneFinger) tip = {index.x + row.thumb * 0.6f, index.y + row.thumb * 0.8f};
      const Point mid = row.straight ? Point{0.6f * base.x + 0.4f * tip.x, 0.6f * base.y + 0.4f * tip.y}
                                     : Point{base.x, tip.y};
      if (row.thumb > 0) hand.set(2, mid).set(3, {(mid.x + tip.x) / 2, (mid.y + tip.y) / 2}).set(4, tip);
      EXPECT_EQ(classifyPose(hand.build()), row.pose) << row.shape << " " << row.thumb << " " << turn;
    }
  }
}

// The index finger bent `bend` degrees at its middle joint, both segments `length` pixels long, the
// wrist `wrist` pixels below that joint: out up to about 49 degrees, with the tip 1.12 times as far
// from the wrist as the joint and segments over a pixel.
TEST(Poses, AFingerIsOutWhenNearlyStraightReachingAwayFromTheWristAndLongEnough) {
  const struct { float bend, length, wrist; bool extended; } rows[] = {{49, 40, 140, true}, {50, 40, 140, false},
      {0, 12, 99, true}, {0, 12, 101, false}, {0, 1.01f, 8, true}, {0, 0.99f, 8, false}};
  for (const auto& r : rows) {
    const float radians = r.bend * std::numbers::pi_v<float> / 180;
    HandLandmarks hand{};  // the middle joint at the origin
    std::tie(hand[0], hand[5], hand[8]) =
        std::tuple(Point{0, r.wrist}, Point{0, r.length}, Point{r.length * std::sin(radians), -r.length * std::cos(radians)});
    EXPECT_EQ(fingerExtended(hand, Finger::Index), r.extended) << &r - rows;
  }
}

TEST(Poses, AHandMustBeBigEnoughSmallEnoughAndInsideTheFrame) {
  const auto open = [](float palm, Point at, float turn = 0) {
    return HandBuilder::pose(kPoseOpenHand).palm(palm).rotate(turn).at(at).build();
  };
  const auto tip = [](Point at, float turn) { return HandBuilder::pose(1).rotate(turn).tipAt(at).build(); };
  using enum HandCheck;
  // The palm at least 24 pixels or 0.035 of the shorter side; an open hand (2.06 × 1.74 palms) at most
  // 0.96 of the frame; the index tip just inside, then just outside the 0.5 % border at each edge.
  const struct { HandLandmarks hand; int width, height; HandCheck check; } rows[] = {
      {open(23.5f, {320, 240}), 640, 480, TooFar}, {open(24.0f, {320, 240}), 640, 480, Usable},
      {open(37.0f, {960, 540}), 1920, 1080, TooFar}, {open(38.5f, {960, 540}), 1920, 1080, Usable},
      {open(224.5f, {320, 240}), 640, 480, TooClose}, {open(300, {320, 500}, 90), 640, 1000, TooClose},
      {open(220, {320, 301}), 640, 480, Usable},
      {tip({320, 0.006f * 480}, 0), 640, 480, Usable}, {tip({320, 0.004f * 480}, 0), 640, 480, CutOff},
      {tip({320, 0.994f * 480}, 180), 640, 480, Usable}, {tip({320, 0.996f * 480}, 180), 640, 480, CutOff},
      {tip({0.994f * 640, 240}, 90), 640, 480, Usable}, {tip({0.996f * 640, 240}, 90), 640, 480, CutOff},
      {tip({0.006f * 640, 240}, -90), 640, 480, Usable}, {tip({0.004f * 640, 240}, -90), 640, 480, CutOff},
      {open(90, {320, 240}), 640, 1, NoHand},
      {open(90, {320, 1}), 640, 2, TooClose}};
  for (const auto& r : rows) EXPECT_EQ(checkHand(r.hand, r.width, r.height), r.check) << &r - rows;
}

}  // namespace
}  // namespace vel
