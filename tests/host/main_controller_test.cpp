// The main window's decisions, driven as the window procedure drives them: creation, start
// requests, ticks, commands and settings pages, with a replaying camera and a recording sink.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "app/ini_store.h"
#include "camera/replay_camera.h"
#include "tests/support/paths.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "ui/main_controller.h"
#include "ui/option_card.h"
#include "ui/preview_geometry.h"
#include "ui/settings_pages.h"

namespace vel {
namespace {

constexpr std::int64_t kT0 = 1'000'000;  // far above 0, which means "none"

// No thread runs unless a test starts them, so the tests read the shared state without its lock.
struct Rig {
  explicit Rig(int cameras = 1, int displays = 1) {
    for (int i = 0; i < cameras; ++i) app.cameras.push_back({L"Camera " + std::to_wstring(i), std::to_wstring(i)});
    for (int i = 0; i < displays; ++i) app.displays.displays.push_back({{1920 * i, 0, 1920 * i + 1920, 1080}, L"D"});
    app.displays.screen = {0, 0, 1920 * displays, 1080};
    app.flags.trackerReady = true;
    app.safety = {true, true, true};
  }
  void frame(std::int64_t now, std::int64_t age) { camera->publish(0, static_cast<std::uint64_t>(now - age)); }
  int click(int id, std::int64_t now = kT0) { return controller.command(id, Notification::Clicked, 0, now); }
  void select(int id, int item) { controller.command(id, Notification::SelectionChanged, item, kT0); }
  int start(int id = kIdStart) {  // Start control, Practice or Set movement area, then a fresh frame
    const int focus = click(id);
    frame(kT0 + 40, 10);
    controller.tick(kT0 + 40, false);
    return focus;
  }
  ControlState control(int id) {
    const ControlView view = controller.controlView();
    return *std::find_if(view.begin(), view.end(), [id](const ControlState& state) { return state.id == id; });
  }
  bool saved(const char* line) { return test::readFile(dir / "settings.ini").find(line) != std::string::npos; }

  test::TempDir dir;
  ReplayCamera* camera = new ReplayCamera({*makeFrame(640, 480, 0, 0)});
  AppState app{std::make_unique<test::RecordingSink>(), std::unique_ptr<ICamera>(camera),
               [] { return static_cast<std::uint64_t>(kT0); }};
  const test::RecordingSink& sink = static_cast<test::RecordingSink&>(*app.sink);
  Settings& settings = app.shared.settings;
  IniStore store{dir / "settings.ini"};
  MainController controller{app, store};
};

TEST(MainController, CreationChoosesListsSnapsTheClickWaitAndKeepsOnlyAMatchingCalibration) {
  struct Case {
    int cameras, displays, storedCamera, storedDisplay, allDisplays; const wchar_t* reachCamera; bool reachMirror;
    int clickWait; std::vector<std::wstring> cameraItems; int camera, display, storedAll, clickWaitItem, storedWait;
    bool kept;
  } const cases[] = {
      {0, 1, 3, 2, 1, L"", true, 849, {L"No camera detected"}, 0, 0, 0, 2, 700, false},
      {2, 1, 9, 0, 1, L"1", true, 850, {L"Camera 0", L"Camera 1"}, 1, 0, 0, 0, 1000, true},
      {2, 2, -4, 5, 1, L"0", true, 1150, {L"Camera 0", L"Camera 1"}, 0, 2, 1, 0, 1000, true},
      {1, 2, 0, 1, 0, L"0", false, 1151, {L"Camera 0"}, 0, 1, 0, 1, 1300, false},  // other mirroring
      {1, 1, 0, 0, 0, L"other", true, 1500, {L"Camera 0"}, 0, 0, 0, 1, 1300, false},  // other camera
  };
  for (const Case& c : cases) {
    Rig rig(c.cameras, c.displays);
    Settings& s = rig.settings;
    std::tie(s.Camera, s.Display, s.AllDisplays, s.ClickWait) =
        std::tuple(c.storedCamera, c.storedDisplay, c.allDisplays, c.clickWait);
    std::tie(s.ReachVersion, s.ReachLeft, s.ReachTop, s.ReachRight, s.ReachBottom, s.ReachPalm, s.ReachAspect) =
        std::tuple(true, 0.2f, 0.3f, 0.6f, 0.7f, 0.1f, 1.25f);
    std::tie(rig.app.reachCamera, rig.app.reachMirror) = std::tuple(c.reachCamera, c.reachMirror);
    const ChoiceLists lists = rig.controller.prepareChoices();
    EXPECT_EQ(std::tuple(lists.cameraItems, lists.displayItems.size(), lists.camera, lists.display, lists.clickWait),
              std::tuple(c.cameraItems, c.displays > 1 ? c.displays + 1u : 1u, c.camera, c.display, c.clickWaitItem));
    EXPECT_EQ(std::tuple(s.Camera, s.AllDisplays, s.ClickWait, s.targetWidth, s.ReachAspect),  // counts only with
              std::tuple(c.camera, c.storedAll, c.storedWait, c.storedAll ? 3840 : 1920, 1.25f));  // ReachVersion
    EXPECT_EQ(std::tuple(s.ReachVersion, s.ReachLeft, s.ReachTop, s.ReachRight, s.ReachBottom, s.ReachPalm),
              c.kept ? std::tuple(true, 0.2f, 0.3f, 0.6f, 0.7f, 0.1f)
                     : std::tuple(false, 0.075f, 0.075f, 0.925f, 0.925f, 0.0f));
  }
  // The window fits its monitor: work area, window DPI, layout DPI, never below 72.
  const std::array<std::array<int, 4>, 6> layouts{{{1920, 1040, 96, 96}, {1920, 1040, 144, 129}, {1040, 2000, 144, 120},
                                                   {1024, 700, 96, 84}, {800, 600, 96, 72}, {3840, 2160, 192, 192}}};
  for (const auto& [width, height, windowDpi, dpi] : layouts) EXPECT_EQ(effectiveDpi(width, height, windowDpi), dpi);
}

TEST(MainController, StartRequestWaitsForAFreshFrameAndAReadyTrackerWithinItsLimit) {
  struct Case {  // the frame's age at the tick (none from 10^6) and the time since the request
    const char* name; std::int64_t frameAge, elapsed;
    bool trackerReady, trackerFailed, cameraStops, pending, enabled; const wchar_t* error;
  } const cases[] = {
      {"fresh", 0, 100, true, false, false, false, true, L""},
      {"251 ms old", 251, 100, true, false, false, true, false, L""},
      {"stamped ahead", -1, 100, true, false, false, true, false, L""},
      {"no frame", 2'000'000, 29999, true, false, false, true, false, L""},
      {"tracker loading", 0, 100, false, false, false, true, false, L""},
      {"out of time", 0, 30000, true, false, false, false, false, kStartupTooLongError},
      {"camera stopped", 0, 100, true, false, true, false, false, kCameraStartError},
      {"tracker failed", 0, 100, true, true, false, false, false, L"Tracker unavailable: x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.settings.startRequestMark = 5;  // cleared by each request
    rig.click(kIdStart);
    EXPECT_EQ(std::tuple(rig.app.camera->running(), rig.control(kIdStart).text, rig.control(kIdPractice).enabled,
                         rig.settings.startRequestMark),
              std::tuple(true, L"Stop control", false, 0));
    const std::int64_t now = kT0 + c.elapsed;
    if (c.frameAge < 1'000'000) rig.frame(now, c.frameAge);
    rig.app.flags.trackerReady = c.trackerReady;
    if (c.trackerFailed) rig.app.flags.trackerFailed = true, rig.app.shared.appError = L"Tracker unavailable: x";
    if (c.cameraStops) rig.app.camera->stop();
    rig.controller.tick(now, false);
    EXPECT_EQ(std::tuple(rig.app.startRequest != StartRequest::None, rig.app.gate.enabled(), rig.app.camera->running()),
              std::tuple(c.pending, c.enabled, c.pending || c.enabled));
    EXPECT_EQ(rig.app.shared.appError, c.error);
  }
  Rig none(0);
  EXPECT_EQ(none.click(kIdStart), 0);
  EXPECT_EQ(none.app.shared.appError, kNoCameraError);
}

TEST(MainController, AdjustmentResultsEndTheRunAndOnlyValidFreshOnesOfThisRunAreKept) {
  struct Case {
    const char* name; bool finished, failed; float right; std::int64_t age, runOffset; bool ends, kept;
  } const cases[] = {
      {"valid", true, false, 0.8f, 0, 0, true, true},
      {"span 0.13", true, false, 0.33f, 0, 0, true, false},
      {"timed out", false, true, 0.8f, 0, 0, true, false},
      {"in progress", false, false, 0.8f, 0, 0, false, false},
      {"stale", true, false, 0.8f, 251, 0, false, false},
      {"older run", true, false, 0.8f, 0, 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.controller.showPage(kPageGeneral);  // the button's page, where fixed distance shows it
    EXPECT_FALSE(rig.control(kIdSetArea).visible);
    rig.settings.DistanceMode = 1;
    EXPECT_TRUE(rig.control(kIdSetArea).visible);
    const int focus = rig.start(kIdSetArea);
    const std::uint64_t id = rig.settings.adjustmentId;
    EXPECT_EQ(std::tuple(focus, rig.app.page, rig.control(kIdStart).text),
              std::tuple(kIdStart, kPageHome, L"Cancel adjustment"));
    const std::int64_t now = kT0 + 100;
    rig.app.shared.output.timeMs = now - c.age;
    rig.app.shared.output.adjustment = {id + static_cast<std::uint64_t>(c.runOffset), 4, 1.0f, c.finished, c.failed,
                                        {true, 0.2f, 0.2f, c.right, 0.8f, 0.1f, 1.333f}, L"Result text"};
    rig.controller.tick(now, false);
    EXPECT_EQ(std::tuple(rig.settings.adjustmentId == 0, rig.app.shared.notice, rig.app.shared.noticeUntil),
              std::tuple(c.ends, std::wstring(c.ends ? L"Result text" : L""), c.ends ? now + 8000 : 0));
    EXPECT_EQ(std::tuple(rig.settings.ReachVersion, rig.settings.ReachRight, rig.settings.ReachAspect),
              c.kept ? std::tuple(true, 0.8f, 1.333f) : std::tuple(false, 0.925f, 0.0f));
    EXPECT_EQ(rig.saved("ReachVersion=1"), c.kept) << "accepted results are saved at once";
  }
}

// One session through the window's commands: what each leaves of the camera, control, the page, the
// focus, the notice, the settings file, and the feedback on the desktop; then practice.
TEST(MainController, OneSessionOfCommandsKeepsOrEndsTheCameraSavesSettingsAndShowsTheRightFeedback) {
  Rig rig(2, 2);
  int focus = 0;  // buttons wait for a click, lists for a choice
  for (const ControlRow& row : kControls) focus += rig.controller.command(row.id, Notification::DropDown, 1, kT0);
  EXPECT_EQ(std::tuple(focus, rig.app.camera->running(), rig.app.page, rig.app.startRequest, rig.saved("[")),
            std::tuple(0, false, kPageHome, StartRequest::None, false));
  rig.app.shared.appError = kCameraStartError;  // an old error goes with a new start
  EXPECT_EQ(rig.click(kIdCheckCamera), kIdStart);  // the preview's button, shown while nothing else runs
  EXPECT_EQ(std::tuple(rig.control(kIdCheckCamera).visible, rig.control(kIdCheckCamera).text, rig.app.shared.appError),
            std::tuple(true, L"Stop camera", std::wstring()));
  EXPECT_EQ(rig.click(kIdCheckCamera), 0);  // a second click stops the camera
  EXPECT_FALSE(rig.app.camera->running());
  rig.settings.GestureReference = true;
  rig.start();
  EXPECT_EQ(std::tuple(rig.control(kIdCheckCamera).visible, rig.app.gate.enabled()), std::tuple(false, true));
  const auto shown = [&](std::int64_t age, bool away) {  // circle, guidance, card with a snapshot `age` old
    rig.app.shared.output.timeMs = kT0 + 100 - age;
    const OverlayFlags flags = rig.controller.tick(kT0 + 100, away).flags;
    return std::tuple(flags.showCircle, flags.showGuidance, flags.showReference);
  };
  rig.frame(kT0 + 100, 0);
  EXPECT_EQ(shown(0, true), std::tuple(false, true, true)) << "no hand, away";
  rig.app.shared.output.handPresent = true;
  EXPECT_EQ(shown(0, false), std::tuple(true, false, false));
  EXPECT_EQ(shown(250, true), std::tuple(true, true, true));
  EXPECT_EQ(shown(251, true), std::tuple(false, false, true)) << "stale";
  rig.settings.GestureReference = false;
  rig.app.gate.stampPhysicalEvent(kT0);
  EXPECT_EQ(shown(0, true), std::tuple(false, true, false)) << "the mouse has priority";
  rig.app.camera->stop();  // control ends when the camera does, and its feedback with it
  EXPECT_EQ(shown(0, true), std::tuple(false, false, false));
  EXPECT_FALSE(rig.app.gate.enabled());

  // Settings are saved at once; a calibration goes with the camera or mirroring it was measured with.
  constexpr Notification kSelected = Notification::SelectionChanged;
  const auto choose = [&](int id, Notification notification, int value) {
    return [&rig, id, notification, value] { return rig.controller.command(id, notification, value, kT0); };
  };
  struct Stop {  // `saved`: a line of the settings file
    const char* name; std::function<int()> act; int focus; bool cameraOn; int page;
    bool noticeCleared = false; const char* saved = ""; bool calibrationKept = true;
  } const stops[] = {
      {"tray pause", [&] { return rig.click(kIdTrayPause); }, 0, true, kPageHome},
      {"Escape", [&] { return rig.controller.escape(); }, 0, true, kPageHome},
      {"F1", [&] { return rig.controller.help(); }, kIdAction, false, kPageGestures},
      {"General tab", [&] { return rig.click(kIdGeneralTab); }, kIdGeneralTab, true, kPageGeneral, true},
      {"Gestures tab", [&] { return rig.click(kIdGesturesTab); }, kIdGesturesTab, true, kPageGestures, true},
      {"Escape from a page", [&] { return rig.controller.escape(); }, kIdSettings, true, kPageHome},
      {"Settings", [&] { return rig.click(kIdSettings); }, kIdSettings, false, kPageGeneral, true},
      {"Camera", choose(kIdCamera, kSelected, 1), 0, true, kPageGeneral, false, "Camera=1", false},
      {"Mirror", choose(kIdMirror, Notification::Clicked, 0), 0, true, kPageGeneral, false, "Mirror=0", false},
      {"Cursor feel", choose(kIdCursorFeel, kSelected, 7), 0, true, kPageGeneral, false, "PointerFeel=2"},
      {"Pause before click", choose(kIdClickWait, kSelected, 2), 0, true, kPageGeneral, false, "ClickWait=700"},
      {"Distance", choose(kIdDistance, kSelected, 1), 0, true, kPageGeneral, false, "DistanceMode=1"},
      {"Reference", choose(kIdReference, Notification::Clicked, 1), 0, true, kPageGeneral, false, "GestureReference=1"},
      {"All displays", choose(kIdDisplay, kSelected, 2), 0, true, kPageGeneral, false, "AllDisplays=1"},
      {"Action", choose(kIdAction, kSelected, 2), 0, true, kPageGeneral},
      {"Done", [&] { return rig.click(kIdSettings); }, kIdSettings, true, kPageHome, true},
      {"Stop control", [&] { return rig.click(kIdStart); }, 0, false, kPageHome},
      {"tray stop camera", [&] { return rig.click(kIdTrayStopCamera); }, 0, false, kPageHome},
  };
  for (const Stop& stop : stops) {
    rig.start();
    rig.app.shared.notice = L"Click is off";
    std::tie(rig.settings.ReachVersion, rig.app.previewCircle.completed, rig.app.shared.frame) =
        std::tuple(true, true, rig.app.camera->latestFrame());
    focus = stop.act();
    const Settings& s = rig.settings;
    EXPECT_EQ(std::tuple(focus, rig.app.gate.enabled(), rig.app.camera->running(), rig.app.page, s.ReachVersion,
                         rig.app.shared.frame != nullptr),
              std::tuple(stop.focus, false, stop.cameraOn, stop.page, stop.calibrationKept, stop.cameraOn))
        << stop.name;
    EXPECT_EQ(std::tuple(rig.app.shared.notice.empty(), rig.saved(stop.saved), rig.control(kIdStart).text,
                         rig.control(kIdSettings).text, rig.control(kIdCamera).enabled),
              std::tuple(stop.noticeCleared, true, L"Start control", stop.page ? L"Done" : L"Settings", !stop.cameraOn))
        << stop.name;
    EXPECT_EQ(std::tuple(rig.controller.isControlVisible(kControls[0]), rig.control(kIdGeneralTab).visible,
                         rig.app.previewCircle.completed, s.pointerSmoothing),
              std::tuple(stop.page == kPageHome, stop.page != kPageHome, false,
                         kPointerFeelOptions[s.PointerFeel].smoothing));
  }
  const DesktopRect both{0, 0, 3840, 1080};  // the pointer and the overlays span the virtual screen
  EXPECT_EQ(std::pair(rig.sink.target, rig.controller.tick(kT0, false).target), std::pair(both, both));

  rig.controller.setSafetyParts({true, true, false});
  EXPECT_EQ(rig.app.shared.appError, kOverlaysError);
  rig.controller.setSafetyParts({false, true, false});  // the hotkey belongs to another program
  EXPECT_EQ(rig.app.shared.appError, kSafetyPartsError);
  rig.click(kIdStart);
  EXPECT_EQ(std::tuple(rig.app.shared.appError == kUnsafeStartError, rig.app.camera->running()),
            std::tuple(true, false));
  rig.start(kIdPractice);  // practice needs no safety part
  EXPECT_EQ(std::tuple(rig.app.practiceActive, rig.control(kIdPractice).text, rig.app.shared.appError),
            std::tuple(true, L"Finish practice", std::wstring()));
  rig.app.shared.frame = rig.app.camera->latestFrame();
  const auto click = [&](Point areaPoint, std::int64_t now) {  // where the preview shows `areaPoint`
    rig.controller.practiceClick(areaToPreview(previewRect(640, 480), ReachRect{}, areaPoint), now);
  };
  click({0.5f, 0.35f}, kT0 + 60);  // on the first target
  rig.controller.showPage(kPageGeneral);  // a click hits only on the home page
  click({0.35f, 0.48f}, kT0 + 70);  // on the second
  EXPECT_EQ(rig.app.practice.practiceForPaint(kT0 + 70).mouseHits, 1u);
  rig.click(kIdPractice);  // Finish practice
  EXPECT_EQ(std::tuple(rig.app.practiceActive, rig.app.camera->running()), std::tuple(false, true));
}

// The real threads around the replaying camera: the worker tracks each frame it publishes until the
// state stops them, and the camera with them.
TEST(MainController, ThreadsTrackTheCameraUntilStopped) {
  Rig rig;
  rig.app.startThreads(handProviderFactory(test::modelsDir()));
  rig.click(kIdCheckCamera);
  const std::uint64_t published = rig.camera->publish(0, kT0);
  const auto tracked = [&] {
    std::lock_guard lock(rig.app.shared.lock);
    return rig.app.shared.output.sequence == published;
  };
  for (int i = 0; i < 1000 && !tracked(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  rig.app.stopThreads();
  EXPECT_TRUE(tracked() && !rig.app.camera->running());
}

// The option card before a choice, what the choice leaves and its notice: Scroll shares a pose with
// anything but Drag and drop, which takes it from Scroll as well.
TEST(MainController, GestureCardsAssignPosesWithTheSharingRule) {
  const std::tuple<int, int, Gestures, const wchar_t*, Gestures, const wchar_t*> cases[] = {
      {1, 1, kDefaultGestures, L"Replaces Right-click", {0, 2, 0, 3, 4, 2, 0, 0, 0, 0, 0, 0},
       L"Click uses Two fingers · Right-click off"},
      {4, 2, {0, 1, 6, 3, 4, 6, 0, 0, 0, 0, 0, 0}, L"Replaces hold + scroll", {0, 1, 0, 3, 6, 0, 0, 0, 0, 0, 0, 0},
       L"Drag and drop uses Index + little · Right-click off · Scroll off"},
      {4, 2, {0, 1, 2, 3, 4, 6, 0, 0, 0, 0, 0, 0}, L"Replaces Scroll", {0, 1, 2, 3, 6, 0, 0, 0, 0, 0, 0, 0},
       L"Drag and drop uses Index + little · Scroll off"},
      {5, 2, {0, 1, 2, 3, 6, 2, 0, 0, 0, 0, 0, 0}, L"Replaces Drag and drop", {0, 1, 2, 3, 0, 6, 0, 0, 0, 0, 0, 0},
       L"Scroll uses Index + little · Drag and drop off"},
      {8, 1, kDefaultGestures, L"Replaces Double-click", {0, 1, 2, 0, 4, 2, 0, 0, 3, 0, 0, 0},
       L"Copy uses Three fingers · Double-click off"},
      {1, 0, kDefaultGestures, L"✓ Selected", kDefaultGestures, L"Click uses One finger"},
  };
  for (const auto& [action, option, before, card, after, notice] : cases) {
    EXPECT_EQ(optionCardText(before, action, option).line, card);
    Rig rig;
    rig.settings.gestures = before;
    rig.select(kIdAction, action - 1);
    rig.click(kIdOption1 + option, kT0 + 7);
    EXPECT_EQ(std::tuple(rig.settings.gestures, rig.app.shared.notice, rig.app.shared.noticeUntil),
              std::tuple(after, std::wstring(notice), kT0 + 7 + 5000));
  }
  EXPECT_EQ(std::tuple(optionCardText(kDefaultGestures, 12, 0).pose, optionCardText(kDefaultGestures, 1, 3).pose,
                       optionCardText(kDefaultGestures, 11, 0).pose > 0),
            std::tuple(0, 0, true)) << "no such action or option; the last action's";
  Rig rig;
  rig.select(kIdAction, 7);  // Copy: no pose, nothing to turn off
  rig.select(kIdAction, -1);  // no item: the choice stays
  EXPECT_EQ(std::tuple(rig.control(kIdTurnOff).enabled, rig.control(kIdOption1).text),
            std::tuple(false, L"Thumb up — use for Copy"));
  rig.select(kIdAction, 0);
  EXPECT_EQ(rig.control(kIdOption1).text, L"One finger — selected");
  rig.click(kIdTurnOff);
  EXPECT_EQ(std::tuple(rig.app.shared.notice, rig.settings.gestures[1]), std::tuple(std::wstring(L"Click is off"), 0));
  rig.click(kIdRestoreDefaults);
  EXPECT_EQ(std::tuple(rig.app.shared.notice, rig.saved("Gesture1=1"), assignPose(rig.settings.gestures, 1, 3),
                       assignPose(rig.settings.gestures, 12, 1)),
            std::tuple(std::wstring(L"Default gestures restored"), true, 0, 0));
  EXPECT_EQ(rig.settings.gestures, kDefaultGestures) << "a pose the action does not offer changes nothing";
}

}  // namespace
}  // namespace vel
