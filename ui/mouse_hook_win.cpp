// The hook thread: its own message queue, the hook, and a message loop until WM_QUIT.
#include "ui/mouse_hook_win.h"

#include <future>

namespace vel {
namespace {

// Set only on the hook thread, so the hook procedure reaches the gate without a lock.
thread_local InputGate* hookGate = nullptr;

bool countsAsPhysical(WPARAM message) {
  return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
         message == WM_MOUSEWHEEL;
}

LRESULT CALLBACK mouseHook(int code, WPARAM message, LPARAM data) {
  if (code >= 0 && hookGate != nullptr && countsAsPhysical(message)) {
    const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if ((event->flags & LLMHF_INJECTED) == 0) hookGate->stampPhysicalEvent(GetTickCount64());
  }
  return CallNextHookEx(nullptr, code, message, data);
}

void hookThread(InputGate& gate, std::promise<HHOOK>& installed) {
  hookGate = &gate;
  MSG message;
  // A queue before anyone can post WM_QUIT to this thread.
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, mouseHook, GetModuleHandleW(nullptr), 0);
  installed.set_value(hook);
  if (hook != nullptr) {
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    UnhookWindowsHookEx(hook);
  }
  hookGate = nullptr;
}

}  // namespace

HHOOK MouseHookThread::start(InputGate& gate) {
  std::promise<HHOOK> installed;
  std::future<HHOOK> result = installed.get_future();
  // The promise lives on the hook thread: set_value may still be running when get() returns.
  thread_ = std::thread(
      [&gate, this](std::promise<HHOOK> promise) {
        threadId_ = GetCurrentThreadId();
        hookThread(gate, promise);
      },
      std::move(installed));
  return result.get();
}

void MouseHookThread::stop() {
  if (!thread_.joinable()) return;
  PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

}  // namespace vel
