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
  const ReachRect stored{0.2f, 0.25f, 0.8f, 0.7f};
  const struct {
    Settings settings;
    int width;
    int height;
    ReachRect expected;
  } rows[] = {
      {Settings{}, 640, 480, kDefault},
      {[] { Settings s; s.Margin = 0.02f; return s; }(), 640, 480, {0.025f, 0.025f, 0.975f, 0.975f}},  // below 0.05
      {[] { Settings s; s.Margin = 0.5f; return s; }(), 640, 480, {0.15f, 0.15f, 0.85f, 0.85f}},      // capped at 0.3
      {storedArea(), 640, 480, stored},
      {storedArea(), 1352, 1000, stored},  // within 0.02 of the stored shape
      {storedArea(), 1354, 1000, kDefault},
      {storedArea(), 1280, 720, kDefault},
      {storedArea(), 640, 0, kDefault},
      {storedArea([](Settings& s) { s.ReachVersion = false; }), 640, 480, kDefault},
      {storedArea([](Settings& s) { s.ReachRight = s.ReachLeft + 0.13f; }), 640, 480, kDefault},
      {storedArea([](Settings& s) { s.ReachAspect = kNan; }), 640, 480, kDefault},
      {storedArea([](Settings& s) { s.ReachPalm = 0.01f; }), 640, 480, kDefault},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << &row - rows << ": " << row.width << " x " << row.height);
    expectRect(reachRect(row.settings, row.width, row.height), row.expected);
  }
}

TEST(ReachRectangle, ReferencePalmIgnoresTheImageShape) {
  EXPECT_FLOAT_EQ(referencePalm(Settings{}), 0.17f);
  EXPECT_FLOAT_EQ(referencePalm(storedArea()), 0.15f);
  EXPECT_FLOAT_EQ(referencePalm(storedArea([](Settings& s) { s.ReachVersion = false; })), 0.17f);
}

// Drives the adaptation at 30 frames per second from a clock well above 0.
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
  // Ratio 0.5, clamped to 0.6: an extent of 0.51 about the centre.
  expectRect(at(10'000, 0.085f), kDefault);
  expectRect(at(10'199, 0.085f), kDefault);
  EXPECT_FALSE(state.valid);
  expectRect(at(10'200, 0.085f), kFar);
  EXPECT_TRUE(state.valid);
}

TEST_F(DistanceAdaptation, ACloseHandGrowsTheArea) {
  expectRect(hold(0.17f * 1.1f, 8), {0.0325f, 0.0325f, 0.9675f, 0.9675f});
}

TEST_F(DistanceAdaptation, APalmJumpRestartsSettlingAndKeepsThePreviousArea) {
  expectRect(hold(0.085f, 10), kFar);
  // 0.17 is a jump of 100 %: the far area stays for 200 ms more.
  expectRect(hold(0.17f, 7), kFar);
  expectRect(hold(0.17f, 1), kDefault);
}

TEST_F(DistanceAdaptation, SmallChangesAreSmoothed) {
  hold(0.17f, 10);
  // 10 % smaller: within the 20 % band, so the palm used moves 15 % of the way per frame.
  const ReachRect rect = hold(0.153f, 1);
  EXPECT_NEAR(rect.right - rect.left, 0.85f * (0.17f + (0.153f - 0.17f) * 0.15f) / 0.17f, 1e-5f);
}

TEST_F(DistanceAdaptation, FrozenWhileNotPermitted) {
  hold(0.085f, 10);
  // Aiming: the area stays whatever the palm does, and settling starts over afterwards.
  expectRect(hold(0.2f, 20, false), kFar);
  EXPECT_EQ(state.since, 0);
  expectRect(hold(0.17f, 7), kFar);
  expectRect(hold(0.17f, 1), kDefault);
}

TEST_F(DistanceAdaptation, AFrameGapRestartsSettling) {
  const ReachRect before = hold(0.12f, 10);
  EXPECT_NEAR(before.right - before.left, 0.6f, 1e-5f);
  // A small change would be smoothed in at once; after a gap it has to settle first.
  expectRect(at(now + 284, 0.126f), before);
  EXPECT_EQ(state.since, now);
}

TEST_F(DistanceAdaptation, UnusablePalmOrReferenceKeepsTheArea) {
  for (const float palm : {0.0f, -0.1f, kNan, std::numeric_limits<float>::infinity()}) {
    expectRect(hold(palm, 10), kDefault);
  }
  EXPECT_FALSE(state.valid);
  expectRect(adaptReachToDistance(state, kDefault, 0.085f, 0.0f, true, now + 33), kDefault);
}

TEST(DistanceAdaptationLimits, SizeStaysBetweenTheMinimumAndTheImage) {
  const auto settled = [](const ReachRect& base, float palm) {
    DistanceState state;
    adaptReachToDistance(state, base, palm, 0.17f, true, 1'000);
    return adaptReachToDistance(state, base, palm, 0.17f, true, 1'200);
  };
  // Base 0.2..0.36 × 0.1..0.25, shrunk by 0.6: below 0.14 × 0.12, so the minimum.
  expectRect(settled({0.2f, 0.1f, 0.36f, 0.25f}, 0.05f), {0.21f, 0.115f, 0.35f, 0.235f});
  // Grown by 1.35 past 0.94, and pushed back inside the image from the left edge.
  expectRect(settled({0.0f, 0.0f, 0.8f, 0.3f}, 0.5f), {0.0f, 0.0f, 0.94f, 0.405f});
}

TEST(FingertipMapping, ThroughTheReachRectangleClampedAndMirrored) {
  const struct {
    Point tip;
    bool mirror;
    Point expected;
  } rows[] = {
      {{319.5f, 239.5f}, false, {0.5f, 0.5f}},
      {{0.3f * 639, 0.8f * 479}, false, {(0.3f - 0.075f) / 0.85f, (0.8f - 0.075f) / 0.85f}},
      {{20, 10}, false, {0.0f, 0.0f}},  // inside the image, outside the rectangle
      {{630, 470}, false, {1.0f, 1.0f}},
      {{20, 10}, true, {1.0f, 0.0f}},
      {{0.3f * 639, 0.8f * 479}, true, {(0.7f - 0.075f) / 0.85f, (0.8f - 0.075f) / 0.85f}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.tip.x << "," << row.tip.y << (row.mirror ? " mirrored" : ""));
    const Point p = mapFingertip(row.tip, 640, 480, row.mirror, kDefault);
    EXPECT_NEAR(p.x, row.expected.x, 1e-5f);
    EXPECT_NEAR(p.y, row.expected.y, 1e-5f);
  }
  EXPECT_NEAR(cameraPosition({0.3f * 639, 0.6f * 479}, 640, 480, true).x, 0.7f, 1e-6f);
}

TEST(FingertipMapping, TinyFramesAndBrokenInput) {
  // Below 3 pixels the divisor is 1.
  EXPECT_EQ(cameraPosition({1, 0.5f}, 2, 2, false).x, 1.0f);
  EXPECT_EQ(cameraPosition({1, 0.5f}, 2, 2, false).y, 0.5f);
  const Point p = mapFingertip({kNan, 100}, 640, 480, false, kDefault);
  EXPECT_TRUE(std::isnan(p.x));
  EXPECT_TRUE(std::isfinite(p.y));
  EXPECT_FALSE(std::isfinite(mapFingertip({319.5f, 100}, 640, 480, false, {0.5f, 0.5f, 0.5f, 0.5f}).x));
}

// A filter that has been still at `from` and now sees the hand at `to`.
PointerFilter restingAt(Point from, Point to) {
  PointerFilter filter;
  resetPointerFilter(filter, from);
  filter.lastRaw = to;  // no raw movement: the gap alone is closed
  return filter;
}

TEST(PointerFilterStep, AtRestClosesTheFeelsShareOfTheGapPerFrame) {
  for (const auto& feel : kPointerFeelOptions) {
    PointerFilter filter = restingAt({0.2f, 0.6f}, {0.7f, 0.1f});
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
  // 3 units per second, well above 1.2.
  for (float x = 0.0f; x < 2.95f; x += 0.1f) p = filterPointer(filter, {x, 0.5f}, 0.18f, 1.0f / 30.0f);
  EXPECT_NEAR(p.x, 2.9f, 1e-3f);
  EXPECT_NEAR(filter.velocity.x, 3.0f, 1e-2f);
}

TEST(PointerFilterStep, JustAfterMovingTheFirstFramesCloseMore) {
  PointerFilter filter;
  // 0.6 units per second, then still.
  for (float x = 0.0f; x < 0.19f; x += 0.02f) filterPointer(filter, {x, 0.5f}, 0.18f, 1.0f / 30.0f);
  const float before = filter.lastRaw.x - filter.filtered.x;
  ASSERT_GT(before, 0.01f);
  const Point p = filterPointer(filter, filter.lastRaw, 0.18f, 1.0f / 30.0f);
  EXPECT_GT(1.0f - (filter.lastRaw.x - p.x) / before, 0.25f);
}

TEST(PointerFilterStep, FirstStepAndResetRestOnThePosition) {
  PointerFilter filter;
  Point p = filterPointer(filter, {0.3f, 0.4f}, 0.18f, 1.0f / 30.0f);
  EXPECT_EQ(p.x, 0.3f);
  EXPECT_EQ(p.y, 0.4f);
  for (const float x : {0.4f, 0.5f, 0.6f}) filterPointer(filter, {x, 0.5f}, 0.18f, 1.0f / 30.0f);
  resetPointerFilter(filter, {0.9f, 0.1f});
  p = filterPointer(filter, {0.9f, 0.1f}, 0.18f, 1.0f / 30.0f);
  EXPECT_EQ(p.x, 0.9f);
  EXPECT_EQ(p.y, 0.1f);
  EXPECT_EQ(filter.velocity.x, 0.0f);
}

TEST(PointerFilterStep, TimeStepAndSmoothingAreLimited) {
  // dt is taken as 0.25 s at most: 7.5 frames of closing.
  PointerFilter filter = restingAt({0.0f, 0.0f}, {1.0f, 0.0f});
  EXPECT_NEAR(filterPointer(filter, {1.0f, 0.0f}, 0.18f, 10.0f).x, 1.0f - std::pow(0.82f, 7.5f), 1e-5f);
  // A smoothing below 0.15 counts as 0.15.
  filter = restingAt({0.0f, 0.0f}, {1.0f, 0.0f});
  EXPECT_NEAR(filterPointer(filter, {1.0f, 0.0f}, 0.01f, 1.0f / 30.0f).x, 0.15f, 1e-5f);
  // A zero step is 1 ms, not a division by zero.
  filter = restingAt({0.0f, 0.0f}, {1.0f, 0.0f});
  EXPECT_TRUE(std::isfinite(filterPointer(filter, {1.0f, 0.0f}, 0.18f, 0.0f).x));
}

}  // namespace
}  // namespace vel
