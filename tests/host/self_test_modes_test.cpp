// The self-test modes without the platform: the camera test's cycles in virtual time in the number
// format every report shares, the smoke report's verdict, and the diagnostics and test-image reports
// on the real models. The modes suite runs each mode of the real program.
#include <gtest/gtest.h>

#include <functional>
#include <iomanip>
#include <cstdint>
#include <regex>
#include <sstream>
#include <tuple>
#include <vector>

#include "app/camera_test.h"
#include "app/diagnostics.h"
#include "app/ini_store.h"
#include "app/run_mode.h"
#include "app/smoke_report.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

// A camera in virtual time that is its own clock: once started, a frame every 100 ms but the one
// due at 300 ms, unless `delivers` is false; the capture ends `endsAfterMs` after the start, keeping
// its last frame as a failed one does; stopping takes 7 ms. It notes starts and stops in the report.
struct ScriptedCamera final : ICamera, ITestClock {
  ScriptedCamera(std::ostream& out, bool delivery, std::uint64_t endsAfter)
      : report(out), delivers(delivery), endsAfterMs(endsAfter) {}
  std::uint64_t nowMs() override { return now; }
  void sleepMs(std::uint32_t ms) override { now += ms; }
  void start(const CameraDevice& device, bool detail) override {
    report << "start ";
    for (const wchar_t unit : device.deviceId) report << static_cast<char>(unit);
    report << (detail ? " detail\n" : " baseline\n");
    std::tie(startMs, stopped) = std::tuple(now, false);
  }
  void stop() override {
    report << "stop after " << now - startMs << "\n";
    std::tie(now, stopped) = std::tuple(now + 7, true);
  }
  FramePtr latestFrame() const override {
    const std::uint64_t due = std::min(now - startMs, endsAfterMs) / 100 * 100;
    const std::uint64_t last = due == 300 ? 200 : due;  // ms after the start, also its sequence number
    return stopped || !delivers || last == 0 ? nullptr : makeFrame(64, 48, last, startMs + last);
  }
  bool running() const override { return !stopped && now - startMs < endsAfterMs; }
  std::wstring lastError() const override { return {}; }

  std::ostream& report;
  const bool delivers;
  const std::uint64_t endsAfterMs;
  std::uint64_t now = 50'000, startMs = 0;
  bool stopped = true;
};

TEST(CameraTestMode, CyclesOnTheChosenCameraWithTheirWaitsCountsAndErrors) {
  // Three cycles that each saw a first frame and were stopped `stopAfterMs` after their start.
  const auto threeCycles = [](const std::string& device, int stopAfterMs, const std::string& delivery) {
    std::string report;
    for (const int cycle : {1, 2, 3}) {
      const std::string format = cycle == 1 ? " baseline" : " detail";
      report += "start " + device + format + "\nstop after " + std::to_string(stopAfterMs) + "\nCycle " +
                std::to_string(cycle) + format + ": frame=1, size=64x48, " + delivery + ", stopped=1, stop_ms=7\n";
    }
    return report + "Result: PASS\n";
  };
  const auto two = [] { return std::vector<CameraDevice>{{L"Front", L"usb#front"}, {L"Desk", L"usb#desk"}}; };
  const std::string noFrame =
      "Cycle 1 baseline: frame=0, stopped=1, stop_ms=7\nERROR: Camera did not deliver a frame\nResult: FAIL\n";
  using List = std::function<std::vector<CameraDevice>()>;
  const std::tuple<List, const char*, bool, std::uint64_t, std::string> cases[] = {
      // The first frame is seen at the 40 ms poll of 120 ms, then those of (100, 2115] but one; or the
      // capture fails after one more frame.
      {two, "[Velmora]\nCamera=9\n", true, UINT64_MAX,
       threeCycles("usb#desk", 2120, "observed_frames_2s=19, max_delivery_gap_ms=200")},
      {two, "[Velmora]\nCamera=-3\n", true, 250,
       threeCycles("usb#front", 250, "observed_frames_2s=1, max_delivery_gap_ms=0")},
      {two, "", false, UINT64_MAX, "start usb#front baseline\nstop after 15000\n" + noFrame},
      {two, "", false, 300, "start usb#front baseline\nstop after 320\n" + noFrame},  // fails before a frame
      {[] { return std::vector<CameraDevice>{}; }, "", false, UINT64_MAX, "ERROR: No camera detected\nResult: FAIL\n"},
  };
  for (const auto& [list, ini, delivers, endsAfterMs, expected] : cases) {
    const test::TempDir dir;
    if (*ini) test::writeFile(dir / "settings.ini", ini);
    std::ostringstream report;  // whatever the stream was set to, the report has its own format
    report << std::boolalpha << std::fixed << std::setprecision(2) << std::showpos << std::hex << std::setw(8);
    ScriptedCamera camera(report, delivers, endsAfterMs);
    const int exitCode = runCameraTest(report, {camera, list, IniStore(dir / "settings.ini"), camera});
    EXPECT_EQ(exitCode, expected.ends_with("PASS\n") ? 0 : 2);
    report << 0.99445512 << " " << 1e-7 << " " << 123456789.0;  // six significant digits
    EXPECT_EQ(report.str(), expected + "0.994455 1e-07 1.23457e+08");
  }
}

TEST(SmokeReport, EachConditionFailsTheRunAloneAndTheOtherLinesTakeNoPart) {
  SmokeFacts healthy;
  healthy.trackerReady = healthy.startAvailable = healthy.hotkeyRegistered = healthy.mouseHookPresent = true;
  for (int i = 0; i < 6; ++i) healthy.pages[i] = {i % 3, i >= 3, 5 + i, true, true};
  healthy.guideSheetsDecoded = healthy.gesturesValid = healthy.overlaysPresent = true;
  const auto run = [](const SmokeFacts& facts) {
    std::ostringstream report;
    const int exitCode = writeSmokeReport(report, facts);
    return std::pair(report.str(), exitCode);
  };
  const std::function<void(SmokeFacts&)> failing[] = {
      [](SmokeFacts& f) { f.trackerReady = false; },      [](SmokeFacts& f) { f.cameraRunning = true; },
      [](SmokeFacts& f) { f.controlEnabled = true; },     [](SmokeFacts& f) { f.startRequestPending = true; },
      [](SmokeFacts& f) { f.startAvailable = false; },    [](SmokeFacts& f) { f.hotkeyRegistered = false; },
      [](SmokeFacts& f) { f.mouseHookPresent = false; },  [](SmokeFacts& f) { f.pages[4].visibilityCorrect = false; },
      [](SmokeFacts& f) { f.pages[2].withinClient = false; }, [](SmokeFacts& f) { f.guideSheetsDecoded = false; },
      [](SmokeFacts& f) { f.gesturesValid = false; },     [](SmokeFacts& f) { f.overlaysPresent = false; },
  };
  for (const auto& fail : failing) {
    SmokeFacts facts = healthy;
    fail(facts);
    EXPECT_EQ(run(facts).second, 2);
  }
  healthy.appError = L"Tracker unavailable: models \u2014 \u201chand.onnx\u201d\u0080\u007f";
  const auto [report, exitCode] = run(healthy);
  EXPECT_EQ(exitCode, 0);  // the modes suite compares a whole report; here the lines outside the verdict
  EXPECT_NE(report.find("\nHome (automatic) visible controls: 5\nGeneral (automatic) visible controls: 6\n"),
            std::string::npos);
  EXPECT_TRUE(report.ends_with("ms: 0\nApp error: Tracker unavailable: models ? ?hand.onnx??\x7f\nResult: PASS\n"));
}

TEST(CommandLine, EachModeWordWithItsArgumentsAndAnythingElseStartsTheProgram) {
  using Args = std::vector<std::wstring>;
  const std::pair<Args, RunRequest> cases[] = {
      {{L"v", L"--diagnostics", L"d.txt", L"x"}, {RunMode::Diagnostics, L"", L"d.txt"}},
      {{L"v", L"--camera-test", L"c.txt"}, {RunMode::CameraTest, L"", L"c.txt"}},
      {{L"v", L"--test-image", L"in.jpg", L"t.txt"}, {RunMode::TestImage, L"in.jpg", L"t.txt"}},
      {{L"v", L"--smoke-test", L"s.txt", L"x"}, {RunMode::SmokeTest, L"", L"s.txt"}},
      {{L"v", L"--test-image", L"in.jpg"}, {}}, {{L"v", L"--camera-test"}, {}}, {{L"v", L"--Smoke-test", L"s"}, {}},
      {{L"--diagnostics", L"d.txt", L"x"}, {}}};  // the first argument is the program's own
  for (const auto& [args, expected] : cases) {
    const RunRequest got = parseCommandLine(args);
    EXPECT_EQ(std::tie(got.mode, got.image, got.report), std::tie(expected.mode, expected.image, expected.report))
        << &args - &cases[0].first;
  }
}

struct PreparedImage final : IImageFrames {  // hands out its frames in order
  explicit PreparedImage(std::vector<Frame> all) : frames(std::move(all)) {}
  std::optional<Frame> next() override { return taken < frames.size() ? std::optional(frames[taken++]) : std::nullopt; }
  std::vector<Frame> frames;
  std::size_t taken = 0;
};

// With a clock that reads k² ms at its k-th reading, timed steps take 2k + 1 ms: after three warm-up
// steps (one reading each) the twelve timed ones average 29 ms.
TEST(DiagnosticsReport, RealModelsGiveEveryLineAndAMissingModelEndsTheReportWithTheError) {
  const Frame blank = *makeFrame(640, 480, 0, 0);
  const std::string n = "[0-9.e+-]+", none = " width=640 height=480 valid=0 confidence=" + n + " ms=";
  const auto squares = [] { return [k = -1]() mutable { ++k; return static_cast<double>(k * k); }; };
  std::ostringstream out[4];
  EXPECT_EQ(runDiagnostics(out[0], test::modelsDir(), [] { return std::size_t{2}; }, squares()), 0);
  EXPECT_EQ(runDiagnostics(out[1], "absent", [] { return std::size_t{2}; }), 1);
  const auto image = [](std::vector<Frame> frames) { return [=] { return std::make_unique<PreparedImage>(frames); }; };
  EXPECT_EQ(runTestImage(out[2], test::modelsDir(), image({test::photo("hands.jpg"), blank}), {}, squares()), 0);
  EXPECT_EQ(runTestImage(out[3], test::modelsDir(), image({blank})), 2);
  const std::string expected[] = {
      "Velmora model diagnostics\nPalm input: [^;\n]+; hand input: [^;\n]+; hand outputs: Identity Identity_1 "
      "Identity_2 Identity_3\nBlank frame false positive: none\nMean palm inference after warmup: 29 ms\n"
      "Camera enumeration \\(camera not opened\\):\nCamera 0 available\nCamera 1 available\n",
      "ERROR: [^\n]*palm\\.onnx[^\n]*\n",  // before the header
      "frame=0 width=720 height=382 valid=1 confidence=" + n + " ms=1\n([0-9]+:" + n + "," + n + " ){21}\n" +
          "frame=1" + none + "5\nDetected 1 / 2 frames\n",
      "frame=0" + none + n + "\nDetected 0 / 1 frames\n"};
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::regex_match(out[i].str(), std::regex(expected[i]))) << out[i].str();
}

}  // namespace
}  // namespace vel
