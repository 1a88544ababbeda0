// Palm detector preprocessing and best-anchor decoding.
#include "tracking/palm_detector.h"

#include <algorithm>
#include <cmath>

namespace vel {
namespace {

constexpr int kRegressorsPerAnchor = 18;
constexpr int kFirstKeypointValue = 4;  // values 0-3 are a box the tracker does not use

}  // namespace

Letterbox letterboxFor(const Frame& frame) {
  const float width = static_cast<float>(frame.width);
  const float height = static_cast<float>(frame.height);
  const float side = std::max(width, height);
  return {side, (side - width) / 2.0f, (side - height) / 2.0f};
}

SampleGrid letterboxGrid(const Letterbox& box) {
  const float step = box.side / static_cast<float>(kPalmInputSide);
  return {{0.5f * step - 0.5f - box.padX, 0.5f * step - 0.5f - box.padY}, {step, 0.0f}, {0.0f, step}};
}

std::optional<PalmDetection> decodePalm(const float* scores, const float* regressors,
                                        const std::array<Point, kAnchorCount>& anchors, const Letterbox& box) {
  float best = kPalmScoreThreshold;
  int bestIndex = -1;
  for (int i = 0; i < kAnchorCount; ++i) {
    // Clamped so that exp never overflows; a NaN score fails the comparison and is skipped.
    const float raw = std::clamp(scores[i], -80.0f, 80.0f);
    const float score = 1.0f / (1.0f + std::exp(-raw));
    if (score > best) {
      best = score;
      bestIndex = i;
    }
  }
  if (bestIndex < 0) return std::nullopt;

  const Point anchor = anchors[static_cast<std::size_t>(bestIndex)];
  const float* values = regressors + static_cast<std::ptrdiff_t>(bestIndex) * kRegressorsPerAnchor;
  const float input = static_cast<float>(kPalmInputSide);
  PalmDetection detection;
  detection.score = best;
  for (int k = 0; k < kPalmKeypointCount; ++k) {
    const float dx = values[kFirstKeypointValue + 2 * k];
    const float dy = values[kFirstKeypointValue + 2 * k + 1];
    detection.keypoints[static_cast<std::size_t>(k)] = {(anchor.x + dx / input) * box.side - box.padX,
                                                        (anchor.y + dy / input) * box.side - box.padY};
  }
  return detection;
}

std::optional<PalmDetection> detectPalm(ModelRuntime& runtime, const Frame& frame) {
  const Letterbox box = letterboxFor(frame);
  resample(frame, letterboxGrid(box), kPalmInputSide, runtime.palm().input.data());
  const OutputValues values = runtime.run(runtime.palm());
  const PalmOutputs outputs = runtime.palmOutputs(values);
  return decodePalm(outputs.scores, outputs.regressors, runtime.anchors(), box);
}

}  // namespace vel
