// SendInput for each action kind: absolute moves over the virtual desktop, button events at the
// pointer, and key chords that never leave a key down when only part of them was sent.
#include "control/windows_sink.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace vel {
namespace {

INPUT mouseEvent(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.mouseData = data;
  input.mi.dwFlags = flags;
  input.mi.dwExtraInfo = kInputSignature;
  return input;
}

INPUT keyEvent(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = flags;
  input.ki.dwExtraInfo = kInputSignature;
  return input;
}

bool modifierDown() {
  for (const int key : {VK_CONTROL, VK_SHIFT, VK_MENU, VK_LWIN, VK_RWIN}) {
    if (GetAsyncKeyState(key) < 0) return true;
  }
  return false;
}

}  // namespace

VirtualScreen currentVirtualScreen() {
  return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
          GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool WindowsSink::perform(const ActionRecord& action) {
  std::array<INPUT, 4> events;
  UINT count = 0;
  const auto buttons = [&](std::initializer_list<DWORD> flags, DWORD data = 0) {
    for (const DWORD flag : flags) events[count++] = mouseEvent(flag, 0, 0, data);
    return sendAll(events.data(), count);
  };
  constexpr DWORD kLeftDown = MOUSEEVENTF_LEFTDOWN;
  constexpr DWORD kLeftUp = MOUSEEVENTF_LEFTUP;
  switch (action.kind) {
    case ActionKind::Move:
      return move(action.x, action.y);
    case ActionKind::LeftClick:
      return buttons({kLeftDown, kLeftUp});
    case ActionKind::DoubleClick:
      return buttons({kLeftDown, kLeftUp, kLeftDown, kLeftUp});
    case ActionKind::RightClick:
      return buttons({MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
    case ActionKind::LeftDown:
      return buttons({kLeftDown});
    case ActionKind::LeftUp:
      return buttons({kLeftUp});
    case ActionKind::RightUp:
      return buttons({MOUSEEVENTF_RIGHTUP});
    case ActionKind::Wheel:
      return buttons({MOUSEEVENTF_WHEEL}, static_cast<DWORD>(action.amount));
    case ActionKind::BrowserBack:
      return pressKeys(VK_BROWSER_BACK);
    case ActionKind::BrowserForward:
      return pressKeys(VK_BROWSER_FORWARD);
    case ActionKind::Copy:
      return pressKeys(VK_CONTROL, 'C');
    case ActionKind::Paste:
      return pressKeys(VK_CONTROL, 'V');
    case ActionKind::PlayPause:
      return pressKeys(VK_MEDIA_PLAY_PAUSE);
    case ActionKind::Mute:
      return pressKeys(VK_VOLUME_MUTE);
  }
  return false;
}

bool WindowsSink::move(float x, float y) {
  // Read per call, so a changed desktop layout counts from the next move.
  const auto position = absolutePosition(x, y, target_, currentVirtualScreen());
  if (!position) return false;
  INPUT event =
      mouseEvent(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, position->dx, position->dy);
  return sendAll(&event, 1);
}

bool WindowsSink::sendAll(INPUT* inputs, UINT count) { return send_(count, inputs, sizeof(INPUT)) == count; }

// The chord `first` (+ `second`): keys down in order, up in reverse.
bool WindowsSink::pressKeys(WORD first, WORD second) {
  if (modifierDown()) return false;
  std::array<INPUT, 4> events;
  UINT count = 0;
  events[count++] = keyEvent(first, 0);
  if (second != 0) {
    events[count++] = keyEvent(second, 0);
    events[count++] = keyEvent(second, KEYEVENTF_KEYUP);
  }
  events[count++] = keyEvent(first, KEYEVENTF_KEYUP);
  const UINT inserted = std::min(send_(count, events.data(), sizeof(INPUT)), count);
  if (inserted == count) return true;

  // Only part went through: let go of every key it left down, the last pressed first.
  std::array<WORD, 4> down;
  std::size_t held = 0;
  for (UINT i = 0; i < inserted; ++i) {
    const WORD key = events[i].ki.wVk;
    const auto end = down.begin() + static_cast<std::ptrdiff_t>(held);
    if ((events[i].ki.dwFlags & KEYEVENTF_KEYUP) == 0) {
      down[held++] = key;
    } else if (const auto found = std::find(down.begin(), end, key); found != end) {
      std::copy(found + 1, end, found);
      --held;
    }
  }
  UINT releases = 0;
  while (held > 0) events[releases++] = keyEvent(down[--held], KEYEVENTF_KEYUP);
  if (releases > 0) send_(releases, events.data(), sizeof(INPUT));
  return false;
}

}  // namespace vel
