// The tracking worker with the replaying camera and a lockstep clock, driven by a scripted provider
// or by the real models on a photo: what it processes and publishes, its pacing, failures, and
// that it always stops.
#include "camera/tracking_worker.h"

#include <gtest/gtest.h>

#include <random>

#include "camera/replay_camera.h"
#include "control/hand_provider.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/recording_sink.h"
#include "tests/support/worker_harness.h"

namespace vel {
namespace {

using std::chrono::milliseconds;

class Worker : public ::testing::Test {
 protected:
  test::LockstepClock clock;
  test::ProviderScript script;
  ReplayCamera camera{{test::solidFrame(64, 48, 10, 20, 30), test::photo("poses/one.png")}};
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return clock.tickMs(); }};
  PracticeEngine practice;
  SharedSnapshot shared;
  ThreadFlags flags;
  TrackingWorkerLinks links{shared, flags, camera, gate, practice, test::scriptedProviders(script), clock};

  // A new camera frame of image `image` stamped now, and the worker's turn to see it.
  std::uint64_t nextFrame(std::size_t image = 0) {
    const std::uint64_t sequence = camera.publish(image, clock.tickMs());
    EXPECT_TRUE(clock.turn());
    return sequence;
  }
  std::unique_ptr<test::WorkerThread> startWorker() {
    auto worker = std::make_unique<test::WorkerThread>(links, camera, clock);
    EXPECT_TRUE(clock.waitForSleep());
    return worker;
  }
  ControlOutput published() {
    std::lock_guard lock(shared.lock);
    return shared.output;
  }
  std::wstring appError() {
    std::lock_guard lock(shared.lock);
    return shared.appError;
  }
};

TEST_F(Worker, ProcessesEachNewFrameOncePacedBy33MsWithAHandAnd90MsWithout) {
  const auto worker = startWorker();  // camera off: idle
  EXPECT_TRUE(flags.trackerReady);
  EXPECT_EQ(clock.lastSleep(), milliseconds(60));
  camera.start({}, false);
  const std::uint64_t first = nextFrame();
  EXPECT_EQ(clock.lastSleep(), milliseconds(33));
  {
    std::lock_guard lock(shared.lock);
    EXPECT_EQ(shared.output.sequence, first);
    EXPECT_EQ(shared.frame, camera.latestFrame()) << "the preview shows the image the output came from";
  }
  ASSERT_TRUE(clock.turn());  // no new frame
  EXPECT_EQ(clock.lastSleep(), milliseconds(5));
  EXPECT_EQ(script.processed, std::vector<std::uint64_t>{first});

  script.status = L"Hold still";
  nextFrame();
  EXPECT_EQ(published().status, L"Hold still");
  EXPECT_EQ(published().feedbackText, L"Point to aim") << "the shown status is steadied";
  script.hand = false;
  nextFrame();
  EXPECT_EQ(clock.lastSleep(), milliseconds(90));
  EXPECT_TRUE(published().feedbackFlag == false && published().needsGuidance);

  camera.stop();  // a restart begins at sequence 1 again, with a fresh status
  ASSERT_TRUE(clock.turn());
  camera.start({}, false);
  script.hand = true;
  nextFrame();
  EXPECT_EQ(script.processed, (std::vector<std::uint64_t>{1, 2, 3, 1}));
  EXPECT_EQ(published().feedbackText, L"Hold still");
  worker->stop();
  EXPECT_EQ(script.destroyed, 1);
}

TEST_F(Worker, ShowsBlockedInputAndKeepsGoing) {
  const auto worker = startWorker();
  gate.setEnabled(true);
  camera.start({}, false);
  script.actions = {moveAction({0.5f, 0.5f})};
  sink.refusals = 1;
  nextFrame();
  EXPECT_EQ(appError(), kInputBlocked);
  EXPECT_EQ(published().sequence, nextFrame());
}

TEST_F(Worker, AModelThatCannotLoadOrRunMakesTheTrackerUnavailable) {
  links.makeProvider = handProviderFactory(test::testDataDir() / "no-models-here");
  gate.setEnabled(true);
  const std::uint64_t enabledGeneration = gate.readGeneration();
  runTrackingWorker(links);
  EXPECT_FALSE(flags.trackerReady);
  EXPECT_TRUE(flags.trackerFailed);
  EXPECT_TRUE(appError().starts_with(L"Tracker unavailable: ")) << std::string(appError().begin(), appError().end());
  EXPECT_NE(appError().find(L"palm.onnx"), std::wstring::npos);
  EXPECT_NE(gate.readGeneration(), enabledGeneration) << "the gate is disabled";

  flags.trackerFailed = false;
  links.makeProvider = test::scriptedProviders(script);
  script.duringProcess = [] { throw std::runtime_error("inference failed — out of memory"); };
  camera.start({}, false);
  camera.publish(0, clock.tickMs());
  clock.release();
  runTrackingWorker(links);
  EXPECT_TRUE(flags.trackerFailed);
  EXPECT_EQ(appError(), L"Tracker unavailable: inference failed — out of memory");
  EXPECT_EQ(script.destroyed, 1);
  EXPECT_EQ(published().sequence, 0u);
}

// An interruption counted while a frame was processed makes that frame's gestures void for practice.
TEST_F(Worker, SkipsPracticeForAFrameInterruptedWhileProcessed) {
  practice.startPractice(static_cast<std::int64_t>(clock.tickMs()), 276, 208, kDefaultGestures);
  const auto worker = startWorker();
  camera.start({}, false);
  const std::uint64_t fed = nextFrame();
  EXPECT_EQ(practice.practiceForPaint(static_cast<std::int64_t>(clock.tickMs())).output.sequence, fed);
  script.duringProcess = [this] { gate.stampPhysicalEvent(clock.tickMs()); };
  nextFrame();
  EXPECT_EQ(practice.practiceForPaint(static_cast<std::int64_t>(clock.tickMs())).output.sequence, fed);
}

// The real provider on a pointing photo: control engages, the detector runs only while searching,
// and a physical mouse event makes the worker start the tracker afresh.
TEST_F(Worker, EngagesOnAPointingHandAndStartsAfreshAfterAnInterruption) {
  const HandProvider* provider = nullptr;
  links.makeProvider = [&provider] {
    auto made = std::make_unique<HandProvider>(test::modelsDir());
    provider = made.get();
    return made;
  };
  const auto worker = startWorker();
  ASSERT_TRUE(flags.trackerReady) << test::modelsDir();
  gate.setEnabled(true);
  camera.start({}, false);
  for (int i = 0; i < 15; ++i) nextFrame(1);  // half a second of pointing
  const ControlOutput output = published();
  EXPECT_EQ(output.pose, kPoseOneFinger);
  EXPECT_TRUE(output.pointerActive);
  EXPECT_GT(output.latencyMs, 0.0f);
  EXPECT_NE(sink.takeTexts().find("Move:"), std::string::npos) << "control engaged";
  EXPECT_EQ(provider->tracker().runtime().palm().runs, 1u);

  gate.stampPhysicalEvent(clock.tickMs());
  nextFrame(1);
  EXPECT_EQ(provider->tracker().runtime().palm().runs, 2u);
  for (int i = 0; i < 10; ++i) nextFrame(1);
  EXPECT_EQ(sink.takeTexts(), "") << "the physical mouse has priority";
  worker->stop();
  EXPECT_FALSE(flags.trackerFailed);
  EXPECT_TRUE(appError().empty());
}

TEST(WorkerLifecycle, StartsAndStops100Times) {
  std::mt19937 random(7);
  ReplayCamera camera{{test::solidFrame(64, 48, 10, 20, 30)}};
  test::RecordingSink sink;
  InputGate gate{sink};
  PracticeEngine practice;
  SharedSnapshot shared;
  test::ProviderScript script;
  for (int cycle = 0; cycle < 100; ++cycle) {
    ThreadFlags flags;
    test::LockstepClock clock(true);
    const TrackingWorkerLinks links{shared, flags, camera, gate, practice, test::scriptedProviders(script), clock};
    if (random() % 2) camera.start({}, false);
    test::WorkerThread worker(links, camera, clock);
    for (unsigned frames = random() % 4; frames > 0; --frames) camera.publish(0, clock.tickMs());
    worker.stop();
    ASSERT_EQ(script.destroyed, script.created) << cycle;
  }
  EXPECT_EQ(script.created, 100);
}

}  // namespace
}  // namespace vel
