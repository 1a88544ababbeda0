// Where the feedback overlays go on the desktop and how big they are: the click-progress circle at
// the pointer, the gesture reference card and the guidance bar near the bottom of the controlled
// display, and the card's fade near the pointer. Desktop pixels unless a name says units.
#pragma once

#include <optional>

#include "app/settings.h"
#include "control/action_sink.h"
#include "control/control_output.h"
#include "ui/draw_types.h"

namespace vel {

// Which feedback windows show this tick.
struct OverlayFlags {
  bool showCircle = false;  // pointer feedback
  bool showGuidance = false;
  bool showReference = false;
};

// The circle window's side and the circle's radius for a system DPI scale.
int circleWindowSize(float scale);
int circleRadius(float scale);

// A normalised pointer (clamped to 0..1; not a number counts as 0) as a desktop pixel of `target`.
IntPoint pointerOnDesktop(const DesktopRect& target, Point pointer);

// The circle window centred on that pixel.
Box circleWindowBox(const DesktopRect& target, Point pointer, float scale);

// The chosen display relative to the target (the settings' displayRectInTarget); the whole target
// when the display is 99 pixels wide or narrower.
Box controlledArea(const Settings& geometry);

// The reference card: its width in 96-DPI units, the scale its contents are drawn at, and its
// desktop rectangle, centred above the bottom of the controlled area.
struct ReferenceCard {
  int widthUnits = 0;
  float drawScale = 1.0f;
  Box window;
};

ReferenceCard referenceCard(const Box& area, const DesktopRect& target, float scale, int tileCount);

inline constexpr float kReferenceAlphaFar = 202.0f;
inline constexpr float kReferenceAlphaNear = 48.0f;

// One tick of the card's fade: towards 48 while the cursor is near the card, else towards 202
// (also when the cursor position is unknown).
float nextReferenceAlpha(float alpha, const ReferenceCard& card, std::optional<IntPoint> cursor);

// The guidance bar, its bottom 240 scaled units above the area's bottom while the reference card
// is requested (which sits below it), else 60.
Box guidanceBarBox(const Box& area, const DesktopRect& target, float scale, bool referenceShown);
int guidanceFontHeight(float scale);

// Whether the snapshot asks for the guidance bar: the steadied flag when the worker steadied a
// text, otherwise the provider's own.
bool asksForGuidance(const ControlOutput& snapshot);

}  // namespace vel
