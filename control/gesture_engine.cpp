// The gesture state machine: one call per frame, times as arguments, never throws.
#include "control/gesture_engine.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "control/actions.h"
#include "control/poses.h"

namespace vel {
namespace {

// Frames further apart than this (or going backwards) mean tracking was lost.
constexpr std::int64_t kFrameGapMs = 250;
constexpr float kMinPresence = 0.8f;
constexpr std::int64_t kEngageMs = 200;
// A new pose is left alone this long so the hand can settle into it.
constexpr std::int64_t kPoseSettleMs = 180;
constexpr std::int64_t kGrabMs = 350;
// A grab only counts when the user pointed at the item just before.
constexpr std::int64_t kGrabAfterPointingMs = 700;
// Palm travel, as a fraction of the smaller frame side, that re-anchors a pose or starts a scroll.
constexpr float kPalmTravel = 0.025f;
// Wheel units per full frame height of palm travel (negative: moving up scrolls away from the user).
constexpr float kWheelPerHeight = -1500.0f;
constexpr int kNotch = 120;
constexpr int kMaxWheelPerFrame = 3 * kNotch;

// The hold timer's tolerances: the aim follows the hand this long before locking on the anchor, and
// may stray within twice the radius for a short while without losing the hold.
constexpr std::int64_t kAimFollowMs = 160;
constexpr std::int64_t kStrayMs = 140;

constexpr const wchar_t* kPointToStart = L"Point with your index finger to start";
constexpr const wchar_t* kPointToAim = L"Point to aim — use your chosen click pose";
constexpr const wchar_t* kPoseNotAssigned = L"Pose not assigned — open your hand to rest";
constexpr const wchar_t* kMoveToScroll = L"Move up or down to scroll";
constexpr const wchar_t* kScrolling = L"Scrolling — relax your hand to finish";
constexpr const wchar_t* kKeepSteady = L"Keep your pose steady";
constexpr const wchar_t* kResting = L"Resting — point again to continue";
constexpr const wchar_t* kPointBeforeGrab = L"Point at an item before making the grab pose";
constexpr const wchar_t* kKeepToGrab = L"Keep this pose to grab";
constexpr const wchar_t* kGrabbed = L"Holding — move, then open your hand";
constexpr const wchar_t* kDragging = L"Holding — open your whole hand to drop";
constexpr const wchar_t* kDropped = L"Dropped — point again to continue";
constexpr const wchar_t* kReleased = L"Released — point again to continue";
constexpr const wchar_t* kHoldStill = L"Hold still · ";
constexpr const wchar_t* kDone = L" done — move to continue";

float distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

bool finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

Point palmCentre(const HandLandmarks& hand) {
  Point sum;
  for (const int i : {0, 5, 9, 13, 17}) {
    sum.x += hand[i].x;
    sum.y += hand[i].y;
  }
  return {sum.x / 5.0f, sum.y / 5.0f};
}

// Hold reset: the circle starts over, a lock after a fire stays.
void holdReset(HoldState& hold) {
  hold.armed = false;
  hold.leftAt = 0;
  hold.movedAt = 0;
}

void holdDisarm(HoldState& hold) {
  holdReset(hold);
  hold.lockedAfterFire = false;
}

struct HoldResult {
  bool moved = false;
  Point moveTo;
  float progress = 0.0f;
  Point progressAt;
  bool showProgress = false;
  bool completed = false;
  bool fired = false;
};

// One hold-timer step at the aim point: normalised desktop, finite, as the pointer filter keeps it.
HoldResult runHoldTimer(HoldState& hold, Point aim, std::int64_t t, std::int32_t mode, const Settings& settings) {
  HoldResult result;
  std::int64_t elapsedSinceLast = hold.lastUpdate == 0 ? 0 : t - hold.lastUpdate;
  if (hold.lastUpdate != 0 && (elapsedSinceLast <= 0 || elapsedSinceLast > kFrameGapMs)) {
    holdDisarm(hold);
    elapsedSinceLast = 0;
  }
  hold.lastUpdate = t;
  if (mode != hold.lastMode) {
    holdDisarm(hold);
    hold.lastMode = mode;
  }
  const float scale = std::clamp(settings.dpiScale, 0.75f, 3.0f);
  const float radius = settings.holdRadius * scale;
  const auto pixels = [&settings](Point a, Point b) {
    return std::hypot(static_cast<float>(settings.targetWidth - 1) * (a.x - b.x),
                      static_cast<float>(settings.targetHeight - 1) * (a.y - b.y));
  };

  if (hold.lockedAfterFire) {
    const float away = pixels(aim, hold.firedAt);
    bool locked = false;
    if (away <= settings.postClickRadius * scale) {
      hold.movedAt = 0;
      locked = away <= 2.0f * radius;
    } else {
      if (hold.movedAt == 0) hold.movedAt = t;
      locked = away <= 2.0f * radius && t - hold.movedAt < kStrayMs;
    }
    if (locked) {
      result.moved = true;
      result.moveTo = hold.firedAt;
      result.progress = 1.0f;
      result.progressAt = hold.firedAt;
      result.completed = true;
      return result;
    }
    hold.lockedAfterFire = false;
    hold.movedAt = 0;
  }

  bool keep = false;
  bool paused = false;
  if (hold.armed) {
    const float away = pixels(aim, hold.anchor);
    if (away <= radius) {
      if (hold.leftAt != 0) {
        hold.holdStart += elapsedSinceLast;
        hold.leftAt = 0;
      }
      keep = true;
    } else {
      if (hold.leftAt == 0) hold.leftAt = t;
      if (t - hold.holdStart >= kAimFollowMs && away <= 2.0f * radius && t - hold.leftAt < kStrayMs) {
        hold.holdStart += elapsedSinceLast;
        keep = true;
        paused = true;
      }
    }
  }
  if (!keep) {
    hold.armed = true;
    hold.anchor = aim;
    hold.holdStart = t;
    hold.leftAt = 0;
  }

  const std::int64_t elapsed = t - hold.holdStart;
  const auto holdMs = static_cast<float>(std::clamp(settings.ClickWait, 700, 1500));
  const bool aimLocked = elapsed >= kAimFollowMs;
  result.moved = true;
  result.moveTo = aimLocked ? hold.anchor : aim;
  result.progress = std::clamp(static_cast<float>(elapsed - kAimFollowMs) / holdMs, 0.0f, 1.0f);
  result.progressAt = hold.anchor;
  result.showProgress = aimLocked;
  if (!paused && result.progress >= 1.0f) {
    hold.armed = false;
    hold.lockedAfterFire = true;
    hold.firedAt = hold.anchor;
    result.fired = true;
    result.progress = 1.0f;
    result.showProgress = false;
    result.completed = true;
  }
  return result;
}

// One frame's work once the hand is usable and present; split out so each case reads on its own.
class Step {
 public:
  Step(GestureState& state, ControlOutput& output, const Settings& settings, std::int64_t t)
      : g_(state), out_(output), s_(settings), t_(t) {}

  void release() {
    if (g_.dragging) out_.actions.push_back({ActionKind::LeftUp});
    g_.dragging = false;
    g_.grabStart = 0;
    holdReset(g_.hold);
  }

  void fullReset() { g_ = GestureState{}; }

  void stopEngagement() {
    g_.engaged = false;
    g_.pointingStart = 0;
    g_.lastPointingTime = 0;
  }

  void run(const HandLandmarks& hand, Point raw, float dt) {
    pose_ = out_.pose;
    action_ = out_.action;
    centre_ = palmCentre(hand);
    travel_ = kPalmTravel * static_cast<float>(std::min(out_.frameWidth, out_.frameHeight));
    raw_ = raw;
    if (g_.dragging) return drag();
    if (action_ == kActionDragAndDrop) return grab();
    g_.grabStart = 0;
    if (pose_ == kPoseOpenHand) {
      release();
      stopEngagement();
      out_.status = kResting;
      return;
    }
    if (!g_.engaged) {
      if (pose_ == kPoseOneFinger) {
        if (g_.pointingStart == 0) g_.pointingStart = t_;
        if (t_ - g_.pointingStart >= kEngageMs) g_.engaged = true;
      } else {
        g_.pointingStart = 0;
      }
      resetPointerFilter(g_.filter, raw_);
      g_.lastPointer = raw_;
      out_.status = kPointToStart;
      if (!g_.engaged) return;
    }
    engaged(dt);
  }

 private:
  void drag() {
    out_.action = kActionDragAndDrop;
    out_.pointer = g_.lastPointer;
    out_.pointerActive = true;
    const int dragPose = s_.gestures[kActionDragAndDrop];
    if (dragPose == 0 || pose_ != dragPose) {
      out_.actions.push_back(moveAction(g_.lastPointer));
      release();
      out_.fired = out_.completed = pose_ == kPoseOpenHand;
      out_.status = pose_ == kPoseOpenHand ? kDropped : kReleased;
      stopEngagement();
      return;
    }
    // The dragged item follows the palm (steadier than a fingertip inside a fist) through the
    // same reach rectangle the fingertip uses.
    const ReachRect& r = out_.reachRect;
    float dx = (centre_.x - g_.grabCentre.x) / (static_cast<float>(out_.frameWidth - 1) * (r.right - r.left));
    const float dy = (centre_.y - g_.grabCentre.y) / (static_cast<float>(out_.frameHeight - 1) * (r.bottom - r.top));
    if (s_.Mirror) dx = -dx;
    const Point p{std::clamp(g_.grabPointer.x + dx, 0.0f, 1.0f), std::clamp(g_.grabPointer.y + dy, 0.0f, 1.0f)};
    g_.lastPointer = p;
    out_.pointer = p;
    out_.actions.push_back(moveAction(p));
    out_.buttonHeld = true;
    out_.status = kDragging;
  }

  void grab() {
    holdReset(g_.hold);
    out_.pointer = g_.lastPointer;
    if (g_.grabStart == 0) {
      if (!g_.engaged || g_.lastPointingTime == 0 || t_ - g_.lastPointingTime >= kGrabAfterPointingMs) {
        out_.status = kPointBeforeGrab;
        return;
      }
      g_.grabStart = t_;
    }
    out_.pointerActive = true;
    out_.progress = std::clamp(static_cast<float>(t_ - g_.grabStart) / static_cast<float>(kGrabMs), 0.0f, 1.0f);
    out_.progressAt = g_.lastPointer;
    out_.showProgress = true;
    out_.status = kKeepToGrab;
    if (t_ - g_.grabStart < kGrabMs) return;
    g_.dragging = true;
    g_.grabCentre = centre_;
    g_.grabPointer = g_.lastPointer;
    out_.actions.push_back(moveAction(g_.lastPointer));
    out_.actions.push_back({ActionKind::LeftDown});
    out_.buttonHeld = true;
    out_.status = kGrabbed;
  }

  void engaged(float dt) {
    smoothed_ = filterPointer(g_.filter, raw_, s_.pointerSmoothing, dt);
    out_.pointer = smoothed_;
    if (pose_ != g_.lastPose) {
      g_.lastPose = pose_;
      g_.poseChangeTime = t_;
      g_.anchorCentre = centre_;
      g_.aimLock = g_.lastPointer;
      g_.scrollRefY = centre_.y;
      g_.scrolling = false;
      g_.scrollAccumulator = 0.0f;
      holdReset(g_.hold);
    }
    bool scrollCandidate = false;
    if (pose_ != kPoseNone && pose_ == s_.gestures[kActionScroll]) {
      if (g_.scrolling || distance(centre_, g_.anchorCentre) > travel_) {
        g_.scrolling = true;
        return scroll();
      }
      scrollCandidate = true;
    }
    if (action_ != kActionNone && action_ != g_.lastAction) {
      // Pointing keeps a fire lock from the pose before it, so returning to aim cannot click again
      // on the spot that just fired.
      if (!(pose_ == kPoseOneFinger && g_.lastAction != kActionNone)) g_.hold = HoldState{};
      g_.lastAction = action_;
    }
    if (pose_ == kPoseNone || pose_ == kPoseOneFinger) {
      return action_ != kActionNone ? holdStep(smoothed_) : idle(scrollCandidate);
    }
    if (t_ - g_.poseChangeTime < kPoseSettleMs) {
      out_.pointer = g_.aimLock;
      out_.pointerActive = true;
      out_.status = kKeepSteady;
      return;
    }
    if (action_ == kActionNone) return idle(scrollCandidate);
    if (distance(centre_, g_.anchorCentre) > travel_) {
      holdReset(g_.hold);
      g_.anchorCentre = centre_;
    }
    holdStep(g_.aimLock);
  }

  void scroll() {
    holdReset(g_.hold);
    if (t_ - g_.poseChangeTime >= kPoseSettleMs) {
      g_.scrollAccumulator += (centre_.y - g_.scrollRefY) / static_cast<float>(out_.frameHeight) * kWheelPerHeight;
      const auto notches = static_cast<int>(g_.scrollAccumulator / static_cast<float>(kNotch));
      if (notches != 0) {
        out_.actions.push_back(wheelAction(std::clamp(notches * kNotch, -kMaxWheelPerFrame, kMaxWheelPerFrame)));
        g_.scrollAccumulator -= static_cast<float>(notches * kNotch);
      }
    }
    g_.scrollRefY = centre_.y;
    out_.status = kScrolling;
    out_.action = kActionScroll;
    out_.pointer = g_.aimLock;
    out_.pointerActive = true;
    out_.fired = !out_.actions.empty();
  }

  void holdStep(Point aim) {
    const std::int32_t mode = action_ == kActionRightClick ? 2 : action_ == kActionDoubleClick ? 1 : 0;
    const HoldResult hold = runHoldTimer(g_.hold, aim, t_, mode, s_);
    const ActionInfo& info = actionInfo(action_);
    if (hold.moved) out_.actions.push_back(moveAction(hold.moveTo));
    if (hold.fired) out_.actions.push_back({info.kind});
    out_.progress = hold.progress;
    out_.progressAt = hold.progressAt;
    out_.showProgress = hold.showProgress;
    out_.completed = hold.completed;
    out_.fired = hold.fired;
    out_.pointerActive = true;
    out_.status = hold.completed ? std::wstring(info.label) + kDone : kHoldStill + std::wstring(info.label);
    if (hold.moved) out_.pointer = hold.moveTo;
    g_.lastPointer = out_.pointer;
    if (pose_ == kPoseOneFinger) g_.lastPointingTime = t_;
  }

  void idle(bool scrollCandidate) {
    holdReset(g_.hold);
    const bool pointing = pose_ == kPoseOneFinger;
    out_.pointer = pose_ == kPoseNone || pointing ? smoothed_ : g_.aimLock;
    out_.pointerActive = pointing || scrollCandidate;
    if (pointing) {
      out_.actions.push_back(moveAction(smoothed_));
      g_.lastPointer = smoothed_;
      g_.lastPointingTime = t_;
      out_.status = kPointToAim;
    } else {
      out_.status = kPoseNotAssigned;
    }
    if (scrollCandidate) out_.status = kMoveToScroll;
  }

  GestureState& g_;
  ControlOutput& out_;
  const Settings& s_;
  const std::int64_t t_;
  int pose_;  // this and the rest are set by each run
  int action_;
  Point centre_;
  Point raw_;
  Point smoothed_;
  float travel_;
};

void runAdjustment(GestureState& state, ControlOutput& output, const HandObservation& observation, HandCheck check,
                   const Settings& settings, std::int64_t t) {
  const AdjustmentSample sample =
      adjustmentSample(observation, check, output.frameWidth, output.frameHeight, settings.Mirror);
  stepReachAdjustment(state.adjustment, settings.adjustmentId, sample, t);
  output.adjustment = adjustmentProgress(state.adjustment, output.frameWidth, output.frameHeight);
  output.handPresent = check == HandCheck::Usable && observation.present;
  output.pointerActive = sample.usable;
  if (observation.present || observation.landmarksValid) output.landmarks = observation.landmarks;
  output.status = check == HandCheck::Usable ? state.adjustment.message : std::wstring(handCheckText(check));
  output.needsGuidance = !sample.usable;
}

}  // namespace

void stepGestureEngine(GestureState& state, ControlOutput& output, const HandObservation& observation,
                       const Frame& frame, const Settings& settings) {
  const auto t = static_cast<std::int64_t>(frame.timeMs);
  const int width = frame.width;
  const int height = frame.height;
  output.timeMs = t;
  output.sequence = frame.sequence;
  output.frameWidth = width;
  output.frameHeight = height;
  output.handPresent = observation.present;
  output.presence = observation.presence;
  output.reachRect = reachRect(settings, width, height);

  const HandCheck check = checkObservation(observation, width, height);
  if (settings.adjustmentId != 0) return runAdjustment(state, output, observation, check, settings, t);

  Step step(state, output, settings, t);
  const auto lose = [&] {
    step.release();
    step.fullReset();
    output.handPresent = false;
  };
  if (check != HandCheck::Usable) {
    output.status = handCheckText(check);
    output.needsGuidance = true;
    if (check != HandCheck::NoHand) output.landmarks = observation.landmarks;
    return lose();
  }
  if (!observation.present || observation.presence < kMinPresence) return lose();  // sizes under 2 are NoHand

  if (state.lastUpdate != 0 && (t - state.lastUpdate > kFrameGapMs || t <= state.lastUpdate)) {
    step.release();
    step.fullReset();
  }
  const float dt = state.lastUpdate != 0 ? static_cast<float>(t - state.lastUpdate) / 1000.0f : 1.0f / 30.0f;
  state.lastUpdate = t;

  const HandLandmarks& hand = observation.landmarks;
  output.landmarks = hand;
  output.pose = classifyPose(hand);
  output.action = actionForPose(settings.gestures, output.pose);
  if (settings.DistanceMode == 0) {
    const bool permitted = output.pose == kPoseOpenHand || (output.pose == kPoseOneFinger && !state.engaged);
    output.reachRect = adaptReachToDistance(state.distance, output.reachRect,
                                            palmSize(hand) / static_cast<float>(height),
                                            referencePalm(settings), permitted, t);
  }
  const Point raw = mapFingertip(hand[8], width, height, settings.Mirror, output.reachRect);
  if (!finite(raw)) return lose();
  step.run(hand, raw, dt);
}

}  // namespace vel
