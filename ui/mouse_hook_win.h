// The physical mouse's priority: a low-level mouse hook on a thread of its own that stamps every
// real (not injected) move, left or right press and vertical wheel turn into the input gate.
#pragma once

#include <windows.h>

#include <thread>

#include "control/input_gate.h"

namespace vel {

class MouseHookThread {
 public:
  MouseHookThread() = default;
  ~MouseHookThread() { stop(); }
  MouseHookThread(const MouseHookThread&) = delete;
  MouseHookThread& operator=(const MouseHookThread&) = delete;

  // Starts the thread and waits until it has tried to install the hook; null when that failed,
  // and the thread has then ended. `gate` must outlive the thread.
  HHOOK start(InputGate& gate);
  // Ends the hook's message loop and joins the thread.
  void stop();

 private:
  std::thread thread_;
  DWORD threadId_ = 0;
};

}  // namespace vel
