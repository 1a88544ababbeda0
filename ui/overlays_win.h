// The three feedback windows over the desktop: click progress, hand guidance, gesture reference.
#pragma once

#include <windows.h>

#include <array>

#include "app/settings.h"
#include "camera/guide_images.h"
#include "control/control_output.h"

namespace vel {

class OverlaySet {
 public:
  // True only when all three windows exist.
  bool create(const GuideImageSet& images);
  void update(const Settings& geometry, const DesktopRect& target, const ControlOutput& snapshot, bool showCircle,
              bool showGuidance, const Gestures& assignments, bool showReference);
  void destroy();
  bool complete() const;

 private:
  std::array<HWND, 3> windows_{};
};

}  // namespace vel
