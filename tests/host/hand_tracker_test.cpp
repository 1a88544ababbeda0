// The hand tracker on real photos with the real models: accuracy against reference landmarks, the
// pose each photo shows, when the detector and the landmark model run, bad frames, broken models.
#include "tracking/hand_tracker.h"

#include <gtest/gtest.h>

#include "control/poses.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/reference_hands.h"

namespace vel {
namespace {

using Runs = std::pair<std::uint64_t, std::uint64_t>;  // palm and hand model inferences

class HandTrackerReal : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tracker = std::make_unique<HandTracker>(test::modelsDir()); }
  static void TearDownTestSuite() { tracker.reset(); }
  void SetUp() override { tracker->forgetHand(); }

  static Runs runsDuring(const std::function<void()>& work) {
    const ModelRuntime& runtime = tracker->runtime();
    const Runs before{runtime.palm().runs, runtime.hand().runs};
    work();
    return {runtime.palm().runs - before.first, runtime.hand().runs - before.second};
  }

  static inline std::unique_ptr<HandTracker> tracker;
  const Frame hands = test::photo("hands.jpg");
};

TEST_F(HandTrackerReal, HandsPhotoMatchesAReferenceHandAndTheSecondStepSkipsTheDetector) {
  const auto references = test::loadReferenceHands(test::testDataDir() / "hands.keypoints.json");
  const struct { Runs runs; double mean, max; } steps[] = {{{1, 1}, 6.0, 17.0}, {{0, 1}, 7.0, 22.0}};
  for (const auto& step : steps) {
    HandObservation observation;
    EXPECT_EQ(runsDuring([&] { observation = tracker->step(hands); }), step.runs);
    ASSERT_TRUE(observation.present && observation.landmarksValid && observation.presence > 0.8f);
    const auto error = test::errorToNearest(observation.landmarks, references);
    EXPECT_LE(error.mean, step.mean);
    EXPECT_LE(error.max, step.max) << "worst landmark " << error.worst;
    const HandRegion next = regionFromLandmarks(observation.landmarks);  // where the next step looks
    EXPECT_EQ((std::array{tracker->region().size, tracker->region().centre.x}), (std::array{next.size, next.centre.x}));
  }
}

TEST_F(HandTrackerReal, EachPosePhotoShowsItsPose) {
  const std::pair<const char*, int> photos[] = {
      {"poses/one.png", kPoseOneFinger}, {"poses/peace.png", kPoseTwoFingers}, {"poses/three.png", kPoseThreeFingers},
      {"poses/fist.png", kPoseClosedFist}, {"poses/like.png", kPoseThumbUp},   {"poses/rock.png", kPoseIndexLittle},
      {"poses/palm.png", kPoseOpenHand},   {"hands.jpg", kPoseOpenHand}};
  for (const auto& [name, pose] : photos) {
    tracker->forgetHand();
    const Frame frame = test::photo(name);
    const HandObservation observation = tracker->step(frame);
    ASSERT_TRUE(observation.present) << name;
    EXPECT_EQ(checkObservation(observation, frame.width, frame.height), HandCheck::Usable) << name;
    EXPECT_EQ(classifyPose(observation.landmarks), pose) << name;
  }
}

// Bad frames change nothing; a wrist leaving the frame ends tracking, so the next step searches;
// only regions of a usable size run the landmark model.
TEST_F(HandTrackerReal, BlankBadAndCutFramesAndRegionSizes) {
  EXPECT_EQ(runsDuring([&] { EXPECT_EQ(tracker->step(*makeFrame(640, 480, 1, 0)).presence, 0.0f); }), (Runs{1, 0}));
  ASSERT_TRUE(tracker->step(hands).present);
  const float centre = tracker->region().centre.x;
  Frame oneByteShort = hands, negative = hands, cut = hands;
  oneByteShort.pixels.pop_back();
  negative.width = -negative.width;
  for (const Frame& bad : {oneByteShort, Frame{}, negative}) {
    HandObservation observation;
    EXPECT_EQ(runsDuring([&] { observation = tracker->step(bad); }), (Runs{0, 0}));
    EXPECT_FALSE(observation.present || observation.landmarksValid);
    EXPECT_TRUE(tracker->tracking() && tracker->region().centre.x == centre);
  }
  cut.height = 320;  // the tracked wrist is at y ≈ 343
  cut.pixels.resize(static_cast<std::size_t>(cut.width) * 320u * 4u);
  const HandObservation outside = tracker->step(cut);
  EXPECT_TRUE(outside.landmarksValid && !outside.present && outside.landmarks[0].y >= 320.0f);
  EXPECT_FALSE(tracker->tracking());
  EXPECT_EQ(runsDuring([&] { tracker->step(hands); }), (Runs{1, 1}));
  for (const auto& [size, handRuns] : {std::pair{31.9f, 0u}, {32.0f, 1u}, {2160.0f, 1u}, {2160.5f, 0u}}) {  // 3 × 720
    HandObservation observation;
    const auto runs = runsDuring([&] { observation = inferLandmarks(tracker->runtime(), hands, {{320, 240}, size, 0}); });
    EXPECT_EQ(runs, (Runs{0, handRuns})) << size;
    EXPECT_TRUE(handRuns == 1 || (!observation.landmarksValid && observation.presence == 0.0f)) << size;
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
  const Frame frame = *makeFrame(64, 48, 0, 0);
  HandTracker palmShape(test::layoutModelsDir("palmshape"));
  EXPECT_EQ(errorOf([&] { palmShape.step(frame); }), "Palm tensor shape mismatch");
  HandTracker handNames(test::layoutModelsDir("handnames"));  // its palm model never yields a region
  EXPECT_EQ(errorOf([&] { inferLandmarks(handNames.runtime(), frame, {{32, 24}, 40, 0}); }),
            "Hand tensor names do not match the pinned model");
  EXPECT_NE(errorOf([] { HandTracker tracker(test::modelsDir() / "absent"); }).find("palm.onnx"), std::string::npos);
}

}  // namespace
}  // namespace vel
