// The input gate with a recording sink and a clock the test sets: what passes, what is refused,
// and that a button held by hand control is let go whenever anything interrupts control.
#include "control/input_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <limits>
#include <string>
#include <thread>

#include "tests/support/control_outputs.h"
#include "tests/support/recording_sink.h"

namespace vel {
namespace {

using test::handOutput;

const ActionRecord kCentre = moveAction({0.5f, 0.5f});
const ActionRecord kPress{ActionKind::LeftDown};

class Gate : public ::testing::Test {
 protected:
  std::int64_t now = 100'000;
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return static_cast<std::uint64_t>(now); }};

  // What reaches the sink from an output stamped `age` ms ago under the current generation.
  std::string apply(std::initializer_list<ActionRecord> actions, std::int64_t age = 0, bool accepted = true) {
    EXPECT_EQ(gate.apply(handOutput(now - age, actions), gate.readGeneration()), accepted);
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
  EXPECT_EQ(apply({moveAction({0.25f, 0.75f}), wheelAction(-240), {ActionKind::Copy}}),
            "Move:0.2500,0.7500 Wheel:-240 Copy");
  EXPECT_TRUE(gate.apply(handOutput(now, {kCentre}), gate.readGeneration() - 1));
  EXPECT_EQ(sink.takeTexts(), "") << "computed before an interruption";
  // Age in ms, negative in the future; a stale output makes those computed after it useless.
  for (const auto& [age, fresh] : {std::pair{250, true}, {251, false}, {-30, true}, {-31, false}}) {
    const std::uint64_t generation = gate.readGeneration();
    EXPECT_EQ(apply({kCentre}, age), fresh ? "Move:0.5000,0.5000" : "") << age;
    EXPECT_EQ(gate.readGeneration() == generation, fresh) << age;
  }
  // The priority counts from the event, however late a gate operation notices it; actions are
  // dropped meanwhile, not queued.
  const std::int64_t event = now + 5;
  const std::uint64_t generation = gate.readGeneration();
  gate.stampPhysicalEvent(static_cast<std::uint64_t>(event));
  EXPECT_NE(gate.readGeneration(), generation) << "the worker learns of the mouse before its next frame";
  now = event + 1499;
  EXPECT_TRUE(gate.mousePriorityActive());
  EXPECT_EQ(apply({kCentre}), "");
  now = event + 1500;
  EXPECT_FALSE(gate.mousePriorityActive());
  EXPECT_EQ(apply({kCentre}), "Move:0.5000,0.5000");
  gate.setTarget({1920, 0, 3840, 1080});
  EXPECT_EQ(sink.target, (DesktopRect{1920, 0, 3840, 1080}));
  EXPECT_EQ(apply({kCentre}), "") << "a new target disables";
}

// Every interruption of a drag sends LeftUp at once, and nothing of the interrupted output, and
// moves the generation on; a refused action also disables the gate.
TEST_F(Gate, EveryInterruptionLetsGoOfAHeldButton) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const auto output = [this](std::function<void(ControlOutput&)> change, bool accepted = true) {
    return [this, change, accepted] {
      ControlOutput out = handOutput(now, {kCentre});
      change(out);
      EXPECT_EQ(gate.apply(out, gate.readGeneration()), accepted);
    };
  };
  const struct {
    const char* what;
    std::function<void()> interrupt;
    const char* sent;
  } rows[] = {
      {"mouse, then the poller", [this] { gate.stampPhysicalEvent(now); gate.service(); }, "LeftUp"},
      {"mouse after the worker read the generation",
       [this] {
         const std::uint64_t read = gate.readGeneration();
         gate.stampPhysicalEvent(now);
         EXPECT_TRUE(gate.apply(handOutput(now, {kCentre, {ActionKind::LeftUp}}), read));
       },
       "LeftUp"},
      {"enable", [this] { gate.setEnabled(true); }, "LeftUp"},
      {"disable", [this] { gate.setEnabled(false); }, "LeftUp"},
      {"target", [this] { gate.setTarget({}); }, "LeftUp"},
      {"stall", [this] { now += 251; gate.service(); }, "LeftUp"},
      {"no hand", output([](ControlOutput& o) { o.handPresent = false; }), "LeftUp"},
      {"adjustment", output([](ControlOutput& o) { o.adjustment.runId = 3; }), "LeftUp"},
      {"stale", output([](ControlOutput& o) { o.timeMs -= 300; }), "LeftUp"},
      // A move outside the unit square ends the list: what came before it is sent.
      {"not a number", output([&](ControlOutput& o) { o.actions = {moveAction({0, 1}), moveAction({nan, 0}), kCentre}; }),
       "Move:0.0000,1.0000 LeftUp"},
      {"below the square", output([](ControlOutput& o) { o.actions = {moveAction({0.5f, -0.01f}), kCentre}; }), "LeftUp"},
      {"right of the square", output([](ControlOutput& o) { o.actions = {moveAction({1.01f, 0.5f}), kCentre}; }), "LeftUp"},
      {"refused", [this] { sink.refusals = 1; }, ""},
  };
  for (const auto& row : rows) {
    now += 2000;  // past the priority an earlier row started
    gate.setEnabled(true);
    ASSERT_EQ(apply({kCentre, kPress}), "Move:0.5000,0.5000 LeftDown");
    const std::uint64_t generation = gate.readGeneration();
    row.interrupt();
    if (sink.refusals > 0) {
      EXPECT_EQ(apply({moveAction({0.6f, 0.5f}), kCentre}, 0, false), "Move:0.6000,0.5000 LeftUp") << "rest dropped";
      EXPECT_EQ(apply({kCentre}), "") << "a refusal disables";
    }
    EXPECT_EQ(sink.takeTexts(), row.sent) << row.what;
    EXPECT_NE(gate.readGeneration(), generation) << row.what;
    EXPECT_FALSE(sink.leftDown) << row.what;
  }
  // A click refused half way (its press got through) is released like a drag; one sent whole holds nothing.
  for (const auto& [click, sent] : {std::pair{ActionKind::LeftClick, "LeftClick LeftUp"},
                                    {ActionKind::DoubleClick, "DoubleClick LeftUp"},
                                    {ActionKind::RightClick, "RightClick RightUp"}}) {
    gate.setEnabled(true);
    EXPECT_EQ(apply({{click}}), std::string(sent).substr(0, std::string(sent).find(' ')));
    EXPECT_EQ(serviceAt(now + 1000), "");
    sink.refusals = 1;
    EXPECT_EQ(apply({{click}}, 0, false), sent);
    EXPECT_FALSE(sink.leftDown || sink.rightDown) << sent;
  }
}

TEST_F(Gate, TheWatchdogCountsFromTheLastAcceptedOutputsOwnTime) {
  gate.setEnabled(true);
  apply({kPress});
  EXPECT_EQ(serviceAt(now + 250), "");
  EXPECT_EQ(apply({kCentre}), "Move:0.5000,0.5000");
  const std::int64_t refreshed = now;
  EXPECT_EQ(serviceAt(refreshed + 250), "");
  EXPECT_EQ(serviceAt(refreshed + 251), "LeftUp");
  EXPECT_EQ(serviceAt(refreshed + 1251), "") << "released once";
  // Stamped ahead of the clock; the watchdog runs before the next output is looked at.
  const std::int64_t stamped = now + 30;
  EXPECT_EQ(apply({kPress}, -30), "LeftDown");
  EXPECT_EQ(serviceAt(stamped + 250), "");
  now = stamped + 251;
  EXPECT_EQ(apply({kCentre}), "LeftUp") << "the output belonged to the drag that was let go";
}

// The hook stamps without the lock while the poller services and the worker applies: the sink is
// only ever called under the gate's lock (a data race here shows under ThreadSanitizer).
TEST(GateThreads, HookPollerAndWorkerShareTheGate) {
  std::atomic<std::int64_t> now{100'000};
  std::atomic<bool> done{false};
  test::RecordingSink sink;
  InputGate gate(sink, [&now] { return static_cast<std::uint64_t>(now.load()); });
  gate.setEnabled(true);
  std::thread hook([&] {
    for (int i = 0; i < 2000; ++i) gate.stampPhysicalEvent(static_cast<std::uint64_t>(now.load()));
  });
  std::thread poller([&] {
    while (!done) gate.service();
  });
  for (int frame = 0; frame < 2000; ++frame) {
    now += 2000;  // past any priority, so some outputs pass between the hook's stamps
    gate.apply(handOutput(now, {kCentre, {frame % 2 ? ActionKind::LeftUp : ActionKind::LeftDown}}), gate.readGeneration());
  }
  hook.join();
  done = true;
  poller.join();
  now += 300;
  gate.service();
  EXPECT_FALSE(sink.leftDown);
  EXPECT_FALSE(sink.performed.empty());
}

}  // namespace
}  // namespace vel
