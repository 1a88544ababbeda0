// Pointer mapping: which reach rectangle applies, how it follows the hand's distance, how the
// fingertip maps through it, and how the filter smooths. Expected figures are worked out by hand
// from the rules (ratios, caps, the 0.15 palm blend, the filter's blend per step).
#include "control/pointer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace vel {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
const ReachRect kDefault;  // 0.075 .. 0.925

// Compared at five decimals, enough for the figures worked out by hand.
std::string text(std::initializer_list<float> values) {
  std::string out;
  char number[32];
  for (const float value : values) out += (std::snprintf(number, sizeof number, "%.5f ", value), number);
  return out;
}
std::string text(const ReachRect& r) { return text({r.left, r.top, r.right, r.bottom}); }

// A stored area of 0.2..0.8 × 0.25..0.7 measured on a 4:3 image with a palm of 0.15.
Settings stored(float margin, bool version = true, float aspect = 1.3333f, float right = 0.8f) {
  Settings s;
  s.Margin = margin, s.ReachVersion = version, s.ReachAspect = aspect, s.ReachPalm = 0.15f;
  s.ReachLeft = 0.2f, s.ReachTop = 0.25f, s.ReachRight = right, s.ReachBottom = 0.7f;
  return s;
}

// The reference palm is the stored one, or the typical 0.17 of the image height.
TEST(ReachRectangle, FromTheMarginOrAStoredAreaOnAnImageOfTheSameShape) {
  const struct { Settings settings; int width, height; ReachRect expected; float palm; } rows[] = {
      {stored(0.055f, false), 640, 480, {0.0275f, 0.0275f, 0.9725f, 0.9725f}, 0.17f},
      {stored(0.5f, false), 640, 480, {0.15f, 0.15f, 0.85f, 0.85f}, 0.17f},
      {stored(0.15f), 1352, 1000, {0.2f, 0.25f, 0.8f, 0.7f}, 0.15f},  // within 0.02 of the stored shape
      {stored(0.15f), 1354, 1000, kDefault, 0.15f}, {stored(0.15f), 640, 0, kDefault, 0.15f},
      {stored(0.15f, true, kNan), 640, 480, kDefault, 0.15f},
      {stored(0.15f, true, 1.3333f, 0.33f), 640, 480, kDefault, 0.17f},  // narrower than 0.14
  };
  for (const auto& row : rows) {
    EXPECT_EQ(text(reachRect(row.settings, row.width, row.height)), text(row.expected)) << &row - rows;
    EXPECT_EQ(referencePalm(row.settings), row.palm) << &row - rows;
  }
}

// Calls `dt` ms apart from 10 s on, with the palm as a fraction of the image height against the
// typical 0.17; unless fresh, after the palm settled 200 ms at 0.1275 (ratio 0.75).
TEST(DistanceAdaptation, ScalesTheAreaByThePalmOnceItHasSettled200Ms) {
  struct Call { std::int64_t dt; float palm; bool permitted = true; };
  const ReachRect threeQuarters{0.18125f, 0.18125f, 0.81875f, 0.81875f}, small{0.4f, 0.4f, 0.6f, 0.6f};
  const struct { const char* what; bool fresh; ReachRect base; std::vector<Call> calls; ReachRect expected; } rows[] = {
      {"199 ms", true, kDefault, {{0, 0.085f}, {199, 0.085f}}, kDefault},
      {"ratio 0.5 raised to 0.6", true, kDefault, {{0, 0.085f}, {200, 0.085f}}, {0.245f, 0.245f, 0.755f, 0.755f}},
      {"ratio 2 lowered to 1.35", true, small, {{0, 0.34f}, {200, 0.34f}}, {0.365f, 0.365f, 0.635f, 0.635f}},
      {"at most 0.94 of the image", true, kDefault, {{0, 0.2295f}, {200, 0.2295f}}, {0.03f, 0.03f, 0.97f, 0.97f}},
      {"at least 0.14 × 0.12", true, {0.45f, 0.45f, 0.55f, 0.55f}, {{0, 0.17f}, {200, 0.17f}}, {0.43f, 0.44f, 0.57f, 0.56f}},
      {"inside the image", true, {0.0f, 0.7f, 0.3f, 1.0f}, {{0, 0.2295f}, {200, 0.2295f}}, {0.0f, 0.595f, 0.405f, 1.0f}},
      {"a drift of 19 %: blended in by 0.15", false, kDefault, {{33, 0.1275f * 1.19f}}, {0.172166f, 0.172166f, 0.827834f, 0.827834f}},
      {"a jump of 21 % settles again", false, kDefault, {{33, 0.1275f * 1.21f}}, threeQuarters},
      {"250 ms later: still settled", false, kDefault, {{250, 0.136f}}, {0.178062f, 0.178062f, 0.821938f, 0.821938f}},
      {"251 ms later: settles again", false, kDefault, {{251, 0.136f}}, threeQuarters},
      {"time going back", false, kDefault, {{0, 0.136f}}, threeQuarters},
      {"aiming keeps the area", false, kDefault, {{33, 0.136f, false}, {33, 0.136f}, {199, 0.136f}}, threeQuarters},
      {"no palm", false, kDefault, {{33, kNan}, {33, 0.136f}}, threeQuarters},
      {"never settled: the base", true, small, {{0, 0.17f}, {33, 0.0f}}, small},
  };
  for (const auto& row : rows) {
    std::vector<Call> calls{{0, 0.1275f}, {200, 0.1275f}};
    if (row.fresh) calls.clear();
    calls.insert(calls.end(), row.calls.begin(), row.calls.end());
    DistanceState state;
    std::int64_t t = 10'000;
    ReachRect rect;
    for (const Call& c : calls) rect = adaptReachToDistance(state, row.base, c.palm, 0.17f, c.permitted, t += c.dt);
    EXPECT_EQ(text(rect), text(row.expected)) << row.what;
  }
  for (const float reference : {0.0f, kNan}) {  // without a reference palm nothing settles
    DistanceState state;
    adaptReachToDistance(state, kDefault, 0.085f, reference, true, 10'000);
    EXPECT_EQ(text(adaptReachToDistance(state, kDefault, 0.085f, reference, true, 10'200)), text(kDefault));
  }
}

// Mirroring and clamping show through the gesture engine; tiny frames and broken input here.
TEST(FingertipMapping, DividesByOneBelow3PixelsAndLeavesANonFiniteCoordinate) {
  const Point tiny = mapFingertip({1, 1}, 3, 2, false, kDefault), broken = mapFingertip({kNan, 1}, 640, 3, true, kDefault);
  EXPECT_EQ(text({tiny.x, tiny.y, broken.x, broken.y}), text({0.5f, 1.0f, kNan, 0.5f}));
}

// From rest on (0.2, 0.6), filter steps of `dt` seconds towards the raw positions.
TEST(PointerFilterStep, BlendsByTheFeelAtRestAndFollowsFastMovementWithoutLag) {
  const std::vector<Point> step(6, Point{0.22f, 0.58f}), nudge(3, Point{0.21f, 0.59f});
  std::vector<Point> down, fast;  // fast: 3 units per second, well above 1.2
  for (int i = 1; i <= 7; ++i) down.push_back({0.2f, 0.6f + 0.01f * static_cast<float>(i)});
  for (float x = 0.2f; x < 2.95f; x += 0.1f) fast.push_back({x, 0.6f});
  const struct { float smoothing, dt; std::vector<Point> raws; Point expected; } rows[] = {
      {0.18f, 1.0f / 30, step, {0.216697f, 0.583303f}}, {0.1f, 1.0f / 30, step, {0.215902f, 0.584098f}},  // 0.15 at least
      {0.5f, 1.0f / 30, step, {0.21983f, 0.58017f}}, {1.0f, 1.0f / 30, step, {0.22f, 0.58f}},  // Balanced, Direct
      {0.18f, 1.0f / 30, down, {0.2f, 0.651527f}}, {0.18f, 1.0f / 30, fast, fast.back()},
      {0.18f, 0.001f, nudge, {0.200267f, 0.599733f}}, {0.18f, 0.0f, nudge, {0.200267f, 0.599733f}},  // 1 ms at least
      {0.18f, 0.25f, nudge, {0.20992f, 0.59008f}}, {0.18f, 1.0f, nudge, {0.20992f, 0.59008f}},  // 250 ms at most
  };
  for (const auto& row : rows) {
    PointerFilter filter;
    resetPointerFilter(filter, {0.2f, 0.6f});
    Point p;
    for (const Point raw : row.raws) p = filterPointer(filter, raw, row.smoothing, row.dt);
    EXPECT_EQ(text({p.x, p.y}), text({row.expected.x, row.expected.y})) << &row - rows;
  }
}

}  // namespace
}  // namespace vel
