// The input gate with a recording sink and a clock the test sets: what passes, what is refused,
// and that a button held by hand control is always let go.
#include "control/input_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <utility>

#include "tests/support/control_outputs.h"
#include "tests/support/recording_sink.h"

namespace vel {
namespace {

using test::handOutput;

const ActionRecord kLeftDown{ActionKind::LeftDown};
const ActionRecord kCentre = moveAction({0.5f, 0.5f});

class Gate : public ::testing::Test {
 protected:
  std::int64_t now = 100'000;
  test::RecordingSink sink;
  InputGate gate{sink, [this] { return static_cast<std::uint64_t>(now); }};

  // An output stamped `age` ms before now, under the current generation, as the worker hands it over.
  bool applyNow(std::initializer_list<ActionRecord> actions, std::int64_t age = 0) {
    return gate.apply(handOutput(now - age, actions), gate.readGeneration());
  }

  // What the poller's watchdog sends at `time`.
  std::string serviceAt(std::int64_t time) {
    now = time;
    gate.service();
    return sink.takeTexts();
  }

  // Enabled, with a drag holding the left button since now.
  void startDrag() {
    gate.setEnabled(true);
    ASSERT_TRUE(applyNow({kCentre, kLeftDown}));
    ASSERT_EQ(sink.takeTexts(), "Move:0.5000,0.5000 LeftDown");
  }
};

TEST_F(Gate, PassesActionsInOrderOnlyWhileEnabled) {
  EXPECT_TRUE(applyNow({kCentre, {ActionKind::LeftClick}}));
  EXPECT_EQ(sink.takeTexts(), "") << "starts disabled";
  gate.setEnabled(true);
  EXPECT_TRUE(applyNow({moveAction({0.25f, 0.75f}), wheelAction(-240), {ActionKind::Copy}}));
  EXPECT_EQ(sink.takeTexts(), "Move:0.2500,0.7500 Wheel:-240 Copy");
}

TEST_F(Gate, EveryInterruptionStartsANewGenerationAndOlderOutputsAreRefused) {
  std::uint64_t generation = gate.readGeneration();
  const auto moved = [&] {
    const std::uint64_t next = gate.readGeneration();
    return std::exchange(generation, next) != next;
  };
  gate.setEnabled(true);
  EXPECT_TRUE(moved()) << "enable";
  EXPECT_TRUE(gate.apply(handOutput(now, {kCentre}), generation - 1));
  EXPECT_EQ(sink.takeTexts(), "");
  EXPECT_FALSE(moved()) << "a plain read or an old output";
  gate.stampPhysicalEvent(static_cast<std::uint64_t>(now));
  EXPECT_TRUE(moved()) << "physical mouse";
  gate.setTarget({});
  EXPECT_TRUE(moved()) << "target";
  gate.setEnabled(false);
  EXPECT_TRUE(moved()) << "disable";
  gate.service();
  EXPECT_FALSE(moved()) << "a watchdog with nothing held";
}

TEST_F(Gate, PhysicalMouseHasPriorityFor1500MsFromTheEventAndReleasesADrag) {
  startDrag();
  const std::int64_t event = now + 5;
  gate.stampPhysicalEvent(static_cast<std::uint64_t>(event));
  EXPECT_EQ(serviceAt(now + 40), "LeftUp") << "released at the next operation";
  gate.setEnabled(true);
  now = event + 1499;  // noticed late: the priority still counts from the event
  EXPECT_TRUE(gate.mousePriorityActive());
  EXPECT_TRUE(applyNow({kCentre}));
  EXPECT_EQ(sink.takeTexts(), "") << "dropped, not queued";
  now = event + 1500;
  EXPECT_FALSE(gate.mousePriorityActive());
  EXPECT_TRUE(applyNow({kCentre}));
  EXPECT_EQ(sink.takeTexts(), "Move:0.5000,0.5000");
}

TEST_F(Gate, ActsOnlyOnFreshOutputs) {
  // Age in ms before now; negative is in the future.
  for (const auto& [age, fresh] : {std::pair{250, true}, {251, false}, {-30, true}, {-31, false}}) {
    gate.setEnabled(true);
    const std::uint64_t generation = gate.readGeneration();
    EXPECT_TRUE(applyNow({kCentre}, age));
    EXPECT_EQ(sink.takeTexts(), fresh ? "Move:0.5000,0.5000" : "") << "age " << age;
    // A stale output makes the outputs computed after it useless too.
    EXPECT_EQ(gate.readGeneration() != generation, !fresh) << "age " << age;
  }
}

TEST_F(Gate, UnusableOutputsSendNothingAndRelease) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  ControlOutput noHand = handOutput(0, {kCentre}), adjusting = noHand, stale = noHand, nanMove = noHand;
  noHand.handPresent = false;
  adjusting.adjustment.runId = 7;
  stale.timeMs = -300;
  // A move outside the unit square ends the list: what came before it is sent.
  nanMove.actions = {moveAction({0.0f, 1.0f}), moveAction({nan, 0.5f}), kCentre};
  ControlOutput farMove = nanMove;
  farMove.actions[1] = moveAction({0.5f, -0.01f});
  for (const auto& [output, sent] : {std::pair{noHand, "LeftUp"}, {adjusting, "LeftUp"}, {stale, "LeftUp"},
                                     {nanMove, "Move:0.0000,1.0000 LeftUp"}, {farMove, "Move:0.0000,1.0000 LeftUp"}}) {
    startDrag();
    const std::uint64_t generation = gate.readGeneration();
    ControlOutput late = output;
    late.timeMs += now;
    EXPECT_TRUE(gate.apply(late, generation));
    EXPECT_EQ(sink.takeTexts(), sent);
    EXPECT_NE(gate.readGeneration(), generation);
  }
}

TEST_F(Gate, SinkFailureReleasesAndDisables) {
  startDrag();
  sink.refusals = 1;
  now += 33;
  EXPECT_FALSE(applyNow({moveAction({0.6f, 0.5f}), kCentre}));
  EXPECT_EQ(sink.takeTexts(), "Move:0.6000,0.5000 LeftUp") << "the rest of the list is dropped";
  now += 33;
  EXPECT_TRUE(applyNow({kCentre})) << "a disabled gate refuses quietly";
  EXPECT_EQ(sink.takeTexts(), "");
  for (const auto& [click, sent] : {std::pair{ActionKind::LeftClick, "LeftClick LeftUp"},
                                    {ActionKind::DoubleClick, "DoubleClick LeftUp"},
                                    {ActionKind::RightClick, "RightClick RightUp"}}) {
    gate.setEnabled(true);
    sink.refusals = 1;
    EXPECT_FALSE(applyNow({{click}}));
    EXPECT_EQ(sink.takeTexts(), sent) << "a half-sent click is released";
    EXPECT_FALSE(sink.leftDown || sink.rightDown) << sent;
  }
}

TEST_F(Gate, WatchdogReleasesAHeldButton251MsAfterTheLastOutputsOwnTime) {
  startDrag();
  const std::int64_t accepted = now;
  const std::uint64_t generation = gate.readGeneration();
  EXPECT_EQ(serviceAt(accepted + 250), "");
  EXPECT_EQ(serviceAt(accepted + 251), "LeftUp");
  EXPECT_NE(gate.readGeneration(), generation);
  EXPECT_EQ(serviceAt(accepted + 1251), "") << "released once";

  // An output stamped ahead of the clock counts from its own time; the watchdog runs before an output.
  const std::int64_t stamped = now + 30;
  ASSERT_TRUE(gate.apply(handOutput(stamped, {kLeftDown}), gate.readGeneration()));
  sink.takeTexts();
  EXPECT_EQ(serviceAt(stamped + 250), "");
  now = stamped + 251;
  EXPECT_TRUE(applyNow({kCentre}));
  EXPECT_EQ(sink.takeTexts(), "LeftUp") << "the output belonged to the drag that was let go";
}

TEST_F(Gate, EnableDisableAndTargetReleaseAHeldButton) {
  for (const bool enable : {true, false}) {
    startDrag();
    gate.setEnabled(enable);
    EXPECT_EQ(sink.takeTexts(), "LeftUp");
  }
  startDrag();
  gate.setTarget({1920, 0, 3840, 1080});
  EXPECT_EQ(sink.takeTexts(), "LeftUp");
  EXPECT_EQ(sink.target, (DesktopRect{1920, 0, 3840, 1080}));
  EXPECT_TRUE(applyNow({kCentre}));
  EXPECT_EQ(sink.takeTexts(), "") << "a new target disables";
}

// Random interleavings of engine-like outputs, physical mouse events, enables and disables, half
// sent clicks, late outputs and stalls: after a final 300 ms stall serviced by the poller no
// button is down.
TEST(GateProperty, NoButtonOutlastsAStall) {
  constexpr int kSequences = 20'000;
  std::mt19937_64 random(20'240'605);
  for (int sequence = 0; sequence < kSequences; ++sequence) {
    std::int64_t now = 50'000;
    test::RecordingSink sink;
    InputGate gate(sink, [&now] { return static_cast<std::uint64_t>(now); });
    gate.setEnabled(true);
    // The engine's side: it forgets its drag whenever the generation moves (the worker resets it).
    std::uint64_t generationSeen = gate.readGeneration();
    bool dragging = false;
    const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    const auto pick = [&](std::int64_t below) {
      return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(below));
    };

    const int steps = 1 + static_cast<int>(pick(60));
    for (int step = 0; step < steps; ++step) {
      now += pick(chance(10) ? 400 : 45);
      if (chance(5)) gate.stampPhysicalEvent(static_cast<std::uint64_t>(now - pick(20)));
      if (chance(3)) gate.setEnabled(chance(70));
      if (chance(10)) gate.service();
      if (chance(3)) sink.refusals = 1;

      const std::uint64_t generation = gate.readGeneration();
      if (generation != generationSeen) {
        generationSeen = generation;
        dragging = false;
      }
      const float x = static_cast<float>(pick(1001)) / 1000.0f;
      ControlOutput output = handOutput(now - pick(chance(10) ? 400 : 40), {moveAction({x, 0.5f})});
      output.handPresent = !chance(5);
      if (chance(3)) output.actions.push_back(moveAction({1.5f, 0.5f}));
      if (dragging) {
        if (chance(20) || !output.handPresent) {
          output.actions.push_back({ActionKind::LeftUp});
          dragging = false;
        }
      } else {
        const int choice = static_cast<int>(pick(8));
        static constexpr ActionKind kKinds[] = {ActionKind::LeftClick, ActionKind::DoubleClick, ActionKind::RightClick,
                                                ActionKind::LeftDown,  ActionKind::Wheel,       ActionKind::Paste};
        if (choice < 6) output.actions.push_back({kKinds[choice]});
        dragging = choice == 3;
      }
      gate.apply(output, generationSeen);
    }
    now += 300;
    gate.service();
    ASSERT_FALSE(sink.leftDown || sink.rightDown) << "sequence " << sequence;
  }
}

// The hook stamps without the lock while the poller services and the worker applies: the sink is
// only ever called under the gate's lock (a data race here shows under ThreadSanitizer).
TEST(GateThreads, HookPollerAndWorkerShareTheGate) {
  std::atomic<std::int64_t> now{100'000};
  test::RecordingSink sink;
  InputGate gate(sink, [&now] { return static_cast<std::uint64_t>(now.load()); });
  gate.setEnabled(true);
  std::atomic<bool> done{false};
  std::thread hook([&] {
    for (int i = 0; i < 2000; ++i) gate.stampPhysicalEvent(static_cast<std::uint64_t>(now.load()));
  });
  std::thread poller([&] {
    while (!done) gate.service();
  });
  for (int frame = 0; frame < 2000; ++frame) {
    now += 2000;  // past any priority, so some outputs pass between the hook's stamps
    gate.apply(handOutput(now, {kCentre, {frame % 2 == 0 ? ActionKind::LeftDown : ActionKind::LeftUp}}),
               gate.readGeneration());
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
