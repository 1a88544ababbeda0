// The tracking worker end to end with the real models and the replaying camera fed with photos:
// it engages on a pointing hand, publishes snapshots, starts the tracker afresh after an
// interruption, and stops cleanly.
#include "camera/tracking_worker.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "camera/replay_camera.h"
#include "control/hand_provider.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/recording_sink.h"
#include "tests/support/worker_harness.h"

namespace vel {
namespace {

// The real provider, with what the test wants to see of it.
class WatchedProvider final : public IControlProvider {
 public:
  WatchedProvider() : inner_(test::modelsDir()) {}
  ControlOutput process(const Frame& frame, const Settings& settings) override {
    return inner_.process(frame, settings);
  }
  void reset() override {
    ++resets;
    inner_.reset();
  }
  const wchar_t* name() const override { return inner_.name(); }
  std::uint64_t palmRuns() const { return inner_.tracker().runtime().palm().runs; }

  int resets = 0;

 private:
  HandProvider inner_;
};

constexpr std::size_t kPointing = 0;

class WorkerWithModels : public ::testing::Test {
 protected:
  test::LockstepClock clock;
  ReplayCamera camera{{test::photo("poses/one.png")}};
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return clock.tickMs(); }};
  PracticeEngine practice;
  SharedSnapshot shared;
  ThreadFlags flags;
  WatchedProvider* provider = nullptr;  // owned by the worker thread
  TrackingWorkerLinks links{shared, flags, camera, gate, practice,
                            [this] {
                              auto made = std::make_unique<WatchedProvider>();
                              provider = made.get();
                              return made;
                            },
                            clock};

  ControlOutput published() {
    std::lock_guard lock(shared.lock);
    return shared.output;
  }
  void frame(std::size_t image) {
    camera.publish(image, clock.tickMs());
    ASSERT_TRUE(clock.turn());
  }
  bool movedThePointer() { return sink.takeTexts().find("Move:") != std::string::npos; }
};

TEST_F(WorkerWithModels, EngagesOnAPointingHandAndStartsAfreshAfterAnInterruption) {
  test::WorkerThread worker(links, camera, clock);
  ASSERT_TRUE(clock.waitForSleep());
  ASSERT_TRUE(flags.trackerReady) << test::modelsDir();
  gate.setEnabled(true);
  camera.start({}, false);

  for (int i = 0; i < 15; ++i) frame(kPointing);  // half a second of pointing
  const ControlOutput output = published();
  EXPECT_EQ(output.pose, kPoseOneFinger);
  EXPECT_TRUE(output.pointerActive);
  EXPECT_FALSE(output.feedbackText.empty());
  EXPECT_TRUE(movedThePointer()) << "control engaged";
  EXPECT_EQ(provider->palmRuns(), 1u) << "the detector runs only while searching";
  {
    std::lock_guard lock(shared.lock);
    EXPECT_EQ(shared.frame->sequence, output.sequence);
  }

  const int resets = provider->resets;  // enabling the gate was an interruption too
  gate.stampPhysicalEvent(clock.tickMs());  // the real mouse moves
  frame(kPointing);
  EXPECT_EQ(provider->resets, resets + 1);
  EXPECT_EQ(provider->palmRuns(), 2u);
  for (int i = 0; i < 10; ++i) frame(kPointing);
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
  EXPECT_GT(shared.appError.size(), std::wstring(kTrackerUnavailable).size());
}

}  // namespace
}  // namespace vel
