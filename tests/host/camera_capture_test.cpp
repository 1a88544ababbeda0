// The capture's observable states with scripted capture bodies in place of a camera.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "camera/camera_capture.h"

namespace vel {
namespace {

const CameraDevice kDevice{L"Camera", L"\\\\?\\usb#test"};
const std::wstring kFailure = L"Camera disconnected or frame capture failed (0x80070015)";

// Waits for what the capture thread brings about; the deadline only guards against a hang.
template <typename Condition>
bool eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  return condition();
}

void waitForStop(const CaptureContext& context) {
  while (!context.stopRequested()) std::this_thread::yield();
}

TEST(CameraCapture, StartsIdleAndStreamsUntilStopped) {
  CameraCapture capture([](const CameraDevice& device, bool detail, CaptureContext& context) {
    EXPECT_EQ(device.deviceId, kDevice.deviceId);
    EXPECT_TRUE(detail);
    context.publish(makeFrame(4, 2, 1, 0));
    waitForStop(context);
  });
  EXPECT_FALSE(capture.running());
  capture.start(kDevice, true);
  EXPECT_TRUE(capture.running());
  ASSERT_TRUE(eventually([&] { return capture.latestFrame() != nullptr; }));
  const FramePtr held = capture.latestFrame();
  EXPECT_EQ(held->sequence, 1u);
  capture.stop();
  EXPECT_FALSE(capture.running());
  EXPECT_EQ(capture.latestFrame(), nullptr);
  EXPECT_TRUE(capture.lastError().empty());
  EXPECT_TRUE(held->wellFormed());  // a reader's frame outlives the capture's slot
}

TEST(CameraCapture, FailureKeepsTheLastFrameUntilStopAndTheTextUntilTheNextStart) {
  std::atomic<bool> fail{true};
  CameraCapture capture([&](const CameraDevice&, bool, CaptureContext& context) {
    if (!fail) return waitForStop(context);
    context.publish(makeFrame(4, 2, 1, 0));
    context.publish(makeFrame(4, 2, 2, 0));
    throw std::runtime_error("Camera disconnected or frame capture failed (0x80070015)");
  });
  capture.start(kDevice, false);
  ASSERT_TRUE(eventually([&] { return !capture.running(); }));
  EXPECT_EQ(capture.lastError(), kFailure);
  ASSERT_NE(capture.latestFrame(), nullptr);
  EXPECT_EQ(capture.latestFrame()->sequence, 2u);
  capture.stop();
  EXPECT_EQ(capture.latestFrame(), nullptr);
  EXPECT_EQ(capture.lastError(), kFailure);
  fail = false;
  capture.start(kDevice, false);
  EXPECT_TRUE(capture.lastError().empty());
  capture.stop();
}

TEST(CameraCapture, StopDuringOpeningRecordsNoError) {
  std::atomic<bool> opening{false};
  CameraCapture capture([&](const CameraDevice&, bool, CaptureContext& context) {
    opening = true;
    waitForStop(context);
    throw std::runtime_error("Camera stopped");
  });
  capture.start(kDevice, true);
  ASSERT_TRUE(eventually([&] { return opening.load(); }));
  capture.stop();
  EXPECT_TRUE(capture.lastError().empty());
}

TEST(CameraCapture, RestartPassesThroughStop) {
  std::atomic<int> runs{0};
  std::atomic<int> live{0};
  CameraCapture capture([&](const CameraDevice&, bool, CaptureContext& context) {
    EXPECT_EQ(++live, 1);  // never two capture threads at once
    ++runs;
    waitForStop(context);
    --live;
  });
  for (int i = 0; i < 3; ++i) capture.start(kDevice, i > 0);
  capture.stop();
  EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace vel
