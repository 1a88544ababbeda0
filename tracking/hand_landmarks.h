// The landmark model on a rotated square region of the frame: the regions themselves (from a
// palm detection or from the previous landmarks), the 224 × 224 crop, and mapping back.
#pragma once

#include <array>

#include "camera/frame.h"
#include "tracking/hand_observation.h"
#include "tracking/image_sampler.h"
#include "tracking/model_runtime.h"
#include "tracking/palm_detector.h"

namespace vel {

inline constexpr float kPresenceThreshold = 0.8f;
inline constexpr float kMinRegionSize = 32.0f;

struct HandRegion {
  Point centre;           // frame pixels
  float size = 0.0f;      // side of the square, frame pixels
  float rotation = 0.0f;  // radians in −π..π; 0 when the hand points straight up
};

// Maps any angle into −π..π.
float normalizeAngle(float angle);

// The first region, from a palm: oriented from keypoint 0 to 2, pushed towards the fingers.
HandRegion regionFromPalm(const PalmDetection& palm);
// The next frame's region, from this frame's landmarks: oriented from the wrist to the middle
// finger's base, around all 21 points.
HandRegion regionFromLandmarks(const std::array<Point, kLandmarkCount>& landmarks);

// Sample points of the crop: input pixel centres spread over the rotated square.
SampleGrid cropGrid(const HandRegion& region);

// Turns raw model outputs (input pixels) into an observation in frame pixels of a
// width × height frame: presence and wrist rules included.
HandObservation observationFromOutputs(const HandOutputs& outputs, const HandRegion& region, int width, int height);

// Crop, inference and mapping on a well-formed frame; regions of an unusable size give an empty
// observation without inference.
HandObservation inferLandmarks(ModelRuntime& runtime, const Frame& frame, const HandRegion& region);

}  // namespace vel
