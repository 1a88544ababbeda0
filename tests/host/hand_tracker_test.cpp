// The hand tracker on real photos with the real models: accuracy against reference landmarks,
// detector skipping while tracking, bad frames, and models of the wrong layout.
#include "tracking/hand_tracker.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/reference_hands.h"

namespace vel {
namespace {

class HandTrackerReal : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared = std::make_unique<HandTracker>(test::modelsDir()); }
  static void TearDownTestSuite() { shared.reset(); }
  void SetUp() override { shared->forgetHand(); }

  // Inferences of each model during `work`.
  template <class Work>
  std::pair<std::uint64_t, std::uint64_t> runsDuring(Work&& work) {
    const auto palm = shared->runtime().palm().runs;
    const auto hand = shared->runtime().hand().runs;
    work();
    return {shared->runtime().palm().runs - palm, shared->runtime().hand().runs - hand};
  }

  static std::unique_ptr<HandTracker> shared;
};
std::unique_ptr<HandTracker> HandTrackerReal::shared;

using Runs = std::pair<std::uint64_t, std::uint64_t>;

TEST_F(HandTrackerReal, HandsPhotoMatchesAReferenceHandOnTheFirstAndSecondStep) {
  const Frame frame = test::photo("hands.jpg");
  const auto references = test::loadReferenceHands(test::testDataDir() / "hands.keypoints.json");
  const auto palm = detectPalm(shared->runtime(), frame);
  ASSERT_TRUE(palm);
  EXPECT_GT(palm->score, 0.65f);

  HandObservation first;
  EXPECT_EQ(runsDuring([&] { first = shared->step(frame); }), (Runs{1, 1}));
  ASSERT_TRUE(first.present);
  EXPECT_GT(first.presence, 0.8f);
  const auto firstError = test::errorToNearest(first.landmarks, references);
  EXPECT_LE(firstError.mean, 6.0) << "worst landmark " << firstError.worst;
  EXPECT_LE(firstError.max, 17.0) << "worst landmark " << firstError.worst;

  HandObservation second;
  EXPECT_EQ(runsDuring([&] { second = shared->step(frame); }), (Runs{0, 1}));
  ASSERT_TRUE(second.present);
  const auto secondError = test::errorToNearest(second.landmarks, references);
  EXPECT_LE(secondError.mean, 7.0) << "worst landmark " << secondError.worst;
  EXPECT_LE(secondError.max, 22.0) << "worst landmark " << secondError.worst;
}

TEST_F(HandTrackerReal, EveryPosePhotoGivesAHandOnTheFirstStep) {
  for (const char* name : {"one", "peace", "three", "fist", "like", "rock", "palm"}) {
    shared->forgetHand();
    const HandObservation observation = shared->step(test::photo(std::string("poses/") + name + ".png"));
    EXPECT_TRUE(observation.present) << name << " presence " << observation.presence;
    EXPECT_TRUE(shared->tracking()) << name;
  }
}

TEST_F(HandTrackerReal, BlankFrameGivesNoDetectionInFifteenSteps) {
  const FramePtr blank = makeFrame(640, 480, 1, 1000);
  const auto runs = runsDuring([&] {
    for (int i = 0; i < 15; ++i) {
      const HandObservation observation = shared->step(*blank);
      EXPECT_FALSE(observation.present);
      EXPECT_EQ(observation.presence, 0.0f);
    }
  });
  EXPECT_EQ(runs, (Runs{15, 0}));
  EXPECT_FALSE(shared->tracking());
}

TEST_F(HandTrackerReal, MalformedFramesAreNoHandAndChangeNothing) {
  const Frame hands = test::photo("hands.jpg");
  ASSERT_TRUE(shared->step(hands).present);
  const HandRegion region = shared->region();

  Frame oneByteShort = hands;
  oneByteShort.pixels.pop_back();
  Frame sizeless;
  Frame negative = hands;
  negative.width = -negative.width;
  for (const Frame* bad : {&oneByteShort, &sizeless, &negative}) {
    HandObservation observation;
    EXPECT_EQ(runsDuring([&] { observation = shared->step(*bad); }), (Runs{0, 0}));
    EXPECT_FALSE(observation.present);
    EXPECT_FALSE(observation.landmarksValid);
    EXPECT_TRUE(shared->tracking());
    EXPECT_EQ(shared->region().centre.x, region.centre.x);
  }
}

TEST_F(HandTrackerReal, WristLeavingTheFrameEndsTrackingAndTheNextStepSearches) {
  const Frame hands = test::photo("hands.jpg");
  ASSERT_TRUE(shared->step(hands).present);
  // The tracked hand's wrist is near the bottom edge (y ≈ 343): cut the photo above it.
  Frame cut = hands;
  cut.height = 320;
  cut.pixels.resize(static_cast<std::size_t>(cut.width) * 320u * 4u);
  const HandObservation outside = shared->step(cut);
  EXPECT_TRUE(outside.landmarksValid);
  EXPECT_FALSE(outside.present);
  EXPECT_GE(outside.landmarks[0].y, 320.0f);
  EXPECT_FALSE(shared->tracking());
  EXPECT_EQ(runsDuring([&] { shared->step(hands); }).first, 1u);
}

TEST_F(HandTrackerReal, RegionsOfUnusableSizeSkipTheLandmarkModel) {
  const Frame frame = test::photo("poses/palm.png");
  for (float size : {31.9f, 3.0f * 640.0f + 1.0f}) {
    HandObservation observation;
    EXPECT_EQ(runsDuring([&] {
                observation = inferLandmarks(shared->runtime(), frame, {{320, 240}, size, 0});
              }),
              (Runs{0, 0}))
        << size;
    EXPECT_FALSE(observation.landmarksValid);
    EXPECT_EQ(observation.presence, 0.0f);
  }
  EXPECT_EQ(runsDuring([&] { inferLandmarks(shared->runtime(), frame, {{320, 240}, 32.0f, 0}); }), (Runs{0, 1}));
}

std::string errorOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}

TEST(HandTrackerModels, WrongLayoutsFailWithTheirOwnTexts) {
  EXPECT_EQ(errorOf([] { HandTracker tracker(test::layoutModelsDir("palm3outputs")); }),
            "Unexpected model output layout");
  EXPECT_EQ(errorOf([] { HandTracker tracker(test::layoutModelsDir("hand2outputs")); }),
            "Unexpected model output layout");

  HandTracker palmShape(test::layoutModelsDir("palmshape"));
  EXPECT_EQ(errorOf([&] { palmShape.step(test::solidFrame(64, 48, 9, 9, 9)); }), "Palm tensor shape mismatch");

  // Its palm model echoes the input, so the detector never yields a usable region: the landmark
  // stage is driven directly.
  HandTracker handNames(test::layoutModelsDir("handnames"));
  EXPECT_EQ(errorOf([&] {
              inferLandmarks(handNames.runtime(), test::solidFrame(64, 48, 9, 9, 9), {{32, 24}, 40, 0});
            }),
            "Hand tensor names do not match the pinned model");
}

TEST(HandTrackerModels, MissingModelFileGivesTheRuntimesOwnText) {
  const std::string message = errorOf([] { HandTracker tracker(test::modelsDir() / "absent"); });
  EXPECT_NE(message.find("palm.onnx"), std::string::npos) << message;
}

}  // namespace
}  // namespace vel
