// velmora-track IMAGE...: runs one hand tracker over every frame of the given images as a single
// sequence and prints the test-image report lines, plus the pose, on standard output.
// Exit codes: 0 when a frame gave a hand, 2 when none did, 1 on an error (undecodable image).
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>

#include "app/diagnostics.h"
#include "app/exe_dir.h"
#include "camera/image_file.h"
#include "control/poses.h"
#include "tracking/hand_tracker.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: velmora-track IMAGE...\n";
    return 1;
  }
  std::size_t index = 0;
  std::size_t detected = 0;
  try {
    vel::HandTracker tracker(vel::exeDir() / "models");
    for (int arg = 1; arg < argc; ++arg) {
      for (const vel::Frame& frame : vel::decodeImageFile(argv[arg])) {
        const auto start = std::chrono::steady_clock::now();
        const vel::HandObservation observation = tracker.step(frame);
        const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
        vel::writeFrameLine(std::cout, index++, frame, observation, ms.count());
        // Pose 0 when no usable hand was found.
        const bool usable = observation.present &&
                            vel::checkObservation(observation, frame.width, frame.height) == vel::HandCheck::Usable;
        std::cout << " pose=" << (usable ? vel::classifyPose(observation.landmarks) : vel::kPoseNone) << "\n";
        if (observation.present) {
          ++detected;
          vel::writeLandmarkLine(std::cout, observation);
        }
      }
    }
  } catch (const std::exception& error) {
    std::cout << "ERROR: " << error.what() << "\n";
    return 1;
  }
  std::cout << "Detected " << detected << " / " << index << " frames\n";
  return detected > 0 ? 0 : 2;
}
