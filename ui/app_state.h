// The one application state of the interactive program: what the main window, the tracking
// worker, the gate poller and the mouse hook share, and the two long-lived threads it runs.
// Window handles stay with the window; everything here builds and runs on any platform.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/display.h"
#include "camera/camera.h"
#include "camera/guide_images.h"
#include "camera/tracking_worker.h"
#include "control/action_sink.h"
#include "control/input_gate.h"
#include "ui/filling_circle.h"
#include "ui/practice.h"

namespace vel {

enum class StartRequest : std::uint8_t { None, Control, Practice, Adjustment };

// The monitors as they were when the program started; a change needs a restart.
struct DisplaySetup {
  DisplayList displays;
  VirtualScreen screen;
  std::uint32_t systemDpi = 96;
};

// The parts without which hand control must never start: the safety shortcut, the physical
// mouse hook and the three feedback windows.
struct SafetyParts {
  bool hotkey = false;
  bool hook = false;
  bool overlays = false;

  bool complete() const { return hotkey && hook && overlays; }
};

struct AppState {
  // The sink performs what the gate lets through; the camera is the one the window starts.
  AppState(std::unique_ptr<IActionSink> actionSink, std::unique_ptr<ICamera> capture,
           InputGate::Clock gateClock = tickCountMs);
  // Stops the threads that still run.
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  std::filesystem::path exeDir;
  const std::unique_ptr<IActionSink> sink;
  InputGate gate;
  const std::unique_ptr<ICamera> camera;
  std::vector<CameraDevice> cameras;
  DisplaySetup displays;
  GuideImageSet guideImages;
  SharedSnapshot shared;  // the snapshot lock: taken before the gate's and the practice's locks
  ThreadFlags flags;
  PracticeEngine practice;
  bool reachMirror = true;   // the Mirror the stored area was measured with
  std::wstring reachCamera;  // the camera it was measured with

  // Main thread only.
  int page = 0;
  int selectedAction = kActionClick;  // on the Gestures page
  StartRequest startRequest = StartRequest::None;
  std::int64_t requestTime = 0;
  bool practiceActive = false;
  CircleAnimation previewCircle;  // the filling circle drawn in the preview; every stop clears it
  std::uint64_t adjustmentCounter = 0;  // only grows, so every adjustment has an id of its own
  SafetyParts safety;

  // The gate poller, then the tracking worker, which builds its provider with `makeProvider`.
  void startThreads(ProviderFactory makeProvider);
  // Sets stopRequested, stops the camera, joins the worker, then the poller.
  void stopThreads();

 private:
  std::thread poller_;
  std::thread worker_;
};

}  // namespace vel
