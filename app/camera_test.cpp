// Camera start/stop cycles with the first-frame wait and the delivery count.
#include "app/camera_test.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <thread>

#include "app/report_format.h"
#include "app/settings.h"
#include "control/tick_clock.h"

namespace vel {
namespace {

constexpr int kCycles = 3;
constexpr std::uint64_t kFirstFrameWaitMs = 15000;
constexpr std::uint32_t kFirstFramePollMs = 40;
constexpr std::uint64_t kDeliveryWatchMs = 1999;  // watching ends once more than this has passed
constexpr std::uint32_t kDeliveryPollMs = 5;

class SystemTestClock final : public ITestClock {
 public:
  std::uint64_t nowMs() override { return tickCountMs(); }
  void sleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

FramePtr waitForFirstFrame(const ICamera& camera, ITestClock& clock) {
  const std::uint64_t start = clock.nowMs();
  while (camera.running() && !camera.latestFrame() && clock.nowMs() - start < kFirstFrameWaitMs) {
    clock.sleepMs(kFirstFramePollMs);
  }
  return camera.latestFrame();
}

struct Delivery {
  std::uint64_t frames = 0;  // published after `first`
  std::uint64_t largestGapMs = 0;
};

Delivery watchDelivery(const ICamera& camera, ITestClock& clock, const Frame& first) {
  Delivery delivery;
  const std::uint64_t start = clock.nowMs();
  std::uint64_t lastSequence = first.sequence;
  std::uint64_t lastTimeMs = 0;
  while (camera.running() && clock.nowMs() - start <= kDeliveryWatchMs) {
    const FramePtr frame = camera.latestFrame();
    if (frame && frame->sequence != lastSequence) {
      if (delivery.frames > 0) delivery.largestGapMs = std::max(delivery.largestGapMs, frame->timeMs - lastTimeMs);
      ++delivery.frames;
      lastSequence = frame->sequence;
      lastTimeMs = frame->timeMs;
    }
    clock.sleepMs(kDeliveryPollMs);
  }
  return delivery;
}

}  // namespace

ITestClock& systemTestClock() {
  static SystemTestClock clock;
  return clock;
}

int runCameraTest(std::ostream& report, const CameraTestLinks& links) {
  useReportFormat(report);
  ICamera& camera = links.camera;
  ITestClock& clock = links.clock;
  try {
    const std::vector<CameraDevice> cameras = links.listCameras();
    if (cameras.empty()) throw std::runtime_error("No camera detected");
    const int chosen = clampCameraIndex(loadSettings(links.settings).settings.Camera, cameras.size());
    const CameraDevice& device = cameras[static_cast<std::size_t>(chosen)];

    for (int cycle = 1; cycle <= kCycles; ++cycle) {
      const bool detail = cycle > 1;
      camera.start(device, detail);
      const FramePtr frame = waitForFirstFrame(camera, clock);
      const Delivery delivery = frame && camera.running() ? watchDelivery(camera, clock, *frame) : Delivery{};
      const std::uint64_t stopStart = clock.nowMs();
      camera.stop();

      report << "Cycle " << cycle << (detail ? " detail" : " baseline") << ": frame=" << (frame != nullptr);
      if (frame) {
        report << ", size=" << frame->width << "x" << frame->height << ", observed_frames_2s=" << delivery.frames
               << ", max_delivery_gap_ms=" << delivery.largestGapMs;
      }
      report << ", stopped=" << !camera.running() << ", stop_ms=" << clock.nowMs() - stopStart << "\n";
      // A hanging later cycle must not take this line with it.
      report.flush();
      if (!frame) throw std::runtime_error("Camera did not deliver a frame");
    }
    report << "Result: PASS\n";
    return 0;
  } catch (const std::exception& error) {
    report << "ERROR: " << error.what() << "\nResult: FAIL\n";
    return 2;
  }
}

}  // namespace vel
