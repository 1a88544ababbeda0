// The hand provider on real photos with the real models: a still pointing hand played as a 30 fps
// sequence engages control, an open hand rests, bad frames are "no hand", reset searches again.
#include "control/hand_provider.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/frames.h"
#include "tests/support/paths.h"

namespace vel {
namespace {

class HandProviderReal : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared = std::make_unique<HandProvider>(test::modelsDir()); }
  static void TearDownTestSuite() { shared.reset(); }
  void SetUp() override { shared->reset(); }

  // Frame `index` of a 30 fps sequence of `photo` starting well after time 0.
  static ControlOutput play(Frame photo, int index, const Settings& settings = {}) {
    photo.sequence = static_cast<std::uint64_t>(index + 1);
    photo.timeMs = 50'000 + static_cast<std::uint64_t>(index) * 1000 / 30;
    return shared->process(photo, settings);
  }

  static std::unique_ptr<HandProvider> shared;
};
std::unique_ptr<HandProvider> HandProviderReal::shared;

TEST_F(HandProviderReal, APointingHandEngagesAfter200msAndMovesThePointer) {
  const Frame one = test::photo("poses/one.png");
  for (int i = 0; i < 6; ++i) {  // up to 167 ms
    const ControlOutput output = play(one, i);
    EXPECT_EQ(output.pose, kPoseOneFinger) << "frame " << i;
    EXPECT_EQ(output.status, L"Point with your index finger to start");
  }
  const ControlOutput engaged = play(one, 6);  // 200 ms
  ASSERT_FALSE(engaged.actions.empty());
  EXPECT_EQ(engaged.actions[0].kind, ActionKind::Move);
  EXPECT_EQ(engaged.status, L"Hold still · Click");
  EXPECT_GT(engaged.latencyMs, 0.0f);
}

TEST_F(HandProviderReal, AnOpenHandRests) {
  const Frame palm = test::photo("poses/palm.png");
  for (int i = 0; i < 12; ++i) {
    const ControlOutput output = play(palm, i);
    EXPECT_EQ(output.pose, kPoseOpenHand) << "frame " << i;
    EXPECT_EQ(output.status, L"Resting — point again to continue");
    EXPECT_TRUE(output.actions.empty());
  }
}

TEST_F(HandProviderReal, AnEmptyOrTruncatedFrameIsNoHand) {
  EXPECT_EQ(shared->process(Frame{}, Settings{}).status, L"Show one hand to the camera");
  Frame truncated = test::photo("poses/one.png");
  truncated.pixels.pop_back();
  EXPECT_FALSE(shared->process(truncated, Settings{}).handPresent);
}

}  // namespace
}  // namespace vel
