// Start-up and shut-down of the interactive program, in the order the pieces depend on.
#include "app/program_win.h"

#include <commctrl.h>
#include <mfapi.h>
#include <objbase.h>

#include <exception>

#include "app/display.h"
#include "app/wide_text.h"
#include "camera/mf_camera.h"
#include "ui/main_window_win.h"

namespace vel {
namespace {

constexpr const wchar_t* kInstanceMutex = L"Local\\Velmora.Native.Prototype.0.1";
constexpr const wchar_t* kGuideImagesError = L"Gesture image missing. Reinstall the complete Velmora folder.";

// A white bold "V" on the accent colour, drawn once.
HICON drawAppIcon() {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, 32, 32);
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
  HGDIOBJ previous = SelectObject(dc, colour);
  RECT box{0, 0, 32, 32};
  HBRUSH accent = CreateSolidBrush(RGB(0, 116, 109));
  FillRect(dc, &box, accent);
  DeleteObject(accent);
  HFONT font = CreateFontW(-26, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  HGDIOBJ previousFont = SelectObject(dc, font);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  RECT letter{5, 1, 29, 31};
  DrawTextW(dc, L"V", 1, &letter, DT_WORDBREAK);
  SelectObject(dc, previousFont);
  SelectObject(dc, mask);
  PatBlt(dc, 0, 0, 32, 32, BLACKNESS);  // every pixel opaque
  SelectObject(dc, previous);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask;
  info.hbmColor = colour;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  DeleteDC(dc);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return icon;
}

bool registerMainClass(HINSTANCE instance, HICON icon) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = mainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hIconSm = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassExW(&windowClass) != 0;
}

HWND createMainWindow(HINSTANCE instance) {
  const auto dpi = GetDpiForSystem();
  RECT frame{0, 0, MulDiv(kClientWidth, static_cast<int>(dpi), 96), MulDiv(kClientHeight, static_cast<int>(dpi), 96)};
  AdjustWindowRectExForDpi(&frame, kMainWindowStyle, FALSE, 0, dpi);
  return CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, kMainWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
}

void loadAppState(WindowsApp& app, const CameraSource& cameras) {
  AppState& state = app.state;
  LoadedSettings loaded = loadSettings(app.store);
  state.shared.settings = loaded.settings;
  state.reachMirror = loaded.reachMirror;
  state.reachCamera = std::move(loaded.reachCamera);
  state.displays = {buildDisplayList(), currentVirtualScreen(), systemDpi()};
  if (!loadGuideImages(state.guideImages, state.exeDir / "assets")) state.shared.appError = kGuideImagesError;
  try {
    state.cameras = cameras.enumerate();
  } catch (const std::exception& error) {
    state.shared.appError = toWide(error.what());
  }
}

int runMessageLoop(HWND window) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // F1 reaches the window procedure even while a child control, say a list, has the focus.
    if (message.message == WM_KEYDOWN && message.wParam == VK_F1 &&
        (message.hwnd == window || IsChild(window, message.hwnd))) {
      SendMessageW(window, WM_KEYDOWN, VK_F1, 0);
      continue;
    }
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

CameraSource mediaFoundationCameras() {
  return {enumerateCameras,
          [] { return std::make_unique<CameraCapture>(captureWithMediaFoundation); }};
}

bool prepareProcess() {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL))) return true;
  MessageBoxW(nullptr,
              L"Windows Media Foundation is unavailable. Windows N editions require Microsoft's Media Feature Pack.",
              L"Velmora", MB_ICONERROR);
  CoUninitialize();
  return false;
}

void releaseProcess() {
  MFShutdown();
  CoUninitialize();
}

int runInteractive(HINSTANCE instance, int showCommand, const std::wstring& smokeReport, const CameraSource& cameras,
                   const std::filesystem::path& folder) {
  SetLastError(ERROR_SUCCESS);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutex);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND first = FindWindowW(kMainWindowClass, nullptr)) {
      ShowWindow(first, SW_RESTORE);
      SetForegroundWindow(first);
    }
    CloseHandle(mutex);
    return 0;
  }
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  WindowsApp app(cameras.make(), folder);
  theApp = &app;
  app.smokeReport = smokeReport;
  loadAppState(app, cameras);
  app.icon = drawAppIcon();
  registerMainClass(instance, app.icon);
  HWND window = createMainWindow(instance);
  int exitCode = 1;
  if (window != nullptr) {
    ShowWindow(window, smokeReport.empty() ? showCommand : SW_HIDE);
    UpdateWindow(window);
    exitCode = runMessageLoop(window);
  }
  theApp = nullptr;
  DestroyIcon(app.icon);
  if (mutex != nullptr) CloseHandle(mutex);
  return exitCode;
}

}  // namespace vel
