// The input gate with a recording sink and a clock the test sets: what passes, and that a button held
// by hand control is let go whenever anything interrupts; then where the sink puts a Move for SendInput.
#include "control/input_gate.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/recording_sink.h"

namespace vel {
namespace {

const ActionRecord kCentre = moveAction({0.5f, 0.5f});
const ActionRecord kPress{ActionKind::LeftDown};

ControlOutput handOutput(std::int64_t timeMs, std::vector<ActionRecord> actions) {
  ControlOutput output;
  output.timeMs = timeMs;
  output.handPresent = true;  // a usable hand
  output.actions = std::move(actions);
  return output;
}

class Gate : public ::testing::Test {
 protected:
  std::int64_t now = 100'000;
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return static_cast<std::uint64_t>(now); }};

  // What reaches the sink from an output stamped `age` ms ago under the current generation.
  std::string apply(std::vector<ActionRecord> actions, std::int64_t age = 0) {
    EXPECT_TRUE(gate.apply(handOutput(now - age, std::move(actions)), gate.readGeneration()));
    return sink.takeTexts();
  }
  std::string serviceAt(std::int64_t time) {
    now = time;
    gate.service();
    return sink.takeTexts();
  }
};

TEST_F(Gate, PassesOnlyFreshValidOutputsWhileEnabledAndUnhindered) {
  EXPECT_EQ(apply({kCentre, {ActionKind::LeftClick}}) + serviceAt(now), "") << "starts disabled";
  gate.setEnabled(true);
  EXPECT_EQ(apply({wheelAction(-240), {ActionKind::LeftClick}, kCentre}), "Wheel:-240 LeftClick Move:0.5000,0.5000");
  // Age in ms, negative in the future; a stale output makes those computed after it useless.
  for (const auto& [age, fresh] : {std::pair{250, true}, {251, false}, {-30, true}, {-31, false}}) {
    const std::uint64_t generation = gate.readGeneration();
    EXPECT_EQ(apply({kCentre}, age), fresh ? "Move:0.5000,0.5000" : "") << age;
    EXPECT_EQ(gate.readGeneration() == generation, fresh) << age;
  }
  // The priority counts from the event, however late the gate notices it; meanwhile actions are dropped.
  const std::int64_t event = now + 5;
  gate.stampPhysicalEvent(static_cast<std::uint64_t>(event));
  EXPECT_TRUE(gate.mousePriorityActive());
  now = event + 1499;
  EXPECT_EQ(apply({kCentre}), "");
  now = event + 1500;
  EXPECT_EQ(gate.mousePriorityActive() ? "" : apply({kCentre}), "Move:0.5000,0.5000");
  gate.setTarget({1920, 0, 3840, 1080});
  EXPECT_EQ(sink.target, (DesktopRect{1920, 0, 3840, 1080}));
}

// A drag holds, the worker reads the generation, something interrupts, its output arrives: LeftUp
// at once, nothing of the output after a move outside the unit square, a new generation.
TEST_F(Gate, EveryInterruptionLetsGoOfAHeldButton) {
  const struct { const char* what; std::function<void(ControlOutput&)> act; const char* sent; bool enabled; } rows[] = {
      {"mouse, then the poller", [this](auto&) { gate.stampPhysicalEvent(now); gate.service(); }, "LeftUp", true},
      {"mouse after the worker read the generation", [this](auto&) { gate.stampPhysicalEvent(now); }, "LeftUp", true},
      {"enable", [this](auto&) { gate.setEnabled(true); }, "LeftUp", true},
      {"disable", [this](auto&) { gate.setEnabled(false); }, "LeftUp", false},
      {"target", [this](auto&) { gate.setTarget({}); }, "LeftUp", false},
      {"stall", [this](auto&) { now += 251; gate.service(); }, "LeftUp", true},
      {"no hand", [](ControlOutput& o) { o.handPresent = false; }, "LeftUp", true},
      {"adjustment", [](ControlOutput& o) { o.adjustment.runId = 3; }, "LeftUp", true},
      {"stale", [](ControlOutput& o) { o.timeMs -= 300; }, "LeftUp", true},
      {"below", [](ControlOutput& o) { o.actions = {moveAction({0, 1}), moveAction({0.5f, -0.01f}), kCentre}; },
       "Move:0.0000,1.0000 LeftUp", true},
      {"refused", [this](auto&) { sink.refusals = 1; }, "Move:0.5000,0.5000 LeftUp", false},
  };
  for (const auto& row : rows) {
    now += 2000;  // past the priority an earlier row started
    gate.setEnabled(true);
    ASSERT_EQ(apply({kCentre, kPress}), "Move:0.5000,0.5000 LeftDown");
    const std::uint64_t generation = gate.readGeneration();
    ControlOutput output = handOutput(now, {kCentre, kCentre});
    row.act(output);
    const bool refusing = sink.refusals > 0;
    EXPECT_EQ(gate.apply(output, generation), !refusing) << row.what;
    EXPECT_EQ(sink.takeTexts(), row.sent) << row.what;
    EXPECT_NE(gate.readGeneration(), generation) << row.what;
    EXPECT_EQ((std::pair{sink.leftDown, gate.enabled()}), (std::pair{false, row.enabled})) << row.what;
  }
  gate.setEnabled(true);  // a refused right-click is half sent as well
  sink.refusals = 1;
  EXPECT_FALSE(gate.apply(handOutput(now, {{ActionKind::RightClick}}), gate.readGeneration()));
  EXPECT_EQ(std::pair(sink.takeTexts(), sink.rightDown), std::pair(std::string("RightClick RightUp"), false));
}

TEST_F(Gate, TheWatchdogCountsFromTheLastAcceptedOutputsOwnTime) {
  gate.setEnabled(true);
  EXPECT_EQ(apply({kPress}), "LeftDown");
  const std::int64_t stamped = now + 30;  // ahead of the clock
  EXPECT_EQ(apply({kCentre}, -30), "Move:0.5000,0.5000");
  EXPECT_EQ(serviceAt(stamped + 250), "");
  now = stamped + 251;
  EXPECT_EQ(apply({kCentre}), "LeftUp") << "let go before the output is looked at";
}

// Spans the target and clamps into it; none on a screen under 2 pixels or for not a number.
TEST(AbsolutePosition, SpansTheTargetClampsIntoItAndRefusesADegenerateScreenOrNotANumber) {
  constexpr float kInf = std::numeric_limits<float>::infinity(), kNan = std::numeric_limits<float>::quiet_NaN();
  const VirtualScreen hd{0, 0, 1920, 1080}, two{0, 0, 3840, 1080}, leftOfPrimary{-1280, 0, 3200, 1080};
  const DesktopRect primary{0, 0, 1920, 1080}, second{1920, 0, 3840, 1080};
  using At = std::optional<AbsolutePosition>;
  const struct { float x, y; DesktopRect target; VirtualScreen screen; At expected; } rows[] = {
      {0.5f, 0.5f, primary, hd, At{{32768, 32768}}},  // lroundf(959.5 × 65535 / 1919)
      {-kInf, kInf, primary, hd, At{{0, 65535}}}, {0, 0, second, two, At{{32776, 0}}},  // 1920 × 65535 / 3839
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

TEST(ActionText, NamesTheLastKindAndNumbersUnknownOnes) {
  EXPECT_EQ(actionText({ActionKind::Mute}) + " " + actionText({static_cast<ActionKind>(14)}), "Mute Kind14");
}

}  // namespace
}  // namespace vel
