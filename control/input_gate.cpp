// The input gate's rules. Times are compared as signed differences: an accepted output may be
// stamped up to 30 ms ahead of the gate's clock, which must not look like a long stall.
#include "control/input_gate.h"

#include <utility>

namespace vel {
namespace {

// False for NaN as well.
bool insideUnit(float value) { return value >= 0.0f && value <= 1.0f; }

// A click counts as holding its button from before it is sent until it has been sent, so a click
// the sink only half sent is released like a drag.
bool endsHold(ActionKind kind) {
  switch (kind) {
    case ActionKind::LeftClick:
    case ActionKind::DoubleClick:
    case ActionKind::RightClick:
    case ActionKind::LeftUp:
    case ActionKind::RightUp:
      return true;
    default:
      return false;
  }
}

}  // namespace

InputGate::InputGate(IActionSink& sink, Clock clock) : sink_(sink), clock_(std::move(clock)) {}

void InputGate::consumePhysicalEvent() {
  const std::uint64_t physical = lastPhysical_.exchange(0);
  if (physical == 0) return;
  releaseHeldButton();
  priorityUntil_ = static_cast<std::int64_t>(physical) + kMousePriorityMs;
  ++generation_;
}

void InputGate::releaseHeldButton() {
  if (!heldButton_) return;
  // Nothing better is left to do when the release itself is refused.
  sink_.perform({*heldButton_ == Button::Left ? ActionKind::LeftUp : ActionKind::RightUp});
  heldButton_.reset();
}

void InputGate::watchdog(std::int64_t time) {
  if (heldButton_ && time - lastRefresh_ >= kHeldButtonTimeoutMs) {
    releaseHeldButton();
    ++generation_;
  }
}

void InputGate::setEnabled(bool enabled) {
  const std::lock_guard guard(lock_);
  setEnabledLocked(enabled);
}

void InputGate::setTarget(const DesktopRect& target) {
  const std::lock_guard guard(lock_);
  setEnabledLocked(false);
  sink_.setTarget(target);
}

void InputGate::setEnabledLocked(bool enabled) {
  consumePhysicalEvent();
  releaseHeldButton();
  enabled_ = enabled;
  lastRefresh_ = now();
  ++generation_;
}

bool InputGate::mousePriorityActive() {
  const std::lock_guard guard(lock_);
  consumePhysicalEvent();
  return now() < priorityUntil_;
}

bool InputGate::enabled() {
  const std::lock_guard guard(lock_);
  consumePhysicalEvent();
  return enabled_;
}

std::uint64_t InputGate::readGeneration() {
  const std::lock_guard guard(lock_);
  consumePhysicalEvent();
  return generation_;
}

void InputGate::service() {
  const std::lock_guard guard(lock_);
  consumePhysicalEvent();
  watchdog(now());
}

bool InputGate::apply(const ControlOutput& output, std::uint64_t generationSeen) {
  const std::lock_guard guard(lock_);
  consumePhysicalEvent();
  const std::int64_t time = now();
  watchdog(time);
  if (generationSeen != generation_ || !enabled_ || time < priorityUntil_) return true;
  if (!outputValid(output) || !isFresh(output.timeMs, time)) {
    // The outputs computed after this one are no better: make the worker start over.
    releaseHeldButton();
    ++generation_;
    return true;
  }
  lastRefresh_ = output.timeMs;
  if (send(output)) return true;
  releaseHeldButton();
  enabled_ = false;
  ++generation_;
  return false;
}

// False when the sink refused an action; the rest of the list is then dropped.
bool InputGate::send(const ControlOutput& output) {
  for (const ActionRecord& action : output.actions) {
    switch (action.kind) {
      case ActionKind::Move:
        if (!insideUnit(action.x) || !insideUnit(action.y)) {
          releaseHeldButton();
          ++generation_;
          return true;
        }
        break;
      case ActionKind::LeftClick:
      case ActionKind::DoubleClick:
      case ActionKind::LeftDown:
        heldButton_ = Button::Left;
        break;
      case ActionKind::RightClick:
        heldButton_ = Button::Right;
        break;
      default:
        break;
    }
    if (!sink_.perform(action)) return false;
    if (endsHold(action.kind)) heldButton_.reset();
  }
  return true;
}

}  // namespace vel
