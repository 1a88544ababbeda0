// The main window's decisions, driven as the window procedure drives them: creation, start
// requests, ticks, commands and settings pages, with a replaying camera and a recording sink.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <stdexcept>
#include <thread>

#include "app/ini_store.h"
#include "camera/replay_camera.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "ui/main_controller.h"
#include "ui/settings_pages.h"

namespace vel {
namespace {

constexpr std::int64_t kT0 = 1'000'000;  // far above 0, which means "none"

bool waitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 500 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return condition();
}

struct Rig {
  explicit Rig(int cameraCount = 1, int displayCount = 1) {
    for (int i = 0; i < cameraCount; ++i) app.cameras.push_back({L"Camera " + std::to_wstring(i), L"id" + std::to_wstring(i)});
    for (int i = 0; i < displayCount; ++i) {
      app.displays.displays.push_back({{1920 * i, 0, 1920 * (i + 1), 1080}, L"Display " + std::to_wstring(i + 1)});
    }
    app.displays.screen = {0, 0, 1920 * displayCount, 1080};
    app.flags.trackerReady = true;
  }

  Settings settings() {
    std::lock_guard lock(app.shared.lock);
    return app.shared.settings;
  }
  std::wstring appError() {
    std::lock_guard lock(app.shared.lock);
    return app.shared.appError;
  }
  std::wstring notice() {
    std::lock_guard lock(app.shared.lock);
    return app.shared.notice;
  }
  void publish(ControlOutput output) {
    std::lock_guard lock(app.shared.lock);
    app.shared.output = std::move(output);
  }
  // A camera frame stamped `age` ms before `now` (negative: in the future).
  void frame(std::int64_t now, std::int64_t age) { camera->publish(0, static_cast<std::uint64_t>(now - age)); }
  int click(int id, std::int64_t now = kT0) { return controller.command(id, Notification::Clicked, 0, now); }
  void select(int id, int item) { controller.command(id, Notification::SelectionChanged, item, kT0); }
  ControlState control(int id) {
    const ControlView view = controller.controlView();
    return *std::find_if(view.begin(), view.end(), [id](const ControlState& state) { return state.id == id; });
  }
  std::wstring text(int id) { return control(id).text.value_or(L""); }
  bool enabled(int id) { return control(id).enabled; }
  std::set<int> visible() {
    std::set<int> ids;
    for (const ControlState& state : controller.controlView()) {
      if (state.visible) ids.insert(state.id);
    }
    return ids;
  }
  // Control started and enabled on a fresh frame.
  void startControl() {
    click(kIdStart);
    frame(kT0 + 40, 10);
    controller.tick(kT0 + 40, true);
  }

  test::TempDir dir;
  std::atomic<std::int64_t> gateNow = kT0;
  ReplayCamera* camera = new ReplayCamera({*makeFrame(640, 480, 0, 0)});
  AppState app{std::make_unique<test::RecordingSink>(), std::unique_ptr<ICamera>(camera),
               [this] { return static_cast<std::uint64_t>(gateNow); }};
  IniStore store{dir / "settings.ini"};
  MainController controller{app, store};
};

TEST(MainController, CreationChoosesListsAndKeepsOnlyAMatchingCalibration) {
  struct Case {
    int cameras, displays, storedCamera, storedDisplay, allDisplays;
    const wchar_t* reachCamera;
    bool reachMirror;
    int clickWait;
    std::vector<std::wstring> cameraItems;
    int camera, display, storedAll, clickWaitItem, storedWait;
    bool calibrationKept;
  };
  const Case cases[] = {
      {0, 1, 3, 2, 1, L"", true, 849, {L"No camera detected"}, 0, 0, 0, 2, 700, false},
      {2, 1, 9, 0, 1, L"id1", true, 850, {L"Camera 0", L"Camera 1"}, 1, 0, 0, 0, 1000, true},
      {2, 2, -4, 5, 1, L"id0", true, 1150, {L"Camera 0", L"Camera 1"}, 0, 2, 1, 0, 1000, true},
      {1, 2, 0, 1, 0, L"id0", false, 1151, {L"Camera 0"}, 0, 1, 0, 1, 1300, false},  // other mirroring
      {1, 1, 0, 0, 0, L"other", true, 1500, {L"Camera 0"}, 0, 0, 0, 1, 1300, false},  // other camera
  };
  for (const Case& c : cases) {
    Rig rig(c.cameras, c.displays);
    Settings& s = rig.app.shared.settings;
    s.Camera = c.storedCamera;
    s.Display = c.storedDisplay;
    s.AllDisplays = c.allDisplays;
    s.ClickWait = c.clickWait;
    s.ReachVersion = true;
    s.ReachLeft = 0.2f;
    s.ReachPalm = 0.1f;
    s.ReachAspect = 1.25f;
    rig.app.reachCamera = c.reachCamera;
    rig.app.reachMirror = c.reachMirror;
    const ChoiceLists lists = rig.controller.prepareChoices();
    SCOPED_TRACE(c.clickWait);
    EXPECT_EQ(lists.cameraItems, c.cameraItems);
    EXPECT_EQ(lists.displayItems.size(), c.displays > 1 ? c.displays + 1u : 1u);
    EXPECT_EQ(lists.camera, c.camera);
    EXPECT_EQ(lists.display, c.display);
    EXPECT_EQ(lists.clickWait, c.clickWaitItem);
    const Settings after = rig.settings();
    EXPECT_EQ(after.Camera, c.camera);
    EXPECT_EQ(after.AllDisplays, c.storedAll);
    EXPECT_EQ(after.ClickWait, c.storedWait);
    EXPECT_EQ(after.ReachVersion, c.calibrationKept);
    EXPECT_FLOAT_EQ(after.ReachLeft, c.calibrationKept ? 0.2f : 0.075f);
    EXPECT_FLOAT_EQ(after.ReachPalm, c.calibrationKept ? 0.1f : 0.0f);
    EXPECT_FLOAT_EQ(after.ReachAspect, 1.25f);  // counts only with ReachVersion
    EXPECT_EQ(after.targetWidth, c.storedAll ? 3840 : 1920);
  }
}

TEST(MainController, StartRequestWaitsForAFreshFrameAndAReadyTracker) {
  struct Case {
    const char* name;
    std::int64_t frameAge;  // ms before the tick; none when over 10^6
    bool trackerReady, trackerFailed, cameraStops;
    std::int64_t elapsed;
    bool pending, enabled;
    const wchar_t* error;
  };
  const Case cases[] = {
      {"fresh", 250, true, false, false, 100, false, true, L""},
      {"251 ms old", 251, true, false, false, 100, true, false, L""},
      {"stamped ahead", -1, true, false, false, 100, true, false, L""},
      {"no frame", 2'000'000, true, false, false, 29999, true, false, L""},
      {"tracker loading", 0, false, false, false, 100, true, false, L""},
      {"out of time", 0, true, false, false, 30000, false, false, kStartupTooLongError},
      {"camera stopped", 0, true, false, true, 100, false, false, kCameraStartError},
      {"tracker failed", 0, true, true, false, 100, false, false, L"Tracker unavailable: x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.app.safety = {true, true, true};
    rig.click(kIdStart);
    ASSERT_TRUE(rig.app.camera->running());
    EXPECT_EQ(rig.text(kIdStart), L"Stop control");
    const std::int64_t now = kT0 + c.elapsed;
    if (c.frameAge < 1'000'000) rig.frame(now, c.frameAge);
    rig.app.flags.trackerReady = c.trackerReady;
    if (c.trackerFailed) {
      rig.app.flags.trackerFailed = true;
      rig.app.shared.appError = L"Tracker unavailable: x";
    }
    if (c.cameraStops) rig.app.camera->stop();
    rig.controller.tick(now, false);
    EXPECT_EQ(rig.app.startRequest != StartRequest::None, c.pending);
    EXPECT_EQ(rig.app.gate.enabled(), c.enabled);
    EXPECT_EQ(rig.app.camera->running(), c.pending || c.enabled);
    EXPECT_EQ(rig.appError(), c.error);
  }
}

TEST(MainController, StartsAreRefusedWithTheirReasons) {
  Rig noCamera(0);
  noCamera.app.safety = {true, true, true};
  noCamera.controller.prepareChoices();
  noCamera.click(kIdStart);
  EXPECT_EQ(noCamera.appError(), kNoCameraError);
  EXPECT_FALSE(noCamera.enabled(kIdPractice));
  EXPECT_FALSE(noCamera.enabled(kIdCheckCamera));

  Rig unsafe;  // the hotkey belongs to another program
  unsafe.controller.setSafetyParts({false, true, true});
  EXPECT_EQ(unsafe.appError(), kSafetyPartsError);
  unsafe.click(kIdStart);
  EXPECT_EQ(unsafe.appError(), kUnsafeStartError);
  EXPECT_FALSE(unsafe.app.camera->running());
  unsafe.click(kIdPractice);  // practice needs no safety part
  unsafe.frame(kT0 + 40, 0);
  unsafe.controller.tick(kT0 + 40, false);
  EXPECT_TRUE(unsafe.app.practiceActive);
  EXPECT_EQ(unsafe.text(kIdPractice), L"Finish practice");
  EXPECT_EQ(unsafe.appError(), L"");

  Rig noOverlays;
  noOverlays.controller.setSafetyParts({true, true, false});
  EXPECT_EQ(noOverlays.appError(), kOverlaysError);
}

TEST(MainController, AdjustmentResultsEndTheRunAndOnlyValidOnesAreKept) {
  struct Case {
    const char* name;
    bool finished, failed;
    float right;
    std::int64_t age;
    std::uint64_t runOffset;
    bool ends, kept;
  };
  const Case cases[] = {
      {"valid", true, false, 0.8f, 0, 0, true, true},
      {"span 0.13", true, false, 0.33f, 0, 0, true, false},
      {"timed out", false, true, 0.8f, 0, 0, true, false},
      {"in progress", false, false, 0.8f, 0, 0, false, false},
      {"stale", true, false, 0.8f, 251, 0, false, false},
      {"ahead 31 ms", true, false, 0.8f, -31, 0, false, false},
      {"older run", true, false, 0.8f, 0, 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.click(kIdSetArea);
    rig.frame(kT0 + 40, 0);
    rig.controller.tick(kT0 + 40, false);
    const std::uint64_t id = rig.settings().adjustmentId;
    ASSERT_NE(id, 0u);
    EXPECT_EQ(rig.text(kIdStart), L"Cancel adjustment");
    ControlOutput output;
    const std::int64_t now = kT0 + 100;
    output.timeMs = now - c.age;
    output.adjustment = {id + c.runOffset, 4, 1.0f, c.finished, c.failed,
                         {true, 0.2f, 0.2f, c.right, 0.8f, 0.1f, 1.333f}, L"Result text"};
    rig.publish(output);
    rig.controller.tick(now, false);
    const Settings s = rig.settings();
    EXPECT_EQ(s.adjustmentId == 0, c.ends);
    EXPECT_EQ(rig.notice(), c.ends ? L"Result text" : L"");
    EXPECT_EQ(rig.app.shared.noticeUntil, c.ends ? now + 8000 : 0);
    EXPECT_EQ(s.ReachVersion, c.kept);
    EXPECT_FLOAT_EQ(s.ReachRight, c.kept ? 0.8f : 0.925f);
    EXPECT_FLOAT_EQ(s.ReachAspect, c.kept ? 1.333f : 0.0f);
    // Accepted results are saved at once.
    EXPECT_EQ(test::readFile(rig.dir / "settings.ini").find("ReachVersion=1") != std::string::npos, c.kept);
  }
}

TEST(MainController, PagesShowTheirControls) {
  struct Case {
    int page, distanceMode;
    bool previewRunning;
    std::set<int> visible;
  };
  const std::set<int> tabs{kIdSettings, kIdGeneralTab, kIdGesturesTab};
  std::set<int> general = tabs;
  general.insert({kIdCursorFeel, kIdClickWait, kIdDistance, kIdDisplay, kIdCamera, kIdMirror, kIdReference});
  std::set<int> generalFixed = general;
  generalFixed.insert(kIdSetArea);
  std::set<int> gestures = tabs;
  gestures.insert({kIdAction, kIdTurnOff, kIdOption1, kIdOption1 + 1, kIdOption1 + 2, kIdRestoreDefaults});
  const Case cases[] = {
      {kPageHome, 0, false, {kIdStart, kIdPractice, kIdSettings}},
      {kPageHome, 1, true, {kIdStart, kIdPractice, kIdSettings, kIdCheckCamera}},
      {kPageGeneral, 0, true, general},
      {kPageGeneral, 1, false, generalFixed},
      {kPageGestures, 1, false, gestures},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.app.shared.settings.DistanceMode = c.distanceMode;
    if (c.previewRunning) rig.click(kIdCheckCamera);
    rig.controller.showPage(c.page);
    EXPECT_EQ(rig.visible(), c.visible) << c.page << " " << c.distanceMode;
    EXPECT_EQ(rig.text(kIdSettings), c.page == kPageHome ? L"Settings" : L"Done");
  }
  Rig controlOn;  // Check camera belongs to the preview only
  controlOn.app.safety = {true, true, true};
  controlOn.startControl();
  EXPECT_EQ(controlOn.visible().count(kIdCheckCamera), 0u);
  EXPECT_FALSE(controlOn.enabled(kIdCamera));
}

TEST(MainController, StopsKeepOrEndTheCameraAsTheUserExpects) {
  struct Case {
    const char* name;
    std::function<int(Rig&)> act;
    bool cameraOn;
    int page, focus;
    bool clearsNotice = false;
  };
  const Case cases[] = {
      {"Stop control", [](Rig& r) { return r.click(kIdStart); }, false, kPageHome, 0},
      {"safety shortcut", [](Rig& r) { r.controller.stopActivity(); return 0; }, true, kPageHome, 0},
      {"tray pause", [](Rig& r) { return r.click(kIdTrayPause); }, true, kPageHome, 0},
      {"tray stop camera", [](Rig& r) { return r.click(kIdTrayStopCamera); }, false, kPageHome, 0},
      {"Settings", [](Rig& r) { return r.click(kIdSettings); }, false, kPageGeneral, kIdSettings, true},
      {"F1", [](Rig& r) { return r.controller.help(); }, false, kPageGestures, kIdAction},
      {"Escape", [](Rig& r) { return r.controller.escape(); }, true, kPageHome, 0},
      {"display change", [](Rig& r) { r.controller.displayChanged(); return 0; }, true, kPageHome, 0},
      {"list opened", [](Rig& r) { return r.controller.command(kIdAction, Notification::DropDown, 0, kT0); }, true,
       kPageHome, 0},
      {"General tab", [](Rig& r) { return r.click(kIdGeneralTab); }, true, kPageGeneral, kIdGeneralTab, true},
      {"Gestures tab", [](Rig& r) { return r.click(kIdGesturesTab); }, true, kPageGestures, kIdGesturesTab, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.app.safety = {true, true, true};
    rig.startControl();
    ASSERT_TRUE(rig.app.gate.enabled());
    rig.app.shared.notice = L"Click is off";
    EXPECT_EQ(c.act(rig), c.focus);
    EXPECT_FALSE(rig.app.gate.enabled());
    EXPECT_EQ(rig.notice().empty(), c.clearsNotice);
    EXPECT_EQ(rig.app.camera->running(), c.cameraOn);
    EXPECT_EQ(rig.app.page, c.page);
    EXPECT_EQ(rig.text(kIdStart), L"Start control");
    rig.controller.stopActivity();  // a second stop changes nothing
    EXPECT_EQ(rig.app.camera->running(), c.cameraOn);
  }
  Rig rig;
  rig.click(kIdPractice);
  rig.frame(kT0 + 40, 0);
  rig.controller.tick(kT0 + 40, false);
  ASSERT_TRUE(rig.app.practiceActive);
  rig.click(kIdPractice);  // Finish practice
  EXPECT_FALSE(rig.app.practiceActive);
  EXPECT_TRUE(rig.app.camera->running());
  rig.controller.showPage(kPageGestures);
  EXPECT_EQ(rig.controller.escape(), kIdSettings);
  EXPECT_EQ(rig.app.page, kPageHome);
  rig.click(kIdSettings);
  EXPECT_EQ(rig.click(kIdSettings), kIdSettings);  // Done: back home, camera still off
  EXPECT_EQ(rig.app.page, kPageHome);
  EXPECT_FALSE(rig.app.camera->running());
}

TEST(MainController, GestureCardsAssignPosesWithTheSharingRule) {
  using G = Gestures;
  struct Case {
    int action, option;
    G before, after;
    const wchar_t* notice;
  };
  const Case cases[] = {
      // Click takes Two fingers from Right-click; Scroll keeps sharing it.
      {1, 1, kDefaultGestures, {0, 2, 0, 3, 4, 2, 0, 0, 0, 0, 0, 0}, L"Click uses Two fingers \u00b7 Right-click off"},
      // Drag and drop takes Index + little from Right-click and from Scroll.
      {4, 2, {0, 1, 6, 3, 4, 6, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 3, 6, 0, 0, 0, 0, 0, 0, 0},
       L"Drag and drop uses Index + little \u00b7 Right-click off \u00b7 Scroll off"},
      // Scroll displaces only Drag and drop.
      {5, 2, {0, 1, 2, 3, 6, 2, 0, 0, 0, 0, 0, 0}, {0, 1, 2, 3, 0, 6, 0, 0, 0, 0, 0, 0},
       L"Scroll uses Index + little \u00b7 Drag and drop off"},
      {5, 2, {0, 1, 6, 3, 4, 2, 0, 0, 0, 0, 0, 0}, {0, 1, 6, 3, 4, 6, 0, 0, 0, 0, 0, 0}, L"Scroll uses Index + little"},
      // Copy (options Thumb up, Three fingers, Index + little) takes Three fingers from Double-click.
      {8, 1, kDefaultGestures, {0, 1, 2, 0, 4, 2, 0, 0, 3, 0, 0, 0}, L"Copy uses Three fingers \u00b7 Double-click off"},
      // Choosing the pose an action already has changes nothing.
      {1, 0, kDefaultGestures, kDefaultGestures, L"Click uses One finger"},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.app.shared.settings.gestures = c.before;
    rig.select(kIdAction, c.action - 1);
    rig.click(kIdOption1 + c.option, kT0 + 7);
    EXPECT_EQ(rig.settings().gestures, c.after) << c.action;
    EXPECT_EQ(rig.notice(), c.notice);
    EXPECT_EQ(rig.app.shared.noticeUntil, kT0 + 7 + 5000);
    EXPECT_TRUE(gesturesValid(rig.settings().gestures));
  }
  Rig rig;
  rig.select(kIdAction, 7);  // Copy: no pose, nothing to turn off
  EXPECT_FALSE(rig.enabled(kIdTurnOff));
  EXPECT_EQ(rig.text(kIdOption1), L"Thumb up \u2014 use for Copy");
  rig.select(kIdAction, 0);
  EXPECT_EQ(rig.text(kIdOption1), L"One finger \u2014 selected");
  rig.click(kIdTurnOff);
  EXPECT_EQ(rig.notice(), L"Click is off");
  EXPECT_EQ(rig.settings().gestures[1], 0);
  rig.click(kIdRestoreDefaults);
  EXPECT_EQ(rig.notice(), L"Default gestures restored");
  EXPECT_EQ(rig.settings().gestures, kDefaultGestures);
  EXPECT_NE(test::readFile(rig.dir / "settings.ini").find("Gesture1=1"), std::string::npos);
  EXPECT_EQ(assignPose(rig.app.shared.settings.gestures, 1, 3), 0);  // not one of Click's options
  EXPECT_EQ(assignPose(rig.app.shared.settings.gestures, 12, 1), 0);
  EXPECT_EQ(rig.settings().gestures, kDefaultGestures);
}

TEST(MainController, SettingsChangesStopActivityAndAreSavedAtOnce) {
  struct Case {
    int id;
    Notification notification;
    int value;
    const char* saved;
    bool calibrationReset;
  };
  const Case cases[] = {
      {kIdCamera, Notification::SelectionChanged, 1, "Camera=1", true},
      {kIdMirror, Notification::Clicked, 0, "Mirror=0", true},
      {kIdCursorFeel, Notification::SelectionChanged, 7, "PointerFeel=2", false},
      {kIdCursorFeel, Notification::SelectionChanged, 1, "PointerFeel=1", false},
      {kIdClickWait, Notification::SelectionChanged, 1, "ClickWait=1300", false},
      {kIdClickWait, Notification::SelectionChanged, 2, "ClickWait=700", false},
      {kIdDistance, Notification::SelectionChanged, 1, "DistanceMode=1", false},
      {kIdDistance, Notification::SelectionChanged, 0, "DistanceMode=0", false},
      {kIdReference, Notification::Clicked, 1, "GestureReference=1", false},
      {kIdDisplay, Notification::SelectionChanged, 2, "AllDisplays=1", false},
      {kIdDisplay, Notification::SelectionChanged, 1, "Display=1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.saved);
    Rig rig(2, 2);
    rig.app.safety = {true, true, true};
    rig.app.shared.settings.ReachVersion = true;
    rig.app.shared.settings.ReachPalm = 0.2f;
    rig.app.shared.settings.DistanceMode = 1;
    rig.startControl();
    rig.controller.command(c.id, c.notification, c.value, kT0);
    EXPECT_FALSE(rig.app.gate.enabled());
    const Settings s = rig.settings();
    EXPECT_EQ(s.pointerSmoothing, kPointerFeelOptions[static_cast<std::size_t>(s.PointerFeel)].smoothing);
    EXPECT_NE(test::readFile(rig.dir / "settings.ini").find(c.saved), std::string::npos);
    EXPECT_EQ(rig.settings().ReachVersion, !c.calibrationReset);
  }
  Rig rig(1, 2);
  rig.select(kIdDisplay, 2);  // All displays: the pointer spans the virtual screen
  const auto* sink = static_cast<test::RecordingSink*>(rig.app.sink.get());
  EXPECT_EQ(sink->target, (DesktopRect{0, 0, 3840, 1080}));
  EXPECT_EQ(rig.settings().targetWidth, 3840);
  rig.select(kIdDisplay, 1);
  EXPECT_EQ(sink->target, (DesktopRect{1920, 0, 3840, 1080}));
  EXPECT_EQ(rig.settings().displayRectInTarget, (std::array<std::int32_t, 4>{0, 0, 1920, 1080}));
}

TEST(MainController, LayoutShrinksUntilTheWindowFitsItsMonitor) {
  // Work area, window DPI, layout DPI: the height binds at (1040 × 96 − 6720) / 720, the width at
  // (1040 × 96 − 3840) / 800; never below 72.
  const std::array<std::array<int, 4>, 6> cases{{{1920, 1040, 96, 96}, {1920, 1040, 144, 129}, {1040, 2000, 144, 120},
                                                 {1024, 700, 96, 84}, {800, 600, 96, 72}, {3840, 2160, 192, 192}}};
  for (const auto& [width, height, windowDpi, dpi] : cases) EXPECT_EQ(effectiveDpi(width, height, windowDpi), dpi);
}

TEST(MainController, ThreadsLetGoOfAStalledDragAndStopOnRequest) {
  Rig rig;
  rig.app.startThreads([]() -> std::unique_ptr<IControlProvider> { throw std::runtime_error("no models"); });
  ASSERT_TRUE(waitUntil([&] { return rig.app.flags.trackerFailed.load(); }));
  EXPECT_EQ(rig.appError(), L"Tracker unavailable: no models");
  rig.app.gate.setEnabled(true);
  ControlOutput grab;
  grab.timeMs = rig.gateNow;
  grab.handPresent = true;
  grab.actions = {{ActionKind::LeftDown}};
  const std::uint64_t generation = rig.app.gate.readGeneration();
  rig.app.gate.apply(grab, generation);
  const auto* sink = static_cast<test::RecordingSink*>(rig.app.sink.get());
  rig.gateNow += 251;  // no output since: the poller lets go
  ASSERT_TRUE(waitUntil([&] { return rig.app.gate.readGeneration() > generation; }));
  EXPECT_FALSE(sink->leftDown);
  EXPECT_EQ(sink->performed.size(), 2u);
  rig.app.stopThreads();
  EXPECT_TRUE(rig.app.flags.stopRequested);
  EXPECT_FALSE(rig.app.camera->running());
}

TEST(MainController, TickDecidesWhichFeedbackShowsOnTheDesktop) {
  struct Case {
    const char* name;
    bool control, practice, away, handPresent, reference, mouse;
    std::int64_t age;
    bool circle, guidance, card;
  };
  const Case cases[] = {
      {"in front", true, false, false, true, true, false, 0, true, false, false},
      {"away", true, false, true, true, true, false, 250, true, true, true},
      {"stale", true, false, true, true, true, false, 251, false, false, true},
      {"ahead counts as young", true, false, true, true, false, false, -500, true, true, false},
      {"no hand", true, false, true, false, false, false, 0, false, true, false},
      {"mouse has priority", true, false, true, true, false, true, 0, false, true, false},
      {"control off", false, false, true, true, true, false, 0, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.app.safety = {true, true, true};
    rig.app.shared.settings.GestureReference = c.reference;
    if (c.control) rig.startControl();
    ControlOutput output;
    const std::int64_t now = kT0 + 100;
    output.timeMs = now - c.age;
    output.handPresent = c.handPresent;
    rig.publish(output);
    if (c.mouse) rig.app.gate.stampPhysicalEvent(kT0);
    rig.frame(now, 0);
    const TickView view = rig.controller.tick(now, c.away);
    EXPECT_EQ(view.flags.showCircle, c.circle);
    EXPECT_EQ(view.flags.showGuidance, c.guidance);
    EXPECT_EQ(view.flags.showReference, c.card);
  }
  Rig rig;  // control ends when the camera does
  rig.app.safety = {true, true, true};
  rig.startControl();
  rig.app.camera->stop();
  rig.controller.tick(kT0 + 80, false);
  EXPECT_FALSE(rig.app.gate.enabled());
}

TEST(MainController, PracticeClickOnTheTargetIsAMouseHit) {
  Rig rig;
  rig.click(kIdPractice);
  rig.frame(kT0 + 40, 0);
  rig.controller.tick(kT0 + 40, false);
  {
    std::lock_guard lock(rig.app.shared.lock);
    rig.app.shared.frame = rig.app.camera->latestFrame();
  }
  // 640 × 480 fills 325 × 244 at (237, 108); the first target sits at (0.5, 0.35) of the area.
  const ReachRect area;
  const auto at = [&](float x, float y) {
    return Point{237.0f + (area.left + (area.right - area.left) * x) * 324.0f,
                 108.0f + (area.top + (area.bottom - area.top) * y) * 243.0f};
  };
  rig.controller.practiceClick(at(0.9f, 0.9f), kT0 + 50);
  EXPECT_EQ(rig.app.practice.practiceForPaint(kT0 + 50).mouseHits, 0u);
  rig.controller.practiceClick(at(0.5f, 0.35f), kT0 + 60);
  const PracticeState state = rig.app.practice.practiceForPaint(kT0 + 60);
  EXPECT_EQ(state.mouseHits, 1u);
  EXPECT_EQ(state.targetIndex, 1);
  rig.controller.showPage(kPageGeneral);  // only on the home page
  rig.controller.practiceClick(at(0.35f, 0.48f), kT0 + 70);
  EXPECT_EQ(rig.app.practice.practiceForPaint(kT0 + 70).mouseHits, 1u);
}

}  // namespace
}  // namespace vel
