// The click-progress circle: its animation over time (eased rise, instant drop, completion pulse)
// and the shape drawFillingCircle paints, both decided here without a device context.
#pragma once

#include <array>
#include <cstdint>

#include "ui/draw_types.h"

namespace vel {

// The default value is the cleared state: empty, not completed.
struct CircleAnimation {
  float shownFill = 0.0f;
  float targetFill = 0.0f;
  std::int64_t riseTime = 0;         // GetTickCount64 ms of the last rise
  std::int64_t completionStart = 0;  // ms
  std::int64_t lastUpdate = 0;       // ms
  bool completed = false;
};

// What one circle is drawn with.
struct CircleDrawing {
  float fill = 0.0f;   // 0..1
  float phase = 0.0f;  // of the liquid's wave, radians
  float t = 1.0f;      // completion progress 0..1
  bool completed = false;
};

// A hold as the gesture engine reports it.
struct HoldInfo {
  float progress = 0.0f;
  bool completed = false;
};

// Advances the animation to `now` (GetTickCount64 ms). A rising hold is eased in over 80 ms, a
// falling one drops at once, and nothing above 98 % shows until the hold completes; completion
// plays over 700 ms. A clock that goes backwards starts the animation afresh.
CircleDrawing advanceCircle(CircleAnimation& state, HoldInfo hold, std::int64_t now);

inline constexpr int kSurfacePoints = 49;
inline constexpr int kMaxRingSegments = 64;

// Everything drawFillingCircle paints for a circle of radius r centred on (centreX, centreY).
struct CircleShape {
  int radius = 0;  // r', pulsing while completion plays
  Box bounds;      // the circle's box: 2r' + 1 pixels each way

  bool halo = false;
  int haloRadius = 0;
  int haloPen = 0;
  Rgb haloColour;

  bool liquid = false;  // clipped to the circle
  // The wave's points left to right, then the bottom-right and bottom-left corners.
  std::array<IntPoint, kSurfacePoints + 2> liquidPolygon{};
  Rgb liquidColour;
  bool surfaceLine = false;  // the first kSurfacePoints points of the polygon again
  int surfacePen = 0;

  int outlinePen = 0;
  Rgb outlineColour;

  bool ring = false;  // the progress ring: a full track, then the filled arc from the top clockwise
  int ringRadius = 0;
  int ringPen = 0;
  int ringSegments = 0;  // the arc is ringSegments + 1 points of ringArc
  std::array<IntPoint, kMaxRingSegments + 1> ringArc{};

  bool checkMark = false;
  int checkHeight = 0;  // character height of the "✓"
};

CircleShape circleShape(int centreX, int centreY, int radius, const CircleDrawing& input);

}  // namespace vel
