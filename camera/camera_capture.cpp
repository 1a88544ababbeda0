// The capture's thread and its observable states: opening, streaming, failed and stopped.
#include "camera/camera_capture.h"

#include <exception>

namespace vel {

namespace {

// Error texts are ASCII: each byte becomes one UTF-16 unit.
std::wstring widen(const char* text) {
  std::wstring wide;
  for (; *text; ++text) wide.push_back(static_cast<unsigned char>(*text));
  return wide;
}

}  // namespace

void CameraCapture::start(const CameraDevice& device, bool detail) {
  stop();
  {
    std::lock_guard lock(mutex_);
    latest_.reset();
    lastError_.clear();
  }
  stopRequested_ = false;
  running_ = true;
  try {
    thread_ = std::thread(&CameraCapture::captureThread, this, device, detail);
  } catch (...) {
    running_ = false;
    throw;
  }
}

void CameraCapture::stop() {
  stopRequested_ = true;
  if (thread_.joinable()) thread_.join();
  running_ = false;
  std::lock_guard lock(mutex_);
  latest_.reset();
}

FramePtr CameraCapture::latestFrame() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

std::wstring CameraCapture::lastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

void CameraCapture::publish(FramePtr frame) {
  std::lock_guard lock(mutex_);
  latest_ = std::move(frame);
}

void CameraCapture::fail(const char* message) {
  // A stop during opening ends the body with an error nobody needs to read.
  if (stopRequested_) return;
  std::lock_guard lock(mutex_);
  lastError_ = widen(message);
}

void CameraCapture::captureThread(CameraDevice device, bool detail) {
  try {
    body_(device, detail, *this);
  } catch (const std::exception& error) {
    fail(error.what());
  }
  running_ = false;  // only once the error text is in place
}

}  // namespace vel
