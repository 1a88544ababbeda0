// The tracking worker with a scripted provider, the replaying camera and a lockstep clock: what it
// processes and publishes, its pacing, failures, and that it always stops.
#include "camera/tracking_worker.h"

#include <gtest/gtest.h>

#include <random>

#include "camera/replay_camera.h"
#include "tests/support/frames.h"
#include "tests/support/recording_sink.h"
#include "tests/support/worker_harness.h"

namespace vel {
namespace {

using std::chrono::milliseconds;

class Worker : public ::testing::Test {
 protected:
  test::LockstepClock clock;
  test::ProviderScript script;
  ReplayCamera camera{{test::solidFrame(64, 48, 10, 20, 30)}};
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return clock.tickMs(); }};
  PracticeEngine practice;
  SharedSnapshot shared;
  ThreadFlags flags;
  TrackingWorkerLinks links{shared, flags, camera, gate, practice, test::scriptedProviders(script), clock};

  // A new camera frame stamped now, and the worker's turn to see it.
  std::uint64_t nextFrame() {
    const std::uint64_t sequence = camera.publish(0, clock.tickMs());
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
  links.makeProvider = []() -> std::unique_ptr<IControlProvider> {
    throw std::runtime_error("Cannot open models/palm.onnx — missing");
  };
  gate.setEnabled(true);
  const std::uint64_t enabledGeneration = gate.readGeneration();
  runTrackingWorker(links);
  EXPECT_FALSE(flags.trackerReady);
  EXPECT_TRUE(flags.trackerFailed);
  EXPECT_EQ(appError(), L"Tracker unavailable: Cannot open models/palm.onnx — missing");
  EXPECT_NE(gate.readGeneration(), enabledGeneration) << "the gate is disabled";

  flags.trackerFailed = false;
  links.makeProvider = test::scriptedProviders(script);
  script.duringProcess = [] { throw std::runtime_error("inference failed"); };
  camera.start({}, false);
  camera.publish(0, clock.tickMs());
  clock.release();
  runTrackingWorker(links);
  EXPECT_TRUE(flags.trackerFailed);
  EXPECT_EQ(appError(), L"Tracker unavailable: inference failed");
  EXPECT_EQ(script.destroyed, 1);
  EXPECT_EQ(published().sequence, 0u);
}

// Stops at every point of the loop: before the models are in, idle, polling, right after a frame.
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
