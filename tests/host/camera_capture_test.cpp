// The capture's observable states with scripted capture bodies in place of a camera.
#include "camera/camera_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace vel {
namespace {

const CameraDevice kDevice{L"Camera", L"\\\\?\\usb#test"};
constexpr const char* kFailure = "Camera disconnected or frame capture failed (0x80070015)";
const std::wstring kWideFailure(kFailure, kFailure + std::char_traits<char>::length(kFailure));

// Waits for what the capture thread brings about; the deadline only guards against a hang.
bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  return condition();
}

void waitForStop(const CaptureContext& context) {
  while (!context.stopRequested()) std::this_thread::yield();
}

// A failure keeps the last frame until the stop and the error text until the next start.
TEST(CameraCapture, StreamsRestartsThroughAStopAndFails) {
  std::atomic<int> live{0}, runs{0};
  std::atomic<bool> fail{false};
  CameraCapture capture([&](const CameraDevice& device, bool detail, CaptureContext& context) {
    EXPECT_EQ(++live, 1) << "never two capture threads at once";
    EXPECT_EQ(device.deviceId, kDevice.deviceId);
    ++runs;
    context.publish(makeFrame(4, 2, detail ? 2 : 1, 0));
    if (fail) {
      context.publish(makeFrame(4, 2, 3, 0));
      --live;
      throw std::runtime_error(kFailure);
    }
    waitForStop(context);
    --live;
  });
  capture.start(kDevice, true);
  EXPECT_TRUE(capture.running());
  ASSERT_TRUE(eventually([&] { return capture.latestFrame() != nullptr; }));
  const FramePtr held = capture.latestFrame();
  EXPECT_EQ(held->sequence, 2u);
  capture.start(kDevice, false);
  fail = true;
  capture.start(kDevice, false);
  ASSERT_TRUE(eventually([&] { return !capture.running(); }));
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(capture.lastError(), kWideFailure);
  EXPECT_EQ(capture.latestFrame()->sequence, 3u);
  capture.stop();
  EXPECT_TRUE(capture.latestFrame() == nullptr && capture.lastError() == kWideFailure);
  EXPECT_TRUE(held->wellFormed()) << "a reader's frame outlives the capture's slot";
  fail = false;
  capture.start(kDevice, false);
  EXPECT_TRUE(capture.lastError().empty());
  capture.stop();
  EXPECT_TRUE(!capture.running() && capture.latestFrame() == nullptr && capture.lastError().empty());
}

// A stop while the device opens ends the body with an error nobody reads; an error reported
// before a slow shutdown (the media source's) survives a stop that arrives during it.
TEST(CameraCapture, AStopKeepsOnlyAnErrorReportedBeforeIt) {
  for (const bool reported : {false, true}) {
    std::atomic<bool> waiting{false};
    CameraCapture capture([&](const CameraDevice&, bool, CaptureContext& context) {
      if (reported) context.fail(kFailure);
      waiting = true;
      waitForStop(context);
      throw std::runtime_error("Camera stopped");
    });
    capture.start(kDevice, true);
    ASSERT_TRUE(eventually([&] { return waiting.load(); }));
    EXPECT_TRUE(capture.running());
    capture.stop();
    EXPECT_EQ(capture.lastError(), reported ? kWideFailure : L"") << reported;
  }
}

}  // namespace
}  // namespace vel
