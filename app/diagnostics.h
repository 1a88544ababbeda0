// Self-test reports that need no platform calls: the "--diagnostics" run, and the frame lines
// of the test-image report that velmora-track writes too.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <ostream>

#include "camera/frame.h"
#include "tracking/hand_observation.h"

namespace vel {

// Counts the cameras without opening any; may throw like any platform call.
using CameraCounter = std::function<std::size_t()>;

// Writes the diagnostics report for the models in `modelsDir`; returns the process exit code:
// 0, 2 when the blank frame gave a detection, 1 when an exception stopped the run.
int runDiagnostics(std::ostream& report, const std::filesystem::path& modelsDir, const CameraCounter& countCameras);

// "frame=<i> width=<w> height=<h> valid=<0|1> confidence=<presence> ms=<ms>", without a line end.
void writeFrameLine(std::ostream& report, std::size_t index, const Frame& frame, const HandObservation& observation,
                    double ms);
// "0:x,y 1:x,y … 20:x,y " and the line end.
void writeLandmarkLine(std::ostream& report, const HandObservation& observation);

}  // namespace vel
