// Overlay sizes and placements.
#include "ui/overlay_layout.h"

#include <algorithm>
#include <cmath>

namespace vel {
namespace {

int scaled(float value, float scale) { return static_cast<int>(value * scale); }

float unitCoordinate(float value) { return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f; }

// The card's contents never shrink below three quarters, however low the system DPI.
float cardScale(float scale) { return std::max(scale, 0.75f); }

}  // namespace

int circleWindowSize(float scale) { return std::max(48, scaled(112.0f, scale)); }

int circleRadius(float scale) { return std::max(14, scaled(30.0f, scale)); }

IntPoint pointerOnDesktop(const DesktopRect& target, Point pointer) {
  const float spanX = static_cast<float>(std::max(target.right - target.left - 1, 0));
  const float spanY = static_cast<float>(std::max(target.bottom - target.top - 1, 0));
  return {target.left + static_cast<int>(unitCoordinate(pointer.x) * spanX),
          target.top + static_cast<int>(unitCoordinate(pointer.y) * spanY)};
}

Box circleWindowBox(const DesktopRect& target, Point pointer, float scale) {
  const int d = circleWindowSize(scale);
  const IntPoint centre = pointerOnDesktop(target, pointer);
  return {centre.x - d / 2, centre.y - d / 2, centre.x - d / 2 + d, centre.y - d / 2 + d};
}

Box controlledArea(const Settings& geometry) {
  const auto& [left, top, right, bottom] = geometry.displayRectInTarget;
  if (right - left <= 99) return {0, 0, geometry.targetWidth, geometry.targetHeight};
  return {left, top, right, bottom};
}

ReferenceCard referenceCard(const Box& area, const DesktopRect& target, float scale, int tileCount) {
  ReferenceCard card;
  card.drawScale = cardScale(scale);
  const float s = card.drawScale;
  card.widthUnits =
      std::max(240, std::min(148 * tileCount + 24, static_cast<int>(static_cast<float>(area.width()) / s) - 32));
  const int width = scaled(static_cast<float>(card.widthUnits), s);
  const int height = scaled(170.0f, s);
  const int x = (area.left + area.right - width) / 2 + target.left;
  const int y = area.bottom - (scaled(58.0f, s) + height) + target.top;
  card.window = {x, y, x + width, y + height};
  return card;
}

float nextReferenceAlpha(float alpha, const ReferenceCard& card, std::optional<IntPoint> cursor) {
  const int margin = scaled(24.0f, card.drawScale);
  const Box& w = card.window;
  const bool near = cursor && cursor->x >= w.left - margin && cursor->x < w.right + margin &&
                    cursor->y >= w.top - margin && cursor->y < w.bottom + margin;
  const float goal = near ? kReferenceAlphaNear : kReferenceAlphaFar;
  return alpha + (goal - alpha) * 0.24f;
}

Box guidanceBarBox(const Box& area, const DesktopRect& target, float scale, bool referenceShown) {
  const int width = std::min(area.width() - 20, scaled(450.0f, scale));
  const int height = scaled(36.0f, scale);
  const int x = (area.left + area.right - width) / 2 + target.left;
  const int y = area.bottom - (scaled(referenceShown ? 240.0f : 60.0f, scale) + height) + target.top;
  return {x, y, x + width, y + height};
}

int guidanceFontHeight(float scale) { return std::max(12, scaled(13.0f, scale)); }

bool asksForGuidance(const ControlOutput& snapshot) {
  return snapshot.feedbackText.empty() ? snapshot.needsGuidance : snapshot.feedbackFlag;
}

}  // namespace vel
