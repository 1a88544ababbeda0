// The filling circle's animation and shape.
#include "ui/filling_circle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/palette.h"

namespace vel {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kRiseMs = 80.0f;
constexpr float kCompletionMs = 700.0f;
constexpr std::int64_t kWavePeriodMs = 1400;
// A hold shows at most this full until it has really fired.
constexpr float kMaxShownFill = 0.98f;

float smoothstep(float s) {
  s = std::clamp(s, 0.0f, 1.0f);
  return s * s * (3.0f - 2.0f * s);
}

float easedFill(const CircleAnimation& state, std::int64_t now) {
  const float s = smoothstep(static_cast<float>(now - state.riseTime) / kRiseMs);
  return state.shownFill + (state.targetFill - state.shownFill) * s;
}

IntPoint pixel(float x, float y) { return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))}; }

std::uint8_t channel(float value) { return static_cast<std::uint8_t>(static_cast<int>(value)); }

}  // namespace

CircleDrawing advanceCircle(CircleAnimation& state, HoldInfo hold, std::int64_t now) {
  if (now < state.lastUpdate) state = {};
  state.lastUpdate = now;

  if (hold.completed) {
    if (!state.completed) {
      state.completionStart = now;
      state.completed = true;
    }
    const float t = std::clamp(static_cast<float>(now - state.completionStart) / kCompletionMs, 0.0f, 1.0f);
    return {1.0f, 0.0f, t, true};
  }

  if (state.completed) state = {.lastUpdate = now};
  const float p = std::isfinite(hold.progress) && hold.progress > 0.0f ? std::min(hold.progress, kMaxShownFill) : 0.0f;
  if (p < state.targetFill) {
    state.shownFill = state.targetFill = p;  // nothing left to ease, so the rise time no longer matters
  } else if (p > state.targetFill) {
    state.shownFill = easedFill(state, now);
    state.targetFill = p;
    state.riseTime = now;
  }
  const float phase = static_cast<float>(now % kWavePeriodMs) / static_cast<float>(kWavePeriodMs) * 2.0f * kPi;
  return {easedFill(state, now), phase, 1.0f, false};
}

CircleShape circleShape(int centreX, int centreY, int radius, const CircleDrawing& input) {
  CircleShape shape;
  const bool completed = input.completed;
  const float t = std::isfinite(input.t) ? std::clamp(input.t, 0.0f, 1.0f) : 1.0f;
  const float fill = std::isfinite(input.fill) ? input.fill : 0.0f;
  const float r = static_cast<float>(radius);

  int rp = radius;
  if (completed) {
    rp = static_cast<int>(r * (1.0f + 0.12f * std::sin(kPi * t)));
    if (t < 1.0f) {  // a ring that widens and turns from green to white
      shape.halo = true;
      shape.haloRadius = rp + static_cast<int>(r * (0.15f + 0.4f * t));
      shape.haloPen = std::max(2, radius / 6);
      shape.haloColour = {channel(255.0f * t), channel(145.0f + 110.0f * t), channel(99.0f + 156.0f * t)};
    }
  }
  shape.radius = rp;
  shape.bounds = {centreX - rp, centreY - rp, centreX + rp + 1, centreY + rp + 1};

  const float level = completed ? 1.0f : std::clamp(fill, 0.0f, kMaxShownFill);
  if (level > 0.0f) {
    shape.liquid = true;
    const float span = static_cast<float>(2 * rp + 1);
    const float rpf = static_cast<float>(rp);
    // The wave flattens near empty and full, so it never leaves the circle.
    const float amplitude =
        completed ? 0.0f : std::min({(1.0f - level) * rpf * 0.3f, level * rpf * 0.3f, 0.035f * rpf});
    const float surface = static_cast<float>(shape.bounds.bottom) - span * level;
    for (int k = 0; k < kSurfacePoints; ++k) {
      const float x = static_cast<float>(shape.bounds.left) + static_cast<float>(k) * span / 48.0f;
      shape.liquidPolygon[static_cast<std::size_t>(k)] =
          pixel(x, surface + amplitude * std::sin(0.13f * static_cast<float>(k) + input.phase));
    }
    shape.liquidPolygon[kSurfacePoints] = {shape.bounds.right, shape.bounds.bottom};
    shape.liquidPolygon[kSurfacePoints + 1] = {shape.bounds.left, shape.bounds.bottom};
    shape.liquidColour = completed ? kCompletedGreen : kAccent;
    shape.surfaceLine = !completed;
    shape.surfacePen = std::max(1, rp / 12);
  }

  shape.outlinePen = std::max(2, rp / 6);
  shape.outlineColour = completed ? kCompletedGreen : kInk;

  if (!completed && shape.liquid) {
    shape.ring = true;
    shape.ringRadius = rp + 4;
    shape.ringPen = std::max(3, rp / 10);
    const float swept = std::min(fill, 1.0f);
    shape.ringSegments = std::max(static_cast<int>(64.0f * swept), 1);
    const float ringR = static_cast<float>(shape.ringRadius);
    for (int j = 0; j <= shape.ringSegments; ++j) {
      const float angle =
          -kPi / 2.0f + swept * 2.0f * kPi * static_cast<float>(j) / static_cast<float>(shape.ringSegments);
      shape.ringArc[static_cast<std::size_t>(j)] = pixel(static_cast<float>(centreX) + ringR * std::cos(angle),
                                                         static_cast<float>(centreY) + ringR * std::sin(angle));
    }
  }

  if (completed) {
    shape.checkMark = true;
    shape.checkHeight = static_cast<int>(static_cast<float>(rp) * 1.65f);
  }
  return shape;
}

}  // namespace vel
