// The portable half of the action sink: where a Move lands in SendInput's absolute coordinates,
// and the texts of action records.
#include "control/action_sink.h"

#include <gtest/gtest.h>

#include <limits>

namespace vel {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
const VirtualScreen kFullHd{0, 0, 1920, 1080};
const DesktopRect kPrimary{0, 0, 1920, 1080};

TEST(AbsolutePosition, SpansTheTargetAndClampsIntoIt) {
  const VirtualScreen twoScreens{0, 0, 3840, 1080}, leftOfPrimary{-1280, 0, 3200, 1080};
  const struct {
    float x, y;
    DesktopRect target;
    VirtualScreen screen;
    AbsolutePosition expected;
  } rows[] = {
      {0.0f, 0.0f, kPrimary, kFullHd, {0, 0}},
      {1.0f, 1.0f, kPrimary, kFullHd, {65535, 65535}},
      {0.5f, 0.5f, kPrimary, kFullHd, {32768, 32768}},  // lroundf(959.5 × 65535 / 1919)
      {1.7f, -0.2f, kPrimary, kFullHd, {65535, 0}},
      {-kInf, kInf, kPrimary, kFullHd, {0, 65535}},
      {0.0f, 0.0f, {1920, 0, 3840, 1080}, twoScreens, {32776, 0}},  // 1920 × 65535 / 3839
      {1.0f, 1.0f, {1920, 0, 3840, 1080}, twoScreens, {65535, 65535}},
      {0.0f, 0.0f, {-1280, 0, 0, 1024}, leftOfPrimary, {0, 0}},
      {0.0f, 0.0f, kPrimary, leftOfPrimary, {26222, 0}},  // 1280 × 65535 / 3199
      {1.0f, 1.0f, {100, 200, 101, 201}, kFullHd, {3415, 12147}},  // a one-pixel target pins the pointer
      {0.9f, 0.9f, {500, 500, 100, 100}, kFullHd, {17075, 30368}},  // inverted: stays at its corner
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows);
    EXPECT_EQ(absolutePosition(row.x, row.y, row.target, row.screen), row.expected);
  }
}

TEST(AbsolutePosition, RefusesADegenerateScreenOrNotANumber) {
  EXPECT_FALSE(absolutePosition(0.5f, 0.5f, kPrimary, {0, 0, 1, 1080}));
  EXPECT_FALSE(absolutePosition(0.5f, 0.5f, kPrimary, {0, 0, 1920, 0}));
  EXPECT_FALSE(absolutePosition(std::numeric_limits<float>::quiet_NaN(), 0.5f, kPrimary, kFullHd));
  EXPECT_TRUE(absolutePosition(0.5f, 0.5f, kPrimary, {0, 0, 2, 2}));
}

TEST(ActionText, NamesEveryKindAsTheReplayToolPrintsIt) {
  EXPECT_EQ(actionText(moveAction({0.5f, 0.123456f})), "Move:0.5000,0.1235");
  EXPECT_EQ(actionText(wheelAction(-360)), "Wheel:-360");
  EXPECT_EQ(actionText({ActionKind::BrowserForward}), "BrowserForward");
  EXPECT_EQ(actionText({static_cast<ActionKind>(14)}), "Kind14");
}

}  // namespace
}  // namespace vel
