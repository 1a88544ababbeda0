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
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vel {
namespace {

// Marks the key (F24) that closes each collection; never sent by the sink.
constexpr ULONG_PTR kMarker = 0x4D41524B;

// A key's press and release.
std::array<INPUT, 2> keyStroke(WORD key, ULONG_PTR extra = 0) {
  std::array<INPUT, 2> stroke{};
  for (INPUT& input : stroke) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwExtraInfo = extra;
  }
  stroke[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return stroke;
}

struct HookEvent {
  bool keyboard = false;
  WPARAM message = 0;
  POINT pt{};       // mouse
  short wheel = 0;  // mouse: high word of mouseData
  DWORD key = 0;    // keyboard: virtual key
  DWORD flags = 0;  // LLMHF_* or LLKHF_*
  ULONG_PTR extra = 0;
};

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

  // Sends the marker key and returns, in order, every other event that arrived before it: once
  // the marker is seen nothing sent earlier is still on its way.
  std::vector<HookEvent> drain() {
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
    const HMODULE module = GetModuleHandleW(nullptr);
    const HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, mouseProc, module, 0);
    const HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, module, 0);
    installed.set_value(mouse != nullptr && keyboard != nullptr);
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnhookWindowsHookEx(mouse);
    UnhookWindowsHookEx(keyboard);
    active_ = nullptr;
  }

  void record(const HookEvent& event) {
    const std::lock_guard lock(mutex_);
    if (event.extra != kMarker) {
      events_.push_back(event);
    } else if ((event.flags & LLKHF_UP) != 0) {
      markerSeen_ = true;
      arrived_.notify_all();
    }
  }

  static LRESULT CALLBACK mouseProc(int code, WPARAM message, LPARAM data) {
    const auto& info = *reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && active_ != nullptr) {
      active_->record({false, message, info.pt, static_cast<short>(HIWORD(info.mouseData)), 0, info.flags,
                       info.dwExtraInfo});
    }
    return CallNextHookEx(nullptr, code, message, data);
  }

  static LRESULT CALLBACK keyboardProc(int code, WPARAM message, LPARAM data) {
    const auto& info = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && active_ != nullptr) {
      active_->record({true, message, {}, 0, info.vkCode, info.flags, info.dwExtraInfo});
    }
    return CallNextHookEx(nullptr, code, message, data);
  }

  static inline InputHooks* active_ = nullptr;  // the hook procedures run on the hook thread only
  std::thread thread_;
  DWORD threadId_ = 0;
  bool installed_ = false;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<HookEvent> events_;
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

// A key event as the hook shows it: down or up, by virtual key.
struct Stroke {
  DWORD key;
  bool up;
  friend bool operator==(const Stroke&, const Stroke&) = default;
};

std::ostream& operator<<(std::ostream& out, const Stroke& stroke) {
  return out << "0x" << std::hex << stroke.key << std::dec << (stroke.up ? " up" : " down");
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

  // Every event the sink asked SendInput for carries the signature and a time of 0.
  void TearDown() override {
    for (const auto& call : tappedCalls) {
      for (const INPUT& input : call) {
        EXPECT_EQ(input.type == INPUT_MOUSE ? input.mi.dwExtraInfo : input.ki.dwExtraInfo, kInputSignature);
        EXPECT_EQ(input.type == INPUT_MOUSE ? input.mi.time : input.ki.time, 0u);
      }
    }
  }

  // What reached the hooks since the last call; every event must be injected and signed.
  std::vector<HookEvent> arrived() {
    std::vector<HookEvent> events = hooks.drain();
    for (const HookEvent& event : events) {
      EXPECT_EQ(event.extra, kInputSignature);
      EXPECT_NE(event.flags & (event.keyboard ? LLKHF_INJECTED : LLMHF_INJECTED), 0u);
    }
    return events;
  }

  // The key strokes that arrived. A hook may report Ctrl as the left Ctrl key.
  std::vector<Stroke> strokes() {
    std::vector<Stroke> result;
    for (const HookEvent& event : arrived()) {
      const bool up = (event.flags & LLKHF_UP) != 0;
      EXPECT_EQ(event.message, static_cast<WPARAM>(up ? WM_KEYUP : WM_KEYDOWN));
      result.push_back({event.key == VK_LCONTROL ? VK_CONTROL : event.key, up});
    }
    return result;
  }

  InputHooks hooks;
  WindowsSink sink{tappedSendInput};
};

TEST_F(WindowsSinkTest, MovesLandOnTheTargetsPixels) {
  ASSERT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1920) << "the test display is 1920 × 1080 at the origin";
  ASSERT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);
  const DesktopRect screen{0, 0, 1920, 1080}, quarter{960, 540, 1920, 1080};
  const struct {
    DesktopRect target;
    float x, y;
    LONG dx, dy;
    POINT pixel;
  } rows[] = {{screen, 0.0f, 0.0f, 0, 0, {0, 0}},          {screen, 1.0f, 1.0f, 65535, 65535, {1919, 1079}},
              {screen, 0.5f, 0.5f, 32768, 32768, {960, 540}}, {screen, 1.7f, -0.2f, 65535, 0, {1919, 0}},
              {quarter, 0.0f, 0.0f, 32785, 32798, {960, 540}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.x << ", " << row.y);
    tappedCalls.clear();
    sink.setTarget(row.target);
    EXPECT_TRUE(sink.perform(moveAction({row.x, row.y})));
    ASSERT_EQ(tappedCalls.size(), 1u);
    const MOUSEINPUT& sent = tappedCalls[0].at(0).mi;
    EXPECT_EQ(sent.dwFlags, 0xC001u);
    EXPECT_EQ(sent.dx, row.dx);
    EXPECT_EQ(sent.dy, row.dy);
    const std::vector<HookEvent> events = arrived();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, static_cast<WPARAM>(WM_MOUSEMOVE));
    EXPECT_EQ(events[0].pt.x, row.pixel.x);
    EXPECT_EQ(events[0].pt.y, row.pixel.y);
  }
}

TEST_F(WindowsSinkTest, ButtonsAndWheelActWhereThePointerIs) {
  const struct {
    ActionRecord action;
    std::vector<WPARAM> messages;
  } rows[] = {
      {{ActionKind::LeftClick}, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {{ActionKind::DoubleClick}, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {{ActionKind::RightClick}, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
      {{ActionKind::LeftDown}, {WM_LBUTTONDOWN}},
      {{ActionKind::LeftUp}, {WM_LBUTTONUP}},
      {wheelAction(-120), {WM_MOUSEWHEEL}},
      {wheelAction(360), {WM_MOUSEWHEEL}},
  };
  ASSERT_TRUE(sink.perform(moveAction({0.25f, 0.75f})));
  const POINT at = arrived().at(0).pt;
  for (const auto& row : rows) {
    SCOPED_TRACE(actionText(row.action));
    tappedCalls.clear();
    EXPECT_TRUE(sink.perform(row.action));
    EXPECT_EQ(tappedCalls.size(), 1u) << "one SendInput call per action";
    std::vector<WPARAM> messages;
    for (const HookEvent& event : arrived()) {
      messages.push_back(event.message);
      EXPECT_EQ(event.pt.x, at.x);
      EXPECT_EQ(event.pt.y, at.y);
      if (event.message == WM_MOUSEWHEEL) {
        EXPECT_EQ(event.wheel, row.action.amount);
      }
    }
    EXPECT_EQ(messages, row.messages);
  }
  // A right button pressed by hand control is let go with RightUp.
  tappedCalls.clear();
  EXPECT_TRUE(sink.perform({ActionKind::RightUp}));
  EXPECT_EQ(tappedCalls.at(0).at(0).mi.dwFlags, static_cast<DWORD>(MOUSEEVENTF_RIGHTUP));
}

TEST_F(WindowsSinkTest, KeysArriveAsChordsInOrder) {
  const struct {
    ActionKind kind;
    std::vector<Stroke> strokes;
  } rows[] = {
      {ActionKind::BrowserBack, {{VK_BROWSER_BACK, false}, {VK_BROWSER_BACK, true}}},
      {ActionKind::BrowserForward, {{VK_BROWSER_FORWARD, false}, {VK_BROWSER_FORWARD, true}}},
      {ActionKind::Copy, {{VK_CONTROL, false}, {'C', false}, {'C', true}, {VK_CONTROL, true}}},
      {ActionKind::Paste, {{VK_CONTROL, false}, {'V', false}, {'V', true}, {VK_CONTROL, true}}},
      {ActionKind::PlayPause, {{VK_MEDIA_PLAY_PAUSE, false}, {VK_MEDIA_PLAY_PAUSE, true}}},
      {ActionKind::Mute, {{VK_VOLUME_MUTE, false}, {VK_VOLUME_MUTE, true}}},
  };
  for (const auto& row : rows) {
    tappedCalls.clear();
    EXPECT_TRUE(sink.perform({row.kind}));
    ASSERT_EQ(tappedCalls.size(), 1u) << "one SendInput call per chord";
    for (const INPUT& input : tappedCalls[0]) {
      EXPECT_EQ(input.ki.dwFlags & ~static_cast<DWORD>(KEYEVENTF_KEYUP), 0u) << "no extended-key flag";
    }
    EXPECT_EQ(strokes(), row.strokes) << actionKindName(row.kind);
  }
}

TEST_F(WindowsSinkTest, NoKeyIsSentWhileTheUserHoldsAModifier) {
  for (const WORD modifier : std::initializer_list<WORD>{VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN}) {
    SCOPED_TRACE(testing::Message() << "modifier 0x" << std::hex << modifier);
    std::array<INPUT, 2> press = keyStroke(modifier);
    ASSERT_EQ(SendInput(1, &press[0], sizeof(INPUT)), 1u);
    hooks.drain();
    // The key state follows once the hooks have passed the event on; the deadline guards a hang.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (GetAsyncKeyState(modifier) >= 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_LT(GetAsyncKeyState(modifier), 0);

    tappedCalls.clear();
    EXPECT_FALSE(sink.perform({ActionKind::Copy}));
    EXPECT_FALSE(sink.perform({ActionKind::BrowserBack}));
    EXPECT_TRUE(tappedCalls.empty()) << "nothing asked of SendInput";
    EXPECT_TRUE(hooks.drain().empty()) << "nothing arrived";
    ASSERT_EQ(SendInput(1, &press[1], sizeof(INPUT)), 1u);
    hooks.drain();
  }
  EXPECT_TRUE(sink.perform({ActionKind::Copy})) << "refused only while the modifier is down";
  EXPECT_EQ(strokes().size(), 4u);
}

TEST_F(WindowsSinkTest, HalfSentChordLetsGoOfItsKeys) {
  const Stroke ctrlDown{VK_CONTROL, false}, ctrlUp{VK_CONTROL, true}, vDown{'V', false}, vUp{'V', true};
  const Stroke muteDown{VK_VOLUME_MUTE, false}, muteUp{VK_VOLUME_MUTE, true};
  const struct {
    ActionKind kind;
    UINT inserted;
    std::vector<Stroke> strokes;  // what arrives: the inserted part, then the undo (last pressed first)
    size_t calls;
  } rows[] = {
      {ActionKind::Paste, 0, {}, 1},
      {ActionKind::Paste, 1, {ctrlDown, ctrlUp}, 2},
      {ActionKind::Paste, 2, {ctrlDown, vDown, vUp, ctrlUp}, 2},
      {ActionKind::Paste, 3, {ctrlDown, vDown, vUp, ctrlUp}, 2},
      {ActionKind::Mute, 1, {muteDown, muteUp}, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << actionKindName(row.kind) << ": " << row.inserted << " inserted");
    tappedCalls.clear();
    tapLimit = row.inserted;
    EXPECT_FALSE(sink.perform({row.kind}));
    EXPECT_EQ(tappedCalls.size(), row.calls);
    EXPECT_EQ(strokes(), row.strokes);
  }
}

TEST_F(WindowsSinkTest, HalfSentClickIsLeftToTheGateAndAnUnknownKindSendsNothing) {
  tapLimit = 1;
  EXPECT_FALSE(sink.perform({ActionKind::LeftClick}));
  EXPECT_EQ(tappedCalls.size(), 1u) << "no undo for buttons: the gate releases what it holds";
  EXPECT_TRUE(sink.perform({ActionKind::LeftUp}));
  const std::vector<HookEvent> events = arrived();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].message, static_cast<WPARAM>(WM_LBUTTONDOWN));
  EXPECT_EQ(events[1].message, static_cast<WPARAM>(WM_LBUTTONUP));
  tappedCalls.clear();
  EXPECT_FALSE(sink.perform({static_cast<ActionKind>(14)}));
  EXPECT_FALSE(sink.perform({static_cast<ActionKind>(-1)}));
  EXPECT_TRUE(tappedCalls.empty());
  EXPECT_TRUE(arrived().empty());
}

}  // namespace
}  // namespace vel
