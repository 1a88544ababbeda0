// Pose recognition and the hand usability check, on landmarks in frame pixels.
#include "control/poses.h"

#include <algorithm>
#include <cmath>

namespace vel {
namespace {

struct FingerJoints {
  int base;
  int middle;
  int tip;
};

// Indexed by Finger.
constexpr std::array<FingerJoints, 5> kFingerJoints{{{1, 2, 4}, {5, 6, 8}, {9, 10, 12}, {13, 14, 16}, {17, 18, 20}}};

float distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The thumb tip has left the palm: extended and well away from the middle finger's base.
bool thumbOut(const HandLandmarks& hand, float palm) {
  return fingerExtended(hand, Finger::Thumb) && distance(hand[4], hand[9]) > 0.95f * palm;
}

}  // namespace

bool fingerExtended(const HandLandmarks& hand, Finger finger) {
  const FingerJoints joints = kFingerJoints[static_cast<int>(finger)];
  const Point a = hand[joints.base];
  const Point b = hand[joints.middle];
  const Point c = hand[joints.tip];
  const float ux = a.x - b.x;
  const float uy = a.y - b.y;
  const float vx = c.x - b.x;
  const float vy = c.y - b.y;
  const float lengths = std::hypot(ux, uy) * std::hypot(vx, vy);
  if (!(lengths > 1.0f)) return false;
  // A bend of more than about 49 degrees from straight counts as folded.
  if (!((ux * vx + uy * vy) / lengths < -0.65f)) return false;
  return distance(c, hand[0]) > 1.12f * distance(b, hand[0]);
}

int extendedFingers(const HandLandmarks& hand) {
  return (fingerExtended(hand, Finger::Index) ? kIndexBit : 0) |
         (fingerExtended(hand, Finger::Middle) ? kMiddleBit : 0) |
         (fingerExtended(hand, Finger::Ring) ? kRingBit : 0) |
         (fingerExtended(hand, Finger::Little) ? kLittleBit : 0);
}

float palmSize(const HandLandmarks& hand) { return std::max(distance(hand[0], hand[9]), distance(hand[5], hand[17])); }

int classifyPose(const HandLandmarks& hand) {
  const float palm = palmSize(hand);
  const int mask = extendedFingers(hand);
  const bool thumbIsOut = thumbOut(hand, palm);
  const float thumbToMiddleBase = distance(hand[4], hand[9]);
  for (int pose = kPoseOneFinger; pose <= kPoseIndexLittle; ++pose) {
    if (kPoses[pose].fingerMask != mask) continue;
    switch (pose) {
      case kPoseOneFinger:
        // A thumb touching the index tip is a pinch, not pointing.
        if (distance(hand[4], hand[8]) / palm >= 0.35f) return pose;
        break;
      case kPoseClosedFist:
        if (!thumbIsOut && thumbToMiddleBase < 0.85f * palm) return pose;
        break;
      case kPoseThumbUp:
        if (thumbIsOut) return pose;
        break;
      default:
        return pose;
    }
  }
  return mask == kPoses[kPoseOpenHand].fingerMask ? kPoseOpenHand : kPoseNone;
}

HandCheck checkHand(const HandLandmarks& hand, int width, int height) {
  if (width < 2 || height < 2) return HandCheck::NoHand;
  const auto w = static_cast<float>(width);
  const auto h = static_cast<float>(height);
  float minX = w;
  float minY = h;
  float maxX = 0.0f;
  float maxY = 0.0f;
  for (const Point p : hand) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return HandCheck::NoHand;
    minX = std::min(minX, p.x);
    minY = std::min(minY, p.y);
    maxX = std::max(maxX, p.x);
    maxY = std::max(maxY, p.y);
  }
  if (palmSize(hand) < std::max(0.035f * std::min(w, h), 24.0f)) return HandCheck::TooFar;
  if (maxX - minX > 0.96f * w || maxY - minY > 0.96f * h) return HandCheck::TooClose;
  if (maxX > 0.995f * w || maxY > 0.995f * h || minX < 0.005f * w || minY < 0.005f * h) return HandCheck::CutOff;
  return HandCheck::Usable;
}

HandCheck checkObservation(const HandObservation& observation, int width, int height) {
  if ((!observation.present && !observation.landmarksValid) || !std::isfinite(observation.presence)) {
    return HandCheck::NoHand;
  }
  return checkHand(observation.landmarks, width, height);
}

const wchar_t* handCheckText(HandCheck check) {
  switch (check) {
    case HandCheck::Usable:
      return L"";
    case HandCheck::TooFar:
      return L"Move your hand closer";
    case HandCheck::TooClose:
      return L"Move your hand farther away";
    case HandCheck::CutOff:
      return L"Keep your whole hand in view";
    case HandCheck::NoHand:
      break;
  }
  return L"Show one hand to the camera";
}

}  // namespace vel
