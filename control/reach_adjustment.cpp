// The movement-area measurement as a state machine over frame times.
#include "control/reach_adjustment.h"

#include <algorithm>
#include <cmath>

namespace vel {
namespace {

constexpr std::int64_t kRunLimitMs = 90'000;
constexpr std::int64_t kFrameGapMs = 250;
// A pause fills in 900 ms of stillness, and no step completes within 1500 ms of its start.
constexpr float kPauseMs = 900.0f;
constexpr std::int64_t kStepLeadMs = 600;
constexpr float kStillRadius = 0.035f;
// How far from the rest position each direction must go, and how much the palm may change.
constexpr float kSideDistance = 0.09f;
constexpr float kVerticalDistance = 0.08f;
constexpr float kCloserLimit = 1.38f;
constexpr float kFartherLimit = 0.72f;
// The pauses mark where the hand reached; the area keeps a little inside them.
constexpr float kEdgeShrink = 0.025f;

// The next sample starts the pause's sums afresh.
void restartPause(ReachAdjustment& a) {
  a.stillSince = 0;
  a.progress = 0.0f;
}

bool inStepDirection(const ReachAdjustment& a, Point p) {
  switch (a.step) {
    case kAdjustmentLeft:
      return p.x < a.rest.x - kSideDistance;
    case kAdjustmentRight:
      return p.x > a.rest.x + kSideDistance;
    case kAdjustmentUp:
      return p.y < a.rest.y - kVerticalDistance;
    default:
      return p.y > a.rest.y + kVerticalDistance;
  }
}

bool insideImage(Point p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && p.x >= 0.0f && p.x <= 1.0f && p.y >= 0.0f && p.y <= 1.0f;
}

// Stores the completed pause's average; true when the run is over.
bool completeStep(ReachAdjustment& a) {
  const float n = static_cast<float>(a.count);
  const Point average{a.sum.x / n, a.sum.y / n};
  switch (a.step) {
    case kAdjustmentRest:
      a.rest = average;
      a.refPalm = a.palmSum / n;
      return false;
    case kAdjustmentLeft:
      a.measured.left = average.x;
      return false;
    case kAdjustmentRight:
      a.measured.right = average.x;
      return false;
    case kAdjustmentUp:
      a.measured.top = average.y;
      return false;
    default:
      break;
  }
  // The last step, down: the area is complete.
  a.measured.bottom = average.y;
  const ReachRect& m = a.measured;
  const float w = m.right - m.left;
  const float h = m.bottom - m.top;
  a.reach = {true, m.left + kEdgeShrink * w, m.top + kEdgeShrink * h, m.right - kEdgeShrink * w,
             m.bottom - kEdgeShrink * h, a.refPalm};  // the aspect comes with the frame size
  if (reachValid(a.reach)) {
    a.finished = true;
    a.message = kAdjustmentSaved;
  } else {
    a.failed = true;
    a.message = kAdjustmentTooSmall;
  }
  return true;
}

}  // namespace

AdjustmentSample adjustmentSample(const HandObservation& observation, HandCheck check, int frameWidth,
                                  int frameHeight, bool mirror) {
  const HandLandmarks& hand = observation.landmarks;
  // Pointing as the adjustment needs it is exactly the One finger pose.
  const bool usable = classifyPose(hand) == kPoseOneFinger && check == HandCheck::Usable && observation.present &&
                      observation.presence >= 0.8f;
  return {cameraPosition(hand[8], frameWidth, frameHeight, mirror),
          palmSize(hand) / static_cast<float>(std::max(frameHeight, 1)), usable};
}

void stepReachAdjustment(ReachAdjustment& a, std::uint64_t id, const AdjustmentSample& sample, std::int64_t timeMs) {
  if (a.runId != id) {
    a = ReachAdjustment{};
    a.runId = id;
    a.startTime = timeMs;
    a.stepStart = timeMs;
  }
  if (a.finished || a.failed) return;
  if (timeMs - a.startTime > kRunLimitMs) {
    a.failed = true;
    a.message = kAdjustmentTimedOut;
    return;
  }
  if (a.lastTime != 0 && (timeMs - a.lastTime > kFrameGapMs || timeMs <= a.lastTime)) restartPause(a);
  a.lastTime = timeMs;
  a.message = kAdjustmentPrompts[static_cast<std::size_t>(a.step)];

  const Point p = sample.position;
  const float palm = sample.palmSize;
  if (!sample.usable || !insideImage(p) || !std::isfinite(palm) || !(palm > 0.0f)) {
    restartPause(a);
    return;
  }
  if (a.step != kAdjustmentRest) {
    if (palm < kFartherLimit * a.refPalm || palm > kCloserLimit * a.refPalm) {
      restartPause(a);
      a.message = kAdjustmentKeepDistance;
      return;
    }
    if (!inStepDirection(a, p)) {
      restartPause(a);
      return;
    }
  }

  if (a.stillSince == 0 || std::hypot(p.x - a.stillAnchor.x, p.y - a.stillAnchor.y) > kStillRadius) {
    a.stillAnchor = p;
    a.stillSince = timeMs;
    a.sum = p;
    a.palmSum = palm;
    a.count = 1;
  } else {
    a.sum.x += p.x;
    a.sum.y += p.y;
    a.palmSum += palm;
    ++a.count;
  }
  const auto filled = std::min(timeMs - a.stillSince, timeMs - a.stepStart - kStepLeadMs);
  a.progress = std::clamp(static_cast<float>(filled) / kPauseMs, 0.0f, 1.0f);
  if (a.progress < 1.0f || completeStep(a)) return;

  ++a.step;
  a.stepStart = timeMs;
  restartPause(a);
  a.message = kAdjustmentPrompts[static_cast<std::size_t>(a.step)];
}

AdjustmentProgress adjustmentProgress(const ReachAdjustment& adjustment, int frameWidth, int frameHeight) {
  AdjustmentProgress progress = adjustment;
  progress.reach.aspect = static_cast<float>(frameWidth) / static_cast<float>(std::max(frameHeight, 1));
  return progress;
}

}  // namespace vel
