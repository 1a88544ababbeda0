// Palm detection while no hand is tracked: letterbox the frame into the detector's square input,
// run it, and keep only the single best anchor above the threshold.
#pragma once

#include <array>
#include <optional>

#include "camera/frame.h"
#include "tracking/image_sampler.h"
#include "tracking/model_runtime.h"

namespace vel {

inline constexpr float kPalmScoreThreshold = 0.65f;
inline constexpr int kPalmKeypointCount = 7;

struct PalmDetection {
  std::array<Point, kPalmKeypointCount> keypoints{};  // frame pixels
  float score = 0.0f;                                 // after the logistic function
};

// The frame centred in a square of side max(W, H); pads are in frame pixels.
struct Letterbox {
  float side = 0.0f;
  float padX = 0.0f;
  float padY = 0.0f;
};

Letterbox letterboxFor(const Frame& frame);
SampleGrid letterboxGrid(const Letterbox& box);

// Decodes the best palm from raw detector outputs (kAnchorCount scores, kAnchorCount × 18
// regressors); no detection when no score is strictly above the threshold.
std::optional<PalmDetection> decodePalm(const float* scores, const float* regressors,
                                        const std::array<Point, kAnchorCount>& anchors, const Letterbox& box);

// Letterbox, inference and decoding on a well-formed frame.
std::optional<PalmDetection> detectPalm(ModelRuntime& runtime, const Frame& frame);

}  // namespace vel
