// Drawing one gesture illustration cell into a GDI device context (Windows only).
#pragma once

#include <windows.h>

#include "camera/guide_images.h"

namespace vel {

// Draws the cell scaled to fit the rectangle and centred; nothing for an invalid reference or
// an unloaded sheet. Leaves the context's stretch mode at HALFTONE.
void drawGuideCell(const GuideImageSet& images, HDC dc, CellRef ref, int x, int y, int width, int height);

}  // namespace vel
