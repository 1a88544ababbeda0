// A tracking worker under a test's control: virtual time that passes only when the worker sleeps,
// the worker stepped one loop turn at a time, and a provider that plays a script.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/tracking_worker.h"

namespace vel::test {

// Each sleep moves time to its deadline; in lockstep it then blocks until the test grants a turn,
// free running it returns at once.
class LockstepClock final : public IWorkerClock {
 public:
  explicit LockstepClock(bool freeRunning = false) : freeRunning_(freeRunning) {}

  TimePoint now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void sleepUntil(TimePoint deadline) override {
    std::unique_lock lock(mutex_);
    lastSleep_ = deadline - now_;
    now_ = std::max(now_, deadline);
    asleep_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return freeRunning_ || turns_ > 0; });
    turns_ -= freeRunning_ ? 0 : 1;
    asleep_ = false;
    if (!freeRunning_) return;
    lock.unlock();
    std::this_thread::yield();
  }
  std::uint64_t tickMs() override {  // far above 0, which means "none"
    std::lock_guard lock(mutex_);
    return 1'000'000 + static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now_.time_since_epoch()).count());
  }

  // One loop turn of a sleeping worker; false when it does not get back to sleep within a minute.
  bool turn() {
    std::unique_lock lock(mutex_);
    if (!waitAsleep(lock)) return false;
    ++turns_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return turns_ == 0; });
    return waitAsleep(lock);
  }
  bool waitForSleep() {
    std::unique_lock lock(mutex_);
    return waitAsleep(lock);
  }
  void release() {  // the way out for a worker that is to stop
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

  std::mutex mutex_;
  std::condition_variable changed_;
  TimePoint now_{};
  TimePoint::duration lastSleep_{};
  bool asleep_ = false;
  bool freeRunning_;
  int turns_ = 0;
};

// What a scripted provider returns and what happened to it; read only while the worker sleeps
// in lockstep or after it has been joined.
struct ProviderScript {
  bool hand = true;
  std::wstring status = L"Point to aim";
  std::vector<ActionRecord> actions;
  std::function<void()> duringProcess;  // may throw, as a failing inference does
  int created = 0, destroyed = 0;
  std::vector<std::uint64_t> processed;  // frame sequences
};

class ScriptedProvider final : public IControlProvider {
 public:
  explicit ScriptedProvider(ProviderScript& script) : script_(script) { ++script_.created; }
  ~ScriptedProvider() override { ++script_.destroyed; }

  ControlOutput process(const Frame& frame, const Settings&) override {
    if (script_.duringProcess) script_.duringProcess();
    script_.processed.push_back(frame.sequence);
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
  void reset() override {}
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
