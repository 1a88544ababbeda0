// The input gate with a recording sink and a clock the test sets: what passes, what is refused,
// and that a button held by hand control is let go whenever anything interrupts control.
#include "control/input_gate.h"

#include <gtest/gtest.h>

#include <functional>
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
  std::string apply(std::vector<ActionRecord> actions, std::int64_t age = 0, bool accepted = true) {
    EXPECT_EQ(gate.apply(handOutput(now - age, std::move(actions)), gate.readGeneration()), accepted);
    return sink.takeTexts();
  }
  std::string serviceAt(std::int64_t time) {
    now = time;
    gate.service();
    return sink.takeTexts();
  }
};

TEST_F(Gate, PassesOnlyFreshValidOutputsWhileEnabledAndUnhindered) {
  const std::uint64_t initial = gate.readGeneration();
  EXPECT_EQ(apply({kCentre, {ActionKind::LeftClick}}), "") << "starts disabled";
  EXPECT_EQ(serviceAt(now), "");
  EXPECT_EQ(gate.readGeneration(), initial) << "nothing to interrupt";
  gate.setEnabled(true);
  EXPECT_EQ(apply({moveAction({0.25f, 0.75f}), wheelAction(-240), {ActionKind::Copy}}), "Move:0.2500,0.7500 Wheel:-240 Copy");
  // Age in ms, negative in the future; a stale output makes those computed after it useless.
  for (const auto& [age, fresh] : {std::pair{250, true}, {251, false}, {-30, true}, {-31, false}}) {
    const std::uint64_t generation = gate.readGeneration();
    EXPECT_EQ(apply({kCentre}, age), fresh ? "Move:0.5000,0.5000" : "") << age;
    EXPECT_EQ(gate.readGeneration() == generation, fresh) << age;
  }
  // The priority counts from the event, however late the gate notices it; meanwhile actions are dropped.
  const std::int64_t event = now + 5;
  gate.stampPhysicalEvent(static_cast<std::uint64_t>(event));
  now = event + 1499;
  EXPECT_TRUE(gate.mousePriorityActive());
  EXPECT_EQ(apply({kCentre}), "");
  now = event + 1500;
  EXPECT_FALSE(gate.mousePriorityActive());
  EXPECT_EQ(apply({kCentre}), "Move:0.5000,0.5000");
  gate.setTarget({1920, 0, 3840, 1080});
  EXPECT_EQ(sink.target, (DesktopRect{1920, 0, 3840, 1080}));
}

// While a drag holds, the worker reads the generation, something interrupts, then its output
// arrives: LeftUp is sent at once, nothing of an interrupted or spoilt output, and the generation
// moves on. A move outside the unit square ends the list (what came before is sent); a refused
// action disables.
TEST_F(Gate, EveryInterruptionLetsGoOfAHeldButton) {
  using Change = std::function<void(ControlOutput&)>;
  const struct { const char* what; Change interrupt; const char* sent; bool enabled; } rows[] = {
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
      {"right of", [](ControlOutput& o) { o.actions = {moveAction({1.01f, 0.5f}), kCentre}; }, "LeftUp", true},
      {"refused", [this](auto&) { sink.refusals = 1; }, "Move:0.5000,0.5000 LeftUp", false},
  };
  for (const auto& row : rows) {
    now += 2000;  // past the priority an earlier row started
    gate.setEnabled(true);
    ASSERT_EQ(apply({kCentre, kPress}), "Move:0.5000,0.5000 LeftDown");
    const std::uint64_t generation = gate.readGeneration();
    ControlOutput output = handOutput(now, {kCentre, kCentre});
    row.interrupt(output);
    const bool refusing = sink.refusals > 0;
    EXPECT_EQ(gate.apply(output, generation), !refusing) << row.what;
    EXPECT_EQ(sink.takeTexts(), row.sent) << row.what;
    EXPECT_NE(gate.readGeneration(), generation) << row.what;
    EXPECT_EQ((std::pair{sink.leftDown, gate.enabled()}), (std::pair{false, row.enabled})) << row.what;
  }
}

TEST_F(Gate, TheWatchdogCountsFromTheLastAcceptedOutputsOwnTime) {
  gate.setEnabled(true);
  EXPECT_EQ(apply({kPress}), "LeftDown");
  EXPECT_EQ(serviceAt(now + 250), "");
  const std::int64_t stamped = now + 30;  // ahead of the clock
  EXPECT_EQ(apply({kCentre}, -30), "Move:0.5000,0.5000");
  EXPECT_EQ(serviceAt(stamped + 250), "");
  now = stamped + 251;
  EXPECT_EQ(apply({kCentre}), "LeftUp") << "let go before the output is looked at";
  EXPECT_EQ(serviceAt(now + 1000), "") << "once";
}

}  // namespace
}  // namespace vel
