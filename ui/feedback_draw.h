// The feedback both the main window and the overlays draw (Windows only): the filling
// click-progress circle and the card of gesture tiles.
#pragma once

#include <windows.h>

#include "camera/guide_images.h"
#include "control/actions.h"
#include "ui/filling_circle.h"

namespace vel {

// The circle of `radius` around (centreX, centreY) in the context's logical units; its liquid is
// clipped to the circle even under a world transform.
void drawFillingCircle(HDC dc, int centreX, int centreY, int radius, const CircleDrawing& input);

// The white tile card at (x, y), `width` wide and 170 high, with one tile per listed pose (see
// gestureTiles); the tile of `highlightPose` gets an accent frame.
void drawGestureTiles(HDC dc, const GuideImageSet& guideImages, const Gestures& assignments, int x, int y, int width,
                      int highlightPose, bool practice);

}  // namespace vel
