// The tracker inside the Windows build: WIC decodes the photos, the Windows runtime library runs
// the models, and hands.jpg must meet the same tolerances as on the host.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "camera/hresult.h"
#include "camera/image_file.h"
#include "tests/support/paths.h"
#include "tests/support/reference_hands.h"
#include "tracking/hand_tracker.h"

namespace vel {
namespace {

std::string errorOf(void (*work)()) {
  try {
    work();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

// WIC needs COM on the calling thread, as the program's start-up provides it.
class WicTracking : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(WicTracking, HandsPhotoMatchesAReferenceHandLikeOnTheHost) {
  const std::vector<Frame> frames = decodeImageFile(test::testDataDir() / "hands.jpg");
  ASSERT_EQ(frames.size(), 1u);
  const auto references = test::loadReferenceHands(test::testDataDir() / "hands.keypoints.json");

  HandTracker tracker(test::modelsDir());
  const struct {
    double mean, max;
    std::uint64_t palmRuns;
  } steps[] = {{6.0, 17.0, 1}, {7.0, 22.0, 0}};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto palmRuns = tracker.runtime().palm().runs;
    const HandObservation observation = tracker.step(frames[0]);
    ASSERT_TRUE(observation.present) << "step " << i;
    EXPECT_EQ(tracker.runtime().palm().runs - palmRuns, steps[i].palmRuns) << "step " << i;
    const auto error = test::errorToNearest(observation.landmarks, references);
    EXPECT_LE(error.mean, steps[i].mean) << "step " << i;
    EXPECT_LE(error.max, steps[i].max) << "step " << i << ", landmark " << error.worst;
  }
}

TEST_F(WicTracking, PosePhotoDecodesAsPngAndGivesAHand) {
  HandTracker tracker(test::modelsDir());
  EXPECT_TRUE(tracker.step(decodeImageFile(test::testDataDir() / "poses" / "one.png").at(0)).present);
}

TEST_F(WicTracking, FailuresCarryTheStepAndTheHresult) {
  EXPECT_EQ(errorOf([] { decodeImageFile(test::testDataDir() / "absent.png"); }), "Decode test image (0x80070002)");
  EXPECT_EQ(errorOf([] { checkHr(E_FAIL, "Convert image pixels"); }), "Convert image pixels (0x80004005)");
  EXPECT_EQ(errorOf([] { checkHr(S_FALSE, "Step"); }), "");
}

}  // namespace
}  // namespace vel
