// From the index fingertip to a pointer position: the reach rectangle of the camera image, its
// adaptation to the hand's distance, the mapping through it, and the smoothing filter.
#pragma once

#include <cstdint>

#include "app/settings.h"
#include "tracking/point.h"

namespace vel {

// Normalised to the camera image: 0 the left or top edge, 1 the right or bottom edge.
struct ReachRect {
  float left = 0.075f;
  float top = 0.075f;
  float right = 0.925f;
  float bottom = 0.925f;
};

// The stored movement area when it is valid and was measured on an image of this shape,
// otherwise the rectangle `Margin` leaves.
ReachRect reachRect(const Settings& settings, int frameWidth, int frameHeight);

// The palm size the reach rectangle corresponds to: the one measured with the stored area, or a
// typical one.
float referencePalm(const Settings& settings);

struct DistanceState {
  ReachRect rect{0, 0, 0, 0};  // the adapted rectangle, once valid
  bool valid = false;
  float smoothedPalm = 0.0f;
  std::int64_t since = 0;     // ms, when the current palm reference began; 0 = none
  std::int64_t lastTime = 0;  // ms, previous call; 0 = none
};

// Scales `base` about its centre by the hand's palm size (palm pixels / frame height) against
// `reference`, once the palm has settled for 200 ms. The rectangle only changes while `permitted`
// (the hand rests or points before control starts), so it never moves under an aiming finger.
ReachRect adaptReachToDistance(DistanceState& state, const ReachRect& base, float palmSize, float reference,
                               bool permitted, std::int64_t timeMs);

// The fingertip in normalised camera coordinates, mirrored when `mirror` is set.
Point cameraPosition(Point fingertip, int frameWidth, int frameHeight, bool mirror);

// The fingertip's place inside `rect`, clamped to 0..1; a non-finite coordinate is left as it is.
Point mapFingertip(Point fingertip, int frameWidth, int frameHeight, bool mirror, const ReachRect& rect);

struct PointerFilter {
  Point filtered;
  Point lastRaw;
  Point velocity;  // units per second
  bool initialized = false;
};

// A low-pass step whose blend grows with speed: at rest it closes `smoothing` of the gap per
// 1/30 s, at 1.2 units per second or more it follows without lag.
Point filterPointer(PointerFilter& filter, Point raw, float smoothing, float dtSeconds);

// Starts the filter at rest on `position`.
void resetPointerFilter(PointerFilter& filter, Point position);

}  // namespace vel
