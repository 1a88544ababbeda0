// Hand regions, the rotated crop and the mapping of landmarks back into the frame.
#include "tracking/hand_landmarks.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

namespace vel {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr std::size_t kWrist = 0;
constexpr std::size_t kMiddleFingerBase = 9;

// A square around `points` in the frame of the hand's own axis (from `base` towards `tip`):
// the axis-aligned bounds after un-rotating, their centre shifted towards the fingers by
// `shift` × height, and the larger side scaled by `scale`.
HandRegion regionAround(std::span<const Point> points, Point base, Point tip, float shift, float scale) {
  HandRegion region;
  region.rotation = normalizeAngle(kPi / 2.0f - std::atan2(-(tip.y - base.y), tip.x - base.x));
  const float cosR = std::cos(region.rotation);
  const float sinR = std::sin(region.rotation);
  float minX = 1'000'000.0f, minY = 1'000'000.0f, maxX = -1'000'000.0f, maxY = -1'000'000.0f;
  for (const Point& p : points) {
    const float x = p.x * cosR + p.y * sinR;  // rotated by −rotation
    const float y = -p.x * sinR + p.y * cosR;
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }
  const float width = maxX - minX;
  const float height = maxY - minY;
  const float cx = (minX + maxX) / 2.0f;
  const float cy = (minY + maxY) / 2.0f - shift * height;
  region.centre = {cx * cosR - cy * sinR, cx * sinR + cy * cosR};
  region.size = std::max(width, height) * scale;
  return region;
}

}  // namespace

float normalizeAngle(float angle) { return angle - 2.0f * kPi * std::floor((angle + kPi) / (2.0f * kPi)); }

HandRegion regionFromPalm(const PalmDetection& palm) {
  return regionAround(palm.keypoints, palm.keypoints[0], palm.keypoints[2], 0.4f, 3.0f);
}

HandRegion regionFromLandmarks(const std::array<Point, kLandmarkCount>& landmarks) {
  return regionAround(landmarks, landmarks[kWrist], landmarks[kMiddleFingerBase], 0.1f, 1.65f);
}

SampleGrid cropGrid(const HandRegion& region) {
  const float step = region.size / static_cast<float>(kHandInputSide);
  const float cosR = std::cos(region.rotation);
  const float sinR = std::sin(region.rotation);
  const float first = 0.5f * step - 0.5f * region.size;  // u and v of input pixel 0
  return {{first * cosR - first * sinR + region.centre.x, first * sinR + first * cosR + region.centre.y},
          {step * cosR, step * sinR},
          {-step * sinR, step * cosR}};
}

HandObservation observationFromOutputs(const HandOutputs& outputs, const HandRegion& region, int width, int height) {
  HandObservation observation;
  observation.presence = outputs.presence;
  if (!std::isfinite(outputs.presence) || outputs.presence < kPresenceThreshold) return observation;

  const float cosR = std::cos(region.rotation);
  const float sinR = std::sin(region.rotation);
  const float input = static_cast<float>(kHandInputSide);
  for (std::size_t i = 0; i < observation.landmarks.size(); ++i) {
    const float u = (outputs.landmarks[i * 3] / input - 0.5f) * region.size;
    const float v = (outputs.landmarks[i * 3 + 1] / input - 0.5f) * region.size;
    const Point offset{u * cosR - v * sinR, u * sinR + v * cosR};
    if (!std::isfinite(offset.x) || !std::isfinite(offset.y)) return {};
    observation.landmarks[i] = {region.centre.x + offset.x, region.centre.y + offset.y};
  }
  observation.landmarksValid = true;
  const Point wrist = observation.landmarks[kWrist];
  observation.present =
      wrist.x >= 0.0f && wrist.x < static_cast<float>(width) && wrist.y >= 0.0f && wrist.y < static_cast<float>(height);
  return observation;
}

HandObservation inferLandmarks(ModelRuntime& runtime, const Frame& frame, const HandRegion& region) {
  const float largestSide = static_cast<float>(std::max(frame.width, frame.height));
  if (!(region.size >= kMinRegionSize && region.size <= 3.0f * largestSide)) return {};
  resample(frame, cropGrid(region), kHandInputSide, runtime.hand().input.data());
  const OutputValues values = runtime.run(runtime.hand());
  return observationFromOutputs(runtime.handOutputs(values), region, frame.width, frame.height);
}

}  // namespace vel
