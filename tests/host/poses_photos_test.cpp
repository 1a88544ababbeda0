// The pose classifier on the tracker's landmarks of real photos: each shows the pose its name says.
#include <gtest/gtest.h>

#include <string>

#include "control/poses.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tracking/hand_tracker.h"

namespace vel {
namespace {

TEST(PosePhotos, EachPhotoShowsItsPose) {
  HandTracker tracker(test::modelsDir());
  const std::pair<const char*, int> photos[] = {
      {"poses/one.png", kPoseOneFinger},   {"poses/peace.png", kPoseTwoFingers}, {"poses/three.png", kPoseThreeFingers},
      {"poses/fist.png", kPoseClosedFist}, {"poses/like.png", kPoseThumbUp},     {"poses/rock.png", kPoseIndexLittle},
      {"poses/palm.png", kPoseOpenHand},   {"hands.jpg", kPoseOpenHand},
  };
  for (const auto& [name, pose] : photos) {
    tracker.forgetHand();
    const Frame frame = test::photo(name);
    const HandObservation observation = tracker.step(frame);
    ASSERT_TRUE(observation.present) << name;
    EXPECT_EQ(checkObservation(observation, frame.width, frame.height), HandCheck::Usable) << name;
    EXPECT_EQ(classifyPose(observation.landmarks), pose) << name;
  }
}

}  // namespace
}  // namespace vel
