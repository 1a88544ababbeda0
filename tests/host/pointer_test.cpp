// Pointer mapping: which reach rectangle applies, how it follows the hand's distance, how the
// fingertip maps through it, and how the filter smooths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "control/pointer.h"

namespace vel {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

Settings withReach(float left, float top, float right, float bottom, float palm, float aspect) {
  Settings settings;
  settings.ReachVersion = true;
  settings.ReachLeft = left;
  settings.ReachTop = top;
  settings.ReachRight = right;
  settings.ReachBottom = bottom;
  settings.ReachPalm = palm;
  settings.ReachAspect = aspect;
  return settings;
}

void expectRect(const ReachRect& rect, float left, float top, float right, float bottom) {
  EXPECT_NEAR(rect.left, left, 1e-5f);
  EXPECT_NEAR(rect.top, top, 1e-5f);
  EXPECT_NEAR(rect.right, right, 1e-5f);
  EXPECT_NEAR(rect.bottom, bottom, 1e-5f);
}

TEST(ReachRectangle, FromTheMarginWithoutAStoredArea) {
  Settings settings;
  expectRect(reachRect(settings, 640, 480), 0.075f, 0.075f, 0.925f, 0.925f);
  settings.Margin = 0.02f;  // below 0.05: a fixed small inset
  expectRect(reachRect(settings, 640, 480), 0.025f, 0.025f, 0.975f, 0.975f);
  settings.Margin = 0.5f;  // capped at 0.3
  expectRect(reachRect(settings, 640, 480), 0.15f, 0.15f, 0.85f, 0.85f);
  settings.Margin = 0.0f;
  expectRect(reachRect(settings, 640, 480), 0.025f, 0.025f, 0.975f, 0.975f);
}

TEST(ReachRectangle, StoredAreaOnlyOnAnImageOfTheSameShape) {
  const Settings settings = withReach(0.2f, 0.25f, 0.8f, 0.7f, 0.15f, 1.3333f);
  expectRect(reachRect(settings, 640, 480), 0.2f, 0.25f, 0.8f, 0.7f);
  expectRect(reachRect(settings, 1280, 720), 0.075f, 0.075f, 0.925f, 0.925f);  // 16:9
  // Within 0.02 of the stored shape.
  expectRect(reachRect(settings, 1352, 1000), 0.2f, 0.25f, 0.8f, 0.7f);   // 1.352
  expectRect(reachRect(settings, 1354, 1000), 0.075f, 0.075f, 0.925f, 0.925f);  // 1.354
  expectRect(reachRect(settings, 640, 0), 0.075f, 0.075f, 0.925f, 0.925f);
}

TEST(ReachRectangle, StoredAreaThatBreaksItsRulesIsIgnored) {
  const Settings good = withReach(0.2f, 0.25f, 0.8f, 0.7f, 0.15f, 1.3333f);
  Settings settings = good;
  settings.ReachVersion = false;
  expectRect(reachRect(settings, 640, 480), 0.075f, 0.075f, 0.925f, 0.925f);
  settings = good;
  settings.ReachRight = settings.ReachLeft + 0.13f;
  expectRect(reachRect(settings, 640, 480), 0.075f, 0.075f, 0.925f, 0.925f);
  settings = good;
  settings.ReachAspect = kNan;
  expectRect(reachRect(settings, 640, 480), 0.075f, 0.075f, 0.925f, 0.925f);
  settings = good;
  settings.ReachPalm = 0.01f;
  expectRect(reachRect(settings, 640, 480), 0.075f, 0.075f, 0.925f, 0.925f);
}

TEST(ReachRectangle, ReferencePalmIgnoresTheImageShape) {
  EXPECT_FLOAT_EQ(referencePalm(Settings{}), 0.17f);
  const Settings settings = withReach(0.2f, 0.25f, 0.8f, 0.7f, 0.15f, 1.3333f);
  EXPECT_FLOAT_EQ(referencePalm(settings), 0.15f);  // even on a 16:9 image
  Settings unflagged = settings;
  unflagged.ReachVersion = false;
  EXPECT_FLOAT_EQ(referencePalm(unflagged), 0.17f);
}

// Drives the adaptation at 30 frames per second from a clock well above 0.
class DistanceAdaptation : public ::testing::Test {
 protected:
  ReachRect frame(float palm, bool permitted = true) {
    now += 33;
    return adaptReachToDistance(state, base, palm, 0.17f, permitted, now);
  }
  ReachRect hold(float palm, int frames, bool permitted = true) {
    ReachRect rect;
    for (int i = 0; i < frames; ++i) rect = frame(palm, permitted);
    return rect;
  }

  DistanceState state;
  ReachRect base;  // 0.075 .. 0.925
  std::int64_t now = 50'000;
};

TEST_F(DistanceAdaptation, AFarHandShrinksTheAreaAfterSettling) {
  // Ratio 0.5, clamped to 0.6: an extent of 0.51 about the centre.
  EXPECT_FALSE(state.valid);
  expectRect(hold(0.085f, 7), 0.075f, 0.075f, 0.925f, 0.925f);  // 198 ms: still settling
  expectRect(frame(0.085f), 0.245f, 0.245f, 0.755f, 0.755f);    // 231 ms
  EXPECT_TRUE(state.valid);
}

TEST_F(DistanceAdaptation, SettlesAfter200Milliseconds) {
  EXPECT_EQ(adaptReachToDistance(state, base, 0.085f, 0.17f, true, 10'000).right, base.right);
  EXPECT_EQ(adaptReachToDistance(state, base, 0.085f, 0.17f, true, 10'199).right, base.right);
  EXPECT_NEAR(adaptReachToDistance(state, base, 0.085f, 0.17f, true, 10'200).right, 0.755f, 1e-5f);
}

TEST_F(DistanceAdaptation, ACloseHandGrowsTheArea) {
  expectRect(hold(0.17f * 1.1f, 8), 0.0325f, 0.0325f, 0.9675f, 0.9675f);
}

TEST_F(DistanceAdaptation, APalmJumpRestartsSettlingAndKeepsThePreviousArea) {
  const ReachRect far = hold(0.085f, 10);
  expectRect(far, 0.245f, 0.245f, 0.755f, 0.755f);
  // 0.17 is a jump of 100 %: the far area stays for 200 ms more.
  expectRect(hold(0.17f, 7), 0.245f, 0.245f, 0.755f, 0.755f);
  expectRect(frame(0.17f), 0.075f, 0.075f, 0.925f, 0.925f);
}

TEST_F(DistanceAdaptation, SmallChangesAreSmoothed) {
  hold(0.17f, 10);
  // 10 % smaller: within the 20 % band, so the palm used moves 15 % of the way per frame.
  const ReachRect rect = frame(0.153f);
  const float palm = 0.17f + (0.153f - 0.17f) * 0.15f;
  EXPECT_NEAR(rect.right - rect.left, 0.85f * palm / 0.17f, 1e-5f);
}

TEST_F(DistanceAdaptation, FrozenWhileNotPermitted) {
  hold(0.085f, 10);
  // Aiming: the area stays whatever the palm does, and settling starts over afterwards.
  expectRect(hold(0.2f, 20, false), 0.245f, 0.245f, 0.755f, 0.755f);
  EXPECT_EQ(state.since, 0);
  expectRect(hold(0.17f, 7), 0.245f, 0.245f, 0.755f, 0.755f);
  expectRect(frame(0.17f), 0.075f, 0.075f, 0.925f, 0.925f);
}

TEST_F(DistanceAdaptation, AFrameGapRestartsSettling) {
  const ReachRect before = hold(0.12f, 10);
  EXPECT_NEAR(before.right - before.left, 0.6f, 1e-5f);
  // A small change would be smoothed in at once; after a gap it has to settle first.
  now += 251;
  expectRect(frame(0.126f), before.left, before.top, before.right, before.bottom);
  EXPECT_EQ(state.since, now);
}

TEST_F(DistanceAdaptation, UnusablePalmOrReferenceKeepsTheArea) {
  for (const float palm : {0.0f, -0.1f, kNan, std::numeric_limits<float>::infinity()}) {
    expectRect(hold(palm, 10), 0.075f, 0.075f, 0.925f, 0.925f);
  }
  EXPECT_FALSE(state.valid);
  now += 33;
  expectRect(adaptReachToDistance(state, base, 0.085f, 0.0f, true, now), 0.075f, 0.075f, 0.925f, 0.925f);
}

TEST(DistanceAdaptationLimits, SizeStaysBetweenTheMinimumAndTheImage) {
  DistanceState state;
  // Base 0.2..0.36 × 0.1..0.25, shrunk by 0.6: below 0.14 × 0.12, so the minimum.
  const ReachRect small{0.2f, 0.1f, 0.36f, 0.25f};
  adaptReachToDistance(state, small, 0.05f, 0.17f, true, 1'000);
  expectRect(adaptReachToDistance(state, small, 0.05f, 0.17f, true, 1'200), 0.21f, 0.115f, 0.35f, 0.235f);
  // Grown by 1.35 past 0.94, and pushed back inside the image from the left edge.
  state = {};
  const ReachRect wide{0.0f, 0.0f, 0.8f, 0.3f};
  adaptReachToDistance(state, wide, 0.5f, 0.17f, true, 1'000);
  expectRect(adaptReachToDistance(state, wide, 0.5f, 0.17f, true, 1'200), 0.0f, 0.0f, 0.94f, 0.405f);
}

TEST(FingertipMapping, ThroughTheReachRectangle) {
  const ReachRect rect;  // 0.075 .. 0.925
  const Point centre = mapFingertip({319.5f, 239.5f}, 640, 480, false, rect);
  EXPECT_NEAR(centre.x, 0.5f, 1e-5f);
  EXPECT_NEAR(centre.y, 0.5f, 1e-5f);
  const Point p = mapFingertip({0.3f * 639, 0.8f * 479}, 640, 480, false, rect);
  EXPECT_NEAR(p.x, (0.3f - 0.075f) / 0.85f, 1e-5f);
  EXPECT_NEAR(p.y, (0.8f - 0.075f) / 0.85f, 1e-5f);
}

TEST(FingertipMapping, OutsideTheRectangleClampsToTheEdges) {
  const ReachRect rect;
  // Inside the image, left of and above the rectangle.
  const Point p = mapFingertip({20, 10}, 640, 480, false, rect);
  EXPECT_EQ(p.x, 0.0f);
  EXPECT_EQ(p.y, 0.0f);
  const Point q = mapFingertip({630, 470}, 640, 480, false, rect);
  EXPECT_EQ(q.x, 1.0f);
  EXPECT_EQ(q.y, 1.0f);
}

TEST(FingertipMapping, MirrorFlipsTheHorizontalAxis) {
  const ReachRect rect;
  EXPECT_EQ(mapFingertip({0, 240}, 640, 480, true, rect).x, 1.0f);
  EXPECT_EQ(mapFingertip({20, 240}, 640, 480, true, rect).x, 1.0f);
  EXPECT_NEAR(mapFingertip({0.3f * 639, 240}, 640, 480, true, rect).x, (0.7f - 0.075f) / 0.85f, 1e-5f);
  const Point camera = cameraPosition({0.3f * 639, 0.6f * 479}, 640, 480, true);
  EXPECT_NEAR(camera.x, 0.7f, 1e-6f);
  EXPECT_NEAR(camera.y, 0.6f, 1e-6f);
}

TEST(FingertipMapping, TinyFramesAndBrokenInput) {
  // Below 3 pixels the divisor is 1.
  EXPECT_EQ(cameraPosition({1, 0.5f}, 2, 2, false).x, 1.0f);
  EXPECT_EQ(cameraPosition({1, 0.5f}, 2, 2, false).y, 0.5f);
  const Point p = mapFingertip({kNan, 100}, 640, 480, false, ReachRect{});
  EXPECT_TRUE(std::isnan(p.x));
  EXPECT_TRUE(std::isfinite(p.y));
  const ReachRect empty{0.5f, 0.5f, 0.5f, 0.5f};
  EXPECT_FALSE(std::isfinite(mapFingertip({319.5f, 100}, 640, 480, false, empty).x));
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

TEST(PointerFilterStep, FirstStepStartsAtTheRawPosition) {
  PointerFilter filter;
  const Point p = filterPointer(filter, {0.3f, 0.4f}, 0.18f, 1.0f / 30.0f);
  EXPECT_EQ(p.x, 0.3f);
  EXPECT_EQ(p.y, 0.4f);
  EXPECT_TRUE(filter.initialized);
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

TEST(PointerFilterStep, ResetRestsOnThePosition) {
  PointerFilter filter;
  for (const float x : {0.0f, 0.1f, 0.2f, 0.3f}) filterPointer(filter, {x, 0.5f}, 0.18f, 1.0f / 30.0f);
  resetPointerFilter(filter, {0.9f, 0.1f});
  const Point p = filterPointer(filter, {0.9f, 0.1f}, 0.18f, 1.0f / 30.0f);
  EXPECT_EQ(p.x, 0.9f);
  EXPECT_EQ(p.y, 0.1f);
  EXPECT_EQ(filter.velocity.x, 0.0f);
}

}  // namespace
}  // namespace vel
