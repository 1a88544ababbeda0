// velmora-program-bench [SECONDS] [--soak]: the interactive program with a camera replaying the
// pose photos at 30 fps under hand control. Prints the start-up times, the main thread's time per
// UI tick and per paint and its share of a core, and the working set; then 300 home-page paints in
// a row with the camera image and the hand, and the GDI objects in use after 10 and 1000 paints.
// With --soak the poses change every 3 s and the working set, handles and GDI objects are printed
// each minute, then whether any mouse button or modifier was left down. Figures only, no verdict.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win/gdi_objects.h"
#include "tests/win/program_harness.h"

namespace {

using namespace vel;
using namespace vel::test;

double nowMs() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds since this process was created.
double sinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

struct Timings {
  std::mutex lock;
  std::vector<double> ticks;
  std::vector<double> paints;
};
Timings timings;
WNDPROC original = nullptr;

// Sent to the window: paints it wParam times in a row on its own thread; when lParam points to a
// PaintBurst, counts the GDI objects after the first 10 paints and after the last (there, on the
// one thread that makes any).
constexpr UINT kPaintBurst = WM_APP + 77;
struct PaintBurst {
  long afterTen = 0;
  long afterAll = 0;
};

void paintInARow(HWND window, WPARAM count, PaintBurst* objects) {
  for (WPARAM i = 1; i <= count; ++i) {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    if (objects != nullptr && i == 10) objects->afterTen = test::gdiObjectsInUse();
  }
  if (objects != nullptr) objects->afterAll = test::gdiObjectsInUse();
}

// Times the window procedure's UI ticks and paints.
LRESULT CALLBACK timedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPaintBurst) {
    paintInARow(window, wParam, reinterpret_cast<PaintBurst*>(lParam));
    return 0;
  }
  const double start = nowMs();
  const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
  if (message == WM_TIMER || message == WM_PAINT) {
    const double spent = nowMs() - start;
    std::lock_guard guard(timings.lock);
    (message == WM_TIMER ? timings.ticks : timings.paints).push_back(spent);
  }
  return result;
}

void printSpread(const char* name, std::vector<double> values) {
  if (values.empty()) return;
  std::sort(values.begin(), values.end());
  double sum = 0;
  for (double v : values) sum += v;
  std::printf("%s: n=%zu mean=%.3f ms p99=%.3f ms max=%.3f ms\n", name, values.size(), sum / static_cast<double>(values.size()),
              values[values.size() * 99 / 100], values.back());
}

// Wine counts neither handles nor GDI objects (both read 0), but it gives a new object the lowest
// free slot, so the slot a fresh object gets grows only when objects leak.
unsigned long freshKernelSlot() {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(event);
  return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(event) >> 2);
}
unsigned long freshGdiSlot() {
  HBRUSH brush = CreateSolidBrush(0);
  DeleteObject(brush);
  return LOWORD(reinterpret_cast<ULONG_PTR>(brush));
}

double threadCpuMs(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(thread, &created, &exited, &kernel, &user);
  const auto ms = [](FILETIME t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

void printResources(const char* when) {
  PROCESS_MEMORY_COUNTERS memory{};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  std::printf("%s: working set %.1f MB (peak %.1f MB), handles %lu (fresh slot %lu), GDI objects %lu (fresh slot %lu)\n",
              when, static_cast<double>(memory.WorkingSetSize) / 1048576.0,
              static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0, handles, freshKernelSlot(),
              GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), freshGdiSlot());
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int seconds = argc > 1 ? std::max(_wtoi(argv[1]), 1) : 60;
  const bool soak = argc > 2 && std::wstring(argv[2]) == L"--soak";
  if (!prepareProcess()) return 1;
  HANDLE mainThread = nullptr;  // the UI thread: runInteractive runs on this one
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  printResources("process prepared");
  std::filesystem::remove(exeDir() / "settings.ini");
  const std::vector<Frame> photos =
      posePhotos({"one.png", "peace.png", "three.png", "fist.png", "like.png", "rock.png", "palm.png"});
  ClickTarget target;  // the hand's clicks land here, not on other windows
  ProgramRun run(photos);
  double shown = 0, ready = 0;
  std::thread startWatch([&] {
    waitFor([&] {
      HWND window = FindWindowW(kMainWindowClass, nullptr);
      return window != nullptr && IsWindowVisible(window);
    });
    shown = sinceProcessStart();
    waitFor([&] { return theApp.load() != nullptr && theApp.load()->state.flags.trackerReady; }, 60s);
    ready = sinceProcessStart();
  });
  run.run([&](ProgramRun& r) {
    startWatch.join();
    std::printf("window shown %.0f ms, tracker ready %.0f ms after the process started\n", shown, ready);
    printResources("tracker ready");
    original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(r.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(timedProc)));
    r.command(kIdStart);
    if (!waitFor([&] { return r.app().state.gate.enabled(); })) std::printf("control did not start\n");
    printResources("control on");
    {
      std::lock_guard guard(timings.lock);
      timings.ticks.clear();
      timings.paints.clear();
    }
    const double cpuStart = threadCpuMs(mainThread), wallStart = nowMs();
    for (int second = 1; second <= seconds; ++second) {
      std::this_thread::sleep_for(1s);
      if (soak && second % 3 == 0) r.camera->photo_ = (r.camera->photo_ + 1) % photos.size();
      if (soak && second % 60 == 0) printResources(("after " + std::to_string(second) + " s").c_str());
    }
    const double cpu = threadCpuMs(mainThread) - cpuStart, wall = nowMs() - wallStart;
    printResources(("after " + std::to_string(seconds) + " s of control").c_str());
    {
      std::lock_guard guard(timings.lock);
      printSpread("UI tick", timings.ticks);
      printSpread("paint", timings.paints);
      std::printf("UI thread: %.1f %% of one core at %.1f paints per second\n", 100.0 * cpu / wall,
                  static_cast<double>(timings.paints.size()) * 1000.0 / wall);
      timings.paints.clear();
    }
    SendMessageW(r.window, kPaintBurst, 300, 0);
    {
      std::lock_guard guard(timings.lock);
      std::printf("home page with the camera image at %d DPI, ", r.app().dpi);
      printSpread("300 paints in a row", timings.paints);
    }
    PaintBurst objects;
    SendMessageW(r.window, kPaintBurst, 1000, reinterpret_cast<LPARAM>(&objects));
    // Negative: Wine counts none, so these are the room left in the handle table, turned.
    std::printf("GDI objects after 10 paints: %ld, after 1000: %ld\n", objects.afterTen, objects.afterAll);
    r.command(kIdStart);  // Stop control
    std::this_thread::sleep_for(500ms);
    int down = 0;
    for (int key : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN}) {
      if ((GetAsyncKeyState(key) & 0x8000) != 0) ++down;
    }
    std::printf("buttons or modifiers left down: %d\n", down);
  });
  CloseHandle(mainThread);
  releaseProcess();
  return 0;
}
