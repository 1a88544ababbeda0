// velmora-screenshots.exe [DIR]: PNGs of the feedback overlays over a stand-in desktop, at system
// DPI scales 1 and 1.5, written into DIR (`make screenshots` gives build/screenshots).
#include <windows.h>

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/exe_dir.h"
#include "camera/hresult.h"
#include "control/poses.h"
#include "ui/gdi_draw.h"
#include "ui/overlays.h"

namespace vel {
namespace {

using Microsoft::WRL::ComPtr;

// What the screen shows in `rect`, as an opaque PNG written with WIC.
void writeScreenPng(const RECT& rect, const std::filesystem::path& path) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (std::uint32_t& pixel : pixels) pixel |= 0xFF000000u;

  ComPtr<IWICImagingFactory> factory;
  checkHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
          "Create PNG encoder factory");
  ComPtr<IWICStream> stream;
  checkHr(factory->CreateStream(&stream), "Create PNG stream");
  checkHr(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "Open PNG file");
  ComPtr<IWICBitmapEncoder> encoder;
  checkHr(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), "Create PNG encoder");
  checkHr(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "Start PNG");
  ComPtr<IWICBitmapFrameEncode> frame;
  checkHr(encoder->CreateNewFrame(&frame, nullptr), "Create PNG frame");
  checkHr(frame->Initialize(nullptr), "Start PNG frame");
  checkHr(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), "Size PNG frame");
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  checkHr(frame->SetPixelFormat(&format), "Set PNG pixel format");
  if (format != GUID_WICPixelFormat32bppBGRA) checkHr(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, "Set PNG pixel format");
  const UINT stride = static_cast<UINT>(width) * 4u;
  checkHr(frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                             reinterpret_cast<BYTE*>(pixels.data())),
          "Write PNG pixels");
  checkHr(frame->Commit(), "Finish PNG frame");
  checkHr(encoder->Commit(), "Finish PNG");
}

// Grey lines on a light page, so what the overlays leave see-through shows.
LRESULT CALLBACK desktopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PaintBuffer buffer(window);
  fillBox(buffer.dc(), {0, 0, buffer.width(), buffer.height()}, {236, 240, 244});
  for (int y = 24, line = 0; y < buffer.height(); y += 26, ++line) {
    fillBox(buffer.dc(), {48, y, buffer.width() - 48 - (line % 5) * 90, y + 9}, {196, 204, 212});
  }
  return 0;
}

HWND createDesktop(int width, int height) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = desktopProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VelmoraScreenshotDesktop";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, windowClass.lpszClassName, L"Desktop", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                         nullptr, nullptr, windowClass.hInstance, nullptr);
}

class Shooter {
 public:
  Shooter(std::filesystem::path folder, int dpi) : folder_(std::move(folder)), dpi_(dpi) {}

  // Lets the windows paint, then saves `box` grown by `margin` on every side.
  void shoot(const char* name, RECT box, int margin) const {
    for (int i = 0; i < 5; ++i) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(20);
    }
    InflateRect(&box, margin, margin);
    const auto path = folder_ / (std::string(name) + "-" + std::to_string(dpi_) + ".png");
    writeScreenPng(box, path);
    std::printf("%s\n", path.string().c_str());
  }

 private:
  std::filesystem::path folder_;
  int dpi_;
};

RECT windowRect(const wchar_t* title) {
  RECT rect{};
  GetWindowRect(FindWindowW(kOverlayClass, title), &rect);
  return rect;
}

void shootOverlays(OverlaySet& overlays, const Shooter& shooter, float scale, int width, int height) {
  Settings geometry;
  geometry.dpiScale = scale;
  geometry.targetWidth = width;
  geometry.targetHeight = height;
  geometry.displayRectInTarget = {0, 0, width, height};
  const DesktopRect target{0, 0, width, height};
  const Gestures& gestures = geometry.gestures;
  const int margin = static_cast<int>(24 * scale);

  ControlOutput snapshot;
  snapshot.handPresent = snapshot.pointerActive = true;
  snapshot.pointer = {0.3f, 0.35f};
  const OverlayFlags circleOnly{true, false, false};
  std::int64_t now = 1'000'000;
  overlays.updateOverlays(geometry, target, snapshot, circleOnly, gestures, now);
  shooter.shoot("overlay-circle-0", windowRect(kCircleTitle), margin);

  snapshot.progress = 0.5f;
  overlays.updateOverlays(geometry, target, snapshot, circleOnly, gestures, now += 33);
  overlays.updateOverlays(geometry, target, snapshot, circleOnly, gestures, now += 100);  // eased in by now
  shooter.shoot("overlay-circle-50", windowRect(kCircleTitle), margin);

  snapshot.progress = 1.0f;
  snapshot.completed = true;
  overlays.updateOverlays(geometry, target, snapshot, circleOnly, gestures, now += 33);
  overlays.updateOverlays(geometry, target, snapshot, circleOnly, gestures, now += 250);  // mid pulse
  shooter.shoot("overlay-circle-done", windowRect(kCircleTitle), margin);

  snapshot = ControlOutput{};
  snapshot.feedbackText = handCheckText(HandCheck::CutOff);
  snapshot.feedbackFlag = true;
  overlays.updateOverlays(geometry, target, snapshot, {false, true, false}, gestures, now += 33);
  shooter.shoot("overlay-guidance", windowRect(kGuidanceTitle), margin);

  overlays.updateOverlays(geometry, target, snapshot, {false, true, true}, gestures, now += 33);
  RECT both{};
  const RECT bar = windowRect(kGuidanceTitle);
  const RECT card = windowRect(kReferenceTitle);
  UnionRect(&both, &bar, &card);
  shooter.shoot("overlay-reference", both, margin);
  overlays.updateOverlays(geometry, target, snapshot, {}, gestures, now += 33);
}

int run(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  GuideImageSet images;
  if (!loadGuideImages(images, exeDir() / "assets")) {
    std::fprintf(stderr, "The guide sheets did not load from %s\n", (exeDir() / "assets").string().c_str());
    return 1;
  }
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  const HWND desktop = createDesktop(width, height);
  OverlaySet overlays;
  if (!desktop || !overlays.createOverlays(images)) {
    std::fprintf(stderr, "The windows could not be created\n");
    return 1;
  }
  shootOverlays(overlays, Shooter(folder, 96), 1.0f, width, height);
  shootOverlays(overlays, Shooter(folder, 144), 1.5f, width, height);
  overlays.destroyOverlays();
  DestroyWindow(desktop);
  return 0;
}

}  // namespace
}  // namespace vel

int wmain(int argc, wchar_t** argv) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  int status = 1;
  try {
    status = vel::run(argc > 1 ? std::filesystem::path(argv[1]) : vel::exeDir() / "screenshots");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
  CoUninitialize();
  return status;
}
