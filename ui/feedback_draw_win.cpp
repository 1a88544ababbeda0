// The filling circle and the gesture tiles drawn with GDI from their portable shapes.
#include "ui/feedback_draw.h"

#include "camera/guide_draw.h"
#include "control/poses.h"
#include "ui/gdi_draw.h"
#include "ui/gesture_tiles.h"
#include "ui/palette.h"

namespace vel {
namespace {

// Clip regions are in device pixels: the circle's box goes through the context's transform first.
void clipToCircle(HDC dc, const Box& bounds) {
  POINT corners[2] = {{bounds.left, bounds.top}, {bounds.right, bounds.bottom}};
  LPtoDP(dc, corners, 2);
  const HRGN circle = CreateEllipticRgn(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
  ExtSelectClipRgn(dc, circle, RGN_AND);
  DeleteObject(circle);
}

}  // namespace

void drawFillingCircle(HDC dc, int centreX, int centreY, int radius, const CircleDrawing& input) {
  const CircleShape shape = circleShape(centreX, centreY, radius, input);
  if (shape.halo) strokeCircle(dc, centreX, centreY, shape.haloRadius, shape.haloPen, shape.haloColour);
  if (shape.liquid) {
    const int saved = SaveDC(dc);
    clipToCircle(dc, shape.bounds);
    fillPolygon(dc, shape.liquidPolygon, shape.liquidColour);
    if (shape.surfaceLine) {
      strokePolyline(dc, std::span(shape.liquidPolygon).first(kSurfacePoints), shape.surfacePen, kLiquidSurface);
    }
    RestoreDC(dc, saved);
  }
  strokeCircle(dc, centreX, centreY, shape.radius, shape.outlinePen, shape.outlineColour);
  if (shape.ring) {
    strokeCircle(dc, centreX, centreY, shape.ringRadius, shape.ringPen, kRingTrack);
    strokePolyline(dc, std::span(shape.ringArc).first(static_cast<std::size_t>(shape.ringSegments) + 1),
                   shape.ringPen, kAccent);
  }
  if (shape.checkMark) {
    drawLabel(dc, L"✓", shape.bounds, shape.checkHeight, FW_BOLD, kWhite,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  }
}

void drawGestureTiles(HDC dc, const GuideImageSet& guideImages, const Gestures& assignments, int x, int y, int width,
                      int highlightPose, bool practice) {
  const GestureTileList list = gestureTiles(assignments, practice);
  fillRoundBox(dc, tileCardBox(x, y, width), 20, kWhite);
  for (int k = 0; k < list.count; ++k) {
    const GestureTile& tile = list.tiles[static_cast<std::size_t>(k)];
    const TileBoxes boxes = tileBoxes(x, y, width, list.count, k);
    if (tile.pose == highlightPose) {
      fillRoundBox(dc, boxes.highlight, 12, kAccent);
      fillRoundBox(dc, boxes.highlight.inset(2), 10, kWhite);
    }
    const PoseInfo& pose = kPoses[static_cast<std::size_t>(tile.pose)];
    const Box& picture = boxes.illustration;
    drawGuideCell(guideImages, dc, {static_cast<std::size_t>(pose.sheet), pose.cell}, picture.left, picture.top,
                  picture.width(), picture.height());
    drawLabel(dc, tileTitle(tile), boxes.title, 13, 600, kInk, DT_CENTER | DT_WORDBREAK);
    drawLabel(dc, tileHint(tile), boxes.hint, 11, FW_NORMAL, kMuted, DT_CENTER | DT_WORDBREAK);
  }
  drawLabel(dc, kTileFooter, tileFooterBox(x, y, width), 11, FW_NORMAL, kMuted, DT_CENTER | DT_SINGLELINE);
}

}  // namespace vel
