// The rules of the General and Gestures pages: what each list offers, what a choice stores, how
// poses are reassigned between actions and the notices that confirm a change.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "app/settings.h"
#include "control/actions.h"

namespace vel {

inline constexpr std::array<const wchar_t*, 2> kDistanceItems{L"Automatic \u2014 recommended", L"Fixed"};
inline constexpr const wchar_t* kNoCameraItem = L"No camera detected";
inline constexpr const wchar_t* kDefaultsRestoredNotice = L"Default gestures restored";

// Gesture notices stay this long; the notice that ends an adjustment longer.
inline constexpr std::int64_t kGestureNoticeMs = 5000;
inline constexpr std::int64_t kAdjustmentNoticeMs = 8000;

// The Pause before click item a stored wait snaps to: below 850 ms the short wait, from 1151 ms
// the long one, the recommended second in between.
int clickWaitItem(int milliseconds);

// A calibration belongs to one camera and one mirroring: forgets it, keeping ReachAspect, which
// counts only with ReachVersion set.
void resetCalibration(Settings& settings);

// Stores list item or check state `value` of control `controlId` (Camera, Display, Mirror, Cursor
// feel, Pause before click, Distance, gesture reference). Display only picks the item here; the
// caller re-targets the pointer.
void applyChoice(Settings& settings, int controlId, int value, std::size_t displayCount);

// The action that giving `pose` to `action` would turn off, 0 for none: for Scroll, Drag and drop
// when it holds the pose; otherwise the first other action holding it, Scroll aside, or for Drag
// and drop Scroll when no other action holds it. Scroll may share its pose with anything but Drag
// and drop. 0 too for an action or pose the action does not offer.
int displacedAction(const Gestures& assignments, int action, int pose);

// Gives `pose` to `action` when it is one of the action's options, turning off what it displaces
// (and Scroll when Drag and drop takes Scroll's pose). Returns the displaced action, 0 for none.
int assignPose(Gestures& assignments, int action, int pose);

// "Click uses Two fingers · Right-click off": the choice, then every action that lost its pose.
std::wstring chooseOptionNotice(int action, int pose, const Gestures& before, const Gestures& after);

// "Copy is off".
std::wstring turnOffNotice(int action);

}  // namespace vel
