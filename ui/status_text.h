// The texts the main window paints from the application's state: the header's error line, the
// status pill, the status line under the preview, the preview's own texts and the gestures header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "control/control_output.h"
#include "ui/practice.h"

namespace vel {

// What one paint copied of the application's state.
struct PaintFacts {
  bool cameraRunning = false;
  bool gateEnabled = false;    // hand control is on
  bool mousePriority = false;  // the physical mouse holds priority now
  bool startPending = false;   // a start request waits for a fresh frame
  bool trackerReady = false;
  bool frameArrived = false;     // the camera has published a frame
  bool previewEnabled = true;    // the Preview setting
  bool safetyReady = false;      // the safety hotkey is registered and the mouse hook installed
  ControlOutput snapshot;        // the published snapshot
  std::int64_t snapshotAgeMs = 0;  // now − snapshot.timeMs
  std::uint64_t adjustmentId = 0;  // 0 = no adjustment runs
  std::wstring notice;             // empty unless shown now
  bool practiceActive = false;
  PracticeState practice;                 // read only while practiceActive
  const wchar_t* practicePrompt = L"";    // practicePrompt(now) of the engine
  std::wstring cameraError;               // the camera's last error
  std::wstring appError;
};

// The text to tell the user: the steadied one, or the provider's when there is none.
const std::wstring& shownStatus(const ControlOutput& snapshot);

// The camera's error, else appError, else a missing safety part; empty when all is well.
std::wstring_view headerError(const PaintFacts& facts);

std::wstring statusPillText(const PaintFacts& facts);

// Each rule replaces what the earlier ones chose: tracking feedback, then the adjustment step,
// notice or practice prompt, then a pending start or stale tracking, then any error.
std::wstring statusLineText(const PaintFacts& facts);

// The two centred lines shown in the preview while it has no picture, or nothing for none.
struct PreviewTexts {
  const wchar_t* title = nullptr;
  const wchar_t* hint = nullptr;
};
PreviewTexts previewTexts(const PaintFacts& facts);

const wchar_t* gesturesHeader(const PaintFacts& facts);

}  // namespace vel
