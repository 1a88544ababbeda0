// The tracking worker: the thread that turns each new camera frame into a control output, lets
// its actions through the input gate, steadies the status text, feeds practice and publishes the
// result with its frame for the main window.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/settings.h"
#include "camera/camera.h"
#include "control/control_output.h"
#include "control/control_provider.h"
#include "control/input_gate.h"
#include "ui/practice.h"

namespace vel {

inline constexpr const wchar_t* kInputBlocked =
    L"Windows blocked input. Control paused; elevated apps and security screens are unsupported.";
inline constexpr const wchar_t* kTrackerUnavailable = L"Tracker unavailable: ";

// What the snapshot lock guards: the settings the worker copies for each frame, the published
// output and frame, and the texts. The application state embeds one; taken before the gate
// lock and the practice lock, never while holding either.
struct SharedSnapshot {
  std::mutex lock;
  Settings settings;
  ControlOutput output;
  FramePtr frame;  // the frame `output` was computed from
  std::wstring appError;              // persistent until the next start attempt
  std::wstring notice;                // the latest result, shown until noticeUntil
  std::int64_t noticeUntil = 0;       // GetTickCount64 ms
};

struct ThreadFlags {
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> trackerReady{false};   // the models are loaded
  std::atomic<bool> trackerFailed{false};  // set with appError, under the snapshot lock
};

// How the worker passes time: a monotonic clock for pacing, the sleeps, and the tick time practice
// is judged by.
class IWorkerClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~IWorkerClock() = default;
  virtual TimePoint now() = 0;
  virtual void sleepUntil(TimePoint deadline) = 0;
  virtual std::uint64_t tickMs() = 0;
};

// The real clocks and sleeps.
IWorkerClock& systemWorkerClock();

// Called on the worker thread, so the models load there; throws when they cannot be used.
using ProviderFactory = std::function<std::unique_ptr<IControlProvider>()>;

// The program's provider: hand tracking with the models in `modelsDir`.
ProviderFactory handProviderFactory(std::filesystem::path modelsDir);

// Everything here must outlive the thread.
struct TrackingWorkerLinks {
  SharedSnapshot& shared;
  ThreadFlags& flags;
  const ICamera& camera;
  InputGate& gate;
  PracticeEngine& practice;
  ProviderFactory makeProvider;
  IWorkerClock& clock = systemWorkerClock();
};

// The thread's body: returns once stopRequested is seen, or after a fatal error has been reported
// through trackerFailed and appError. Publishes nothing on the way out.
void runTrackingWorker(const TrackingWorkerLinks& links);

}  // namespace vel
