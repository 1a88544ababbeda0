// velmora-screenshots.exe [DIR]: PNGs of the main window as the interactive program shows it with
// a camera replaying a photo, and of the feedback overlays over a stand-in desktop, at the system
// DPI, written into DIR (`make screenshots` runs it at 96 and 144 DPI into build/screenshots).
#include <windows.h>

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "camera/hresult.h"
#include "control/poses.h"
#include "control/reach_adjustment.h"
#include "tests/win/program_harness.h"
#include "ui/gdi_draw.h"
#include "ui/overlays.h"

namespace vel {
namespace {

using Microsoft::WRL::ComPtr;

// What the screen shows in `rect`, as an opaque PNG written with WIC.
void writeScreenPng(const RECT& rect, const std::filesystem::path& path) {
  ScreenPixels shot = captureScreen(rect);
  for (std::uint32_t& pixel : shot.pixels) pixel |= 0xFF000000u;
  const int width = shot.width;
  const int height = shot.height;

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
                             reinterpret_cast<BYTE*>(shot.pixels.data())),
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

  // Lets the windows of this thread paint, then saves `box` grown by `margin` on every side.
  void shoot(const char* name, RECT box, int margin = 0) const {
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

// The program's window on its way through a session: camera off, the camera on with a pointing
// hand, practice, the movement-area measurement, then both settings pages with a notice.
void shootMainWindow(const Shooter& shooter) {
  std::filesystem::remove(exeDir() / "settings.ini");
  test::ProgramRun run(test::posePhotos({"one.png"}));
  run.run([&](test::ProgramRun& r) {
    const auto settle = [] { Sleep(150); };  // a few UI ticks, each with a paint
    const auto window = [&] {
      RECT rect{};
      GetWindowRect(r.window, &rect);
      return rect;
    };
    settle();
    shooter.shoot("main-camera-off", window());

    r.command(kIdCheckCamera);
    test::waitFor([&] {
      const ControlOutput s = r.snapshot();
      return s.pointerActive && s.landmarks.has_value();
    });
    settle();
    shooter.shoot("main-camera", window());

    r.command(kIdPractice);
    test::waitFor([&] { return r.text(kIdPractice) == L"Finish practice" && r.snapshot().progress > 0.4f; });
    shooter.shoot("main-practice", window());

    r.command(kIdPractice);
    r.command(kIdSetArea);
    test::waitFor([&] { return r.snapshot().adjustment.progress > 0.5f; });
    shooter.shoot("main-adjusting", window());

    r.command(kIdSettings);
    test::waitFor([&] { return r.text(kIdSettings) == L"Done"; });
    {
      // No command leaves a notice on this page; the one an adjustment ends with shows where it goes.
      std::lock_guard lock(r.app().state.shared.lock);
      r.app().state.shared.notice = kAdjustmentSaved;
      r.app().state.shared.noticeUntil = test::tickNow() + 8000;
    }
    settle();
    shooter.shoot("main-general", window());

    r.command(kIdGesturesTab);
    r.command(kIdRestoreDefaults);
    settle();
    shooter.shoot("main-gestures", window());
  });
  std::filesystem::remove(exeDir() / "settings.ini");
}

int run(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const int dpi = static_cast<int>(GetDpiForSystem());
  const Shooter shooter(folder, dpi);
  shootMainWindow(shooter);

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
  shootOverlays(overlays, shooter, static_cast<float>(dpi) / 96.0f, width, height);
  overlays.destroyOverlays();
  DestroyWindow(desktop);
  return 0;
}

}  // namespace
}  // namespace vel

int wmain(int argc, wchar_t** argv) {
  if (!vel::prepareProcess()) return 1;
  int status = 1;
  try {
    status = vel::run(argc > 1 ? std::filesystem::path(argv[1]) : vel::exeDir() / "screenshots");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
  vel::releaseProcess();
  return status;
}
