// The tracking worker end to end with the real models and the replaying camera fed with a photo:
// it engages on a pointing hand, publishes snapshots, starts the tracker afresh after an
// interruption, and stops cleanly.
#include "camera/tracking_worker.h"

#include <gtest/gtest.h>

#include "camera/replay_camera.h"
#include "control/hand_provider.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/recording_sink.h"
#include "tests/support/worker_harness.h"

namespace vel {
namespace {

class WorkerWithModels : public ::testing::Test {
 protected:
  test::LockstepClock clock;
  ReplayCamera camera{{test::photo("poses/one.png")}};
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return clock.tickMs(); }};
  PracticeEngine practice;
  SharedSnapshot shared;
  ThreadFlags flags;
  const HandProvider* provider = nullptr;  // owned by the worker thread
  TrackingWorkerLinks links{shared, flags, camera, gate, practice,
                            [this] {
                              auto made = std::make_unique<HandProvider>(test::modelsDir());
                              provider = made.get();
                              return made;
                            },
                            clock};

  void frames(int count) {
    for (int i = 0; i < count; ++i) {
      camera.publish(0, clock.tickMs());
      ASSERT_TRUE(clock.turn());
    }
  }
  std::uint64_t palmRuns() const { return provider->tracker().runtime().palm().runs; }
  bool movedThePointer() { return sink.takeTexts().find("Move:") != std::string::npos; }
};

TEST_F(WorkerWithModels, EngagesOnAPointingHandAndStartsAfreshAfterAnInterruption) {
  test::WorkerThread worker(links, camera, clock);
  ASSERT_TRUE(clock.waitForSleep());
  ASSERT_TRUE(flags.trackerReady) << test::modelsDir();
  gate.setEnabled(true);
  camera.start({}, false);

  frames(15);  // half a second of pointing
  {
    std::lock_guard lock(shared.lock);
    EXPECT_EQ(shared.output.pose, kPoseOneFinger);
    EXPECT_TRUE(shared.output.pointerActive);
    EXPECT_FALSE(shared.output.feedbackText.empty());
    EXPECT_EQ(shared.frame->sequence, shared.output.sequence);
  }
  EXPECT_TRUE(movedThePointer()) << "control engaged";
  EXPECT_EQ(palmRuns(), 1u) << "the detector runs only while searching";

  gate.stampPhysicalEvent(clock.tickMs());  // the real mouse moves: the provider is reset
  frames(1);
  EXPECT_EQ(palmRuns(), 2u);
  frames(10);
  EXPECT_FALSE(movedThePointer()) << "the physical mouse has priority";

  worker.stop();
  EXPECT_FALSE(flags.trackerFailed);
  std::lock_guard lock(shared.lock);
  EXPECT_TRUE(shared.appError.empty());
}

TEST_F(WorkerWithModels, AMissingModelsFolderMakesTheTrackerUnavailable) {
  links.makeProvider = handProviderFactory(test::testDataDir() / "no-models-here");
  runTrackingWorker(links);
  EXPECT_TRUE(flags.trackerFailed);
  std::lock_guard lock(shared.lock);
  EXPECT_TRUE(shared.appError.starts_with(kTrackerUnavailable)) << std::string(shared.appError.begin(), shared.appError.end());
  EXPECT_NE(shared.appError.find(L"palm.onnx"), std::wstring::npos);
}

}  // namespace
}  // namespace vel
