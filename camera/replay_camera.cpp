// The replaying camera: frames are copies of the images, stamped at publish time.
#include "camera/replay_camera.h"

#include <memory>

namespace vel {

void ReplayCamera::start(const CameraDevice&, bool) {
  std::lock_guard lock(mutex_);
  latest_.reset();
  sequence_ = 0;
  running_ = true;
}

void ReplayCamera::stop() {
  std::lock_guard lock(mutex_);
  running_ = false;
  latest_.reset();
}

FramePtr ReplayCamera::latestFrame() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

std::uint64_t ReplayCamera::publish(std::size_t image, std::uint64_t timeMs) {
  if (images_.empty()) return 0;
  // The copy is made outside the lock, as a capture thread fills a frame before publishing it.
  auto frame = std::make_shared<Frame>(images_[image % images_.size()]);
  frame->timeMs = timeMs;
  std::lock_guard lock(mutex_);
  if (!running_) return 0;
  frame->sequence = ++sequence_;
  latest_ = std::move(frame);
  return sequence_;
}

}  // namespace vel
