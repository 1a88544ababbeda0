// The model runtime against the real converted models, and a runtime library that cannot be loaded.
// Wrong model layouts and missing model files are checked through the tracker that owns the runtime.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/paths.h"
#include "tracking/model_runtime.h"

namespace vel {
namespace {

bool allFinite(const float* values, std::size_t count) {
  return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}

TEST(ModelRuntime, RealModelsGiveFiniteOutputsFromTheirOwnInputBuffers) {
  ModelRuntime runtime(test::modelsDir());
  ASSERT_EQ(runtime.palm().input.size(), 192u * 192u * 3u);
  ASSERT_EQ(runtime.hand().input.size(), 224u * 224u * 3u);
  std::fill(runtime.palm().input.begin(), runtime.palm().input.end(), 0.5f);
  const PalmOutputs palm = runtime.palmOutputs(runtime.run(runtime.palm()));
  EXPECT_TRUE(allFinite(palm.scores, kAnchorCount) && allFinite(palm.regressors, kAnchorCount * 18));
  float firstX = 0.0f;
  for (int input = 0; input < 2; ++input) {  // two inputs through the same buffer give two outputs
    for (std::size_t i = 0; i < runtime.hand().input.size(); ++i) runtime.hand().input[i] = static_cast<float>(input * (i % 7)) / 7;
    const OutputValues values = runtime.run(runtime.hand());
    const HandOutputs hand = runtime.handOutputs(values);
    EXPECT_TRUE(allFinite(hand.landmarks, kLandmarkCount * 3) && std::isfinite(hand.presence));
    EXPECT_NE(hand.landmarks[0], firstX);
    firstX = hand.landmarks[0];
  }
  EXPECT_EQ((std::array{runtime.palm().runs, runtime.hand().runs}), (std::array<std::uint64_t, 2>{1, 2}));
}

TEST(ModelRuntime, MissingRuntimeLibraryIsNamedInTheMessage) {
  try {
    loadOrtApi(test::modelsDir() / ortLibraryName());
    FAIL() << "loaded a runtime library that does not exist";
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(ortLibraryName().string() + " could not be loaded"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace vel
