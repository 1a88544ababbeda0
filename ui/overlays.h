// The three feedback windows that carry hand control onto the desktop (Windows only): the
// click-progress circle at the pointer, the hand-guidance bar and the gesture reference card.
// Topmost, layered, click-through and never activated; used on the main thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/settings.h"
#include "camera/guide_images.h"
#include "control/action_sink.h"
#include "control/control_output.h"
#include "ui/filling_circle.h"
#include "ui/overlay_layout.h"

namespace vel {

inline constexpr wchar_t kOverlayClass[] = L"VelmoraFeedback";
inline constexpr wchar_t kCircleTitle[] = L"Velmora — Click progress";
inline constexpr wchar_t kGuidanceTitle[] = L"Velmora — Hand guidance";
inline constexpr wchar_t kReferenceTitle[] = L"Velmora — Gesture reference";

class OverlaySet {
 public:
  OverlaySet() = default;
  ~OverlaySet();
  OverlaySet(const OverlaySet&) = delete;
  OverlaySet& operator=(const OverlaySet&) = delete;

  // Registers the window class and creates the three windows hidden; true only when all three
  // exist. `guideImages` must outlive the windows.
  bool createOverlays(const GuideImageSet& guideImages);

  // Once per UI tick. `geometry` supplies targetWidth, targetHeight, dpiScale and
  // displayRectInTarget; `target` is the target desktop rectangle; `snapshot` a copy of the
  // published one; `now` GetTickCount64(). Does nothing unless all three windows exist.
  void updateOverlays(const Settings& geometry, const DesktopRect& target, const ControlOutput& snapshot,
                      OverlayFlags flags, const Gestures& assignments, std::int64_t now);

  void destroyOverlays();
  bool allExist() const { return circle_ && guidance_ && reference_; }

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void paint(HWND window);

  const GuideImageSet* guideImages_ = nullptr;
  HWND circle_ = nullptr;
  HWND guidance_ = nullptr;
  HWND reference_ = nullptr;

  // What the windows paint, copied at the last update.
  float scale_ = 1.0f;  // the system DPI scale
  CircleAnimation animation_;
  CircleDrawing circleDrawing_;
  bool buttonHeld_ = false;
  std::wstring guidanceText_;
  Gestures assignmentsCopy_{};
  int referenceWidth_ = 240;  // 96-DPI units
  float referenceScale_ = 1.0f;
  float referenceAlpha_ = kReferenceAlphaFar;
};

}  // namespace vel
