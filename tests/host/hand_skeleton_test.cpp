// When the preview draws the hand: the skeleton only for a recent usable hand, the fingertip ring
// for any landmarks.
#include "ui/hand_skeleton.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(HandSkeleton, SkeletonNeedsAUsableHandAtMost299MsOldTheRingOnlyLandmarks) {
  ControlOutput snapshot;
  EXPECT_FALSE(fingertipRingShown(snapshot));
  snapshot.landmarks = HandLandmarks{};
  EXPECT_TRUE(fingertipRingShown(snapshot));
  EXPECT_FALSE(skeletonShown(snapshot, 10)) << "not a usable hand";
  snapshot.handPresent = true;
  EXPECT_TRUE(skeletonShown(snapshot, 299));
  EXPECT_FALSE(skeletonShown(snapshot, 300));
  EXPECT_TRUE(fingertipRingShown(snapshot));
}

}  // namespace
}  // namespace vel
