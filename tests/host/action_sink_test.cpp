// The portable half of the action sink: where a Move lands in SendInput's absolute coordinates,
// and the texts of action records.
#include "control/action_sink.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace vel {
namespace {

TEST(AbsolutePosition, SpansTheTargetClampsIntoItAndRefusesADegenerateScreenOrNotANumber) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const VirtualScreen fullHd{0, 0, 1920, 1080}, twoScreens{0, 0, 3840, 1080}, leftOfPrimary{-1280, 0, 3200, 1080};
  const DesktopRect primary{0, 0, 1920, 1080}, second{1920, 0, 3840, 1080};
  const struct { float x, y; DesktopRect target; VirtualScreen screen; std::optional<AbsolutePosition> expected; } rows[] = {
      {0.0f, 0.0f, primary, fullHd, AbsolutePosition{0, 0}},
      {1.0f, 1.0f, primary, fullHd, AbsolutePosition{65535, 65535}},
      {0.5f, 0.5f, primary, fullHd, AbsolutePosition{32768, 32768}},  // lroundf(959.5 × 65535 / 1919)
      {1.7f, -0.2f, primary, fullHd, AbsolutePosition{65535, 0}},
      {-kInf, kInf, primary, fullHd, AbsolutePosition{0, 65535}},
      {0.0f, 0.0f, second, twoScreens, AbsolutePosition{32776, 0}},  // 1920 × 65535 / 3839
      {1.0f, 1.0f, second, twoScreens, AbsolutePosition{65535, 65535}},
      {0.0f, 0.0f, {-1280, 0, 0, 1024}, leftOfPrimary, AbsolutePosition{0, 0}},
      {0.0f, 0.0f, primary, leftOfPrimary, AbsolutePosition{26222, 0}},  // 1280 × 65535 / 3199
      {1.0f, 1.0f, {100, 200, 101, 201}, fullHd, AbsolutePosition{3415, 12147}},  // one pixel pins the pointer
      {0.9f, 0.9f, {500, 500, 100, 100}, fullHd, AbsolutePosition{17075, 30368}},  // inverted: stays at its corner
      {0.5f, 0.5f, {0, 0, 2, 2}, {0, 0, 2, 2}, AbsolutePosition{32768, 32768}},  // 0.5 × 65535 / 1
      {0.5f, 0.5f, primary, {0, 0, 1, 1080}, std::nullopt},
      {0.5f, 0.5f, primary, {0, 0, 1920, 1}, std::nullopt},
      {std::numeric_limits<float>::quiet_NaN(), 0.5f, primary, fullHd, std::nullopt},
      {0.5f, std::numeric_limits<float>::quiet_NaN(), primary, fullHd, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(absolutePosition(row.x, row.y, row.target, row.screen), row.expected) << "row " << &row - rows;
  }
}

TEST(ActionText, NamesEveryKindAsTheReplayToolPrintsIt) {
  EXPECT_EQ(actionText(moveAction({0.5f, 0.123456f})), "Move:0.5000,0.1235");
  EXPECT_EQ(actionText(wheelAction(-360)), "Wheel:-360");
  EXPECT_EQ(actionText({ActionKind::Mute}), "Mute");
  EXPECT_EQ(actionText({static_cast<ActionKind>(14)}), "Kind14");
}

}  // namespace
}  // namespace vel
