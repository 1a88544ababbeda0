// The hand tracker on real photos with the real models: accuracy against reference landmarks,
// the pose each photo shows, detector skipping while tracking, bad frames, and broken models.
#include "tracking/hand_tracker.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "control/poses.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/reference_hands.h"

namespace vel {
namespace {

using Runs = std::pair<std::uint64_t, std::uint64_t>;

class HandTrackerReal : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared = std::make_unique<HandTracker>(test::modelsDir()); }
  static void TearDownTestSuite() { shared.reset(); }
  void SetUp() override { shared->forgetHand(); }

  // Inferences of the palm and the hand model during `work`.
  static Runs runsDuring(const std::function<void()>& work) {
    const Runs before{shared->runtime().palm().runs, shared->runtime().hand().runs};
    work();
    return {shared->runtime().palm().runs - before.first, shared->runtime().hand().runs - before.second};
  }

  static std::unique_ptr<HandTracker> shared;
};
std::unique_ptr<HandTracker> HandTrackerReal::shared;

TEST_F(HandTrackerReal, HandsPhotoMatchesAReferenceHandAndTheSecondStepSkipsTheDetector) {
  const Frame frame = test::photo("hands.jpg");
  const auto references = test::loadReferenceHands(test::testDataDir() / "hands.keypoints.json");
  const struct { Runs runs; double mean, max; } steps[] = {{{1, 1}, 6.0, 17.0}, {{0, 1}, 7.0, 22.0}};
  for (const auto& step : steps) {
    HandObservation observation;
    EXPECT_EQ(runsDuring([&] { observation = shared->step(frame); }), step.runs);
    ASSERT_TRUE(observation.present && observation.landmarksValid);
    EXPECT_GT(observation.presence, 0.8f);
    const auto error = test::errorToNearest(observation.landmarks, references);
    EXPECT_LE(error.mean, step.mean);
    EXPECT_LE(error.max, step.max) << "worst landmark " << error.worst;
    // The next step looks where these landmarks are.
    const HandRegion next = regionFromLandmarks(observation.landmarks);
    EXPECT_EQ((std::array{shared->region().centre.x, shared->region().size}), (std::array{next.centre.x, next.size}));
  }
}

TEST_F(HandTrackerReal, EachPosePhotoShowsItsPose) {
  const std::pair<const char*, int> photos[] = {
      {"poses/one.png", kPoseOneFinger}, {"poses/peace.png", kPoseTwoFingers}, {"poses/three.png", kPoseThreeFingers},
      {"poses/fist.png", kPoseClosedFist}, {"poses/like.png", kPoseThumbUp}, {"poses/rock.png", kPoseIndexLittle},
      {"poses/palm.png", kPoseOpenHand}, {"hands.jpg", kPoseOpenHand},
  };
  for (const auto& [name, pose] : photos) {
    shared->forgetHand();
    const Frame frame = test::photo(name);
    const HandObservation observation = shared->step(frame);
    ASSERT_TRUE(observation.present) << name;
    EXPECT_EQ(checkObservation(observation, frame.width, frame.height), HandCheck::Usable) << name;
    EXPECT_EQ(classifyPose(observation.landmarks), pose) << name;
  }
}

TEST_F(HandTrackerReal, BlankOrMalformedFramesGiveNoHandAndChangeNothing) {
  const FramePtr blank = makeFrame(640, 480, 1, 1000);
  EXPECT_EQ(runsDuring([&] {
              for (int i = 0; i < 15; ++i) EXPECT_EQ(shared->step(*blank).presence, 0.0f);
            }),
            (Runs{15, 0}));
  EXPECT_FALSE(shared->tracking());

  const Frame hands = test::photo("hands.jpg");
  ASSERT_TRUE(shared->step(hands).present);
  const float centre = shared->region().centre.x;
  Frame oneByteShort = hands, negative = hands;
  oneByteShort.pixels.pop_back();
  negative.width = -negative.width;
  for (const Frame& bad : {oneByteShort, Frame{}, negative}) {
    HandObservation observation;
    EXPECT_EQ(runsDuring([&] { observation = shared->step(bad); }), (Runs{0, 0}));
    EXPECT_FALSE(observation.present || observation.landmarksValid);
    EXPECT_TRUE(shared->tracking());
    EXPECT_EQ(shared->region().centre.x, centre);
  }
}

TEST_F(HandTrackerReal, AWristLeavingTheFrameEndsTrackingAndTheNextStepSearches) {
  const Frame hands = test::photo("hands.jpg");
  ASSERT_TRUE(shared->step(hands).present);
  // The tracked wrist is near the bottom edge (y ≈ 343): cut the photo above it.
  Frame cut = hands;
  cut.height = 320;
  cut.pixels.resize(static_cast<std::size_t>(cut.width) * 320u * 4u);
  const HandObservation outside = shared->step(cut);
  EXPECT_TRUE(outside.landmarksValid && !outside.present);
  EXPECT_GE(outside.landmarks[0].y, 320.0f);
  EXPECT_FALSE(shared->tracking());
  EXPECT_EQ(runsDuring([&] { shared->step(hands); }).first, 1u);
}

TEST_F(HandTrackerReal, OnlyRegionsOfUsableSizeRunTheLandmarkModel) {
  const Frame frame = test::photo("poses/palm.png");
  for (const auto& [size, handRuns] : {std::pair{31.9f, 0u}, {32.0f, 1u}, {3.0f * 640.0f, 1u}, {3.0f * 640.0f + 1.0f, 0u}}) {
    HandObservation observation;
    const HandRegion region{{320, 240}, size, 0};
    EXPECT_EQ(runsDuring([&] { observation = inferLandmarks(shared->runtime(), frame, region); }), (Runs{0, handRuns})) << size;
    if (handRuns == 0) EXPECT_TRUE(!observation.landmarksValid && observation.presence == 0.0f) << size;
  }
}

std::string errorOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}

TEST(HandTrackerModels, WrongLayoutsAndMissingFilesFailWithTheirOwnTexts) {
  for (const char* name : {"palm3outputs", "hand2outputs"}) {
    EXPECT_EQ(errorOf([&] { HandTracker tracker(test::layoutModelsDir(name)); }), "Unexpected model output layout");
  }
  const Frame frame = test::solidFrame(64, 48, 9, 9, 9);
  HandTracker palmShape(test::layoutModelsDir("palmshape"));
  EXPECT_EQ(errorOf([&] { palmShape.step(frame); }), "Palm tensor shape mismatch");
  // Its palm model echoes the input and never yields a region: drive the landmark stage directly.
  HandTracker handNames(test::layoutModelsDir("handnames"));
  EXPECT_EQ(errorOf([&] { inferLandmarks(handNames.runtime(), frame, {{32, 24}, 40, 0}); }),
            "Hand tensor names do not match the pinned model");
  const std::string missing = errorOf([] { HandTracker tracker(test::modelsDir() / "absent"); });
  EXPECT_NE(missing.find("palm.onnx"), std::string::npos) << missing;
}

}  // namespace
}  // namespace vel
