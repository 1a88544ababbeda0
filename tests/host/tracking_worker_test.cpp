// The tracking worker with the replaying camera and a scripted provider, run on the test's thread:
// virtual time passes only while it sleeps, each sleep runs the test's next step, and the sleep
// after the last step asks it to stop.
#include "camera/tracking_worker.h"

#include <gtest/gtest.h>

#include "camera/replay_camera.h"
#include "tests/support/recording_sink.h"

namespace vel {
namespace {

using std::chrono::milliseconds;

struct Script {
  bool hand = true;
  std::wstring status = L"Point to aim";
  std::vector<ActionRecord> actions;
  std::function<void()> duringProcess;  // may throw, as a failing inference does
  std::vector<std::uint64_t> processed;  // frame sequences
  int resets = 0, destroyed = 0, clickWait = 0;  // the ClickWait of the last frame's settings
};

class ScriptedProvider final : public IControlProvider {
 public:
  explicit ScriptedProvider(Script& script) : s_(script) {}
  ~ScriptedProvider() override { ++s_.destroyed; }
  ControlOutput process(const Frame& frame, const Settings& settings) override {
    if (s_.duringProcess) s_.duringProcess();
    s_.processed.push_back(frame.sequence);
    s_.clickWait = settings.ClickWait;
    ControlOutput output;
    std::tie(output.timeMs, output.sequence, output.handPresent, output.needsGuidance, output.actions) =
        std::tuple(static_cast<std::int64_t>(frame.timeMs), frame.sequence, s_.hand, !s_.hand, s_.actions);
    output.status = s_.hand ? s_.status : L"";
    return output;
  }
  void reset() override { ++s_.resets; }
  const wchar_t* name() const override { return L"Scripted"; }

 private:
  Script& s_;
};

class Worker : public ::testing::Test, public IWorkerClock {
 protected:
  TimePoint now() override { return now_; }
  void sleepUntil(TimePoint deadline) override {
    sleeps.push_back((deadline - now_) / milliseconds(1));
    now_ = std::max(now_, deadline);
    if (sleeps.size() > steps.size()) flags.stopRequested = true;
    else steps[sleeps.size() - 1]();
  }
  std::uint64_t tickMs() override { return 1'000'000u + static_cast<std::uint64_t>(now_.time_since_epoch() / milliseconds(1)); }

  std::uint64_t publish() { return camera.publish(0, tickMs()); }
  std::uint64_t practised() { return practice.practiceForPaint(static_cast<std::int64_t>(tickMs())).output.sequence; }

  TimePoint now_{};
  std::vector<std::function<void()>> steps;
  std::vector<long long> sleeps;  // milliseconds
  Script script;
  ReplayCamera camera{{*makeFrame(64, 48, 0, 0)}};
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return tickMs(); }};
  PracticeEngine practice;
  SharedSnapshot shared;
  const ControlOutput& out = shared.output;
  ThreadFlags flags;
};

// Also: blocked input is shown and the worker keeps going; the refused frame, which disabled the
// gate while it was processed, is void for practice; a failing inference ends the worker.
TEST_F(Worker, ProcessesEachNewFrameOncePacedByTheHandSteadiesTheStatusAndFails) {
  practice.startPractice(static_cast<std::int64_t>(tickMs()), 276, 208, kDefaultGestures);
  steps = {[&] {
             EXPECT_TRUE(flags.trackerReady);
             camera.start({}, false);
             publish();
           },
           [&] { EXPECT_EQ(shared.frame, camera.latestFrame()) << "the preview shows the output's image"; },
           [&] {
             std::tie(script.status, script.actions, sink.refusals) = std::tuple(L"Hold still", std::vector{moveAction({})}, 1);
             gate.setEnabled(true);
             publish();
           },
           [&] {
             EXPECT_EQ(shared.appError, kInputBlocked);
             EXPECT_EQ(std::pair(practised(), script.resets), std::pair(1ul, 1)) << "the enabled gate's interruption";
             EXPECT_EQ(std::tie(out.status, out.feedbackText), std::tuple(L"Hold still", L"Point to aim")) << "steadied";
             script.hand = false;
             publish();
           },
           [&] {
             EXPECT_TRUE(!out.feedbackFlag && out.needsGuidance);
             camera.stop();
             EXPECT_EQ(publish(), 0u) << "a stopped camera delivers nothing";
           },
           [&] {
             camera.start({}, false);  // sequences begin at 1 again, with a fresh status
             std::tie(script.hand, shared.settings.ClickWait) = std::tuple(true, 700);
             publish();
           },
           [&] {
             EXPECT_EQ(out.feedbackText, L"Hold still");
             gate.setEnabled(true);
             script.duringProcess = [] { throw std::runtime_error("inference failed — out of memory"); };
             publish();
           }};
  runTrackingWorker({shared, flags, camera, gate, practice, [&] { return std::make_unique<ScriptedProvider>(script); }, *this});
  EXPECT_EQ(sleeps, (std::vector<long long>{60, 33, 5, 33, 90, 60, 33}));
  EXPECT_EQ(script.processed, (std::vector<std::uint64_t>{1, 2, 3, 1}));
  EXPECT_EQ(std::tuple(script.resets, script.destroyed, script.clickWait), std::tuple(3, 1, 700))
      << "the refusal's and the last enabling";
  EXPECT_TRUE(!flags.trackerReady && flags.trackerFailed && !gate.enabled());
  EXPECT_EQ(shared.appError, L"Tracker unavailable: inference failed — out of memory");
  EXPECT_EQ(out.sequence, 1u) << "nothing published on the way out";
}

}  // namespace
}  // namespace vel
