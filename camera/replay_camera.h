// A camera that replays prepared images under its caller's control: each publish turns one image
// into the next camera frame with the time the caller gives. Tests and benchmarks use it where a
// real camera is missing (the host, Wine).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "camera/camera.h"

namespace vel {

class ReplayCamera final : public ICamera {
 public:
  explicit ReplayCamera(std::vector<Frame> images) : images_(std::move(images)) {}

  // Running, with no frame yet; sequences start again at 1.
  void start(const CameraDevice& device, bool detail) override;
  void stop() override;
  FramePtr latestFrame() const override;
  bool running() const override { return running_; }
  std::wstring lastError() const override { return {}; }

  // Publishes image `image` (modulo the count) as the next frame, taken at `timeMs`, and returns
  // its sequence; 0 and nothing published while stopped.
  std::uint64_t publish(std::size_t image, std::uint64_t timeMs);

  std::size_t imageCount() const { return images_.size(); }

 private:
  const std::vector<Frame> images_;
  std::atomic<bool> running_{false};
  mutable std::mutex mutex_;  // guards the two below
  FramePtr latest_;
  std::uint64_t sequence_ = 0;
};

}  // namespace vel
