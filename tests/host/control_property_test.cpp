// Engine and gate under random interleavings of poses, lost hands, physical mouse events, enables,
// late frames, stalls and refused input: 300 ms after input stops no button is down.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "control/gesture_engine.h"
#include "control/input_gate.h"
#include "tests/support/gesture_driver.h"
#include "tests/support/recording_sink.h"
#include "tests/support/run_count.h"

namespace vel {
namespace {

int sequenceCount() { return test::runCount(1000, 1'000'000); }

// The tracking worker's loop interleaved with what the hook, the main window and the poller do.
class Sequence {
 public:
  explicit Sequence(std::uint32_t seed) : random_(seed) {}

  void run() {
    if (chance(80)) gate_.setEnabled(true);
    for (int events = 20 + static_cast<int>(random_() % 120); events > 0; --events) event();
    for (int i = 0; i < 8; ++i) advance(40);
    advance(300 - 8 * 40);
  }

  bool buttonDown() const { return sink_.leftDown || sink_.rightDown; }
  int presses() const { return presses_; }

 private:
  bool chance(unsigned percent) { return random_() % 100 < percent; }

  // The poller services the gate every 40 ms.
  void advance(std::int64_t ms) {
    for (std::int64_t end = now_ + ms; now_ < end;) {
      const std::int64_t next = std::min(end, lastService_ + 40);
      now_ = next;
      if (now_ - lastService_ >= 40) {
        gate_.service();
        lastService_ = now_;
      }
    }
    forget();
  }

  void forget() {
    for (const ActionRecord& action : sink_.performed) presses_ += action.kind == ActionKind::LeftDown;
    sink_.performed.clear();
  }

  void event() {
    const auto roll = random_() % 100;
    if (roll < 2) {
      gate_.stampPhysicalEvent(static_cast<std::uint64_t>(now_ - static_cast<std::int64_t>(random_() % 20)));
    } else if (roll < 4) {
      gate_.setEnabled(!chance(30));
    } else if (roll < 5) {
      sink_.refusals = 1;
    } else if (roll < 7) {
      advance(100 + static_cast<std::int64_t>(random_() % 400));  // a stall
    } else {
      frames();
    }
  }

  // A run of frames with one pose (or no hand), the palm drifting.
  void frames() {
    static constexpr std::array<int, 12> kPoses{1, 1, 1, 1, 4, 4, 4, 7, 2, 3, 5, -1};
    const int pose = kPoses[random_() % kPoses.size()];
    for (int n = 1 + static_cast<int>(random_() % 30); n > 0; --n) {
      centre_.x = std::clamp(centre_.x + static_cast<float>(static_cast<int>(random_() % 21) - 10), 150.0f, 490.0f);
      centre_.y = std::clamp(centre_.y + static_cast<float>(static_cast<int>(random_() % 21) - 10), 200.0f, 380.0f);
      frame(pose < 0 ? HandObservation{} : test::handAt(pose, centre_, chance(3) ? 0.5f : 0.95f));
      advance(chance(90) ? 33 : static_cast<std::int64_t>(random_() % 120));
    }
  }

  void frame(const HandObservation& observation) {
    const std::uint64_t generation = gate_.readGeneration();
    if (generation != engineGeneration_) {
      driver_.state = GestureState{};
      engineGeneration_ = generation;
    }
    driver_.now = now_ - (chance(5) ? static_cast<std::int64_t>(random_() % 300) : 0);
    if (driver_.now <= driver_.state.lastUpdate) driver_.now = driver_.state.lastUpdate + 1;
    const ControlOutput output = driver_.frame(observation);
    gate_.apply(output, generation);
    forget();
  }

  std::mt19937 random_;
  std::int64_t now_ = 100'000;
  std::int64_t lastService_ = 100'000;
  test::RecordingSink sink_;
  InputGate gate_{sink_, [this] { return static_cast<std::uint64_t>(now_); }};
  test::GestureDriver driver_;
  std::uint64_t engineGeneration_ = 0;
  Point centre_{320.0f, 300.0f};
  int presses_ = 0;
};

TEST(ControlProperty, NoButtonStaysDownAfterInputStops) {
  const int count = sequenceCount();
  int withDrag = 0;
  for (int seed = 1; seed <= count; ++seed) {
    Sequence sequence(static_cast<std::uint32_t>(seed));
    sequence.run();
    ASSERT_FALSE(sequence.buttonDown()) << "seed " << seed;
    withDrag += sequence.presses() > 0;
  }
  // The generator must reach the interesting states.
  EXPECT_GT(withDrag, count / 10) << withDrag << " of " << count;
  RecordProperty("sequences", count);
  std::printf("%d sequences, %d with a drag\n", count, withDrag);
}

}  // namespace
}  // namespace vel
