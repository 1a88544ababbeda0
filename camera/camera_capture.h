// A camera capture on a thread of its own: start, stop, the newest frame and the error that
// ended the last run. The platform part is a capture body (Media Foundation on Windows).
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "camera/camera.h"

namespace vel {

// What a capture body sees of its capture: the stop request, the newest-frame slot and the error.
class CaptureContext {
 public:
  virtual bool stopRequested() const = 0;
  virtual void publish(FramePtr frame) = 0;
  // Makes the ASCII `message` the last error unless a stop was requested. A body with slow
  // clean-up calls it first, so that a stop arriving during the clean-up keeps the text.
  virtual void fail(const char* message) = 0;

 protected:
  ~CaptureContext() = default;
};

// Opens `device` and publishes frames until a stop is requested or it fails; an error it throws
// is passed to `fail`.
using CaptureBody = std::function<void(const CameraDevice& device, bool detail, CaptureContext& context)>;

class CameraCapture final : public ICamera, private CaptureContext {
 public:
  explicit CameraCapture(CaptureBody body) : body_(std::move(body)) {}
  ~CameraCapture() override { stop(); }
  CameraCapture(const CameraCapture&) = delete;
  CameraCapture& operator=(const CameraCapture&) = delete;

  void start(const CameraDevice& device, bool detail) override;
  void stop() override;
  FramePtr latestFrame() const override;
  bool running() const override { return running_; }
  std::wstring lastError() const override;

 private:
  bool stopRequested() const override { return stopRequested_; }
  void publish(FramePtr frame) override;
  void fail(const char* message) override;
  void captureThread(CameraDevice device, bool detail);

  CaptureBody body_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> running_{false};
  std::thread thread_;
  mutable std::mutex mutex_;  // guards the two below; never held while the body works
  FramePtr latest_;
  std::wstring lastError_;
};

}  // namespace vel
