// The Windows sink on the real input path: low-level hooks see what arrives (positions too: with a mouse
// hook Wine does not move the X pointer); a tap before SendInput sees what was asked and can cut a call short.
#include "control/windows_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <future>
#include <initializer_list>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vel {
namespace {

// Marks the key (F24) that closes each collection; never sent by the sink.
constexpr ULONG_PTR kMarker = 0x4D41524B;

std::array<INPUT, 2> keyStroke(WORD key, ULONG_PTR extra = 0) {
  std::array<INPUT, 2> stroke{};
  for (INPUT& input : stroke) input.type = INPUT_KEYBOARD, input.ki.wVk = key, input.ki.dwExtraInfo = extra;
  stroke[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return stroke;
}

// One event as a hook saw it: "LeftDown@x,y", "Wheel:-120@x,y", "Ctrl+" or "C-", marked "unsigned "
// unless it carries the sink's signature.
std::string describe(bool keyboard, WPARAM message, POINT pt, DWORD data, DWORD flags, ULONG_PTR extra) {
  const std::string signature = extra == kInputSignature ? "" : "unsigned ";
  if (keyboard) {
    static const std::map<DWORD, std::string> kKeys{
        {VK_CONTROL, "Ctrl"}, {VK_LCONTROL, "Ctrl"}, {'C', "C"}, {'V', "V"}, {VK_BROWSER_BACK, "Back"},
        {VK_BROWSER_FORWARD, "Forward"}, {VK_MEDIA_PLAY_PAUSE, "PlayPause"}, {VK_VOLUME_MUTE, "Mute"}};
    return signature + (kKeys.count(data) ? kKeys.at(data) : std::to_string(data)) + ((flags & LLKHF_UP) ? "-" : "+");
  }
  static const std::map<WPARAM, std::string> kMessages{
      {WM_MOUSEMOVE, "Move"}, {WM_LBUTTONDOWN, "LeftDown"}, {WM_LBUTTONUP, "LeftUp"}, {WM_RBUTTONDOWN, "RightDown"},
      {WM_RBUTTONUP, "RightUp"}, {WM_MOUSEWHEEL, "Wheel:"}};
  std::string text = kMessages.count(message) ? kMessages.at(message) : std::to_string(message);
  if (message == WM_MOUSEWHEEL) text += std::to_string(static_cast<short>(HIWORD(data)));
  return signature + text + "@" + std::to_string(pt.x) + "," + std::to_string(pt.y);
}

// WH_MOUSE_LL and WH_KEYBOARD_LL on a thread with a message loop, as the program's own hook runs.
class InputHooks {
 public:
  InputHooks() {
    std::promise<bool> installed;
    auto ready = installed.get_future();
    thread_ = std::thread([this, &installed] { run(installed); });
    installed_ = ready.get();
  }
  ~InputHooks() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  bool installed() const { return installed_; }

  // Sends the marker key and returns, space-separated, every other event that arrived before it:
  // once the marker is seen nothing sent earlier is still on its way.
  std::string drain() {
    std::array<INPUT, 2> marker = keyStroke(VK_F24, kMarker);
    std::unique_lock lock(mutex_);
    markerSeen_ = false;
    lock.unlock();
    EXPECT_EQ(SendInput(2, marker.data(), sizeof(INPUT)), 2u);
    lock.lock();  // the deadline only guards against a hang
    EXPECT_TRUE(arrived_.wait_for(lock, std::chrono::seconds(10), [this] { return markerSeen_; }));
    return std::exchange(events_, {});
  }

 private:
  void run(std::promise<bool>& installed) {
    threadId_ = GetCurrentThreadId();
    active_ = this;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // a queue before anyone posts to it
    const HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, mouseProc, GetModuleHandleW(nullptr), 0);
    const HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, GetModuleHandleW(nullptr), 0);
    installed.set_value(mouse != nullptr && keyboard != nullptr);
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnhookWindowsHookEx(mouse);
    UnhookWindowsHookEx(keyboard);
    active_ = nullptr;
  }
  void record(bool marker, bool up, const std::string& event) {
    const std::lock_guard lock(mutex_);
    if (!marker) {
      events_ += (events_.empty() ? "" : " ") + event;
    } else if (up) {
      markerSeen_ = true;
      arrived_.notify_all();
    }
  }
  static LRESULT CALLBACK mouseProc(int code, WPARAM message, LPARAM data) {
    const auto& in = *reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && active_) active_->record(false, false, describe(false, message, in.pt, in.mouseData, in.flags, in.dwExtraInfo));
    return CallNextHookEx(nullptr, code, message, data);
  }
  static LRESULT CALLBACK keyboardProc(int code, WPARAM message, LPARAM data) {
    const auto& in = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && active_) {
      const bool marker = in.dwExtraInfo == kMarker;
      active_->record(marker, (in.flags & LLKHF_UP) != 0, marker ? "" : describe(true, message, {}, in.vkCode, in.flags, in.dwExtraInfo));
    }
    return CallNextHookEx(nullptr, code, message, data);
  }

  static inline InputHooks* active_ = nullptr;  // the hook procedures run on the hook thread only
  std::thread thread_;
  DWORD threadId_ = 0;
  bool installed_ = false;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::string events_;
  bool markerSeen_ = false;
};

// In front of SendInput: keeps every call's events and lets the next call through only in part.
std::vector<std::vector<INPUT>> tappedCalls;
UINT tapLimit = std::numeric_limits<UINT>::max();

UINT WINAPI tappedSendInput(UINT count, LPINPUT inputs, int size) {
  tappedCalls.emplace_back(inputs, inputs + count);
  const UINT passed = std::min(count, std::exchange(tapLimit, std::numeric_limits<UINT>::max()));
  return passed == 0 ? 0 : SendInput(passed, inputs, size);
}

class WindowsSinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(hooks.installed());
    // Wine drops a move to where the pointer already is, so every test starts from a spot that
    // no test moves to.
    SetCursorPos(576, 324);
    hooks.drain();
    tappedCalls.clear();
  }
  // Every event the sink asked SendInput for carries the signature, a time of 0 and no extended-key flag.
  void TearDown() override {
    for (const auto& call : tappedCalls) {
      for (const INPUT& input : call) {
        EXPECT_EQ(input.type == INPUT_MOUSE ? input.mi.dwExtraInfo : input.ki.dwExtraInfo, kInputSignature);
        EXPECT_EQ(input.type == INPUT_MOUSE ? input.mi.time : input.ki.time, 0u);
        if (input.type == INPUT_KEYBOARD) {
          EXPECT_EQ(input.ki.dwFlags & ~static_cast<DWORD>(KEYEVENTF_KEYUP), 0u);
        }
      }
    }
  }

  InputHooks hooks;
  WindowsSink sink{tappedSendInput};
};

TEST_F(WindowsSinkTest, MovesLandOnTheTargetsPixels) {
  ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1920) << "the test display is 1920 × 1080 at the origin";
  ASSERT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
  const DesktopRect screen{0, 0, 1920, 1080}, quarter{960, 540, 1920, 1080};
  const struct { DesktopRect target; float x, y; LONG dx, dy; const char* arrived; } rows[] = {
      {screen, 0.0f, 0.0f, 0, 0, "Move@0,0"},           {screen, 1.0f, 1.0f, 65535, 65535, "Move@1919,1079"},
      {screen, 0.5f, 0.5f, 32768, 32768, "Move@960,540"}, {screen, 1.7f, -0.2f, 65535, 0, "Move@1919,0"},
      {quarter, 0.0f, 0.0f, 32785, 32798, "Move@960,540"}};
  for (const auto& row : rows) {
    tappedCalls.clear();
    sink.setTarget(row.target);
    EXPECT_TRUE(sink.perform(moveAction({row.x, row.y})));
    ASSERT_EQ(tappedCalls.size(), 1u);
    const MOUSEINPUT& sent = tappedCalls[0].at(0).mi;
    EXPECT_EQ((std::array{sent.dwFlags, static_cast<DWORD>(sent.dx), static_cast<DWORD>(sent.dy)}),
              (std::array{0xC001ul, static_cast<DWORD>(row.dx), static_cast<DWORD>(row.dy)}));
    EXPECT_EQ(hooks.drain(), row.arrived);
  }
}

// Buttons and the wheel act where the pointer is; keys arrive as whole chords; one call each.
TEST_F(WindowsSinkTest, EveryActionArrivesInOneCall) {
  ASSERT_TRUE(sink.perform(moveAction({0.25f, 0.75f})));
  ASSERT_EQ(hooks.drain(), "Move@480,809");
  const std::pair<ActionRecord, const char*> rows[] = {
      {{ActionKind::LeftClick}, "LeftDown@480,809 LeftUp@480,809"},
      {{ActionKind::DoubleClick}, "LeftDown@480,809 LeftUp@480,809 LeftDown@480,809 LeftUp@480,809"},
      {{ActionKind::RightClick}, "RightDown@480,809 RightUp@480,809"},
      {{ActionKind::LeftDown}, "LeftDown@480,809"}, {{ActionKind::LeftUp}, "LeftUp@480,809"},
      {{ActionKind::RightUp}, "RightUp@480,809"},
      {wheelAction(-120), "Wheel:-120@480,809"}, {wheelAction(360), "Wheel:360@480,809"},
      {{ActionKind::BrowserBack}, "Back+ Back-"}, {{ActionKind::BrowserForward}, "Forward+ Forward-"},
      {{ActionKind::Copy}, "Ctrl+ C+ C- Ctrl-"}, {{ActionKind::Paste}, "Ctrl+ V+ V- Ctrl-"},
      {{ActionKind::PlayPause}, "PlayPause+ PlayPause-"}, {{ActionKind::Mute}, "Mute+ Mute-"},
  };
  for (const auto& [action, arrived] : rows) {
    tappedCalls.clear();
    EXPECT_TRUE(sink.perform(action)) << actionText(action);
    EXPECT_EQ(tappedCalls.size(), 1u) << actionText(action);
    EXPECT_EQ(hooks.drain(), arrived);
  }
}

TEST_F(WindowsSinkTest, NoKeyIsSentWhileTheUserHoldsAModifier) {
  for (const WORD modifier : std::initializer_list<WORD>{VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN}) {
    std::array<INPUT, 2> press = keyStroke(modifier);
    ASSERT_EQ(SendInput(1, &press[0], sizeof(INPUT)), 1u);
    hooks.drain();
    // The key state follows once the hooks have passed the event on; the deadline guards a hang.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (GetAsyncKeyState(modifier) >= 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    tappedCalls.clear();
    EXPECT_FALSE(sink.perform({ActionKind::Copy})) << modifier;
    EXPECT_FALSE(sink.perform({ActionKind::BrowserBack})) << modifier;
    EXPECT_TRUE(tappedCalls.empty()) << "nothing asked of SendInput";
    EXPECT_EQ(hooks.drain(), "") << modifier;
    ASSERT_EQ(SendInput(1, &press[1], sizeof(INPUT)), 1u);
    hooks.drain();
  }
  EXPECT_TRUE(sink.perform({ActionKind::Copy})) << "refused only while the modifier is down";
  EXPECT_EQ(hooks.drain(), "Ctrl+ C+ C- Ctrl-");
}

// A chord cut short lets go of the keys that went down, last pressed first; a click cut short is
// left to the gate, which releases what it holds; an unknown kind sends nothing.
TEST_F(WindowsSinkTest, ActionsCutShortLeaveNoKeyDown) {
  const struct { ActionRecord action; UINT inserted; std::size_t calls; const char* arrived; } rows[] = {
      {{ActionKind::Paste}, 0, 1, ""},
      {{ActionKind::Paste}, 1, 2, "Ctrl+ Ctrl-"},
      {{ActionKind::Paste}, 2, 2, "Ctrl+ V+ V- Ctrl-"},
      {{ActionKind::Paste}, 3, 2, "Ctrl+ V+ V- Ctrl-"},
      {{ActionKind::Mute}, 1, 2, "Mute+ Mute-"},
      {{ActionKind::LeftClick}, 1, 1, "LeftDown@576,324"},
      {{static_cast<ActionKind>(14)}, 9, 0, ""},
      {{static_cast<ActionKind>(-1)}, 9, 0, ""},
  };
  for (const auto& row : rows) {
    tappedCalls.clear();
    tapLimit = row.inserted;
    EXPECT_FALSE(sink.perform(row.action)) << actionText(row.action) << " " << row.inserted;
    EXPECT_EQ(tappedCalls.size(), row.calls) << actionText(row.action) << " " << row.inserted;
    EXPECT_EQ(hooks.drain(), row.arrived);
    tapLimit = std::numeric_limits<UINT>::max();
  }
  EXPECT_TRUE(sink.perform({ActionKind::LeftUp}));
  EXPECT_EQ(hooks.drain(), "LeftUp@576,324");
}

}  // namespace
}  // namespace vel
