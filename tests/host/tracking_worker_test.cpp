// The tracking worker with a scripted provider, the replaying camera and a lockstep clock: what it
// processes and publishes, its pacing, resets, failures, and that it always stops.
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
  // The worker started and asleep, so the test decides what it sees first.
  std::unique_ptr<test::WorkerThread> startWorker() {
    auto worker = std::make_unique<test::WorkerThread>(links, camera, clock);
    EXPECT_TRUE(clock.waitForSleep());
    return worker;
  }
  std::uint64_t publishedSequence() {
    std::lock_guard lock(shared.lock);
    return shared.output.sequence;
  }
  std::wstring appError() {
    std::lock_guard lock(shared.lock);
    return shared.appError;
  }
};

TEST_F(Worker, ProcessesEachNewFrameOnceAndPublishesItWithItsFrame) {
  const auto worker = startWorker();  // camera off: idle
  EXPECT_TRUE(flags.trackerReady);
  EXPECT_EQ(clock.lastSleep(), milliseconds(60));
  EXPECT_TRUE(script.processed.empty());

  camera.start({}, false);
  const std::uint64_t first = nextFrame();
  EXPECT_EQ(publishedSequence(), first);
  {
    std::lock_guard lock(shared.lock);
    EXPECT_EQ(shared.frame, camera.latestFrame()) << "the preview shows the image the output came from";
    EXPECT_EQ(shared.output.feedbackText, L"Point to aim");
  }
  ASSERT_TRUE(clock.turn());  // no new frame
  EXPECT_EQ(clock.lastSleep(), milliseconds(5));
  EXPECT_EQ(script.processed, std::vector<std::uint64_t>{first});
  worker->stop();
  EXPECT_EQ(script.destroyed, 1);
}

TEST_F(Worker, PacesFramesAt33MsWithAHandAnd90MsWithoutAndSteadiesTheStatusText) {
  const auto worker = startWorker();
  camera.start({}, false);
  nextFrame();
  EXPECT_EQ(clock.lastSleep(), milliseconds(33));
  script.status = L"Hold still";
  nextFrame();
  {
    std::lock_guard lock(shared.lock);
    EXPECT_EQ(shared.output.status, L"Hold still");
    EXPECT_EQ(shared.output.feedbackText, L"Point to aim");
  }
  script.hand = false;
  nextFrame();
  EXPECT_EQ(clock.lastSleep(), milliseconds(90));
}

TEST_F(Worker, ACameraRestartStartsAfresh) {
  const auto worker = startWorker();
  camera.start({}, false);
  nextFrame();
  camera.stop();
  ASSERT_TRUE(clock.turn());
  camera.start({}, false);
  script.status = L"Hold still";
  nextFrame();  // sequence 1 again, and the new status shows at once
  EXPECT_EQ(script.processed, (std::vector<std::uint64_t>{1, 1}));
  std::lock_guard lock(shared.lock);
  EXPECT_EQ(shared.output.feedbackText, L"Hold still");
}

TEST_F(Worker, ResetsTheProviderWhenTheGateGenerationMoves) {
  const auto worker = startWorker();
  camera.start({}, false);
  nextFrame();
  EXPECT_EQ(script.resets, 0);
  gate.stampPhysicalEvent(clock.tickMs());
  nextFrame();
  nextFrame();
  EXPECT_EQ(script.resets, 1) << "once per move";
}

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

TEST_F(Worker, ShowsBlockedInputAndKeepsGoing) {
  const auto worker = startWorker();
  gate.setEnabled(true);
  camera.start({}, false);
  script.actions = {moveAction({0.5f, 0.5f})};
  sink.refusals = 1;
  nextFrame();
  EXPECT_EQ(appError(), kInputBlocked);
  const std::uint64_t next = nextFrame();
  EXPECT_EQ(publishedSequence(), next);
}

TEST_F(Worker, AModelThatCannotLoadFailsTheTracker) {
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
  EXPECT_EQ(publishedSequence(), 0u);
}

TEST_F(Worker, AnInferenceErrorFailsTheTrackerAndEndsTheThread) {
  camera.start({}, false);
  camera.publish(0, clock.tickMs());
  script.failInProcess = true;
  clock.release();
  runTrackingWorker(links);
  EXPECT_TRUE(flags.trackerFailed);
  EXPECT_EQ(appError(), L"Tracker unavailable: inference failed");
  EXPECT_EQ(script.destroyed, 1);
}

// Stops at every point of the loop: before the models are in, idle, polling, right after a frame.
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
