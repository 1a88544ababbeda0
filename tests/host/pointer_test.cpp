// Pointer mapping: the reach rectangle, how it follows the hand's distance, the fingertip through it and
// the filter. Expected figures are worked out by hand from the rules (ratios, caps, blends per step).
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

std::string text(std::initializer_list<float> values) {  // five decimals are enough for the figures
  std::string out;
  char number[32];
  for (const float value : values) out += (std::snprintf(number, sizeof number, "%.5f ", value), number);
  return out;
}
std::string text(const ReachRect& r) { return text({r.left, r.top, r.right, r.bottom}); }

// The rectangle and reference palm with a stored area of 0.2..0.8 × 0.25..0.7, 4:3, palm 0.15.
std::string reach(int width, int height, float margin, bool stored = true, float aspect = 1.3333f, float right = 0.8f) {
  Settings s;
  s.Margin = margin, s.ReachVersion = stored, s.ReachAspect = aspect, s.ReachPalm = 0.15f;
  s.ReachLeft = 0.2f, s.ReachTop = 0.25f, s.ReachRight = right, s.ReachBottom = 0.7f;
  return text(reachRect(s, width, height)) + text({referencePalm(s)});
}

// Calls `dt` ms apart from 10 s on, the palm a fraction of the image height; by default after the
// palm settled 200 ms at 0.1275 (ratio 0.75 of the typical 0.17 that Settings{} gives).
struct Call { std::int64_t dt; float palm; bool permitted = true; };
std::string adapt(std::vector<Call> calls, ReachRect base = kDefault, bool settled = true, float reference = 0.17f) {
  if (settled) calls.insert(calls.begin(), {{0, 0.1275f}, {200, 0.1275f}});
  DistanceState state;
  std::int64_t t = 10'000;
  ReachRect rect;
  for (const Call& c : calls) rect = adaptReachToDistance(state, base, c.palm, reference, c.permitted, t += c.dt);
  return text(rect);
}

// Filter steps of `dt` seconds from rest on (0.2, 0.6) towards the raw positions.
std::string filtered(float smoothing, float dt, const std::vector<Point>& raws) {
  PointerFilter filter;
  resetPointerFilter(filter, {0.2f, 0.6f});
  Point p;
  for (const Point raw : raws) p = filterPointer(filter, raw, smoothing, dt);
  return text({p.x, p.y});
}

TEST(Pointer, ReachDistanceMappingAndFilterRules) {
  const std::vector<Point> step(6, Point{0.22f, 0.58f}), nudge(3, Point{0.21f, 0.59f});
  std::vector<Point> down, fast;  // fast: 3 units per second, well above 1.2
  for (int i = 1; i <= 7; ++i) down.push_back({0.2f, 0.6f + 0.01f * static_cast<float>(i)});
  for (float x = 0.2f; x < 2.95f; x += 0.1f) fast.push_back({x, 0.6f});
  const ReachRect small{0.4f, 0.4f, 0.6f, 0.6f};
  const std::string threeQuarters = text({0.18125f, 0.18125f, 0.81875f, 0.81875f});
  const Point tiny = mapFingertip({1, 1}, 3, 2, false, kDefault);
  const Point broken = mapFingertip({kNan, 1}, 640, 3, true, kDefault);
  PointerFilter fresh;
  filterPointer(fresh, {0.3f, 0.7f}, 0.5f, 0.033f);  // at rest there: the next step is smoothed
  const Point first = filterPointer(fresh, {0.31f, 0.7f}, 0.5f, 0.033f);
  const struct { const char* what; std::string actual, expected; } rows[] = {
      {"a fresh filter starts on the point", text({first.x, first.y}), text({0.305268f, 0.7f})},
      {"margin", reach(640, 480, 0.055f, false), text({0.0275f, 0.0275f, 0.9725f, 0.9725f, 0.17f})},
      {"margin at most 0.3", reach(640, 480, 0.5f, false), text({0.15f, 0.15f, 0.85f, 0.85f, 0.17f})},
      {"stored, within 0.02 of its shape", reach(1352, 1000, 0.15f), text({0.2f, 0.25f, 0.8f, 0.7f, 0.15f})},
      {"another shape", reach(1354, 1000, 0.15f), text(kDefault) + text({0.15f})},
      {"no aspect", reach(640, 480, 0.15f, true, kNan), text(kDefault) + text({0.15f})},
      {"narrower than 0.14", reach(640, 480, 0.15f, true, 1.3333f, 0.33f), text(kDefault) + text({0.17f})},
      {"0.5 raised to 0.6", adapt({}, kDefault, true, 0.34f), text({0.245f, 0.245f, 0.755f, 0.755f})},
      {"2 lowered to 1.35", adapt({{0, 0.34f}, {200, 0.34f}}, small, false), text({0.365f, 0.365f, 0.635f, 0.635f})},
      {"at most 0.94", adapt({{0, 0.2295f}, {200, 0.2295f}}, kDefault, false), text({0.03f, 0.03f, 0.97f, 0.97f})},
      {"min 0.14 × 0.12", adapt({}, {0.45f, 0.45f, 0.55f, 0.55f}, true, 0.1275f), text({0.43f, 0.44f, 0.57f, 0.56f})},
      {"inside the image", adapt({}, {0.0f, 0.7f, 0.3f, 1.0f}, true, 0.094444f), text({0.0f, 0.595f, 0.405f, 1.0f})},
      {"19 %: blended by 0.15", adapt({{33, 0.1275f * 1.19f}}), text({0.172166f, 0.172166f, 0.827834f, 0.827834f})},
      {"a jump of 21 % settles again", adapt({{33, 0.1275f * 1.21f}}), threeQuarters},
      {"250 ms later: still settled", adapt({{250, 0.136f}}), text({0.178062f, 0.178062f, 0.821938f, 0.821938f})},
      {"251 ms later: settles again", adapt({{251, 0.136f}}), threeQuarters},
      {"time going back", adapt({{0, 0.136f}}), threeQuarters},
      {"aiming keeps the area", adapt({{33, 0.136f, false}, {33, 0.136f}, {199, 0.136f}}), threeQuarters},
      {"no palm", adapt({{33, kNan}, {33, 0.136f}}), threeQuarters},
      {"no reference", adapt({}, kDefault, true, 0) + adapt({}, kDefault, true, kNan), text(kDefault) + text(kDefault)},
      {"never settled: the base", adapt({{0, 0.17f}, {33, 0.0f}}, small, false), text(small)},
      {"tiny frames, a broken tip", text({tiny.x, tiny.y, broken.x, broken.y}), text({0.5f, 1.0f, kNan, 0.5f})},
      {"Steady", filtered(0.18f, 1.0f / 30, step), text({0.216697f, 0.583303f})},
      {"never smoother than 0.15", filtered(0.1f, 1.0f / 30, step), text({0.215902f, 0.584098f})},
      {"Direct", filtered(1.0f, 1.0f / 30, step), text({0.22f, 0.58f})},
      {"never more direct than Direct", filtered(1.5f, 1.0f / 30, step), text({0.22f, 0.58f})},
      {"vertical", filtered(0.18f, 1.0f / 30, down), text({0.2f, 0.651527f})},
      {"fast: no lag", filtered(0.18f, 1.0f / 30, fast), text({fast.back().x, 0.6f})},
      {"steps of 1 ms at least", filtered(0.18f, 0.0f, nudge), text({0.200267f, 0.599733f})},
      {"steps of 250 ms at most", filtered(0.18f, 1.0f, nudge), text({0.20992f, 0.59008f})},
  };
  for (const auto& row : rows) EXPECT_EQ(row.actual, row.expected) << row.what;
}

}  // namespace
}  // namespace vel
