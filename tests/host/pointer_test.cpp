// Pointer mapping: which reach rectangle applies, how it follows the hand's distance, how the
// fingertip maps through it, and how the filter smooths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/pointer.h"

namespace vel {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
const ReachRect kDefault;  // 0.075 .. 0.925
const ReachRect kFar{0.245f, 0.245f, 0.755f, 0.755f};  // a palm of half the reference

void expectRect(const ReachRect& rect, const ReachRect& expected) {
  EXPECT_NEAR(rect.left, expected.left, 1e-5f);
  EXPECT_NEAR(rect.top, expected.top, 1e-5f);
  EXPECT_NEAR(rect.right, expected.right, 1e-5f);
  EXPECT_NEAR(rect.bottom, expected.bottom, 1e-5f);
}

// A stored area of 0.2..0.8 × 0.25..0.7 measured on a 4:3 image with a palm of 0.15.
Settings storedArea(void (*change)(Settings&) = [](Settings&) {}) {
  Settings settings;
  settings.ReachVersion = true;
  settings.ReachLeft = 0.2f;
  settings.ReachTop = 0.25f;
  settings.ReachRight = 0.8f;
  settings.ReachBottom = 0.7f;
  settings.ReachPalm = 0.15f;
  settings.ReachAspect = 1.3333f;
  change(settings);
  return settings;
}

TEST(ReachRectangle, FromTheMarginOrAStoredAreaOnAnImageOfTheSameShape) {
  const struct { Settings settings; int width; int height; ReachRect expected; } rows[] = {
      {[] { Settings s; s.Margin = 0.02f; return s; }(), 640, 480, {0.025f, 0.025f, 0.975f, 0.975f}},  // below 0.05
      {[] { Settings s; s.Margin = 0.5f; return s; }(), 640, 480, {0.15f, 0.15f, 0.85f, 0.85f}},      // capped at 0.3
      {storedArea(), 1352, 1000, {0.2f, 0.25f, 0.8f, 0.7f}},  // within 0.02 of the stored shape
      {storedArea(), 1354, 1000, kDefault},
      {storedArea(), 640, 0, kDefault},
      {storedArea([](Settings& s) { s.ReachVersion = false; }), 640, 480, kDefault},
      {storedArea([](Settings& s) { s.ReachRight = s.ReachLeft + 0.13f; }), 640, 480, kDefault},
      {storedArea([](Settings& s) { s.ReachAspect = kNan; }), 640, 480, kDefault},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    expectRect(reachRect(row.settings, row.width, row.height), row.expected);
  }
}

class DistanceAdaptation : public ::testing::Test {
 protected:
  ReachRect at(std::int64_t t, float palm, bool permitted = true) {
    now = t;
    return adaptReachToDistance(state, kDefault, palm, 0.17f, permitted, now);
  }
  ReachRect hold(float palm, int frames, bool permitted = true) {
    ReachRect rect;
    for (int i = 0; i < frames; ++i) rect = at(now + 33, palm, permitted);
    return rect;
  }

  DistanceState state;
  std::int64_t now = 50'000;
};

TEST_F(DistanceAdaptation, AFarHandShrinksTheAreaAfterSettling200Milliseconds) {
  expectRect(at(10'000, 0.085f), kDefault);
  expectRect(at(10'199, 0.085f), kDefault);
  expectRect(at(10'200, 0.085f), kFar);  // ratio 0.5, clamped to 0.6
}

TEST_F(DistanceAdaptation, ACloseHandGrowsTheArea) {
  expectRect(hold(0.17f * 1.1f, 8), {0.0325f, 0.0325f, 0.9675f, 0.9675f});
}

TEST_F(DistanceAdaptation, APalmJumpOrPermissionRestartsSettlingAndKeepsThePreviousArea) {
  expectRect(hold(0.085f, 10), kFar);
  expectRect(hold(kNan, 10), kFar);  // an unusable palm changes nothing
  expectRect(hold(0.2f, 20, false), kFar);  // aiming: frozen
  // 0.17 is a jump of 100 %: the far area stays for 200 ms more.
  expectRect(hold(0.17f, 7), kFar);
  expectRect(hold(0.17f, 1), kDefault);
}

TEST(FingertipMapping, ThroughTheReachRectangleClampedAndMirrored) {
  const struct { Point tip; bool mirror; Point expected; } rows[] = {
      {{0.3f * 639, 0.8f * 479}, false, {(0.3f - 0.075f) / 0.85f, (0.8f - 0.075f) / 0.85f}},
      {{20, 10}, false, {0.0f, 0.0f}},  // inside the image, outside the rectangle
      {{630, 470}, false, {1.0f, 1.0f}},
      {{0.3f * 639, 0.8f * 479}, true, {(0.7f - 0.075f) / 0.85f, (0.8f - 0.075f) / 0.85f}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    const Point p = mapFingertip(row.tip, 640, 480, row.mirror, kDefault);
    EXPECT_NEAR(p.x, row.expected.x, 1e-5f);
    EXPECT_NEAR(p.y, row.expected.y, 1e-5f);
  }
  EXPECT_TRUE(std::isnan(mapFingertip({kNan, 100}, 640, 480, false, kDefault).x));
}

TEST(FingertipMapping, TinyFramesAndBrokenInput) {
  EXPECT_EQ(cameraPosition({1, 0.5f}, 2, 2, false).x, 1.0f);  // below 3 pixels the divisor is 1
  const Point p = mapFingertip({kNan, 100}, 640, 480, false, kDefault);
  EXPECT_TRUE(std::isnan(p.x));
  EXPECT_TRUE(std::isfinite(p.y));
}

TEST(PointerFilterStep, FirstStepAndResetRestOnThePosition) {
  PointerFilter filter;
  Point p = filterPointer(filter, {0.3f, 0.4f}, 0.18f, 1.0f / 30.0f);
  EXPECT_EQ(p.x, 0.3f);
  for (const float x : {0.4f, 0.5f, 0.6f}) filterPointer(filter, {x, 0.5f}, 0.18f, 1.0f / 30.0f);
  resetPointerFilter(filter, {0.9f, 0.1f});
  p = filterPointer(filter, {0.9f, 0.1f}, 0.18f, 1.0f / 30.0f);
  EXPECT_EQ(p.x, 0.9f);
  EXPECT_EQ(filter.velocity.x, 0.0f);
}

TEST(PointerFilterStep, AtRestClosesTheFeelsShareOfTheGapPerFrame) {
  for (const auto& feel : kPointerFeelOptions) {
    PointerFilter filter;
    resetPointerFilter(filter, {0.2f, 0.6f});
    filter.lastRaw = {0.7f, 0.1f};  // no raw movement: the gap alone is closed
    float gap = 0.5f;
    for (int frame = 0; frame < 5; ++frame) {
      const Point p = filterPointer(filter, {0.7f, 0.1f}, feel.smoothing, 1.0f / 30.0f);
      gap *= 1.0f - feel.smoothing;
      EXPECT_NEAR(0.7f - p.x, gap, 1e-5f) << feel.smoothing;
      EXPECT_NEAR(p.y - 0.1f, gap, 1e-5f) << feel.smoothing;
    }
  }
}

TEST(PointerFilterStep, FastMovementIsFollowedWithoutLag) {
  PointerFilter filter;
  Point p;
  for (float x = 0.0f; x < 2.95f; x += 0.1f) p = filterPointer(filter, {x, 0.5f}, 0.18f, 1.0f / 30.0f);
  EXPECT_NEAR(p.x, 2.9f, 1e-3f);  // 3 units per second, well above 1.2
}

}  // namespace
}  // namespace vel
