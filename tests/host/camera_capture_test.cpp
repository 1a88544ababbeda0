// The capture's observable states with scripted capture bodies in place of a camera.
#include "camera/camera_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "camera/replay_camera.h"

namespace vel {
namespace {

const CameraDevice kDevice{L"Camera", L"\\\\?\\usb#test"};
constexpr const char* kFailure = "Camera disconnected or frame capture failed (0x80070015)";

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

TEST(CameraCapture, StreamsUntilStoppedAndRestartsThroughAStop) {
  std::atomic<int> live{0}, runs{0};
  CameraCapture capture([&](const CameraDevice& device, bool detail, CaptureContext& context) {
    EXPECT_EQ(++live, 1) << "never two capture threads at once";
    EXPECT_EQ(device.deviceId, kDevice.deviceId);
    context.publish(makeFrame(4, 2, detail ? 2 : 1, 0));
    ++runs;
    waitForStop(context);
    --live;
  });
  EXPECT_FALSE(capture.running());
  capture.start(kDevice, true);
  EXPECT_TRUE(capture.running());
  ASSERT_TRUE(eventually([&] { return capture.latestFrame() != nullptr; }));
  const FramePtr held = capture.latestFrame();
  EXPECT_EQ(held->sequence, 2u);
  capture.start(kDevice, false);
  capture.start(kDevice, false);
  capture.stop();
  EXPECT_EQ(runs, 3);
  EXPECT_FALSE(capture.running());
  EXPECT_EQ(capture.latestFrame(), nullptr);
  EXPECT_TRUE(capture.lastError().empty());
  EXPECT_TRUE(held->wellFormed()) << "a reader's frame outlives the capture's slot";
}

TEST(CameraCapture, FailureKeepsTheLastFrameUntilStopAndTheTextUntilTheNextStart) {
  std::atomic<bool> fail{true};
  CameraCapture capture([&](const CameraDevice&, bool, CaptureContext& context) {
    if (!fail) return waitForStop(context);
    context.publish(makeFrame(4, 2, 1, 0));
    context.publish(makeFrame(4, 2, 2, 0));
    throw std::runtime_error(kFailure);
  });
  capture.start(kDevice, false);
  ASSERT_TRUE(eventually([&] { return !capture.running(); }));
  const std::wstring failure(kFailure, kFailure + std::char_traits<char>::length(kFailure));
  EXPECT_EQ(capture.lastError(), failure);
  ASSERT_NE(capture.latestFrame(), nullptr);
  EXPECT_EQ(capture.latestFrame()->sequence, 2u);
  capture.stop();
  EXPECT_EQ(capture.latestFrame(), nullptr);
  EXPECT_EQ(capture.lastError(), failure);
  fail = false;
  capture.start(kDevice, false);
  EXPECT_TRUE(capture.lastError().empty());
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
    EXPECT_EQ(capture.lastError().empty(), !reported) << reported;
  }
}

TEST(ReplayCamera, EachStartBeginsAgainWithoutAFrame) {
  ReplayCamera camera{{*makeFrame(4, 2, 0, 0)}};
  EXPECT_EQ(camera.publish(0, 1000), 0u) << "stopped";
  for (int run = 0; run < 2; ++run) {
    camera.start(kDevice, false);
    EXPECT_EQ(camera.latestFrame(), nullptr);
    EXPECT_EQ(camera.publish(7, 1000 + run), 1u);
    EXPECT_EQ(camera.latestFrame()->timeMs, 1000u + static_cast<unsigned>(run));
  }
}

}  // namespace
}  // namespace vel
