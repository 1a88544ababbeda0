// The actions a pose can trigger: kinds of input, the catalog with its texts and allowed poses,
// the assignment of poses to actions, and the option tables for hold time and pointer feel.
#pragma once

#include <array>
#include <cstdint>

namespace vel {

// What the action sink performs.
enum class ActionKind : std::int32_t {
  Move,
  LeftClick,
  DoubleClick,
  RightClick,
  LeftDown,
  LeftUp,
  RightUp,
  Wheel,
  BrowserBack,
  BrowserForward,
  Copy,
  Paste,
  PlayPause,
  Mute,
};

// Action ids 1..11; 0 is "no action".
inline constexpr int kActionNone = 0;
inline constexpr int kActionClick = 1;
inline constexpr int kActionRightClick = 2;
inline constexpr int kActionDoubleClick = 3;
inline constexpr int kActionDragAndDrop = 4;
inline constexpr int kActionScroll = 5;
inline constexpr int kActionCount = 11;

struct ActionInfo {
  int id;
  const wchar_t* label;
  ActionKind kind;
  std::array<int, 3> options;  // the poses the action may use, in the order the settings page lists them
  const wchar_t* description;
};

// In catalog order; entry i has id i + 1.
inline constexpr std::array<ActionInfo, kActionCount> kActions{{
    {1, L"Click", ActionKind::LeftClick, {1, 2, 5}, L"Point to aim. Hold your chosen pose while the circle fills."},
    {2, L"Right-click", ActionKind::RightClick, {2, 3, 6}, L"Point to aim first. Hold the chosen pose for the menu."},
    {3, L"Double-click", ActionKind::DoubleClick, {3, 5, 6},
     L"Point to aim first. Hold the chosen pose to double-click."},
    {4, L"Drag and drop", ActionKind::LeftDown, {4, 5, 6},
     L"Aim first. Hold this pose to grab; move it, then open your hand to drop."},
    {5, L"Scroll", ActionKind::Wheel, {2, 3, 6}, L"Aim first, then move this pose up or down. Lower it to finish."},
    {6, L"Browser back", ActionKind::BrowserBack, {5, 6, 3},
     L"Aim first, then hold the pose. Goes back in the active app."},
    {7, L"Browser forward", ActionKind::BrowserForward, {6, 5, 2},
     L"Aim first, then hold the pose. Goes forward in the active app."},
    {8, L"Copy", ActionKind::Copy, {5, 3, 6},
     L"Select content first, then hold the pose. Sends Ctrl+C to the active app."},
    {9, L"Paste", ActionKind::Paste, {6, 5, 2},
     L"Choose the destination first, then hold the pose. Sends Ctrl+V."},
    {10, L"Play / pause media", ActionKind::PlayPause, {5, 6, 3},
     L"Aim first, then hold the pose. Toggles media playback."},
    {11, L"Mute / unmute", ActionKind::Mute, {6, 5, 2}, L"Aim first, then hold the pose. Toggles system mute."},
}};

// The catalog entry of action id 1..11.
inline const ActionInfo& actionInfo(int id) { return kActions[static_cast<std::size_t>(id - 1)]; }

// Pose id per action id; element 0 belongs to no action and stays 0; pose 0 turns an action off.
using Gestures = std::array<std::int32_t, kActionCount + 1>;

// Click One finger, Right-click Two fingers, Double-click Three fingers, Drag and drop Closed fist,
// Scroll Two fingers (told apart from Right-click by movement), the rest off.
inline constexpr Gestures kDefaultGestures{0, 1, 2, 3, 4, 2, 0, 0, 0, 0, 0, 0};

// Every action's pose is off or one of its options, no pose serves two actions other than Scroll,
// and Drag and drop and Scroll never share a pose.
bool gesturesValid(const Gestures& gestures);

// Clicks, drag and scroll: the gestures aimed at a spot, the only ones practice has steps for.
bool hasPracticeStep(ActionKind kind);

// The action a pose triggers, 0 for none. Scroll is never returned: the engine tells it apart by
// movement.
int actionForPose(const Gestures& gestures, int pose);

struct ClickWaitOption {
  const wchar_t* label;
  std::int32_t milliseconds;
};

inline constexpr std::array<ClickWaitOption, 3> kClickWaitOptions{{
    {L"1 second — recommended", 1000},
    {L"1.3 seconds — more time", 1300},
    {L"0.7 seconds — faster", 700},
}};

struct PointerFeelOption {
  const wchar_t* label;
  const wchar_t* description;
  float smoothing;  // the pointer filter's blend per 1/30 s at rest
};

inline constexpr std::array<PointerFeelOption, 3> kPointerFeelOptions{{
    {L"Steady — recommended", L"Extra smoothing for hand shakes. A gentle hold locks your aim.", 0.18f},
    {L"Balanced", L"Less smoothing. Follows small movements more quickly.", 0.5f},
    {L"Direct — sensitive", L"Follows every movement, including hand shakes.", 1.0f},
}};

}  // namespace vel
