// Pointer mapping: which reach rectangle applies, how it follows the hand's distance, how the
// fingertip maps through it, and how the filter smooths. Expected figures are worked out by hand
// from the rules (ratios, caps, the 0.15 palm blend, the filter's blend per step).
#include "control/pointer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace vel {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
const ReachRect kDefault;  // 0.075 .. 0.925

void expectRect(const ReachRect& rect, const ReachRect& expected) {
  EXPECT_NEAR(rect.left, expected.left, 2e-6f);
  EXPECT_NEAR(rect.top, expected.top, 2e-6f);
  EXPECT_NEAR(rect.right, expected.right, 2e-6f);
  EXPECT_NEAR(rect.bottom, expected.bottom, 2e-6f);
}

// A stored area of 0.2..0.8 × 0.25..0.7 measured on a 4:3 image with a palm of 0.15.
Settings storedArea(void (*change)(Settings&) = [](Settings&) {}) {
  Settings s;
  s.ReachVersion = true;
  s.ReachLeft = 0.2f, s.ReachTop = 0.25f, s.ReachRight = 0.8f, s.ReachBottom = 0.7f;
  s.ReachPalm = 0.15f, s.ReachAspect = 1.3333f;
  change(s);
  return s;
}

TEST(ReachRectangle, FromTheMarginOrAStoredAreaOnAnImageOfTheSameShape) {
  const ReachRect stored{0.2f, 0.25f, 0.8f, 0.7f};
  const struct { Settings settings; int width, height; ReachRect expected; float palm; } rows[] = {
      {[] { Settings s; s.Margin = 0.04f; return s; }(), 640, 480, {0.025f, 0.025f, 0.975f, 0.975f}, 0.17f},
      {[] { Settings s; s.Margin = 0.055f; return s; }(), 640, 480, {0.0275f, 0.0275f, 0.9725f, 0.9725f}, 0.17f},
      {[] { Settings s; s.Margin = 0.5f; return s; }(), 640, 480, {0.15f, 0.15f, 0.85f, 0.85f}, 0.17f},
      {storedArea(), 1352, 1000, stored, 0.15f},  // within 0.02 of the stored shape
      {storedArea(), 1354, 1000, kDefault, 0.15f},
      {storedArea(), 640, 0, kDefault, 0.15f},
      {storedArea([](Settings& s) { s.ReachAspect = kNan; }), 640, 480, kDefault, 0.15f},
      {storedArea([](Settings& s) { s.ReachVersion = false; }), 640, 480, kDefault, 0.17f},
      {storedArea([](Settings& s) { s.ReachRight = s.ReachLeft + 0.13f; }), 640, 480, kDefault, 0.17f},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    expectRect(reachRect(row.settings, row.width, row.height), row.expected);
    EXPECT_EQ(referencePalm(row.settings), row.palm);
  }
}

// One adaptation run from a fresh state, the first call at 10 s, each call `dt` ms after the
// previous; the palm is a fraction of the image height against the typical 0.17.
struct Call {
  std::int64_t dt;
  float palm;
  bool permitted = true;
};

ReachRect adapt(const ReachRect& base, std::vector<Call> calls) {
  DistanceState state;
  std::int64_t t = 10'000;
  ReachRect rect;
  for (const Call& call : calls) rect = adaptReachToDistance(state, base, call.palm, 0.17f, call.permitted, t += call.dt);
  return rect;
}

TEST(DistanceAdaptation, ScalesTheAreaByThePalmOnceItHasSettled200Ms) {
  const std::vector<Call> settled{{0, 0.1275f}, {200, 0.1275f}};  // ratio 0.75: 0.18125 .. 0.81875
  const auto then = [&](std::vector<Call> more) {
    more.insert(more.begin(), settled.begin(), settled.end());
    return more;
  };
  const ReachRect threeQuarters{0.18125f, 0.18125f, 0.81875f, 0.81875f};
  const struct { const char* what; ReachRect base; std::vector<Call> calls; ReachRect expected; } rows[] = {
      {"199 ms", kDefault, {{0, 0.085f}, {199, 0.085f}}, kDefault},
      {"far: ratio 0.5 raised to 0.6", kDefault, {{0, 0.085f}, {200, 0.085f}}, {0.245f, 0.245f, 0.755f, 0.755f}},
      {"close", kDefault, {{0, 0.187f}, {200, 0.187f}}, {0.0325f, 0.0325f, 0.9675f, 0.9675f}},
      {"ratio 2 lowered to 1.35", {0.4f, 0.4f, 0.6f, 0.6f}, {{0, 0.34f}, {200, 0.34f}}, {0.365f, 0.365f, 0.635f, 0.635f}},
      {"at most 0.94 of the image", kDefault, {{0, 0.2295f}, {200, 0.2295f}}, {0.03f, 0.03f, 0.97f, 0.97f}},
      {"at least 0.14 × 0.12", {0.45f, 0.45f, 0.55f, 0.55f}, {{0, 0.17f}, {200, 0.17f}}, {0.43f, 0.44f, 0.57f, 0.56f}},
      {"kept inside the image", {0.0f, 0.7f, 0.3f, 1.0f}, {{0, 0.2295f}, {200, 0.2295f}}, {0.0f, 0.595f, 0.405f, 1.0f}},
      {"a drift of 19 % is blended in by 0.15", kDefault, then({{33, 0.1275f * 1.19f}}), {0.172166f, 0.172166f, 0.827834f, 0.827834f}},
      {"a jump of 21 % settles again", kDefault, then({{33, 0.1275f * 1.21f}}), threeQuarters},
      {"250 ms later: still settled", kDefault, then({{250, 0.136f}}), {0.178062f, 0.178062f, 0.821938f, 0.821938f}},
      {"251 ms later: settles again", kDefault, then({{251, 0.136f}}), threeQuarters},
      {"time going back", kDefault, then({{0, 0.136f}}), threeQuarters},
      {"aiming keeps the area", kDefault, then({{33, 0.136f, false}, {33, 0.136f}, {199, 0.136f}}), threeQuarters},
      {"then settles afresh", kDefault, then({{33, 0.136f, false}, {33, 0.136f}, {200, 0.136f}}), {0.16f, 0.16f, 0.84f, 0.84f}},
      {"no palm", kDefault, then({{33, kNan}, {33, 0.136f}}), threeQuarters},
      {"never settled: the base", {0.1f, 0.2f, 0.3f, 0.4f}, {{0, 0.17f}, {33, 0.0f}}, {0.1f, 0.2f, 0.3f, 0.4f}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    expectRect(adapt(row.base, row.calls), row.expected);
  }
  for (const float reference : {0.0f, kNan}) {  // without a reference palm nothing settles
    DistanceState state;
    adaptReachToDistance(state, kDefault, 0.085f, reference, true, 10'000);
    expectRect(adaptReachToDistance(state, kDefault, 0.085f, reference, true, 10'200), kDefault);
  }
}

TEST(FingertipMapping, ThroughTheReachRectangleClampedAndMirrored) {
  const struct { Point tip; int width; bool mirror; Point expected; } rows[] = {
      {{0.3f * 639, 0.8f * 479}, 640, false, {(0.3f - 0.075f) / 0.85f, (0.8f - 0.075f) / 0.85f}},
      {{0.3f * 639, 0.8f * 479}, 640, true, {(0.7f - 0.075f) / 0.85f, (0.8f - 0.075f) / 0.85f}},
      {{20, 10}, 640, false, {0.0f, 0.0f}},  // inside the image, outside the rectangle
      {{630, 470}, 640, false, {1.0f, 1.0f}},
      {{1, 0.5f * 479}, 2, false, {1.0f, (0.5f - 0.075f) / 0.85f}},  // below 3 pixels the divisor is 1
      {{1, 0.5f * 479}, 3, false, {(0.5f - 0.075f) / 0.85f, (0.5f - 0.075f) / 0.85f}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    const Point p = mapFingertip(row.tip, row.width, 480, row.mirror, kDefault);
    EXPECT_NEAR(p.x, row.expected.x, 1e-5f);
    EXPECT_NEAR(p.y, row.expected.y, 1e-5f);
  }
  EXPECT_NEAR(mapFingertip({320, 1}, 640, 3, false, kDefault).y, 0.5f, 1e-5f) << "3 pixels: the divisor is 2";
  const Point broken = mapFingertip({kNan, 100}, 640, 480, false, kDefault);
  EXPECT_TRUE(std::isnan(broken.x) && std::isfinite(broken.y));
}

// From rest on (0.2, 0.6), `steps` filter steps of `dt` seconds towards the raw positions.
Point filtered(float smoothing, float dt, std::vector<Point> raws, PointerFilter filter = {}) {
  resetPointerFilter(filter, {0.2f, 0.6f});
  Point p;
  for (const Point raw : raws) p = filterPointer(filter, raw, smoothing, dt);
  return p;
}

TEST(PointerFilterStep, BlendsByTheFeelAtRestAndFollowsFastMovementWithoutLag) {
  const std::vector<Point> step(6, Point{0.22f, 0.58f});
  const std::vector<Point> nudge(3, Point{0.21f, 0.59f});
  std::vector<Point> down;
  for (int i = 1; i <= 7; ++i) down.push_back({0.2f, 0.6f + 0.01f * static_cast<float>(i)});
  const struct { float smoothing, dt; std::vector<Point> raws; Point expected; } rows[] = {
      {0.18f, 1.0f / 30, step, {0.216697f, 0.583303f}},  // Steady
      {0.1f, 1.0f / 30, step, {0.215902f, 0.584098f}},   // never smoother than 0.15
      {0.5f, 1.0f / 30, step, {0.21983f, 0.58017f}},     // Balanced
      {1.0f, 1.0f / 30, step, {0.22f, 0.58f}},           // Direct: no filtering
      {0.18f, 1.0f / 30, down, {0.2f, 0.651527f}},
      {0.18f, 0.001f, nudge, {0.200267f, 0.599733f}},
      {0.18f, 0.0f, nudge, {0.200267f, 0.599733f}},  // steps clamped to 1 ms
      {0.18f, 0.25f, nudge, {0.20992f, 0.59008f}},
      {0.18f, 1.0f, nudge, {0.20992f, 0.59008f}},  // and to 250 ms
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    const Point p = filtered(row.smoothing, row.dt, row.raws);
    EXPECT_NEAR(p.x, row.expected.x, 2e-6f);
    EXPECT_NEAR(p.y, row.expected.y, 2e-6f);
  }
  std::vector<Point> fast;  // 3 units per second, well above 1.2
  for (float x = 0.2f; x < 2.95f; x += 0.1f) fast.push_back({x, 0.6f});
  EXPECT_NEAR(filtered(0.18f, 1.0f / 30, fast).x, fast.back().x, 1e-3f);
  PointerFilter moving;
  EXPECT_EQ(filterPointer(moving, {0.9f, 0.1f}, 0.18f, 1.0f / 30).x, 0.9f) << "a new filter starts on the position";
  filterPointer(moving, {0.5f, 0.9f}, 0.18f, 1.0f / 30);
  EXPECT_NEAR(filtered(0.18f, 1.0f / 30, step, moving).x, rows[0].expected.x, 2e-6f) << "a reset filter is at rest";
}

}  // namespace
}  // namespace vel
