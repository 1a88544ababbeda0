// The Windows sink on the real input path: low-level hooks see what arrives (positions too: with a
// mouse hook Wine does not move the X pointer); a tap in front of SendInput can cut a call short.
#include "control/windows_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vel {
namespace {

constexpr ULONG_PTR kMarker = 0x4D41524B;  // on F24, which closes each collection; the sink never sends it

// What the low-level hooks saw, as "LeftDown@x,y", "Wheel:-120@x,y", "C+" or "C-", after "unsigned "
// when the sink's signature is missing. The hooks run on the test's thread whenever it pumps messages.
std::string arrived;
bool markerSeen = false;

void record(ULONG_PTR extra, const std::string& event) {
  if (extra == kMarker) {
    markerSeen = event.back() == '-';
  } else {
    arrived += std::string(arrived.empty() ? "" : " ") + (extra == kInputSignature ? "" : "unsigned ") + event;
  }
}

LRESULT CALLBACK mouseProc(int code, WPARAM message, LPARAM data) {
  static const std::map<WPARAM, std::string> kNames{
      {WM_MOUSEMOVE, "Move"},   {WM_LBUTTONDOWN, "LeftDown"}, {WM_LBUTTONUP, "LeftUp"},
      {WM_RBUTTONDOWN, "RightDown"}, {WM_RBUTTONUP, "RightUp"}, {WM_MOUSEWHEEL, "Wheel:"}};
  const auto& in = *reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
  std::string name = kNames.count(message) ? kNames.at(message) : std::to_string(message);
  if (message == WM_MOUSEWHEEL) name += std::to_string(static_cast<short>(HIWORD(in.mouseData)));
  const std::string at = '@' + std::to_string(in.pt.x) + ',' + std::to_string(in.pt.y);
  if (code == HC_ACTION) record(in.dwExtraInfo, name + at);
  return CallNextHookEx(nullptr, code, message, data);
}

LRESULT CALLBACK keyboardProc(int code, WPARAM message, LPARAM data) {
  static const std::map<DWORD, std::string> kNames{
      {VK_CONTROL, "Ctrl"}, {VK_LCONTROL, "Ctrl"}, {'C', "C"}, {'V', "V"}, {VK_BROWSER_BACK, "Back"},
      {VK_BROWSER_FORWARD, "Forward"}, {VK_MEDIA_PLAY_PAUSE, "PlayPause"}, {VK_VOLUME_MUTE, "Mute"}};
  const auto& in = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
  const std::string name = kNames.count(in.vkCode) ? kNames.at(in.vkCode) : std::to_string(in.vkCode);
  if (code == HC_ACTION) record(in.dwExtraInfo, name + ((in.flags & LLKHF_UP) ? "-" : "+"));
  return CallNextHookEx(nullptr, code, message, data);
}

// Sends the marker key and returns what arrived before it: nothing sent earlier is on its way then.
std::string drain() {
  INPUT marker[2] = {};
  for (INPUT& input : marker) input.type = INPUT_KEYBOARD, input.ki = {VK_F24, 0, 0, 0, kMarker};
  marker[1].ki.dwFlags = KEYEVENTF_KEYUP;
  markerSeen = false;
  EXPECT_EQ(SendInput(2, marker, sizeof(INPUT)), 2u);
  for (int i = 0; i < 10000 && !markerSeen; ++i) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(1);
  }
  EXPECT_TRUE(markerSeen);
  return std::exchange(arrived, {});
}

// In front of SendInput: counts the calls and lets the next one through only in part.
constexpr UINT kAll = std::numeric_limits<UINT>::max();
int tappedCalls = 0;
UINT tapLimit = kAll;

UINT WINAPI tappedSendInput(UINT count, LPINPUT inputs, int size) {
  ++tappedCalls;
  const UINT passed = std::min(count, std::exchange(tapLimit, kAll));
  return passed == 0 ? 0 : SendInput(passed, inputs, size);
}

// Moves land on the target's pixels, clamped; buttons and wheel act at the pointer; keys come as
// whole chords, each in one call. A chord cut short lets go of the keys that went down, last first; a
// click cut short is left to the gate, which releases what it holds; an unknown kind sends nothing.
TEST(WindowsSink, EveryActionArrivesInOneCallAndNoKeyStaysDown) {
  ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1920) << "the test display is 1920 × 1080 at the origin";
  const HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, mouseProc, GetModuleHandleW(nullptr), 0);
  const HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, GetModuleHandleW(nullptr), 0);
  ASSERT_TRUE(mouse && keyboard);
  SetCursorPos(576, 324);  // Wine drops a move to where the pointer already is
  drain();
  WindowsSink sink{tappedSendInput};
  const DesktopRect screen{0, 0, 1920, 1080}, quarter{960, 540, 1920, 1080};
  // `inserted`: the events the tap lets through.
  struct Row { DesktopRect target; ActionRecord action; const char* arrived; UINT inserted = kAll; int calls = 1; };
  const Row rows[] = {
      {screen, moveAction({1.7f, -0.2f}), "Move@1919,0"}, {quarter, moveAction({0.0f, 0.0f}), "Move@960,540"},
      {screen, moveAction({0.25f, 0.75f}), "Move@480,809"},
      {{}, {ActionKind::LeftClick}, "LeftDown@480,809 LeftUp@480,809"},
      {{}, {ActionKind::DoubleClick}, "LeftDown@480,809 LeftUp@480,809 LeftDown@480,809 LeftUp@480,809"},
      {{}, {ActionKind::RightClick}, "RightDown@480,809 RightUp@480,809"},
      {{}, {ActionKind::LeftDown}, "LeftDown@480,809"}, {{}, {ActionKind::LeftUp}, "LeftUp@480,809"},
      {{}, {ActionKind::RightUp}, "RightUp@480,809"}, {{}, wheelAction(-120), "Wheel:-120@480,809"},
      {{}, wheelAction(360), "Wheel:360@480,809"}, {{}, {ActionKind::BrowserBack}, "Back+ Back-"},
      {{}, {ActionKind::BrowserForward}, "Forward+ Forward-"}, {{}, {ActionKind::Copy}, "Ctrl+ C+ C- Ctrl-"},
      {{}, {ActionKind::Paste}, "Ctrl+ V+ V- Ctrl-"}, {{}, {ActionKind::PlayPause}, "PlayPause+ PlayPause-"},
      {{}, {ActionKind::Mute}, "Mute+ Mute-"},
      {{}, {ActionKind::Paste}, "", 0, 1}, {{}, {ActionKind::Paste}, "Ctrl+ Ctrl-", 1, 2},
      {{}, {ActionKind::Paste}, "Ctrl+ V+ V- Ctrl-", 2, 2}, {{}, {ActionKind::Paste}, "Ctrl+ V+ V- Ctrl-", 3, 2},
      {{}, {ActionKind::Mute}, "Mute+ Mute-", 1, 2}, {{}, {ActionKind::LeftClick}, "LeftDown@480,809", 1, 1},
      {{}, {ActionKind::LeftUp}, "LeftUp@480,809"},
      {{}, {static_cast<ActionKind>(14)}, "", 9, 0}, {{}, {static_cast<ActionKind>(-1)}, "", 9, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(actionText(row.action) + " " + std::to_string(row.inserted));
    if (row.action.kind == ActionKind::Move) sink.setTarget(row.target);
    tappedCalls = 0;
    tapLimit = row.inserted;
    EXPECT_EQ(sink.perform(row.action), row.inserted == kAll && row.calls == 1);
    EXPECT_EQ(tappedCalls, row.calls);
    EXPECT_EQ(drain(), row.arrived);
    tapLimit = kAll;
  }
  // While the user holds a modifier a key action would become another chord: nothing is sent.
  for (const WORD modifier : std::initializer_list<WORD>{VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN}) {
    INPUT press[2] = {};
    for (INPUT& input : press) input.type = INPUT_KEYBOARD, input.ki = {modifier, 0, 0, 0, 0};
    press[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(1, &press[0], sizeof(INPUT)), 1u);
    drain();  // the key state follows once the hooks have passed the press on
    tappedCalls = 0;
    EXPECT_FALSE(sink.perform({ActionKind::Copy})) << modifier;
    EXPECT_EQ(tappedCalls, 0) << modifier;
    ASSERT_EQ(SendInput(1, &press[1], sizeof(INPUT)), 1u);
    drain();
  }
  UnhookWindowsHookEx(mouse);
  UnhookWindowsHookEx(keyboard);
}

}  // namespace
}  // namespace vel
