// Model diagnostics and test-image reports. Portable, so the host tests check the same text
// Velmora.exe writes.
#include "app/diagnostics.h"

#include <chrono>
#include <exception>

#include "app/report_format.h"
#include "tracking/hand_tracker.h"

namespace vel {
namespace {

constexpr int kWarmUpSteps = 3;
constexpr int kTimedSteps = 12;

}  // namespace

double steadyMilliseconds() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int runDiagnostics(std::ostream& report, const std::filesystem::path& modelsDir, const CameraCounter& countCameras,
                   const MillisecondClock& clock) {
  useReportFormat(report);
  try {
    HandTracker tracker(modelsDir);
    report << "Velmora model diagnostics\n" << tracker.description() << "\n";

    const FramePtr blank = makeFrame(640, 480, 0, 0);
    bool detected = false;
    double timedMs = 0.0;
    for (int i = 0; i < kWarmUpSteps + kTimedSteps; ++i) {
      const double start = clock();
      detected = tracker.step(*blank).present || detected;
      if (i >= kWarmUpSteps) timedMs += clock() - start;
    }
    report << "Blank frame false positive: " << (detected ? "FAIL" : "none")
           << "\nMean palm inference after warmup: " << timedMs / kTimedSteps << " ms\n";

    report << "Camera enumeration (camera not opened):\n";
    const std::size_t cameras = countCameras();
    for (std::size_t i = 0; i < cameras; ++i) report << "Camera " << i << " available\n";
    return detected ? 2 : 0;
  } catch (const std::exception& error) {
    report << "ERROR: " << error.what() << "\n";
    return 1;
  }
}

int runTestImage(std::ostream& report, const std::filesystem::path& modelsDir, const ImageOpener& open,
                 const FrameNote& note, const MillisecondClock& clock) {
  useReportFormat(report);
  try {
    const std::unique_ptr<IImageFrames> image = open();
    HandTracker tracker(modelsDir);
    std::size_t count = 0;
    std::size_t detected = 0;
    while (const std::optional<Frame> frame = image->next()) {
      const double start = clock();
      const HandObservation observation = tracker.step(*frame);
      writeFrameLine(report, count++, *frame, observation, clock() - start);
      if (note) note(report, *frame, observation);
      report << "\n";
      if (observation.present) {
        ++detected;
        writeLandmarkLine(report, observation);
      }
    }
    report << "Detected " << detected << " / " << count << " frames\n";
    return detected > 0 ? 0 : 2;
  } catch (const std::exception& error) {
    report << "ERROR: " << error.what() << "\n";
    return 1;
  }
}

void writeFrameLine(std::ostream& report, std::size_t index, const Frame& frame, const HandObservation& observation,
                    double ms) {
  report << "frame=" << index << " width=" << frame.width << " height=" << frame.height
         << " valid=" << (observation.present ? 1 : 0) << " confidence=" << observation.presence << " ms=" << ms;
}

void writeLandmarkLine(std::ostream& report, const HandObservation& observation) {
  for (std::size_t i = 0; i < observation.landmarks.size(); ++i) {
    report << i << ":" << observation.landmarks[i].x << "," << observation.landmarks[i].y << " ";
  }
  report << "\n";
}

}  // namespace vel
