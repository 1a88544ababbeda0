// Engine and gate under random interleavings of poses, lost hands, physical mouse events, enables,
// late frames, stalls and refused input: 300 ms after input stops no button is down.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>

#include "control/input_gate.h"
#include "tests/support/hand_builder.h"
#include "tests/support/recording_sink.h"
#include "tests/support/run_count.h"

namespace vel {
namespace {

// The tracking worker's frames interleaved with what the hook, the main window and the poller
// (servicing the gate every 40 ms) do: whether a button is down at the end, and whether one was pressed.
std::pair<bool, bool> sequence(std::uint32_t seed) {
  std::mt19937 random(seed);
  const auto below = [&](int n) { return static_cast<std::int64_t>(random() % static_cast<unsigned>(n)); };
  const auto chance = [&](int percent) { return below(100) < percent; };
  std::int64_t now = 100'000, lastService = now;
  test::RecordingSink sink;
  InputGate gate{sink, [&] { return static_cast<std::uint64_t>(now); }};
  test::GestureDriver driver;
  std::uint64_t engineGeneration = 0;
  Point centre{320.0f, 300.0f};
  const auto advance = [&](std::int64_t ms) {
    const std::int64_t end = now + ms;
    for (; lastService + 40 <= end; lastService += 40) {
      now = lastService + 40;
      gate.service();
    }
    now = end;
  };
  if (chance(80)) gate.setEnabled(true);
  for (auto events = 20 + below(120); events > 0; --events) {
    const auto roll = below(100);
    if (roll < 2) {
      gate.stampPhysicalEvent(static_cast<std::uint64_t>(now - below(20)));
    } else if (roll < 4) {
      gate.setEnabled(!chance(30));
    } else if (roll < 5) {
      sink.refusals = 1;
    } else if (roll < 7) {
      advance(100 + below(400));  // a stall
    } else {
      // A run of frames with one pose (or no hand), the palm drifting.
      constexpr int kPoses[] = {1, 1, 1, 1, 4, 4, 4, 7, 2, 3, 5, -1};
      const int pose = kPoses[below(12)];
      for (auto n = 1 + below(30); n > 0; --n) {
        centre.x = std::clamp(centre.x + static_cast<float>(below(21) - 10), 150.0f, 490.0f);
        centre.y = std::clamp(centre.y + static_cast<float>(below(21) - 10), 200.0f, 380.0f);
        HandObservation hand;
        if (pose >= 0) hand = test::HandBuilder::pose(pose).palm(60).at(centre).observation(chance(3) ? 0.5f : 0.95f);
        const std::uint64_t generation = gate.readGeneration();
        if (generation != std::exchange(engineGeneration, generation)) driver.state = GestureState{};
        const std::int64_t late = chance(5) ? below(300) : 0;
        gate.apply(driver.at(std::max(now - late, driver.state.lastUpdate + 1), hand), generation);
        advance(chance(90) ? 33 : below(120));
      }
    }
  }
  advance(320);
  const bool pressed = std::ranges::count(sink.performed, ActionKind::LeftDown, &ActionRecord::kind) > 0;
  return {sink.leftDown || sink.rightDown, pressed};
}

TEST(ControlProperty, NoButtonStaysDownAfterInputStops) {
  const int count = test::runCount(1000, 1'000'000);
  int withDrag = 0;
  for (int seed = 1; seed <= count; ++seed) {
    const auto [down, pressed] = sequence(static_cast<std::uint32_t>(seed));
    ASSERT_FALSE(down) << "seed " << seed;
    withDrag += pressed;
  }
  EXPECT_GT(withDrag, count / 10) << "the generator must reach drags";
}

}  // namespace
}  // namespace vel
