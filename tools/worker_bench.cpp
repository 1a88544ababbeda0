// velmora-worker-bench [SECONDS]: the tracking worker with the real models on a replaying camera
// at 30 frames per second with a pointing hand in view. Prints the worker thread's busy CPU time
// per second, the frame-to-published-snapshot latency, and the CPU time of one landmark inference
// measured in the same run, against the target of 1.1 × 30 inferences per second.
// Figures only: whether the target is met is printed, never asserted.
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

#include "app/exe_dir.h"
#include "camera/image_file.h"
#include "camera/replay_camera.h"
#include "camera/tracking_worker.h"
#include "control/tick_clock.h"
#include "tracking/model_runtime.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::duration;

constexpr auto kFramePeriod = std::chrono::nanoseconds(1'000'000'000 / 30);
constexpr auto kWarmUp = std::chrono::seconds(2);
constexpr int kInferences = 100;

double cpuMs(clockid_t clock) {
  timespec time{};
  clock_gettime(clock, &time);
  return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_nsec) / 1e6;
}

double msBetween(Clock::time_point from, Clock::time_point to) {
  return duration<double, std::milli>(to - from).count();
}

// Control is on, so the gate's path is measured too; the desktop is left alone.
class NullSink final : public vel::IActionSink {
 public:
  bool perform(const vel::ActionRecord&) override { return true; }
  void setTarget(const vel::DesktopRect&) override {}
};

struct CpuFigures {
  double thread = 0.0;
  double process = 0.0;
};

// One inference of the landmark model on its own, paced at 30 per second like the worker (an idle
// ONNX Runtime pool leaves more of each run to the calling thread than back-to-back runs do).
CpuFigures landmarkInferenceCpu(const std::filesystem::path& modelsDir) {
  vel::ModelRuntime runtime(modelsDir);
  runtime.run(runtime.hand());  // the first run sets up buffers
  const double thread = cpuMs(CLOCK_THREAD_CPUTIME_ID);
  const double process = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < kInferences; ++i) {
    std::this_thread::sleep_until(start + kFramePeriod * i);
    runtime.run(runtime.hand());
  }
  return {(cpuMs(CLOCK_THREAD_CPUTIME_ID) - thread) / kInferences,
          (cpuMs(CLOCK_PROCESS_CPUTIME_ID) - process) / kInferences};
}

int run(int seconds) {
  const std::filesystem::path modelsDir = vel::exeDir() / "models";
  const auto images = vel::decodeImageFile(std::filesystem::path(VEL_TESTDATA) / "poses" / "one.png");
  vel::ReplayCamera camera{{images.front()}};
  NullSink sink;
  vel::InputGate gate{sink};
  vel::PracticeEngine practice;
  vel::SharedSnapshot shared;
  vel::ThreadFlags flags;
  const vel::TrackingWorkerLinks links{shared, flags, camera, gate, practice, vel::handProviderFactory(modelsDir)};
  std::thread worker(vel::runTrackingWorker, std::cref(links));
  while (!flags.trackerReady && !flags.trackerFailed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (flags.trackerFailed) {
    worker.join();
    std::fprintf(stderr, "velmora-worker-bench: the tracker failed to start (models in %s)\n", modelsDir.c_str());
    return 1;
  }
  gate.setEnabled(true);
  camera.start({}, false);

  // Frame n is published at start + n periods; each thread writes only its own array.
  const std::size_t frames = static_cast<std::size_t>(30 * (seconds + 3));
  std::vector<Clock::time_point> publishedAt(frames + 1);
  std::vector<Clock::time_point> seenAt(frames + 1);
  std::atomic<bool> feeding{true};
  const Clock::time_point start = Clock::now();
  std::thread feeder([&] {
    for (std::size_t n = 0; n < frames && feeding; ++n) {
      std::this_thread::sleep_until(start + kFramePeriod * static_cast<long>(n));
      const std::uint64_t sequence = camera.publish(0, vel::tickCountMs());
      publishedAt[sequence] = Clock::now();
    }
  });

  clockid_t workerClock{};
  pthread_getcpuclockid(worker.native_handle(), &workerClock);
  const Clock::time_point windowStart = start + kWarmUp;
  const Clock::time_point windowEnd = windowStart + std::chrono::seconds(seconds);
  double workerCpuStart = 0.0;
  double processCpuStart = 0.0;
  bool inWindow = false;
  std::uint64_t lastSeen = 0;
  std::uint64_t firstInWindow = 0;
  std::uint64_t handFrames = 0;
  // The snapshot is sampled every millisecond: latencies read up to that much high.
  for (Clock::time_point now = Clock::now(); now < windowEnd; now = Clock::now()) {
    if (!inWindow && now >= windowStart) {
      inWindow = true;
      workerCpuStart = cpuMs(workerClock);
      processCpuStart = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
      firstInWindow = lastSeen + 1;
    }
    {
      std::lock_guard lock(shared.lock);
      if (shared.output.sequence != lastSeen && shared.output.sequence <= frames) {
        lastSeen = shared.output.sequence;
        seenAt[lastSeen] = now;
        if (inWindow && shared.output.handPresent) ++handFrames;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const double workerCpu = cpuMs(workerClock) - workerCpuStart;
  const double processCpu = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processCpuStart;
  feeding = false;
  flags.stopRequested = true;
  feeder.join();
  camera.stop();
  worker.join();

  std::vector<double> latencies;
  for (std::uint64_t sequence = firstInWindow; sequence <= lastSeen; ++sequence) {
    if (seenAt[sequence] != Clock::time_point{}) latencies.push_back(msBetween(publishedAt[sequence], seenAt[sequence]));
  }
  std::sort(latencies.begin(), latencies.end());
  double mean = 0.0;
  for (double latency : latencies) mean += latency;
  mean /= static_cast<double>(std::max<std::size_t>(latencies.size(), 1));
  const double p95 = latencies.empty() ? 0.0 : latencies[latencies.size() * 95 / 100];

  const CpuFigures inference = landmarkInferenceCpu(modelsDir);
  const double workerPerSecond = workerCpu / seconds;
  const double target = 1.1 * 30.0 * inference.thread;
  std::printf("worker over %d s at 30 fps: %zu snapshots published, %llu with a hand\n", seconds, latencies.size(),
              static_cast<unsigned long long>(handFrames));
  std::printf("worker thread busy CPU: %.1f ms/s (%.1f %% of one core); whole process %.1f ms/s\n", workerPerSecond,
              workerPerSecond / 10.0, processCpu / seconds);
  std::printf("frame to published snapshot: mean %.1f ms, p95 %.1f ms\n", mean, p95);
  std::printf("one landmark inference at 30 per second: %.2f ms CPU on the calling thread, %.2f ms whole process\n",
              inference.thread, inference.process);
  std::printf("target busy CPU <= 1.1 x 30 x %.2f = %.1f ms/s: %s\n", inference.thread, target,
              workerPerSecond <= target ? "met" : "NOT met");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc > 1 ? std::max(1, std::atoi(argv[1])) : 10);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "velmora-worker-bench: %s\n", error.what());
    return 1;
  }
}
