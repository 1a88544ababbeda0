// What the preview shows of practice: the target as a filling circle, the one just hit playing its
// completion, the mark in the target, and the small circle that follows the pointer off target.
#pragma once

#include <array>
#include <cstdint>

#include "ui/filling_circle.h"
#include "ui/practice.h"
#include "ui/preview_geometry.h"

namespace vel {

// A filling circle in preview units. An animated one is drawn with the preview's own animation
// advanced by the scene's hold; any other with `drawing`.
struct SceneCircle {
  IntPoint centre;
  int radius = 0;
  bool animated = false;
  CircleDrawing drawing;
};

struct PracticeScene {
  std::array<SceneCircle, 3> circles{};  // drawn in order
  int circleCount = 0;
  HoldInfo hold;  // what the animated circle fills with: the rest hold or the gesture's hold
  // The mark in the target's centre ("Drop" or "•"), bold, in accent; null for none.
  const wchar_t* mark = nullptr;
  int markHeight = 0;
  IntPoint markCentre;
};

inline constexpr std::int64_t kHitCompletionMs = 700;
inline constexpr int kFollowerRadius = 9;

// The target's radius for a movement area drawn `area` in `preview`.
int practiceTargetRadius(const PreviewRect& preview, const ReachRect& area);

PracticeScene practiceScene(const PracticeState& state, const PreviewRect& preview, const ReachRect& area,
                            std::int64_t now);

}  // namespace vel
