// Cameras through Media Foundation (Windows only).
#pragma once

#include <vector>

#include "camera/camera_capture.h"

namespace vel {

// The video capture devices in the order Media Foundation reports them. Needs COM and
// Media Foundation started on the calling thread; failures throw "<step> (0x%08lx)".
std::vector<CameraDevice> enumerateCameras();

// The capture body of the program's camera: asynchronous source reader, one read in flight,
// RGB32 through the reader's video processing. Initialises COM for its own thread.
void captureWithMediaFoundation(const CameraDevice& device, bool detail, CaptureContext& context);

}  // namespace vel
