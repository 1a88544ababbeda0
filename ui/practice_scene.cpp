// Practice as the preview draws it.
#include "ui/practice_scene.h"

#include <algorithm>
#include <cmath>

namespace vel {
namespace {

IntPoint previewPoint(const PreviewRect& preview, const ReachRect& area, Point areaPoint) {
  const Point p = areaToPreview(preview, area, areaPoint);
  return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

}  // namespace

int practiceTargetRadius(const PreviewRect& preview, const ReachRect& area) {
  const auto width = static_cast<int>((area.right - area.left) * static_cast<float>(preview.width - 1));
  const auto height = static_cast<int>((area.bottom - area.top) * static_cast<float>(preview.height - 1));
  return std::max(1, static_cast<int>(static_cast<float>(std::min(width, height) + 1) * 0.13f));
}

PracticeScene practiceScene(const PracticeState& state, const PreviewRect& preview, const ReachRect& area,
                            std::int64_t now) {
  PracticeScene scene;
  const auto add = [&](IntPoint centre, int radius, bool animated, CircleDrawing drawing) {
    scene.circles[static_cast<std::size_t>(scene.circleCount++)] = {centre, radius, animated, drawing};
  };
  const int radius = practiceTargetRadius(preview, area);
  const bool resting = state.inRestStep();
  scene.hold = resting ? HoldInfo{state.restProgress, state.restProgress >= 1.0f}
                       : HoldInfo{state.output.progress, state.output.completed};

  if (state.result == PracticeResult::Hit && now < state.resultShownUntil) {
    const float t = std::clamp(static_cast<float>(now - state.resultTime) / kHitCompletionMs, 0.0f, 1.0f);
    add(previewPoint(preview, area, kPracticeTargets[static_cast<std::size_t>(state.previousTarget)]), radius, false,
        {1.0f, 0.0f, t, true});
  }

  const IntPoint target = previewPoint(preview, area, kPracticeTargets[static_cast<std::size_t>(state.targetIndex)]);
  const IntPoint pointer = previewPoint(preview, area, state.pointer);
  bool pointerOnTarget = false;
  if (!state.successPauseRunning(now)) {
    pointerOnTarget = state.pointerValid && !resting &&
                      std::hypot(pointer.x - target.x, pointer.y - target.y) <= static_cast<double>(radius);
    add(target, radius, resting || pointerOnTarget, {});
    if (!resting) {
      scene.mark = state.grabbed ? L"Drop" : L"•";
      scene.markHeight = state.grabbed ? 14 : radius;
      scene.markCentre = target;
    }
  }
  if (state.pointerValid && !pointerOnTarget) add(pointer, kFollowerRadius, !resting, {});
  return scene;
}

}  // namespace vel
