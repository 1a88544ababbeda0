// Camera choice shared by the camera test and the main window.
#include "camera/camera.h"

#include <algorithm>

namespace vel {

int clampCameraIndex(int camera, std::size_t count) {
  const int last = count > 0 ? static_cast<int>(count) - 1 : 0;
  return std::clamp(camera, 0, last);
}

}  // namespace vel
