// The interactive program run inside a test as Velmora.exe runs it, but with a camera that replays
// photos at 30 fps, while the test's scenario runs on a thread of its own.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/exe_dir.h"
#include "app/program_win.h"
#include "camera/image_file.h"
#include "camera/replay_camera.h"
#include "control/windows_sink.h"
#include "tools/screen_capture_win.h"
#include "tests/support/paths.h"
#include "ui/main_window_win.h"

namespace vel::test {

using namespace std::chrono_literals;

inline std::int64_t tickNow() { return static_cast<std::int64_t>(GetTickCount64()); }

inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (; !condition(); std::this_thread::sleep_for(10ms)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
  }
  return true;
}

// The replaying camera fed at 30 fps by a thread of its own; the test picks the photo, stalls the feed.
class FeedingCamera final : public ICamera {
 public:
  explicit FeedingCamera(std::vector<Frame> photos) : replay_(std::move(photos)) {}
  ~FeedingCamera() override {
    quit_ = true;
    feeder_.join();
  }
  void start(const CameraDevice& device, bool detail) override { replay_.start(device, detail); }
  void stop() override { replay_.stop(); }
  FramePtr latestFrame() const override { return replay_.latestFrame(); }
  bool running() const override { return replay_.running(); }
  std::wstring lastError() const override { return {}; }

  std::atomic<std::size_t> photo_{0};
  std::atomic<bool> feeding_{true};
  std::atomic<std::int64_t> lastFrame_{0};

 private:
  ReplayCamera replay_;
  std::atomic<bool> quit_{false};
  std::thread feeder_{[this] {
    for (; !quit_; std::this_thread::sleep_for(33ms)) {
      const std::int64_t now = tickNow();
      if (feeding_ && replay_.publish(photo_, static_cast<std::uint64_t>(now)) != 0) lastFrame_ = now;
    }
  }};
};

// Starts `command`; its exit code, or STILL_ACTIVE when it still runs after `limit` (it is then ended).
// A limit of 0 returns 0 at once: a Linux program started through Wine's Z: drive gives no handle.
inline int runProcess(std::wstring command, std::chrono::milliseconds limit = 30s) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  DWORD code = limit > 0ms ? STILL_ACTIVE : 0;
  if (limit > 0ms && WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  }
  if (code == STILL_ACTIVE) TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

// Real mouse and keyboard input from the X server, which Wine passes on as physical input.
inline void xdotool(const std::wstring& arguments) { runProcess(L"Z:\\usr\\bin\\xdotool " + arguments, 0ms); }

struct MouseEvent {
  WPARAM message;
  POINT at;
  bool injected, ours, window;  // ours: signed by the program; window: a message the target window got
  std::int64_t time;
};

// A full-screen window under the hand pointer: its button messages and, through a low-level hook on
// its thread, every mouse event the desktop sees.
class ClickTarget {
 public:
  ClickTarget() {
    active_ = this;
    thread_ = std::thread([this] {
      const HINSTANCE instance = GetModuleHandleW(nullptr);
      const WNDCLASSW windowClass{0, windowProc, 0, 0, instance, nullptr, nullptr,
                                  static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)), nullptr, L"VelmoraTestTarget"};
      RegisterClassW(&windowClass);
      const HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, hookProc, instance, 0);
      window_ = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"Target", WS_POPUP | WS_VISIBLE, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                instance, nullptr);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      UnhookWindowsHookEx(hook);
    });
    waitFor([&] { return window_ != nullptr; });
  }
  ~ClickTarget() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  // The first event from `since` on that `wanted` accepts, waiting up to `limit`.
  std::optional<MouseEvent> first(std::int64_t since, const std::function<bool(const MouseEvent&)>& wanted,
                                  std::chrono::milliseconds limit = 20s) {
    std::optional<MouseEvent> found;
    waitFor([&] {
      std::lock_guard lock(mutex_);
      for (const MouseEvent& event : events_) {
        if (event.time >= since && wanted(event)) return found.emplace(event), true;
      }
      return false;
    }, limit);
    return found;
  }
  // The program's first event of kind `message` from `since` on.
  std::optional<MouseEvent> ours(WPARAM message, std::int64_t since, std::chrono::milliseconds limit = 20s) {
    return first(since, [&](const MouseEvent& e) { return e.ours && e.message == message; }, limit);
  }
  // Moves the real pointer and returns the time the move arrived.
  std::int64_t moveMouse(int x, int y) {
    const std::int64_t since = tickNow();
    xdotool(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y));
    const auto moved = first(since, [](const MouseEvent& e) { return !e.injected && !e.window; }, 10s);
    EXPECT_TRUE(moved.has_value());
    return moved.value_or(MouseEvent{}).time;
  }

 private:
  void keep(const MouseEvent& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  static LRESULT CALLBACK hookProc(int code, WPARAM message, LPARAM data) {
    const auto& info = *reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    const bool injected = (info.flags & LLMHF_INJECTED) != 0;
    if (code == HC_ACTION) {
      active_->keep({message, info.pt, injected, info.dwExtraInfo == kInputSignature, false, tickNow()});
    }
    return CallNextHookEx(nullptr, code, message, data);
  }
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
      active_->keep({message, {LOWORD(lParam), HIWORD(lParam)}, false, false, true, tickNow()});
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static inline ClickTarget* active_ = nullptr;  // one target at a time
  std::thread thread_;
  std::atomic<HWND> window_ = nullptr;
  std::mutex mutex_;
  std::vector<MouseEvent> events_;
};

inline std::vector<Frame> posePhotos(std::initializer_list<const char*> names) {
  std::vector<Frame> photos;
  for (const char* name : names) photos.push_back(decodeImageFile(testDataDir() / "poses" / name).front());
  return photos;
}

// The program on the test's main thread; `scenario` beside it once the tracker loaded or failed.
class ProgramRun {
 public:
  explicit ProgramRun(std::vector<Frame> photos, std::filesystem::path folder = exeDir())
      : photos_(std::move(photos)), folder_(std::move(folder)) {}

  FeedingCamera* camera = nullptr;
  HWND window = nullptr;

  WindowsApp& app() const { return *theApp.load(); }
  void command(int id) const {
    const auto control = reinterpret_cast<LPARAM>(GetDlgItem(window, id));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), control);
  }
  std::wstring text(int id) const {
    wchar_t text[160] = {};
    GetWindowTextW(GetDlgItem(window, id), text, 160);
    return text;
  }
  ControlOutput snapshot() const {
    std::lock_guard lock(app().state.shared.lock);
    return app().state.shared.output;
  }
  std::wstring appError() const {
    std::lock_guard lock(app().state.shared.lock);
    return app().state.shared.appError;
  }

  int run(const std::function<void(ProgramRun&)>& scenario) {
    const CameraSource source{[] { return std::vector<CameraDevice>{{L"Replay camera", L"replay"}}; },
                              [this] {
                                auto made = std::make_unique<FeedingCamera>(photos_);
                                camera = made.get();
                                return made;
                              }};
    std::thread watcher([&] {
      if (waitFor([&] { return (window = FindWindowW(kMainWindowClass, nullptr)) != nullptr; })) {
        const auto& flags = app().state.flags;  // the app is set before its window is made
        EXPECT_TRUE(waitFor([&] { return flags.trackerReady || flags.trackerFailed; }, 60s));
        scenario(*this);
      }
      PostMessageW(window, WM_CLOSE, 0, 0);
    });
    const int code = runInteractive(GetModuleHandleW(nullptr), SW_SHOWNORMAL, L"", source, folder_);
    watcher.join();
    return code;
  }

 private:
  std::vector<Frame> photos_;
  std::filesystem::path folder_;
};

// Prepares the process as Velmora.exe does; runs beside the test start without settings.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(exeDir() / "settings.ini");
    ASSERT_TRUE(prepareProcess());
  }
  void TearDown() override { releaseProcess(); }
};

}  // namespace vel::test
