// Self-test reports on the models that need no platform calls: the "--diagnostics" run and the
// "--test-image" run, whose lines velmora-track writes too.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

#include "camera/frame.h"
#include "camera/image_file.h"
#include "tracking/hand_observation.h"

namespace vel {

// Counts the cameras without opening any; may throw like any platform call.
using CameraCounter = std::function<std::size_t()>;

// Milliseconds since any fixed moment: what the reports time inference with.
using MillisecondClock = std::function<double()>;
double steadyMilliseconds();

// Writes the diagnostics report for the models in `modelsDir`; returns the process exit code:
// 0, 2 when the blank frame gave a detection, 1 when an exception stopped the run.
int runDiagnostics(std::ostream& report, const std::filesystem::path& modelsDir, const CameraCounter& countCameras,
                   const MillisecondClock& clock = steadyMilliseconds);

// Opens the image; called before the models load, so a missing file is reported first.
using ImageOpener = std::function<std::unique_ptr<IImageFrames>()>;
// Adds to a frame line before its line end (velmora-track's pose).
using FrameNote = std::function<void(std::ostream&, const Frame&, const HandObservation&)>;

// Tracks every frame of the image as one sequence with the models in `modelsDir`, writing each
// frame's line as it is done, the landmark line of each frame with a hand, and "Detected n / N
// frames". Returns 0 when a frame had a hand, 2 when none had, and 1 after "ERROR: <message>"
// when an exception stopped the run (the lines of the frames before it stay).
int runTestImage(std::ostream& report, const std::filesystem::path& modelsDir, const ImageOpener& open,
                 const FrameNote& note = {}, const MillisecondClock& clock = steadyMilliseconds);

// "frame=<i> width=<w> height=<h> valid=<0|1> confidence=<presence> ms=<ms>", without a line end.
void writeFrameLine(std::ostream& report, std::size_t index, const Frame& frame, const HandObservation& observation,
                    double ms);
// "0:x,y 1:x,y … 20:x,y " and the line end.
void writeLandmarkLine(std::ostream& report, const HandObservation& observation);

}  // namespace vel
