// The one door from hand control to the action sink: lets actions through only while control is
// enabled, the output is fresh and valid and the physical mouse has not just been used, and lets
// go of a button held by hand control whenever anything interrupts it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "control/action_sink.h"
#include "control/control_output.h"
#include "control/tick_clock.h"

namespace vel {

// After a physical mouse event hand actions are refused this long.
inline constexpr std::int64_t kMousePriorityMs = 1500;
// A held button is released when no output has been accepted for this long.
inline constexpr std::int64_t kHeldButtonTimeoutMs = 251;

// Outputs made during a movement-area adjustment or without a usable hand never act.
inline bool outputValid(const ControlOutput& output) { return output.adjustment.runId == 0 && output.handPresent; }

// Every operation takes the gate's lock for its whole run and first takes over a pending physical
// mouse event; the sink is called only under that lock. Starts disabled.
class InputGate {
 public:
  using Clock = std::function<std::uint64_t()>;

  // `sink` must outlive the gate. `clock` gives the time in the frames' milliseconds.
  explicit InputGate(IActionSink& sink, Clock clock = tickCountMs);

  InputGate(const InputGate&) = delete;
  InputGate& operator=(const InputGate&) = delete;

  // The low-level mouse hook's only call: one atomic store, no lock, so the hook never waits.
  // `timeMs` is the event's tick time (not 0); the priority counts from it.
  void stampPhysicalEvent(std::uint64_t timeMs) { lastPhysical_.store(timeMs); }

  // Releases a held button and starts a new generation.
  void setEnabled(bool enabled);

  // Disables, then points Move positions at `target`.
  void setTarget(const DesktopRect& target);

  bool mousePriorityActive();

  bool enabled();

  // Grows on every interruption; outputs computed under an older generation are refused.
  std::uint64_t readGeneration();

  // The watchdog, called every 40 ms: releases a held button once outputs stop arriving.
  void service();

  // Sends `output`'s actions when enabled, fresh, valid, not overridden by the physical mouse and
  // computed under `generationSeen`. False only when the sink refused input: the gate has then
  // released any held button and disabled itself.
  bool apply(const ControlOutput& output, std::uint64_t generationSeen);

 private:
  enum class Button : std::uint8_t { Left, Right };

  void setEnabledLocked(bool enabled);
  void consumePhysicalEvent();
  void releaseHeldButton();
  void watchdog(std::int64_t time);
  bool send(const ControlOutput& output);
  std::int64_t now() const { return static_cast<std::int64_t>(clock_()); }

  std::mutex lock_;
  IActionSink& sink_;
  Clock clock_;
  bool enabled_ = false;
  std::optional<Button> heldButton_;  // a button pressed by hand control that is still down
  std::int64_t lastRefresh_ = 0;      // ms: the last accepted output, enable or disable
  std::int64_t priorityUntil_ = 0;
  std::uint64_t generation_ = 0;
  std::atomic<std::uint64_t> lastPhysical_{0};  // ms of the latest physical event not yet taken over; 0 = none
};

}  // namespace vel
