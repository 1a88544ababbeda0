// The model runtime against the real converted models, and a runtime library that cannot be loaded.
// Wrong model layouts and missing model files are checked through the tracker that owns the runtime.
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

TEST(ModelRuntime, RealModelsGiveFiniteOutputsFromTheirOwnInputBuffers) {
  ModelRuntime runtime(test::modelsDir());
  auto& palm = runtime.palm();
  auto& hand = runtime.hand();
  ASSERT_EQ(palm.input.size(), 192u * 192u * 3u);
  ASSERT_EQ(hand.input.size(), 224u * 224u * 3u);
  std::fill(palm.input.begin(), palm.input.end(), 0.5f);
  const OutputValues palmValues = runtime.run(palm);
  EXPECT_EQ(palm.runs, 1u);
  EXPECT_TRUE(allFinite(runtime.palmOutputs(palmValues).scores, kAnchorCount));
  EXPECT_TRUE(allFinite(runtime.palmOutputs(palmValues).regressors, kAnchorCount * 18));
  // Two different inputs through the same buffer must give different outputs.
  std::fill(hand.input.begin(), hand.input.end(), 0.0f);
  const OutputValues handValues = runtime.run(hand);
  const HandOutputs first = runtime.handOutputs(handValues);
  EXPECT_TRUE(allFinite(first.landmarks, kLandmarkCount * 3) && std::isfinite(first.presence));
  const float firstX = first.landmarks[0];
  for (std::size_t i = 0; i < hand.input.size(); ++i) hand.input[i] = static_cast<float>(i % 7) / 7.0f;
  EXPECT_NE(runtime.handOutputs(runtime.run(hand)).landmarks[0], firstX);
}

TEST(ModelRuntime, MissingRuntimeLibraryIsNamedInTheMessage) {
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
