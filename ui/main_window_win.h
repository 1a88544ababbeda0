// The interactive program on Windows: the application state with its controller and the main
// window's own resources, reached by the window procedure through one process-wide pointer.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/profile_store.h"
#include "ui/app_state.h"
#include "ui/main_controller.h"
#include "ui/main_paint_win.h"
#include "ui/mouse_hook_win.h"
#include "ui/overlays.h"

namespace vel {

inline constexpr const wchar_t* kMainWindowClass = L"VelmoraWindow";
inline constexpr const wchar_t* kMainWindowTitle = L"Velmora \u2014 Touchless desktop control";
inline constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The main window's client area at 96 DPI.
inline constexpr int kClientWidth = 800;
inline constexpr int kClientHeight = 720;

struct WindowsApp {
  // `camera` is the one the window starts; the tracker loads its models from `exeDir`/models.
  WindowsApp(std::unique_ptr<ICamera> camera, const std::filesystem::path& exeDir);

  AppState state;
  ProfileStore store;
  MainController controller{state, store};
  ProviderFactory makeProvider;

  HWND window = nullptr;
  HFONT font = nullptr;
  HICON icon = nullptr;
  int dpi = 96;  // effective: what the window's layout is scaled by
  MouseHookThread hookThread;
  HHOOK hook = nullptr;
  bool hotkeyRegistered = false;
  bool trayAdded = false;
  OverlaySet overlays;
  PaintCache paintCache;

  // "--smoke-test": the report path (empty otherwise), its start and the process exit code.
  std::wstring smokeReport;
  std::uint64_t smokeStart = 0;
  int exitCode = 0;
};

// Set while the message loop runs; atomic because tests look at the program from their own thread.
extern std::atomic<WindowsApp*> theApp;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Brings the controls' texts, visibility and enables up to date with the controller.
void refreshControls(const WindowsApp& app);

}  // namespace vel
