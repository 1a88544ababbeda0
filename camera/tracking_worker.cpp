// The tracking worker's loop, pacing and failure handling.
#include "camera/tracking_worker.h"

#include <exception>
#include <thread>
#include <utility>

#include "app/wide_text.h"
#include "camera/status_smoother.h"
#include "control/hand_provider.h"

namespace vel {
namespace {

using std::chrono::milliseconds;

// At most one frame per 33 ms with a hand in view, per 90 ms without (counted from the start of
// each frame's processing); polls every 5 ms for a new frame, every 60 ms while the camera is off.
constexpr milliseconds kHandPace{33};
constexpr milliseconds kNoHandPace{90};
constexpr milliseconds kFramePoll{5};
constexpr milliseconds kCameraOffPoll{60};

class SystemWorkerClock final : public IWorkerClock {
 public:
  TimePoint now() override { return std::chrono::steady_clock::now(); }
  void sleepUntil(TimePoint deadline) override { std::this_thread::sleep_until(deadline); }
  std::uint64_t tickMs() override { return tickCountMs(); }
};

void trackFrames(const TrackingWorkerLinks& links, IControlProvider& provider) {
  IWorkerClock& clock = links.clock;
  SharedSnapshot& shared = links.shared;
  std::uint64_t generationSeen = links.gate.readGeneration();
  std::uint64_t lastSequence = 0;
  StatusSmoother smoother;
  Settings settings;
  while (!links.flags.stopRequested) {
    const FramePtr frame = links.camera.latestFrame();
    if (!frame || !links.camera.running()) {
      smoother.reset();  // after a restart the first status shows at once
      lastSequence = 0;
      clock.sleepUntil(clock.now() + kCameraOffPoll);
      continue;
    }
    if (frame->sequence == lastSequence) {
      clock.sleepUntil(clock.now() + kFramePoll);
      continue;
    }
    const IWorkerClock::TimePoint start = clock.now();
    lastSequence = frame->sequence;

    // Any interruption the gate counted makes the provider forget its gestures first.
    const std::uint64_t generation = links.gate.readGeneration();
    if (generation != generationSeen) {
      provider.reset();
      generationSeen = generation;
    }
    {
      std::lock_guard lock(shared.lock);
      settings = shared.settings;
    }
    ControlOutput output = provider.process(*frame, settings);
    if (!links.gate.apply(output, generationSeen)) {
      std::lock_guard lock(shared.lock);
      shared.appError = kInputBlocked;
    }
    smoother.update(output.status, output.needsGuidance, output.timeMs, output.fired);
    output.feedbackText = smoother.shownText;
    output.feedbackFlag = smoother.shownWarning;
    // An interruption while this frame was processed makes its gestures void for practice too.
    if (links.gate.readGeneration() == generationSeen) {
      links.practice.practiceOnOutput(output, static_cast<std::int64_t>(clock.tickMs()));
    }
    const bool handPresent = output.handPresent;
    {
      std::lock_guard lock(shared.lock);
      shared.output = std::move(output);
      shared.frame = frame;
    }
    clock.sleepUntil(start + (handPresent ? kHandPace : kNoHandPace));
  }
}

}  // namespace

IWorkerClock& systemWorkerClock() {
  static SystemWorkerClock clock;
  return clock;
}

ProviderFactory handProviderFactory(std::filesystem::path modelsDir) {
  return [modelsDir = std::move(modelsDir)]() -> std::unique_ptr<IControlProvider> {
    return std::make_unique<HandProvider>(modelsDir);
  };
}

void runTrackingWorker(const TrackingWorkerLinks& links) {
  try {
    const std::unique_ptr<IControlProvider> provider = links.makeProvider();
    links.flags.trackerReady = true;
    trackFrames(links, *provider);
  } catch (const std::exception& error) {
    // No retry: the main window refuses to start anything while trackerFailed is set.
    links.gate.setEnabled(false);
    std::lock_guard lock(links.shared.lock);
    links.shared.appError = kTrackerUnavailable + toWide(error.what());
    links.flags.trackerReady = false;
    links.flags.trackerFailed = true;
  }
}

}  // namespace vel
