// Pointer mapping: reach rectangle, distance adaptation, fingertip mapping and smoothing.
#include "control/pointer.h"

#include <algorithm>
#include <cmath>

namespace vel {
namespace {

// The palm size (of the image height) the default rectangle suits when no area was measured.
constexpr float kTypicalPalm = 0.17f;
constexpr std::int64_t kPalmSettleMs = 200;

// Smallest usable extents, as the stored area's rules require.
constexpr float kMinWidth = 0.14f;
constexpr float kMinHeight = 0.12f;

// One axis of the adapted rectangle: `ratio` times the base extent, kept inside the image.
void scaleAxis(float baseLow, float baseHigh, float ratio, float minimum, float& low, float& high) {
  float size = ratio * (baseHigh - baseLow);
  size = size < minimum ? minimum : std::min(size, 0.94f);
  const float half = size / 2.0f;
  float centre = (baseLow + baseHigh) / 2.0f;
  centre = centre < half ? half : std::min(centre, 1.0f - half);
  low = centre - half;
  high = centre + half;
}

float clampFinite(float value) { return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : value; }

}  // namespace

ReachRect reachRect(const Settings& settings, int frameWidth, int frameHeight) {
  const StoredReach stored = storedReach(settings);
  if (stored.valid && reachValid(stored) && std::isfinite(stored.aspect) && frameHeight >= 1 &&
      std::abs(stored.aspect - static_cast<float>(frameWidth) / static_cast<float>(frameHeight)) < 0.02f) {
    return {stored.left, stored.top, stored.right, stored.bottom};
  }
  const float margin = settings.Margin;
  const float inset = margin < 0.05f ? 0.025f : std::min(margin, 0.3f) * 0.5f;
  return {inset, inset, 1.0f - inset, 1.0f - inset};
}

float referencePalm(const Settings& settings) {
  const StoredReach stored = storedReach(settings);
  return stored.valid && reachValid(stored) ? stored.palm : kTypicalPalm;
}

ReachRect adaptReachToDistance(DistanceState& state, const ReachRect& base, float palmSize, float reference,
                               bool permitted, std::int64_t timeMs) {
  if (state.lastTime != 0 && (timeMs - state.lastTime >= 251 || timeMs <= state.lastTime)) {
    state.smoothedPalm = 0.0f;
    state.since = 0;
  }
  state.lastTime = timeMs;
  const ReachRect current = state.valid ? state.rect : base;

  const auto positive = [](float value) { return std::isfinite(value) && value > 0.0f; };
  if (!permitted || !positive(palmSize) || !positive(reference)) {
    state.smoothedPalm = 0.0f;
    state.since = 0;
    return current;
  }
  // A jump of more than a fifth is a new distance: start settling again.
  if (state.since == 0 || std::abs(palmSize - state.smoothedPalm) > 0.2f * state.smoothedPalm) {
    state.smoothedPalm = palmSize;
    state.since = timeMs;
  } else {
    state.smoothedPalm += (palmSize - state.smoothedPalm) * 0.15f;
  }
  if (timeMs - state.since < kPalmSettleMs) return current;

  const float ratio = std::clamp(state.smoothedPalm / reference, 0.6f, 1.35f);
  scaleAxis(base.left, base.right, ratio, kMinWidth, state.rect.left, state.rect.right);
  scaleAxis(base.top, base.bottom, ratio, kMinHeight, state.rect.top, state.rect.bottom);
  state.valid = true;
  return state.rect;
}

Point cameraPosition(Point fingertip, int frameWidth, int frameHeight, bool mirror) {
  const float xScale = frameWidth < 3 ? 1.0f : static_cast<float>(frameWidth - 1);
  const float yScale = frameHeight < 3 ? 1.0f : static_cast<float>(frameHeight - 1);
  const float x = fingertip.x / xScale;
  return {mirror ? 1.0f - x : x, fingertip.y / yScale};
}

Point mapFingertip(Point fingertip, int frameWidth, int frameHeight, bool mirror, const ReachRect& rect) {
  const Point p = cameraPosition(fingertip, frameWidth, frameHeight, mirror);
  return {clampFinite((p.x - rect.left) / (rect.right - rect.left)),
          clampFinite((p.y - rect.top) / (rect.bottom - rect.top))};
}

Point filterPointer(PointerFilter& filter, Point raw, float smoothing, float dtSeconds) {
  if (!filter.initialized) resetPointerFilter(filter, raw);
  const float d = std::clamp(dtSeconds, 0.001f, 0.25f);
  const float follow = 1.0f - std::exp(-d / 0.12f);
  filter.velocity.x += ((raw.x - filter.lastRaw.x) / d - filter.velocity.x) * follow;
  filter.velocity.y += ((raw.y - filter.lastRaw.y) / d - filter.velocity.y) * follow;
  filter.lastRaw = raw;

  const float floor = std::clamp(smoothing, 0.15f, 1.0f);
  const float speed = std::hypot(filter.velocity.x, filter.velocity.y);
  const float base = std::clamp(speed / 1.2f, 0.0f, 1.0f) * (1.0f - floor) + floor;
  const float alpha = 1.0f - std::pow(1.0f - base, 30.0f * d);
  filter.filtered.x += (raw.x - filter.filtered.x) * alpha;
  filter.filtered.y += (raw.y - filter.filtered.y) * alpha;
  return filter.filtered;
}

void resetPointerFilter(PointerFilter& filter, Point position) {
  filter.filtered = position;
  filter.lastRaw = position;
  filter.velocity = {};
  filter.initialized = true;
}

}  // namespace vel
