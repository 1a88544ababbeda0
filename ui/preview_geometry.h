// Where the camera image, the hand, the movement area and the practice targets sit in the main
// window's preview well, in 96-DPI client units, so painting and practice agree to the pixel.
#pragma once

#include "app/settings.h"
#include "control/pointer.h"
#include "tracking/point.h"

namespace vel {

// The fixed well the preview is fitted into.
inline constexpr int kPreviewWellLeft = 44;
inline constexpr int kPreviewWellTop = 108;
inline constexpr int kPreviewWellWidth = 712;
inline constexpr int kPreviewWellHeight = 244;

// The camera image's rectangle; it also keeps the frame size its mappings divide by.
struct PreviewRect {
  int left = 0;
  int top = 0;
  int width = 0;   // pw
  int height = 0;  // ph
  int frameWidth = 0;
  int frameHeight = 0;
};

struct PreviewSize {
  int width = 0;
  int height = 0;
};

// The frame scaled to fit the well, keeping its aspect, centred.
PreviewRect previewRect(int frameWidth, int frameHeight);

// The movement area in camera-image fractions: the measured one when it suits this frame's shape,
// otherwise the margin square (the same rectangle the pointer is mapped through at rest).
ReachRect effectiveMovementArea(const Settings& settings, int frameWidth, int frameHeight);

// A camera-image pixel position in preview units, mirrored like the picture when `mirror` is set.
Point frameToPreview(const PreviewRect& preview, Point framePixel, bool mirror);

// A point given in 0..1 of `area` (a pointer or practice target) in preview units; the picture's
// mirroring does not apply, since the area's positions already are the pointer's.
Point areaToPreview(const PreviewRect& preview, const ReachRect& area, Point areaPoint);

// The inverse of areaToPreview: a preview position in 0..1 of `area` (outside 0..1 beyond it).
Point previewToArea(const PreviewRect& preview, const ReachRect& area, Point previewPoint);

// How many preview pixels `area` spans, at least 2 × 2.
PreviewSize areaSizeInPreview(const PreviewRect& preview, const ReachRect& area);

}  // namespace vel
