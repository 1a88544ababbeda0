// A tracking worker under a test's control: a clock whose time passes only when the worker sleeps,
// the worker thread stepped one loop turn at a time, and a provider that plays a script.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "camera/tracking_worker.h"

namespace vel::test {

// Virtual time that moves only to the deadline of each worker sleep. In lockstep each sleep
// blocks until the test lets the worker take one more loop turn; free running, sleeps return at
// once and the worker spins.
class LockstepClock final : public IWorkerClock {
 public:
  static constexpr std::uint64_t kTickBase = 1'000'000;  // ms, far above 0 ("none")

  explicit LockstepClock(bool freeRunning = false) : freeRunning_(freeRunning) {}

  TimePoint now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void sleepUntil(TimePoint deadline) override {
    std::unique_lock lock(mutex_);
    lastSleep_ = deadline - now_;
    if (deadline > now_) now_ = deadline;
    asleep_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return freeRunning_ || turns_ > 0; });
    if (!freeRunning_) --turns_;
    asleep_ = false;
    if (freeRunning_) {
      lock.unlock();
      std::this_thread::yield();
    }
  }
  std::uint64_t tickMs() override {
    std::lock_guard lock(mutex_);
    return tickLocked();
  }

  // Waits until the worker sleeps, lets it run one loop turn, and waits until it sleeps again.
  // False when the worker did not get there within a minute (it ended, or hangs).
  bool turn() {
    std::unique_lock lock(mutex_);
    if (!waitAsleep(lock)) return false;
    ++turns_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return turns_ == 0; });
    return waitAsleep(lock);
  }
  // Waits until the worker sleeps (in lockstep it then stays asleep until the next turn).
  bool waitForSleep() {
    std::unique_lock lock(mutex_);
    return waitAsleep(lock);
  }
  // From now on sleeps return at once: the way out for a worker that is to stop.
  void release() {
    std::lock_guard lock(mutex_);
    freeRunning_ = true;
    changed_.notify_all();
  }
  std::chrono::milliseconds lastSleep() {
    std::lock_guard lock(mutex_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(lastSleep_);
  }

 private:
  bool waitAsleep(std::unique_lock<std::mutex>& lock) {
    return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return asleep_ && turns_ == 0; });
  }
  std::uint64_t tickLocked() const {
    return kTickBase + static_cast<std::uint64_t>(
                           std::chrono::duration_cast<std::chrono::milliseconds>(now_.time_since_epoch()).count());
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  TimePoint now_{};
  TimePoint::duration lastSleep_{};
  bool asleep_ = false;
  bool freeRunning_;
  int turns_ = 0;
};

// What a scripted provider returns and what happened to it; read by the test only while the
// worker sleeps in lockstep or after it has been joined.
struct ProviderScript {
  bool hand = true;
  std::wstring status = L"Point to aim";
  std::vector<ActionRecord> actions;
  std::function<void()> duringProcess;  // e.g. a physical mouse event while a frame is processed
  bool failInProcess = false;

  int created = 0;
  int destroyed = 0;
  int resets = 0;
  std::vector<std::uint64_t> processed;  // frame sequences
};

class ScriptedProvider final : public IControlProvider {
 public:
  explicit ScriptedProvider(ProviderScript& script) : script_(script) { ++script_.created; }
  ~ScriptedProvider() override { ++script_.destroyed; }

  ControlOutput process(const Frame& frame, const Settings&) override {
    if (script_.failInProcess) throw std::runtime_error("inference failed");
    script_.processed.push_back(frame.sequence);
    if (script_.duringProcess) script_.duringProcess();
    ControlOutput output;
    output.timeMs = static_cast<std::int64_t>(frame.timeMs);
    output.sequence = frame.sequence;
    output.frameWidth = frame.width;
    output.frameHeight = frame.height;
    output.handPresent = script_.hand;
    output.needsGuidance = !script_.hand;
    if (script_.hand) output.status = script_.status;
    output.actions = script_.actions;
    return output;
  }
  void reset() override { ++script_.resets; }
  const wchar_t* name() const override { return L"Scripted"; }

 private:
  ProviderScript& script_;
};

inline ProviderFactory scriptedProviders(ProviderScript& script) {
  return [&script] { return std::make_unique<ScriptedProvider>(script); };
}

// The worker's thread, stopped the way the main window stops it: stopRequested, camera stop, join.
class WorkerThread {
 public:
  WorkerThread(const TrackingWorkerLinks& links, ICamera& camera, LockstepClock& clock)
      : links_(links), camera_(camera), clock_(clock), thread_(runTrackingWorker, std::cref(links_)) {}
  ~WorkerThread() { stop(); }

  void stop() {
    if (!thread_.joinable()) return;
    links_.flags.stopRequested = true;
    clock_.release();
    camera_.stop();
    thread_.join();
  }

 private:
  const TrackingWorkerLinks links_;
  ICamera& camera_;
  LockstepClock& clock_;
  std::thread thread_;
};

}  // namespace vel::test
