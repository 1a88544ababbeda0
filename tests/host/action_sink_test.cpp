// The portable half of the action sink: where a Move lands in SendInput's absolute coordinates,
// and the texts of action records.
#include "control/action_sink.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace vel {
namespace {

// Spans the target and clamps into it; none on a screen under 2 pixels or for not a number.
TEST(AbsolutePosition, SpansTheTargetClampsIntoItAndRefusesADegenerateScreenOrNotANumber) {
  constexpr float kInf = std::numeric_limits<float>::infinity(), kNan = std::numeric_limits<float>::quiet_NaN();
  const VirtualScreen hd{0, 0, 1920, 1080}, two{0, 0, 3840, 1080}, leftOfPrimary{-1280, 0, 3200, 1080};
  const DesktopRect primary{0, 0, 1920, 1080}, second{1920, 0, 3840, 1080};
  using At = std::optional<AbsolutePosition>;
  const struct { float x, y; DesktopRect target; VirtualScreen screen; At expected; } rows[] = {
      {0, 0, primary, hd, At{{0, 0}}}, {1, 1, primary, hd, At{{65535, 65535}}},
      {0.5f, 0.5f, primary, hd, At{{32768, 32768}}},  // lroundf(959.5 × 65535 / 1919)
      {1.7f, -0.2f, primary, hd, At{{65535, 0}}}, {-kInf, kInf, primary, hd, At{{0, 65535}}},
      {0, 0, second, two, At{{32776, 0}}}, {1, 1, second, two, At{{65535, 65535}}},  // 1920 × 65535 / 3839
      {0, 0, {-1280, 0, 0, 1024}, leftOfPrimary, At{{0, 0}}},
      {0, 0, primary, leftOfPrimary, At{{26222, 0}}},  // 1280 × 65535 / 3199
      {1, 1, {100, 200, 101, 201}, hd, At{{3415, 12147}}},  // a one-pixel target pins the pointer
      {0.9f, 0.9f, {500, 500, 100, 100}, hd, At{{17075, 30368}}},  // inverted: stays at its corner
      {0.5f, 0.5f, {0, 0, 2, 2}, {0, 0, 2, 2}, At{{32768, 32768}}},  // 0.5 × 65535 / 1
      {0.5f, 0.5f, primary, {0, 0, 1, 1080}, {}}, {0.5f, 0.5f, primary, {0, 0, 1920, 1}, {}},
      {kNan, 0.5f, primary, hd, {}}, {0.5f, kNan, primary, hd, {}}};
  for (const auto& row : rows) {
    EXPECT_EQ(absolutePosition(row.x, row.y, row.target, row.screen), row.expected) << "row " << &row - rows;
  }
}

TEST(ActionText, NamesEveryKindAsTheReplayToolPrintsIt) {
  EXPECT_EQ(actionText(moveAction({0.5f, 0.123456f})) + " " + actionText(wheelAction(-360)), "Move:0.5000,0.1235 Wheel:-360");
  EXPECT_EQ(actionText({ActionKind::Mute}) + " " + actionText({static_cast<ActionKind>(14)}), "Mute Kind14");
}

}  // namespace
}  // namespace vel
