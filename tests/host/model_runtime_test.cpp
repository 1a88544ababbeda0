// The model runtime against the real converted models and tiny models with the wrong layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "tests/support/paths.h"
#include "tracking/model_runtime.h"

namespace vel {
namespace {

bool allFinite(const float* values, std::size_t count) {
  return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}

std::string loadError(const std::filesystem::path& dir) {
  try {
    ModelRuntime runtime(dir);
  } catch (const std::exception& error) {
    return error.what();
  }
  return "";
}

class RealModels : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { runtime = new ModelRuntime(test::modelsDir()); }
  static void TearDownTestSuite() { delete runtime; }
  static ModelRuntime* runtime;
};
ModelRuntime* RealModels::runtime = nullptr;

TEST_F(RealModels, LoadWithThePinnedNamesAndZeroedInputs) {
  EXPECT_EQ(runtime->palm().outputNames.size(), 2u);
  EXPECT_EQ(runtime->hand().outputNames.size(), 4u);
  EXPECT_EQ(runtime->palm().input.size(), 192u * 192u * 3u);
  EXPECT_EQ(runtime->hand().input.size(), 224u * 224u * 3u);
  EXPECT_EQ(runtime->description(),
            "Palm input: " + runtime->palm().inputName + "; hand input: " + runtime->hand().inputName +
                "; hand outputs: Identity Identity_1 Identity_2 Identity_3");
}

TEST_F(RealModels, PalmInferenceGivesFiniteScoresAndRegressors) {
  std::fill(runtime->palm().input.begin(), runtime->palm().input.end(), 0.5f);
  const auto before = runtime->palm().runs;
  const OutputValues values = runtime->run(runtime->palm());
  const PalmOutputs outputs = runtime->palmOutputs(values);
  EXPECT_EQ(runtime->palm().runs, before + 1);
  EXPECT_TRUE(allFinite(outputs.scores, kAnchorCount));
  EXPECT_TRUE(allFinite(outputs.regressors, kAnchorCount * 18));
}

TEST_F(RealModels, HandInferenceGivesFiniteLandmarksAndPresence) {
  std::fill(runtime->hand().input.begin(), runtime->hand().input.end(), 0.5f);
  const OutputValues values = runtime->run(runtime->hand());
  ASSERT_EQ(values.size(), 4u);
  const HandOutputs outputs = runtime->handOutputs(values);
  EXPECT_TRUE(allFinite(outputs.landmarks, kLandmarkCount * 3));
  EXPECT_TRUE(std::isfinite(outputs.presence));
}

TEST_F(RealModels, InputBufferIsReadInPlaceOnEveryRun) {
  // Two different inputs through the same buffer must give different outputs.
  auto& hand = runtime->hand();
  std::fill(hand.input.begin(), hand.input.end(), 0.0f);
  const float first = runtime->handOutputs(runtime->run(hand)).landmarks[0];
  for (std::size_t i = 0; i < hand.input.size(); ++i) hand.input[i] = static_cast<float>(i % 7) / 7.0f;
  const float second = runtime->handOutputs(runtime->run(hand)).landmarks[0];
  EXPECT_NE(first, second);
}

TEST(ModelRuntimeAnchors, TwoGridsInOrder) {
  ModelRuntime runtime(test::modelsDir());
  const auto& anchors = runtime.anchors();
  EXPECT_FLOAT_EQ(anchors[0].x, 0.5f / 24);
  EXPECT_FLOAT_EQ(anchors[1].x, 0.5f / 24);
  EXPECT_FLOAT_EQ(anchors[2].x, 1.5f / 24);
  EXPECT_FLOAT_EQ(anchors[48].y, 1.5f / 24);
  EXPECT_FLOAT_EQ(anchors[1151].x, 23.5f / 24);
  EXPECT_FLOAT_EQ(anchors[1152].x, 0.5f / 12);
  EXPECT_FLOAT_EQ(anchors[1157].x, 0.5f / 12);
  EXPECT_FLOAT_EQ(anchors[1158].x, 1.5f / 12);
  EXPECT_FLOAT_EQ(anchors[2015].x, 11.5f / 12);
  EXPECT_FLOAT_EQ(anchors[2015].y, 11.5f / 12);
}

TEST(ModelRuntimeErrors, MissingFolderGivesTheRuntimesOwnMessage) {
  const auto missing = test::modelsDir() / "no-such-folder";
  try {
    ModelRuntime runtime(missing);
    FAIL() << "loading a missing folder succeeded";
  } catch (const std::runtime_error& error) {
    FAIL() << "layout error for a missing file: " << error.what();
  } catch (const std::exception& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("palm.onnx"), std::string::npos) << message;
  }
}

TEST(ModelRuntimeErrors, WrongOutputCountsFailLoading) {
  EXPECT_EQ(loadError(test::layoutModelsDir("palm3outputs")), "Unexpected model output layout");
  EXPECT_EQ(loadError(test::layoutModelsDir("hand2outputs")), "Unexpected model output layout");
}

TEST(ModelRuntimeErrors, HandWithoutIdentityLoadsButFailsOnFirstInference) {
  ModelRuntime runtime(test::layoutModelsDir("handnames"));
  const OutputValues values = runtime.run(runtime.hand());
  try {
    runtime.handOutputs(values);
    FAIL() << "no error for a hand model without Identity";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Hand tensor names do not match the pinned model");
  }
}

TEST(ModelRuntimeErrors, PalmWithoutPinnedSizesFailsOnFirstInference) {
  ModelRuntime runtime(test::layoutModelsDir("palmshape"));
  const OutputValues values = runtime.run(runtime.palm());
  try {
    runtime.palmOutputs(values);
    FAIL() << "no error for palm outputs of the wrong size";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Palm tensor shape mismatch");
  }
}

TEST(ModelRuntimeErrors, MissingRuntimeLibraryIsNamedInTheMessage) {
  try {
    loadOrtApi(test::modelsDir() / ortLibraryName());
    FAIL() << "loaded a runtime library that does not exist";
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(ortLibraryName().string()), std::string::npos) << message;
    EXPECT_NE(message.find("could not be loaded"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace vel
