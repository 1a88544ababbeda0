// The camera as the rest of the program sees it: a device list entry and a capture that
// publishes its newest frame. Media Foundation sits behind it on Windows; tests replay images.
#pragma once

#include <cstddef>
#include <string>

#include "camera/frame.h"

namespace vel {

struct CameraDevice {
  std::wstring name;      // friendly name, "Camera" when the device has none
  std::wstring deviceId;  // symbolic link: what opens the device and tags a calibration
};

class ICamera {
 public:
  virtual ~ICamera() = default;
  // Returns before the device is open; success or failure shows later through the three readers.
  // `detail` prefers a larger format of the same aspect over the 640 x 480 baseline.
  virtual void start(const CameraDevice& device, bool detail) = 0;
  // Joins the capture and drops the latest frame; the last error stays.
  virtual void stop() = 0;
  virtual FramePtr latestFrame() const = 0;
  virtual bool running() const = 0;
  virtual std::wstring lastError() const = 0;
};

// The `Camera` setting clamped into 0 .. max(count - 1, 0).
int clampCameraIndex(int camera, std::size_t count);

}  // namespace vel
