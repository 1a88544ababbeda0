// The practice engine: steps, targets and hits, the drop grace and the rest step.
#include "ui/practice.h"

#include <algorithm>
#include <cmath>

#include "control/poses.h"
#include "ui/preview_geometry.h"

namespace vel {
namespace {

bool inUnitRange(float value) { return std::isfinite(value) && value >= 0.0f && value <= 1.0f; }
bool inUnitSquare(Point point) { return inUnitRange(point.x) && inUnitRange(point.y); }

// Kinds that are tried at the pointer like a click: the clicks, the wheel and the commands.
bool attemptKind(ActionKind kind) {
  return kind == ActionKind::LeftClick || kind == ActionKind::DoubleClick || kind == ActionKind::RightClick ||
         kind >= ActionKind::Wheel;
}

bool hitTest(const PracticeState& state, Point point) {
  const int w = state.areaWidth;
  const int h = state.areaHeight;
  if (w < 2 || h < 2 || !inUnitSquare(point)) return false;
  const Point target = kPracticeTargets[static_cast<std::size_t>(state.targetIndex)];
  const double distance = std::hypot(static_cast<double>(w - 1) * (point.x - target.x),
                                     static_cast<double>(h - 1) * (point.y - target.y));
  const int radius = std::max(1, static_cast<int>(std::min(w, h) * 0.13));
  return radius >= distance;
}

void showResult(PracticeState& state, PracticeResult result, PracticeSource source, std::int64_t now) {
  state.result = result;
  state.resultSource = source;
  state.resultTime = now;
  state.resultShownUntil = now + kPracticeResultShownMs;
}

void advanceTarget(PracticeState& state) {
  state.previousTarget = state.targetIndex;
  state.targetIndex = (state.targetIndex + 1) % kPracticeTargetCount;
}

void attempt(PracticeState& state, Point point, PracticeSource source, std::int64_t now) {
  const bool hit = hitTest(state, point);
  showResult(state, hit ? PracticeResult::Hit : PracticeResult::Missed, source, now);
  if (!hit) return;
  advanceTarget(state);
  ++state.totalHits;
  ++(source == PracticeSource::Hand ? state.handHits : state.mouseHits);
}

// A gesture counts only in its own step (or in any when there are no steps).
bool wantedNow(const PracticeState& state, ActionKind kind) {
  return state.currentAction == 0 || actionInfo(state.currentAction).kind == kind;
}

void loseGrip(PracticeState& state) {
  state.grabbed = false;
  state.dropUntil = 0;
}

void handleActions(PracticeState& state, const ControlOutput& output, std::int64_t now) {
  for (const ActionRecord& action : output.actions) {
    const ActionKind kind = action.kind;
    if (kind == ActionKind::Move) {
      state.pointer = {action.x, action.y};
      state.pointerValid = true;
    } else if (!state.pointerValid) {
      continue;
    } else if (attemptKind(kind)) {
      if (!wantedNow(state, kind)) continue;
      state.lastKind = kind;
      attempt(state, state.pointer, PracticeSource::Hand, now);
    } else if (kind == ActionKind::LeftDown) {
      // A grab leaves the last kind alone: a miss right after a drop keeps the drop's prompt.
      if (!wantedNow(state, kind)) continue;
      state.dropUntil = 0;
      state.grabbed = hitTest(state, state.pointer);
      showResult(state, state.grabbed ? PracticeResult::Grabbed : PracticeResult::Missed, PracticeSource::Hand,
                 now);
      if (state.grabbed) advanceTarget(state);  // the drop goes to the next target
    } else if (kind == ActionKind::LeftUp && state.grabbed) {
      state.lastKind = kind;
      state.grabbed = false;
      if (output.fired) {
        attempt(state, state.pointer, PracticeSource::Hand, now);
      } else {
        showResult(state, PracticeResult::ReleasedEarly, PracticeSource::Hand, now);
        // The fist is still closed: an open hand soon after finishes the drop here.
        if (output.action == kActionDragAndDrop && !output.needsGuidance) {
          state.dropPoint = state.pointer;
          state.dropUntil = now + kPracticeDropGraceMs;
        }
      }
    }
  }
}

void targetLogic(PracticeState& state, const ControlOutput& output, std::int64_t now) {
  if (state.lastOutputTime != 0 &&
      (output.timeMs <= state.lastOutputTime || output.timeMs - state.lastOutputTime >= kFreshAgeMs)) {
    loseGrip(state);  // the hand was lost in between
  }
  state.lastOutputTime = output.timeMs;

  const bool movesInRange = std::all_of(output.actions.begin(), output.actions.end(), [](const ActionRecord& a) {
    return a.kind != ActionKind::Move || inUnitSquare({a.x, a.y});
  });
  if (!output.handPresent || output.adjustment.runId != 0 || !isFresh(output.timeMs, now) ||
      output.needsGuidance || (output.pointerActive && !inUnitSquare(output.pointer)) || !movesInRange) {
    state.pointerValid = false;
    loseGrip(state);
    return;
  }

  if (state.dropUntil != 0) {
    if (now > state.dropUntil) {
      state.dropUntil = 0;
    } else if (output.pose == kPoseOpenHand) {
      state.pointer = state.dropPoint;
      state.lastKind = ActionKind::LeftUp;
      attempt(state, state.dropPoint, PracticeSource::Hand, now);
      state.dropUntil = 0;
      return;
    }
  }

  state.pointerValid = output.pointerActive;
  if (output.pointerActive) state.pointer = output.pointer;
  handleActions(state, output, now);
}

void restStep(PracticeState& state, const ControlOutput& output, std::int64_t now) {
  const bool openHand = output.handPresent && output.adjustment.runId == 0 && output.timeMs <= now &&
                        now - output.timeMs < kFreshAgeMs && output.pose == kPoseOpenHand;
  if (!openHand) {
    state.restHoldStart = state.lastOpenHandTime = 0;
    state.restProgress = 0.0f;
    return;
  }
  const bool continues = state.lastOpenHandTime != 0 && state.lastOpenHandTime <= output.timeMs &&
                         output.timeMs - state.lastOpenHandTime < kFreshAgeMs;
  if (!continues) state.restHoldStart = output.timeMs;
  state.lastOpenHandTime = output.timeMs;
  state.restProgress = std::clamp(static_cast<float>(output.timeMs - state.restHoldStart) /
                                      static_cast<float>(kPracticeRestHoldMs), 0.0f, 1.0f);
  if (state.restProgress >= 1.0f) {
    state.complete = true;
    state.completionTime = now;
  }
}

void setStep(PracticeState& state, int index) {
  state.stepIndex = index;
  state.currentAction = index < state.stepCount ? state.steps[static_cast<std::size_t>(index)] : 0;
}

}  // namespace

const wchar_t* practicePromptFor(const PracticeState& state, std::int64_t now) {
  if (state.complete) return L"All steps complete. Finish practice when you are ready.";
  if (state.successPauseRunning(now)) return L"Well done — next gesture in a moment.";
  if (state.inRestStep()) return L"Open your hand, as shown below, and hold briefly to rest.";
  if (state.grabbed) return L"Move to the large target. Open your hand to let go.";
  if (state.dropUntil != 0) return L"Released — open your hand to finish the drop.";
  if (state.lastKind == ActionKind::LeftUp && now < state.resultShownUntil) {
    if (state.result == PracticeResult::ReleasedEarly) return L"Released. Point at the large circle to try again.";
    if (state.result == PracticeResult::Missed) {
      return L"Released outside the target. Point at the large circle to try again.";
    }
  }
  if (state.currentAction != 0) return actionInfo(state.currentAction).description;
  return L"Point at the large circle to begin.";
}

void PracticeEngine::startPractice(std::int64_t now, int areaWidth, int areaHeight, const Gestures& assignments) {
  std::lock_guard guard(lock_);
  state_ = {};
  state_.active = true;
  state_.startTime = now;
  state_.areaWidth = areaWidth;
  state_.areaHeight = areaHeight;
  for (const ActionInfo& info : kActions) {
    if (assignments[static_cast<std::size_t>(info.id)] != 0 && hasPracticeStep(info.kind)) {
      state_.steps[static_cast<std::size_t>(state_.stepCount++)] = info.id;
    }
  }
  state_.hasSteps = true;
  setStep(state_, 0);
}

void PracticeEngine::resetPractice() {
  std::lock_guard guard(lock_);
  state_ = {};
}

void PracticeEngine::practiceOnOutput(const ControlOutput& output, std::int64_t now) {
  std::lock_guard guard(lock_);
  PracticeState& state = state_;
  if (!state.active || output.timeMs < state.startTime || output.sequence <= state.output.sequence) return;

  if (output.frameWidth >= 2 && output.frameHeight >= 2) {
    const PreviewSize area =
        areaSizeInPreview(previewRect(output.frameWidth, output.frameHeight), output.reachRect);
    state.areaWidth = area.width;
    state.areaHeight = area.height;
  }
  state.output = output;
  if (state.complete) return;

  if (state.successPauseUntil != 0) {
    if (now < state.successPauseUntil) return;
    state.successPauseUntil = 0;
    setStep(state, state.stepIndex + 1);
    loseGrip(state);
  }

  if (state.inRestStep()) {
    restStep(state, output, now);
    return;
  }
  const std::uint32_t handHitsBefore = state.handHits;
  targetLogic(state, output, now);
  if (state.hasSteps && state.handHits > handHitsBefore) state.successPauseUntil = now + kPracticeSuccessPauseMs;
}

void PracticeEngine::practiceMouseClick(Point areaPoint, std::int64_t now) {
  std::lock_guard guard(lock_);
  PracticeState& state = state_;
  if (!inUnitSquare(areaPoint) || !state.active || state.grabbed || state.dropUntil != 0 ||
      state.successPauseUntil != 0 || state.inRestStep() || state.complete) {
    return;
  }
  attempt(state, areaPoint, PracticeSource::Mouse, now);
}

const wchar_t* PracticeEngine::practicePrompt(std::int64_t now) const {
  std::lock_guard guard(lock_);
  return practicePromptFor(state_, now);
}

PracticeState PracticeEngine::practiceForPaint(std::int64_t now) {
  std::lock_guard guard(lock_);
  if (state_.dropUntil != 0 && now > state_.dropUntil) state_.dropUntil = 0;
  if (now - state_.output.timeMs >= kFreshAgeMs) {
    state_.pointerValid = false;
    loseGrip(state_);
  }
  return state_;
}

}  // namespace vel
