// Synthetic hands for tests, drawn in palm lengths with the wrist at the origin, fingers up and thumb
// left, then scaled, mirrored, turned clockwise and placed; and a driver feeding them to the engine.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "control/gesture_engine.h"
#include "control/poses.h"

namespace vel::test {

class HandBuilder {
 public:
  // The usual shape of pose 1..7; 0 gives a pinch, the thumb tip on the index tip. A finger goes
  // straight from its base at its spread (degrees clockwise from up), or curls back onto the palm.
  static HandBuilder pose(int id) {
    constexpr int kMasks[] = {kIndexBit, 1, 3, 7, 0, 0, 9, 15};
    constexpr float kFingers[4][6] = {{-0.32f, -0.95f, -6.0f, 0.45f, 0.28f, 0.25f},
                                      {0.0f, -1.0f, 0.0f, 0.50f, 0.30f, 0.26f},
                                      {0.27f, -0.95f, 6.0f, 0.46f, 0.28f, 0.25f},
                                      {0.50f, -0.84f, 14.0f, 0.36f, 0.22f, 0.20f}};
    HandBuilder hand;
    for (int finger = 0; finger < 4; ++finger) {
      const auto& [x, y, spread, a, b, c] = kFingers[finger];
      const bool out = (kMasks[id] >> finger) & 1;
      const float angle = spread * std::numbers::pi_v<float> / 180.0f;
      const float along[] = {0.0f, out ? a : 0.32f, out ? a + b : 0.12f, out ? a + b + c : -0.08f};
      for (int j = 0; j < 4; ++j) {
        hand.local_[5 + 4 * finger + j] = {x + std::sin(angle) * along[j], y - std::cos(angle) * along[j]};
      }
    }
    // Folded across the palm, out to the side, or pinching the index tip.
    const Point tip = hand.local_[8];
    const Point thumbs[3][3] = {
        {{-0.35f, -0.5f}, {-0.15f, -0.7f}, {0.05f, -0.8f}},
        {{-0.55f, -0.45f}, {-0.8f, -0.6f}, {-1.05f, -0.75f}},
        {{-0.5f, -0.55f}, {(tip.x - 0.45f) / 2, (tip.y - 0.5f) / 2}, {tip.x + 0.05f, tip.y + 0.05f}}};
    const int thumb = id == kPoseNone ? 2 : id == kPoseThumbUp || id == kPoseOpenHand ? 1 : 0;
    hand.local_[1] = {-0.25f, -0.25f};
    for (int i = 0; i < 3; ++i) hand.local_[2 + i] = thumbs[thumb][i];
    return hand;
  }

  HandBuilder& palm(float pixels) { palm_ = pixels; return *this; }
  HandBuilder& rotate(float degrees) { degrees_ = degrees; return *this; }
  HandBuilder& mirror(bool on) { mirror_ = on; return *this; }
  // Places the palm centre (the mean of landmarks 0, 5, 9, 13, 17) or the index tip on `pixel`.
  HandBuilder& at(Point pixel) { anchorIsTip_ = false; anchor_ = pixel; return *this; }
  HandBuilder& tipAt(Point pixel) { anchorIsTip_ = true; anchor_ = pixel; return *this; }
  Point local(int landmark) const { return local_[landmark]; }
  HandBuilder& set(int landmark, Point localPoint) { local_[landmark] = localPoint; return *this; }

  HandLandmarks build() const {
    const float angle = degrees_ * std::numbers::pi_v<float> / 180.0f;
    HandLandmarks hand;
    for (int i = 0; i < kLandmarkCount; ++i) {
      const float x = (mirror_ ? -local_[i].x : local_[i].x) * palm_;
      const float y = local_[i].y * palm_;
      hand[i] = {x * std::cos(angle) - y * std::sin(angle), x * std::sin(angle) + y * std::cos(angle)};
    }
    Point from = hand[8];
    if (!anchorIsTip_) {
      from = {};
      for (const int i : {0, 5, 9, 13, 17}) from = {from.x + hand[i].x / 5.0f, from.y + hand[i].y / 5.0f};
    }
    for (Point& p : hand) p = {p.x + anchor_.x - from.x, p.y + anchor_.y - from.y};
    return hand;
  }

  HandObservation observation(float presence = 0.95f) const { return {true, true, presence, build()}; }

 private:
  std::array<Point, kLandmarkCount> local_{};
  float palm_ = 90.0f;
  float degrees_ = 0.0f;
  bool mirror_ = false;
  bool anchorIsTip_ = false;
  Point anchor_{320.0f, 280.0f};
};

struct GestureDriver {
  Settings settings;  // the defaults of a missing settings.ini
  GestureState state{};
  std::int64_t now = 100'000;  // a time of 0 means "none" inside the engine
  int width = 640, height = 480;

  ControlOutput at(std::int64_t timeMs, const HandObservation& observation) {
    ControlOutput output;
    now = timeMs;
    const Frame frame{width, height, 1, static_cast<std::uint64_t>(now), {}};
    stepGestureEngine(state, output, observation, frame, settings);
    return output;
  }
  ControlOutput after(std::int64_t ms, const HandObservation& observation) { return at(now + ms, observation); }

  // Frames every `step` ms until `now + ms`; the last output.
  ControlOutput keep(const HandObservation& observation, std::int64_t ms, std::int64_t step = 20) {
    ControlOutput output;
    for (const std::int64_t end = now + ms; now < end;) output = at(std::min(now + step, end), observation);
    return output;
  }
};

}  // namespace vel::test
