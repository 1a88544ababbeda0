// The interactive program run inside a test, as Velmora.exe runs it but with a camera that replays
// photos at 30 frames per second; the test's scenario runs on a thread of its own and watches the
// desktop through a low-level mouse hook and a full-screen target window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <mutex>
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

// Polls `condition` every 10 ms until it holds or `limit` passes.
inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// The replaying camera fed at 30 fps by a thread of its own; the test picks the photo and can
// stall the feed.
class FeedingCamera final : public ICamera {
 public:
  explicit FeedingCamera(std::vector<Frame> photos) : replay_(std::move(photos)) {
    feeder_ = std::thread([this] {
      while (!quit_) {
        if (feeding_) {
          const std::int64_t now = tickNow();
          if (replay_.publish(photo_, static_cast<std::uint64_t>(now)) != 0) lastFrame_ = now;
        }
        std::this_thread::sleep_for(33ms);
      }
    });
  }
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
  std::thread feeder_;
};

struct MouseEvent {
  WPARAM message;
  POINT at;
  bool injected;
  bool ours;  // carries the program's signature
  std::int64_t time;
};

// Every mouse event the desktop sees, through a low-level hook on a thread of its own.
class MouseWatch {
 public:
  MouseWatch() {
    std::promise<void> ready;
    auto installed = ready.get_future();
    thread_ = std::thread([this](std::promise<void> started) {
      threadId_ = GetCurrentThreadId();
      active_ = this;
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
      HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, proc, GetModuleHandleW(nullptr), 0);
      started.set_value();
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      UnhookWindowsHookEx(hook);
      active_ = nullptr;
    }, std::move(ready));
    installed.get();
  }
  ~MouseWatch() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }

  std::vector<MouseEvent> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  // The program's first event of kind `message` from `since` on, waiting up to `limit`.
  std::optional<MouseEvent> ours(WPARAM message, std::int64_t since, std::chrono::milliseconds limit = 20s) {
    std::optional<MouseEvent> found;
    waitFor(
        [&] {
          for (const MouseEvent& event : events()) {
            if (event.ours && event.message == message && event.time >= since) {
              found = event;
              return true;
            }
          }
          return false;
        },
        limit);
    return found;
  }

 private:
  static LRESULT CALLBACK proc(int code, WPARAM message, LPARAM data) {
    const auto& info = *reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && active_ != nullptr) {
      const std::lock_guard lock(active_->mutex_);
      active_->events_.push_back({message, info.pt, (info.flags & LLMHF_INJECTED) != 0,
                                  info.dwExtraInfo == kInputSignature, tickNow()});
    }
    return CallNextHookEx(nullptr, code, message, data);
  }

  static inline MouseWatch* active_ = nullptr;
  std::thread thread_;
  DWORD threadId_ = 0;
  std::mutex mutex_;
  std::vector<MouseEvent> events_;
};

// A full-screen window under the hand pointer that records the clicks it receives.
class ClickTarget {
 public:
  ClickTarget() {
    std::promise<void> ready;
    auto created = ready.get_future();
    thread_ = std::thread([this](std::promise<void> started) {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = proc;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"VelmoraTestTarget";
      windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
      RegisterClassW(&windowClass);
      window_ = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"Target", WS_POPUP | WS_VISIBLE, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                windowClass.hInstance, this);
      SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      started.set_value();
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    }, std::move(ready));
    created.get();
  }
  ~ClickTarget() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  std::vector<MouseEvent> clicks() {
    std::lock_guard lock(mutex_);
    return clicks_;
  }

 private:
  static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ClickTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)) {
      const std::lock_guard lock(self->mutex_);
      self->clicks_.push_back({message, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))},
                               false, false, tickNow()});
    }
    if (message == WM_CLOSE) {
      DestroyWindow(window);
      return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
  }

  std::thread thread_;
  HWND window_ = nullptr;
  std::mutex mutex_;
  std::vector<MouseEvent> clicks_;
};

// Real mouse and keyboard input from the X server, which Wine passes on as physical input.
inline void xdotool(const std::wstring& arguments) {
  std::wstring command = L"Z:\\usr\\bin\\xdotool " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

inline std::vector<Frame> posePhotos(std::initializer_list<const char*> names) {
  std::vector<Frame> photos;
  for (const char* name : names) photos.push_back(decodeImageFile(testDataDir() / "poses" / name).front());
  return photos;
}

// One run of the interactive program on the test's main thread while `scenario` runs beside it.
// The scenario gets the window once the tracker has loaded or failed; the window is closed after it.
class ProgramRun {
 public:
  explicit ProgramRun(std::vector<Frame> photos, std::filesystem::path folder = exeDir())
      : photos_(std::move(photos)), folder_(std::move(folder)) {}

  FeedingCamera* camera = nullptr;
  HWND window = nullptr;

  WindowsApp& app() const { return *theApp.load(); }
  bool trackerReady() const { return app().state.flags.trackerReady || app().state.flags.trackerFailed; }
  void command(int id) const {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
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
  void close() const { PostMessageW(window, WM_CLOSE, 0, 0); }

  // Runs the program; returns its exit code.
  int run(const std::function<void(ProgramRun&)>& scenario) {
    const CameraSource source{[] { return std::vector<CameraDevice>{{L"Replay camera", L"replay"}}; },
                              [this] {
                                auto made = std::make_unique<FeedingCamera>(photos_);
                                camera = made.get();
                                return made;
                              }};
    std::thread watcher([&] {
      if (waitFor([&] { return (window = FindWindowW(kMainWindowClass, nullptr)) != nullptr; })) {
        EXPECT_TRUE(waitFor([&] { return trackerReady(); }, 60s));
        scenario(*this);
      }
      close();
    });
    const int code = runInteractive(GetModuleHandleW(nullptr), SW_SHOWNORMAL, L"", source, folder_);
    watcher.join();
    return code;
  }

 private:
  std::vector<Frame> photos_;
  std::filesystem::path folder_;
};

// Prepares the process as Velmora.exe's entry point does; every run beside this test starts
// without a settings file.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(prepareProcess());
    std::filesystem::remove(exeDir() / "settings.ini");
  }
  void TearDown() override {
    std::filesystem::remove(exeDir() / "settings.ini");
    releaseProcess();
  }
};

// Velmora.exe beside this test, started with `arguments` as a user would start it.
class VelmoraProcess {
 public:
  explicit VelmoraProcess(const std::wstring& arguments) {
    std::wstring command = L"\"" + (exeDir() / "Velmora.exe").wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    CloseHandle(process.hThread);
    process_ = process.hProcess;
  }
  ~VelmoraProcess() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }
  VelmoraProcess(const VelmoraProcess&) = delete;
  VelmoraProcess& operator=(const VelmoraProcess&) = delete;

  // The exit code, or -1 when the process still runs after `limit`.
  int wait(std::chrono::milliseconds limit = 30s) {
    if (process_ == nullptr || WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
      return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
  }

 private:
  HANDLE process_ = nullptr;
};

}  // namespace vel::test
