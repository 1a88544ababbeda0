// The interactive program end to end under Wine: a replayed photo through tracker, engine, gate
// and SendInput to a window of the test; what its window shows of the camera and the hand, and its
// layout at 144 DPI; the physical mouse, the safety shortcut and a stalled camera against hand
// control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "control/hand_provider.h"
#include "ui/preview_geometry.h"
#include "tests/support/temp_dir.h"
#include "tests/win/program_harness.h"
#include "ui/tray_win.h"

namespace vel {
namespace {

using namespace test;

// Where the pointer mapping puts the click for a photo held still: the tracker and the engine
// over the same frames, as the worker runs them.
POINT expectedClick(const Frame& photo) {
  HandProvider provider(modelsDir());
  const Settings settings;
  for (int i = 1; i < 200; ++i) {
    Frame frame = photo;
    frame.sequence = static_cast<std::uint64_t>(i);
    frame.timeMs = 1'000'000 + static_cast<std::uint64_t>(i) * 33;
    const ControlOutput output = provider.process(frame, settings);
    for (const ActionRecord& action : output.actions) {
      if (action.kind == ActionKind::LeftClick) {
        return {std::lround(output.pointer.x * (settings.targetWidth - 1)),
                std::lround(output.pointer.y * (settings.targetHeight - 1))};
      }
    }
  }
  ADD_FAILURE() << "the photo never clicks";
  return {};
}

TEST_F(ProgramTest, HandClickReachesAWindowWhereThePointerMappingPutsIt) {
  const std::vector<Frame> photos = posePhotos({"one.png"});
  const POINT expected = expectedClick(photos[0]);
  ClickTarget target;
  MouseWatch watch;
  ProgramRun run(photos);
  EXPECT_EQ(run.run([&](ProgramRun& r) {
    r.camera->feeding_ = false;
    r.command(kIdStart);
    std::this_thread::sleep_for(1500ms);  // no frame: the gate must stay shut
    EXPECT_FALSE(r.app().state.gate.enabled());
    EXPECT_EQ(r.text(kIdStart), L"Stop control");
    r.camera->feeding_ = true;
    ASSERT_TRUE(waitFor([&] { return r.app().state.gate.enabled(); }));
    const std::int64_t enabled = tickNow();
    ASSERT_TRUE(watch.ours(WM_LBUTTONUP, enabled).has_value());
    EXPECT_TRUE(waitFor([&] { return target.clicks().size() >= 2; }, 2s));
  }), 0);
  const std::vector<MouseEvent> clicks = target.clicks();
  ASSERT_GE(clicks.size(), 2u);
  EXPECT_EQ(clicks[0].message, static_cast<WPARAM>(WM_LBUTTONDOWN));
  EXPECT_EQ(clicks[1].message, static_cast<WPARAM>(WM_LBUTTONUP));
  EXPECT_NEAR(clicks[0].at.x, expected.x, 4);
  EXPECT_NEAR(clicks[0].at.y, expected.y, 4);
}

// The photo moved sideways, so alternating the two keeps the hand pointer moving.
Frame shifted(const Frame& photo, int pixels) {
  Frame moved = photo;
  const auto row = static_cast<std::size_t>(photo.width) * 4;
  const auto offset = static_cast<std::size_t>(pixels) * 4;
  for (std::size_t y = 0; y < static_cast<std::size_t>(photo.height); ++y) {
    std::copy(photo.pixels.begin() + y * row, photo.pixels.begin() + (y + 1) * row - offset,
              moved.pixels.begin() + y * row + offset);
  }
  return moved;
}

// The first physical (not injected) move from `since` on.
std::optional<MouseEvent> physicalMove(MouseWatch& watch, std::int64_t since) {
  std::optional<MouseEvent> found;
  waitFor([&] {
    for (const MouseEvent& event : watch.events()) {
      if (!event.injected && event.message == WM_MOUSEMOVE && event.time >= since) found = event;
    }
    return found.has_value();
  }, 5s);
  return found;
}

TEST_F(ProgramTest, ControlNeverStartsWhileAnotherProgramHoldsTheShortcut) {
  constexpr int kOtherId = 0x7001;
  ASSERT_TRUE(RegisterHotKey(nullptr, kOtherId, MOD_CONTROL | MOD_ALT, VK_SPACE));
  ProgramRun run(posePhotos({"one.png"}));
  run.run([&](ProgramRun& r) {
    EXPECT_EQ(r.appError(), kSafetyPartsError);
    r.command(kIdStart);
    EXPECT_TRUE(waitFor([&] { return r.appError() == kUnsafeStartError; }, 3s));
    EXPECT_FALSE(r.camera->running());
    r.command(kIdPractice);
    EXPECT_TRUE(waitFor([&] { return r.text(kIdPractice) == L"Finish practice"; }));
  });
  UnregisterHotKey(nullptr, kOtherId);
}

TEST_F(ProgramTest, StalledCameraReleasesAHeldDragWithinTheWatchdogTime) {
  MouseWatch watch;
  ProgramRun run(posePhotos({"one.png", "fist.png"}));
  run.run([&](ProgramRun& r) {
    r.command(kIdStart);
    ASSERT_TRUE(waitFor([&] { return r.app().state.gate.enabled(); }));
    ASSERT_TRUE(watch.ours(WM_LBUTTONUP, tickNow()).has_value());  // engaged and clicking
    r.camera->photo_ = 1;
    const std::optional<MouseEvent> grab = watch.ours(WM_LBUTTONDOWN, tickNow());
    ASSERT_TRUE(grab.has_value());
    std::this_thread::sleep_for(300ms);
    r.camera->feeding_ = false;
    const std::int64_t lastFrame = r.camera->lastFrame_;
    const std::optional<MouseEvent> release = watch.ours(WM_LBUTTONUP, grab->time, 3s);
    ASSERT_TRUE(release.has_value());
    std::printf("stalled drag released %lld ms after the last frame\n",
                static_cast<long long>(release->time - lastFrame));
    EXPECT_LE(release->time - lastFrame, 291 + 30);  // a tick of slack for Wine's timers
  });
}

TEST_F(ProgramTest, SecondStartBringsTheFirstWindowBackAndEnds) {
  ProgramRun run(posePhotos({"one.png"}));
  run.run([&](ProgramRun& r) {
    ShowWindow(r.window, SW_MINIMIZE);  // minimised, it lives on in the tray
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(r.window) == FALSE; }, 5s));
    VelmoraProcess second(L"");
    EXPECT_EQ(second.wait(), 0);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(r.window) && !IsIconic(r.window); }, 5s));
    EXPECT_EQ(GetForegroundWindow(), r.window);
    const std::filesystem::path report = exeDir() / "second-smoke.txt";
    VelmoraProcess smoke(L"--smoke-test \"" + report.wstring() + L"\"");
    EXPECT_EQ(smoke.wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(report));
  });
}

TEST_F(ProgramTest, ModeWordsWithoutTheirArgumentsStartTheProgram) {
  for (const wchar_t* arguments : {L"--diagnostics", L"--test-image picture.png", L"--unknown a b", L"--Diagnostics a"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(arguments)));
    VelmoraProcess process(arguments);
    HWND window = nullptr;
    ASSERT_TRUE(waitFor([&] { return (window = FindWindowW(kMainWindowClass, nullptr)) != nullptr; }, 30s));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(process.wait(), 0);
  }
}

// A folder laid out like the shipped one, with or without the models and the guide sheets.
std::filesystem::path shippedFolder(const TempDir& dir, bool models, bool assets) {
  namespace fs = std::filesystem;
  if (models) fs::copy(exeDir() / "models", dir / "models", fs::copy_options::recursive);
  if (assets) fs::copy(exeDir() / "assets", dir / "assets", fs::copy_options::recursive);
  return dir.path();
}

TEST_F(ProgramTest, MissingFilesLeaveAUsableWindowThatSaysWhatIsMissing) {
  const std::vector<Frame> photos = posePhotos({"one.png"});
  TempDir noModels;
  ProgramRun withoutModels(photos, shippedFolder(noModels, false, true));
  EXPECT_EQ(withoutModels.run([&](ProgramRun& r) {
    EXPECT_TRUE(r.app().state.flags.trackerFailed);
    const std::wstring error = r.appError();
    EXPECT_EQ(error.rfind(L"Tracker unavailable: ", 0), 0u) << testing::PrintToString(error);
    r.command(kIdStart);
    r.command(kIdSettings);
    EXPECT_TRUE(waitFor([&] { return r.text(kIdSettings) == L"Done"; }, 3s));
    EXPECT_FALSE(r.camera->running());
    EXPECT_EQ(r.appError(), error);
  }), 0);

  TempDir noAssets;
  ProgramRun withoutAssets(photos, shippedFolder(noAssets, true, false));
  withoutAssets.run([&](ProgramRun& r) {
    EXPECT_EQ(r.appError(), L"Gesture image missing. Reinstall the complete Velmora folder.");
    EXPECT_TRUE(r.app().state.flags.trackerReady);
  });
}

TEST_F(ProgramTest, ClosingSavesTheSettingsAndABlockedFileNeverStopsTheProgram) {
  const std::vector<Frame> photos = posePhotos({"one.png"});
  const auto mirror = [](ProgramRun& r) {
    std::lock_guard lock(r.app().state.shared.lock);
    return r.app().state.shared.settings.Mirror;
  };
  TempDir fresh;
  ProgramRun first(photos, shippedFolder(fresh, true, true));
  EXPECT_EQ(first.run([](ProgramRun&) {}), 0);
  const std::string saved = readFile(fresh / "settings.ini");
  for (const char* line : {"[Velmora]", "Mirror=1", "ClickWait=1000", "GesturesVersion=1", "Gesture5=2"}) {
    EXPECT_NE(saved.find(line), std::string::npos) << line;
  }

  TempDir readOnly;
  const std::string mirrorOff = "[Velmora]\r\nMirror=0\r\n";
  writeFile(readOnly / "settings.ini", mirrorOff);
  SetFileAttributesW((readOnly / "settings.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  ProgramRun second(photos, shippedFolder(readOnly, true, true));
  // (Wine runs here as root, which writes read-only files anyway: only the start and the end count.)
  EXPECT_EQ(second.run([&](ProgramRun& r) { EXPECT_FALSE(mirror(r)); }), 0);
  SetFileAttributesW((readOnly / "settings.ini").c_str(), FILE_ATTRIBUTE_NORMAL);

  TempDir locked;
  writeFile(locked / "settings.ini", mirrorOff);
  HANDLE lock = CreateFileW((locked / "settings.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  ProgramRun third(photos, shippedFolder(locked, true, true));
  EXPECT_EQ(third.run([&](ProgramRun& r) { EXPECT_TRUE(mirror(r)); }), 0);  // unreadable: the defaults
  CloseHandle(lock);
  EXPECT_EQ(readFile(locked / "settings.ini"), mirrorOff);
}

TEST_F(ProgramTest, SystemEventsKeysAndTheTrayReachTheController) {
  ProgramRun run(posePhotos({"one.png"}));
  run.run([&](ProgramRun& r) {
    const auto post = [&](UINT message, WPARAM wParam, LPARAM lParam = 0, HWND to = nullptr) {
      PostMessageW(to != nullptr ? to : r.window, message, wParam, lParam);
    };
    for (const auto& [message, event] : {std::pair<UINT, WPARAM>{WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK},
                                         {WM_POWERBROADCAST, PBT_APMSUSPEND}}) {
      r.command(kIdCheckCamera);
      post(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK);  // changes nothing
      post(message, event);
      EXPECT_TRUE(waitFor([&] { return !r.camera->running(); }, 3s)) << message;
    }
    // F1 in a list still reaches the window: the Gestures page; Escape goes home.
    r.command(kIdSettings);
    post(WM_KEYDOWN, VK_F1, 0, GetDlgItem(r.window, kIdCursorFeel));
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(GetDlgItem(r.window, kIdAction)) != FALSE; }, 3s));
    post(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(waitFor([&] { return r.text(kIdSettings) == L"Settings"; }, 3s));
    post(WM_DISPLAYCHANGE, 32);
    EXPECT_TRUE(waitFor([&] { return r.appError() == kDisplayChangedError; }, 3s));
    ShowWindow(r.window, SW_MINIMIZE);  // into the tray; a click on the icon brings it back
    EXPECT_FALSE(IsWindowVisible(r.window));
    post(kTrayMessage, 0, WM_LBUTTONUP);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(r.window) && !IsIconic(r.window); }, 3s));
  });
}

// A 96-DPI unit as a pixel of `shot`, a client area whose 800 units are as wide as it is.
int devicePixel(const ScreenPixels& shot, double unit) {
  return static_cast<int>(std::lround(unit * shot.width / 800.0));
}

TEST_F(ProgramTest, PaintPutsTheCameraImageAndTheHandWhereThePreviewGeometrySays) {
  // Red on the left half, blue on the right: colours nothing else in the window uses.
  constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;
  Frame halves{640, 480, 0, 0, std::vector<std::uint8_t>(640 * 480 * 4)};
  for (std::size_t i = 0; i < halves.pixels.size(); i += 4) halves.pixels[i + ((i / 4) % 640 < 320 ? 2 : 0)] = 255;
  ProgramRun run({posePhotos({"one.png"})[0], halves});
  run.run([&](ProgramRun& r) {
    r.command(kIdCheckCamera);
    ASSERT_TRUE(waitFor([&] { return r.snapshot().landmarks.has_value(); }));
    std::this_thread::sleep_for(300ms);
    ScreenPixels shot = captureClient(r.window);
    const Point tip = frameToPreview(previewRect(640, 480), (*r.snapshot().landmarks)[8], true);
    const auto whiteNear = [&](float x, float y) {
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (shot.at(devicePixel(shot, x) + dx, devicePixel(shot, y) + dy) == 0xFFFFFFu) return true;
        }
      }
      return false;
    };
    // The ring of radius 10 on the fingertip, pure white as the photo never is, seen beside and
    // above it (the pointer's marker may cover its lower part).
    EXPECT_TRUE(whiteNear(tip.x - 10, tip.y));
    EXPECT_TRUE(whiteNear(tip.x + 10, tip.y));
    EXPECT_TRUE(whiteNear(tip.x, tip.y - 10));
    EXPECT_FALSE(whiteNear(tip.x, tip.y - 5));

    const auto expectHalves = [&](std::uint32_t leftColour, std::uint32_t rightColour) {
      std::this_thread::sleep_for(300ms);
      shot = captureClient(r.window);
      const PreviewRect p = previewRect(640, 480);
      const auto px = [&](int unit) { return devicePixel(shot, unit); };
      const RECT picture{px(p.left), px(p.top), px(p.left + p.width), px(p.top + p.height)};
      for (const LONG y : {picture.top, picture.bottom - 1}) {
        EXPECT_EQ(shot.at(picture.left, y), leftColour);
        EXPECT_EQ(shot.at(picture.right - 1, y), rightColour);
      }
      int outside = 0;
      for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
          outside += !PtInRect(&picture, {x, y}) && (shot.at(x, y) == kRed || shot.at(x, y) == kBlue);
        }
      }
      EXPECT_EQ(outside, 0);
    };
    r.camera->photo_ = 1;
    ASSERT_TRUE(waitFor([&] { return !r.snapshot().landmarks.has_value(); }));
    expectHalves(kBlue, kRed);  // mirrored, as set by default
    SendMessageW(GetDlgItem(r.window, kIdMirror), BM_SETCHECK, BST_UNCHECKED, 0);
    r.command(kIdMirror);
    expectHalves(kRed, kBlue);
  });
}

// Runs in a Wine prefix whose system DPI is 144, on a screen where the scaled window fits.
TEST_F(ProgramTest, PaintAt144DpiIsThe96DpiLayoutScaledOneAndAHalfTimes) {
  if (GetDpiForSystem() != 144) GTEST_SKIP() << "needs a 144-DPI prefix (make test runs one)";
  ProgramRun run(posePhotos({"one.png"}));
  run.run([&](ProgramRun& r) {
    const auto layout = [&](std::vector<RECT>& controls) {
      std::this_thread::sleep_for(300ms);
      for (const ControlRow& row : kControls) {
        RECT& rect = controls.emplace_back();
        GetWindowRect(GetDlgItem(r.window, row.id), &rect);
        MapWindowPoints(nullptr, r.window, reinterpret_cast<POINT*>(&rect), 2);
      }
      return captureClient(r.window);
    };
    std::vector<RECT> large, small;
    const ScreenPixels big = layout(large);
    RECT frame{};
    GetWindowRect(r.window, &frame);
    SendMessageW(r.window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&frame));
    const ScreenPixels normal = layout(small);
    // (Wine keeps the frame at the system DPI, so the 96-DPI client ends a few pixels short.)
    ASSERT_EQ(normal.width, 800);
    EXPECT_EQ(big.width, 1200);
    EXPECT_EQ(big.height, 1080);
    for (std::size_t i = 0; i < kControls.size(); ++i) {
      const RECT &s = small[i], &l = large[i];
      EXPECT_NEAR(l.left, s.left * 1.5, 0.5) << i;
      EXPECT_NEAR(l.top, s.top * 1.5, 0.5) << i;
      EXPECT_NEAR(l.right - l.left, (s.right - s.left) * 1.5, 1.0) << i;
      // A closed list is as high as its font makes it.
      if (!isDropList(kControls[i])) {
        EXPECT_NEAR(l.bottom - l.top, (s.bottom - s.top) * 1.5, 1.0) << i;
      }
    }
    // One unit either side of the edges of the preview card, the buttons (one where a rounded
    // corner leaves the background), the tile card and the header's button.
    ASSERT_EQ(normal.at(30, 439), 0x00746Du) << "Start control's accent";
    for (const POINT at : {POINT{23, 200}, {25, 200}, {400, 91}, {400, 93}, {775, 300}, {777, 300}, {25, 417},
                           {30, 439}, {395, 439}, {410, 439}, {22, 600}, {26, 600}, {646, 47}, {650, 47}}) {
      const auto scaled = [](LONG unit) { return static_cast<int>(unit * 1.5 + 0.75); };
      EXPECT_EQ(big.at(scaled(at.x), scaled(at.y)), normal.at(at.x, at.y)) << at.x << "," << at.y;
    }
  });
}

// The two tests with xdotool come last: under Wine, once the X pointer has moved over one of its
// windows, an injected click can be followed by a physical-looking move back to the X pointer,
// which later runs would take for the user's mouse. This one clicks before it moves the pointer.
TEST_F(ProgramTest, PhysicalMouseTakesPriorityAndReleasesAHandDrag) {
  const std::vector<Frame> poses = posePhotos({"one.png", "fist.png"});
  const std::vector<Frame> photos{poses[0], poses[1], shifted(poses[0], 120)};
  ClickTarget target;
  MouseWatch watch;
  ProgramRun run(photos);
  run.run([&](ProgramRun& r) {
    r.command(kIdStart);
    ASSERT_TRUE(waitFor([&] { return r.app().state.gate.enabled(); }));
    // A drag held by hand control is let go the moment the real mouse moves. The grab needs an
    // aim: a still pointing hand that has clicked. (Drag first, for the same reason as above.)
    ASSERT_TRUE(watch.ours(WM_LBUTTONUP, tickNow()).has_value());
    r.camera->photo_ = 1;
    const std::optional<MouseEvent> grab = watch.ours(WM_LBUTTONDOWN, tickNow());
    ASSERT_TRUE(grab.has_value());
    std::this_thread::sleep_for(300ms);
    ASSERT_FALSE(watch.ours(WM_LBUTTONUP, grab->time, 0ms).has_value());
    const std::int64_t moveTime = tickNow();
    xdotool(L"mousemove 720 520");
    const std::optional<MouseEvent> release = watch.ours(WM_LBUTTONUP, moveTime, 2s);
    const std::optional<MouseEvent> moved = physicalMove(watch, moveTime);
    ASSERT_TRUE(release.has_value());
    ASSERT_TRUE(moved.has_value());
    EXPECT_LE(release->time - moved->time, 80);

    // A moving hand keeps injected moves coming.
    std::atomic<bool> wiggle{true};
    std::thread mover([&] {
      while (wiggle) {
        r.camera->photo_ = r.camera->photo_ == 0 ? 2 : 0;
        std::this_thread::sleep_for(400ms);
      }
    });
    ASSERT_TRUE(watch.ours(WM_MOUSEMOVE, tickNow(), 5s).has_value());

    // Another program's injected move is not the user's hand on the mouse.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    input.mi.dx = 5;
    ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
    EXPECT_TRUE(watch.ours(WM_MOUSEMOVE, tickNow() + 50, 1s).has_value());

    const std::int64_t before = tickNow();
    xdotool(L"mousemove 700 500");
    const std::optional<MouseEvent> physical = physicalMove(watch, before);
    ASSERT_TRUE(physical.has_value());
    std::this_thread::sleep_for(2500ms);
    const std::optional<MouseEvent> resumed = watch.ours(WM_MOUSEMOVE, physical->time + 60, 1s);
    wiggle = false;
    mover.join();
    ASSERT_TRUE(resumed.has_value());
    EXPECT_GE(resumed->time - physical->time, 1450) << "hand control acted during mouse priority";
    EXPECT_LE(resumed->time - physical->time, 2200) << "hand control did not resume by itself";
  });
}

TEST_F(ProgramTest, SafetyShortcutStopsControlAndPracticeButLeavesTheCameraOn) {
  ProgramRun run(posePhotos({"one.png"}));
  run.run([&](ProgramRun& r) {
    // X delivers keys where the pointer is, and Wine sees only what reaches one of its windows.
    RECT frame{};
    GetWindowRect(r.window, &frame);
    xdotool(L"mousemove " + std::to_wstring((frame.left + frame.right) / 2) + L" " + std::to_wstring(frame.top + 8));
    r.command(kIdStart);
    ASSERT_TRUE(waitFor([&] { return r.app().state.gate.enabled(); }));
    for (int press = 0; press < 2; ++press) {  // the second press changes nothing
      xdotool(L"key ctrl+alt+space");
      EXPECT_TRUE(waitFor([&] { return !r.app().state.gate.enabled() && r.text(kIdStart) == L"Start control"; }, 3s));
      std::this_thread::sleep_for(300ms);
      EXPECT_TRUE(r.camera->running());
    }
    r.command(kIdPractice);
    ASSERT_TRUE(waitFor([&] { return r.text(kIdPractice) == L"Finish practice"; }));
    xdotool(L"key ctrl+alt+space");
    EXPECT_TRUE(waitFor([&] { return r.text(kIdPractice) == L"Practice"; }, 3s));
    EXPECT_TRUE(r.camera->running());
  });
}

}  // namespace
}  // namespace vel
