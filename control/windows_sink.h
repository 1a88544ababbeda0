// The action sink of the real desktop: mouse and keyboard input through SendInput, every event
// signed so the program's own hook and others can tell it from the user's.
#pragma once

#include <windows.h>

#include "control/action_sink.h"

namespace vel {

// Every injected event carries this in dwExtraInfo.
inline constexpr ULONG_PTR kInputSignature = 0xA17D3501;

class WindowsSink : public IActionSink {
 public:
  using SendInputFunction = UINT(WINAPI*)(UINT count, LPINPUT inputs, int size);

  // `send` is SendInput; tests pass one that lets only part of a call through.
  explicit WindowsSink(SendInputFunction send = SendInput) : send_(send) {}

  // Key actions are refused while Ctrl, Shift, Alt or a Windows key is down: the user's modifier
  // would turn them into a different shortcut.
  bool perform(const ActionRecord& action) override;

  // Written only under the input gate's lock, which also serialises every perform.
  void setTarget(const DesktopRect& target) override { target_ = target; }

 private:
  bool move(float x, float y);
  bool sendAll(INPUT* inputs, UINT count);
  bool pressKeys(WORD first, WORD second = 0);

  SendInputFunction send_;
  DesktopRect target_;
};

}  // namespace vel
