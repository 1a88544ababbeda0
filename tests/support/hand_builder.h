// Synthetic hands for tests: a 21-landmark hand in one of the seven poses (or any finger mask),
// placed at a size, rotation and position, as a right or a mirrored (left) hand.
#pragma once

#include <array>
#include <cmath>
#include <numbers>
#include <utility>

#include "control/poses.h"
#include "tracking/hand_observation.h"

namespace vel::test {

enum class Thumb { Folded, Out, Pinch /* tip on the index tip */ };

// Drawn in units of the palm length with the wrist at the origin, fingers towards -y and thumb
// towards -x; then scaled to `palm` pixels, mirrored, turned clockwise and moved to its anchor.
class HandBuilder {
 public:
  HandBuilder(int fingerMask, Thumb thumb) {
    for (int finger = 0; finger < 4; ++finger) placeFinger(finger, (fingerMask >> finger) & 1);
    placeThumb(thumb);
  }

  // The usual shape of pose 1..7 (0 gives a pinch).
  static HandBuilder pose(int id) {
    using enum Thumb;
    constexpr std::array<std::pair<int, Thumb>, 8> kShapes{{{kIndexBit, Pinch}, {kIndexBit, Folded},
                                                            {kIndexBit | kMiddleBit, Folded},
                                                            {kIndexBit | kMiddleBit | kRingBit, Folded},
                                                            {0, Folded}, {0, Out}, {kIndexBit | kLittleBit, Folded},
                                                            {15, Out}}};
    const auto& [fingers, thumb] = kShapes[id >= 1 && id <= 7 ? static_cast<std::size_t>(id) : 0];
    return {fingers, thumb};
  }
  static HandBuilder pointing() { return pose(kPoseOneFinger); }
  static HandBuilder open() { return pose(kPoseOpenHand); }

  HandBuilder& palm(float pixels) { palm_ = pixels; return *this; }
  HandBuilder& rotate(float degrees) { degrees_ = degrees; return *this; }
  HandBuilder& mirror(bool on) { mirror_ = on; return *this; }
  // Anchors the palm centre (the mean of landmarks 0, 5, 9, 13 and 17) or the index tip on `pixel`.
  HandBuilder& at(Point pixel) { anchorIsTip_ = false; anchor_ = pixel; return *this; }
  HandBuilder& tipAt(Point pixel) { anchorIsTip_ = true; anchor_ = pixel; return *this; }

  // A landmark in the hand's own frame, before mirroring and placing.
  Point local(int landmark) const { return local_[landmark]; }
  HandBuilder& set(int landmark, Point localPoint) { local_[landmark] = localPoint; return *this; }

  HandLandmarks build() const {
    const float angle = degrees_ * std::numbers::pi_v<float> / 180.0f;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    HandLandmarks hand;
    for (int i = 0; i < kLandmarkCount; ++i) {
      const float x = (mirror_ ? -local_[i].x : local_[i].x) * palm_;
      const float y = local_[i].y * palm_;
      hand[i] = {x * c - y * s, x * s + y * c};
    }
    Point from = hand[8];
    if (!anchorIsTip_) {
      from = {0.0f, 0.0f};
      for (const int i : {0, 5, 9, 13, 17}) from = {from.x + hand[i].x / 5.0f, from.y + hand[i].y / 5.0f};
    }
    for (Point& p : hand) p = {p.x + anchor_.x - from.x, p.y + anchor_.y - from.y};
    return hand;
  }

  HandObservation observation(float presence = 0.95f) const { return {true, true, presence, build()}; }

 private:
  struct FingerShape {
    Point base;
    float spreadDegrees;  // clockwise from straight up
    std::array<float, 3> segments;
  };
  static constexpr std::array<FingerShape, 4> kFingers{{
      {{-0.32f, -0.95f}, -6.0f, {0.45f, 0.28f, 0.25f}},  // index
      {{0.0f, -1.0f}, 0.0f, {0.50f, 0.30f, 0.26f}},      // middle
      {{0.27f, -0.95f}, 6.0f, {0.46f, 0.28f, 0.25f}},    // ring
      {{0.50f, -0.84f}, 14.0f, {0.36f, 0.22f, 0.20f}},   // little
  }};

  void placeFinger(int finger, bool extended) {
    const FingerShape& shape = kFingers[finger];
    const float angle = shape.spreadDegrees * std::numbers::pi_v<float> / 180.0f;
    const auto step = [&](float distance) {
      return Point{shape.base.x + std::sin(angle) * distance, shape.base.y - std::cos(angle) * distance};
    };
    const auto [a, b, c] = shape.segments;
    const int first = 5 + 4 * finger;
    local_[first] = shape.base;
    // Curled: up to the middle joint, then back down onto the palm.
    local_[first + 1] = step(extended ? a : 0.32f);
    local_[first + 2] = step(extended ? a + b : 0.12f);
    local_[first + 3] = step(extended ? a + b + c : -0.08f);
  }

  void placeThumb(Thumb thumb) {
    local_[1] = {-0.25f, -0.25f};
    if (thumb == Thumb::Pinch) {
      local_[2] = {-0.5f, -0.55f};
      local_[4] = {local_[8].x + 0.05f, local_[8].y + 0.05f};
      local_[3] = {(local_[2].x + local_[4].x) / 2.0f, (local_[2].y + local_[4].y) / 2.0f};
    } else if (thumb == Thumb::Out) {
      local_[2] = {-0.55f, -0.45f}, local_[3] = {-0.8f, -0.6f}, local_[4] = {-1.05f, -0.75f};
    } else {
      local_[2] = {-0.35f, -0.5f}, local_[3] = {-0.15f, -0.7f}, local_[4] = {0.05f, -0.8f};
    }
  }

  std::array<Point, kLandmarkCount> local_{};  // wrist at the origin
  float palm_ = 90.0f;
  float degrees_ = 0.0f;
  bool mirror_ = false;
  bool anchorIsTip_ = false;
  Point anchor_{320.0f, 280.0f};
};

}  // namespace vel::test
