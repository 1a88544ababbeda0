// The self-test modes without the platform: which one a command line selects, the camera test's
// cycles in virtual time, the smoke report, and the diagnostics and test-image reports on the real
// models, all in the number format every report shares.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <functional>
#include <iomanip>
#include <limits>
#include <locale>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "app/camera_test.h"
#include "app/diagnostics.h"
#include "app/ini_store.h"
#include "app/report_format.h"
#include "app/run_mode.h"
#include "app/smoke_report.h"
#include "app/wide_text.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

TEST(RunMode, ModeWordsNeedTheirArgumentsAndMatchExactly) {
  using Request = std::tuple<RunMode, std::wstring, std::wstring>;  // mode, image, report
  const std::pair<std::vector<std::wstring>, Request> cases[] = {  // the arguments after the program
      {{}, {RunMode::Program, L"", L""}},
      {{L"--diagnostics", L"d.txt"}, {RunMode::Diagnostics, L"", L"d.txt"}},
      {{L"--camera-test", L"c.txt", L"extra"}, {RunMode::CameraTest, L"", L"c.txt"}},
      {{L"--test-image", L"hand.png", L"t.txt"}, {RunMode::TestImage, L"hand.png", L"t.txt"}},
      {{L"--smoke-test", L"s.txt"}, {RunMode::SmokeTest, L"", L"s.txt"}},
      {{L"--diagnostics"}, {RunMode::Program, L"", L""}},
      {{L"--test-image", L"hand.png"}, {RunMode::Program, L"", L""}},
      {{L"--Diagnostics", L"d.txt"}, {RunMode::Program, L"", L""}},
      {{L"--unknown", L"a", L"b"}, {RunMode::Program, L"", L""}},
  };
  for (const auto& [words, expected] : cases) {
    std::vector<std::wstring> arguments{L"Velmora.exe"};
    arguments.insert(arguments.end(), words.begin(), words.end());
    const RunRequest request = parseCommandLine(arguments);
    EXPECT_EQ(Request(request.mode, request.image, request.report), expected) << arguments.size();
  }
}

// A camera in virtual time that is its own clock. Once started, it delivers a frame every 100 ms,
// the one due at 300 ms missing, unless `delivers` is false; the capture ends by itself
// `endsAfterMs` after the start, keeping its last frame as a failed capture does; stopping takes
// 7 ms. Its transcript interleaves starts and stops with what the report file gained meanwhile.
class ScriptedCamera final : public ICamera, public ITestClock {
 public:
  ScriptedCamera(bool delivers, std::uint64_t endsAfterMs, std::filesystem::path report)
      : delivers_(delivers), endsAfterMs_(endsAfterMs), report_(std::move(report)) {}

  std::uint64_t nowMs() override { return now_; }
  void sleepMs(std::uint32_t ms) override { now_ += ms; }

  void start(const CameraDevice& device, bool detail) override {
    readReport();
    transcript += L"start " + device.deviceId + (detail ? L" detail\n" : L" baseline\n");
    startMs_ = now_;
    stopped_ = false;
  }
  void stop() override {
    transcript += L"stop after " + std::to_wstring(elapsed()) + L"\n";
    now_ += 7;
    stopped_ = true;
  }
  FramePtr latestFrame() const override {
    const std::uint64_t due = std::min(elapsed(), endsAfterMs_) / 100 * 100;
    const std::uint64_t last = due == 300 ? 200 : due;  // ms after the start, also its sequence number
    return stopped_ || !delivers_ || last == 0 ? nullptr : makeFrame(64, 48, last, startMs_ + last);
  }
  bool running() const override { return !stopped_ && elapsed() < endsAfterMs_; }
  std::wstring lastError() const override { return {}; }

  void readReport() {
    const std::string written = test::readFile(report_);
    transcript += toWide(written.substr(read_));
    read_ = written.size();
  }
  std::wstring transcript;

 private:
  std::uint64_t elapsed() const { return now_ - startMs_; }

  const bool delivers_;
  const std::uint64_t endsAfterMs_;
  const std::filesystem::path report_;
  std::uint64_t now_ = 50'000, startMs_ = 0;
  std::size_t read_ = 0;
  bool stopped_ = true;
};

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

// Three cycles that each saw a first frame and were stopped `stopAfterMs` after their start.
std::wstring threeCycles(const std::wstring& device, std::uint64_t stopAfterMs, const std::wstring& delivery) {
  std::wstring transcript;
  for (const int cycle : {1, 2, 3}) {
    const std::wstring format = cycle == 1 ? L" baseline" : L" detail";
    transcript += L"start " + device + format + L"\nstop after " + std::to_wstring(stopAfterMs) + L"\nCycle " +
                  std::to_wstring(cycle) + format + L": frame=1, size=64x48, " + delivery + L", stopped=1, stop_ms=7\n";
  }
  return transcript + L"Result: PASS\n";
}

TEST(CameraTestMode, CyclesOnTheChosenCameraWithTheirWaitsCountsAndErrors) {
  const auto two = [] { return std::vector<CameraDevice>{{L"Front", L"usb#front"}, {L"Desk", L"usb#desk"}}; };
  const std::wstring noFrame =
      L"Cycle 1 baseline: frame=0, stopped=1, stop_ms=7\nERROR: Camera did not deliver a frame\nResult: FAIL\n";
  const struct {
    const char* name;
    std::function<std::vector<CameraDevice>()> list;
    const char* ini;
    bool delivers;
    std::uint64_t endsAfterMs;
    std::wstring transcript;
  } cases[] = {
      // The first frame is seen at the 40 ms poll of 120 ms; then those of (100, 2115] but one.
      {"a gap in delivery, Camera=9 of two", two, "[Velmora]\nCamera=9\n", true, kNever,
       threeCycles(L"usb#desk", 2120, L"observed_frames_2s=19, max_delivery_gap_ms=200")},
      {"a capture failing after one more frame, Camera=-3", two, "[Velmora]\nCamera=-3\n", true, 250,
       threeCycles(L"usb#front", 250, L"observed_frames_2s=1, max_delivery_gap_ms=0")},
      {"never a frame, no settings file", two, "", false, kNever,
       L"start usb#front baseline\nstop after 15000\n" + noFrame},
      {"a capture failing before a frame", two, "", false, 300, L"start usb#front baseline\nstop after 320\n" + noFrame},
      {"no camera", [] { return std::vector<CameraDevice>{}; }, "", false, kNever,
       L"ERROR: No camera detected\nResult: FAIL\n"},
      {"listing failed", []() -> std::vector<CameraDevice> { throw std::runtime_error("Enumerate cameras (0x80004005)"); },
       "", false, kNever, L"ERROR: Enumerate cameras (0x80004005)\nResult: FAIL\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const test::TempDir dir;
    if (*c.ini) test::writeFile(dir / "settings.ini", c.ini);
    ScriptedCamera camera(c.delivers, c.endsAfterMs, dir / "report.txt");
    std::ofstream report(dir / "report.txt", std::ios::binary);
    const int exitCode = runCameraTest(report, {camera, c.list, IniStore(dir / "settings.ini"), camera});
    report.close();
    camera.readReport();
    EXPECT_EQ(camera.transcript, c.transcript);
    EXPECT_EQ(exitCode, c.transcript.ends_with(L"PASS\n") ? 0 : 2);
  }
}

SmokeFacts healthy() {
  SmokeFacts f;
  f.trackerReady = f.startAvailable = f.hotkeyRegistered = f.mouseHookPresent = true;
  f.memory = SmokeMemory{61'440'000, 98'304'000};
  for (int i = 0; i < 6; ++i) f.pages[i] = {i % 3, i >= 3, 5 + 4 * (i % 3) + (i == 4), true, true};
  f.guideSheetsDecoded = f.learningWindowsAbsent = f.gesturesValid = f.overlaysPresent = true;
  f.modelStartupWaitMs = 734;
  return f;
}

// The report, on a stream set to print flags as words, and the exit code.
std::pair<std::string, int> smokeReport(const SmokeFacts& facts) {
  std::ostringstream report;
  report << std::boolalpha;
  const int exitCode = writeSmokeReport(report, facts);
  return {report.str(), exitCode};
}

TEST(SmokeReport, HealthyFactsGiveEveryLineInOrderAndPassAndEachConditionFailsTheRunAlone) {
  EXPECT_EQ(smokeReport(healthy()),
            (std::pair<std::string, int>{
                "Native window created: yes\nLocal models initialized: 1\nCamera off: 1\nDesktop control off: 1\n"
                "Start control available without preview: 1\nPause hotkey registered: 1\n"
                "Physical mouse hook registered: 1\nWorking set bytes: 61440000\nPeak working set bytes: 98304000\n"
                "Home (automatic) visible controls: 5\nGeneral (automatic) visible controls: 9\n"
                "Gestures (automatic) visible controls: 13\nHome (fixed) visible controls: 5\n"
                "General (fixed) visible controls: 10\nGestures (fixed) visible controls: 13\n"
                "Page visibility and hidden settings: 1\nAll visible controls within client bounds on all pages: 1\n"
                "All gesture image sheets decoded: 1 (4 sheets, 6 assignable poses)\n"
                "Inline practice with no learning windows: 1\nGesture catalog valid: 1\n"
                "Transparent filling circle and guidance created (no toolbar): 1\nModel startup wait ms: 734\n"
                "Result: PASS\n",
                0}));

  const std::function<void(SmokeFacts&)> failing[] = {
      [](SmokeFacts& f) { f.trackerReady = false; },      [](SmokeFacts& f) { f.cameraRunning = true; },
      [](SmokeFacts& f) { f.controlEnabled = true; },     [](SmokeFacts& f) { f.startRequestPending = true; },
      [](SmokeFacts& f) { f.startAvailable = false; },    [](SmokeFacts& f) { f.hotkeyRegistered = false; },
      [](SmokeFacts& f) { f.mouseHookPresent = false; },  [](SmokeFacts& f) { f.pages[4].visibilityCorrect = false; },
      [](SmokeFacts& f) { f.pages[2].withinClient = false; }, [](SmokeFacts& f) { f.guideSheetsDecoded = false; },
      [](SmokeFacts& f) { f.gesturesValid = false; },     [](SmokeFacts& f) { f.overlaysPresent = false; },
  };
  for (std::size_t i = 0; i < std::size(failing); ++i) {
    SmokeFacts facts = healthy();
    failing[i](facts);
    const auto [report, exitCode] = smokeReport(facts);
    EXPECT_EQ(exitCode, 2) << "condition " << i;
    EXPECT_TRUE(report.ends_with("\nResult: FAIL\n")) << report;
  }

  // Lines that take no part in the verdict.
  SmokeFacts facts = healthy();
  facts.memory.reset();
  facts.learningWindowsAbsent = false;
  facts.pages[5].page = 3;
  facts.appError = L"Tracker unavailable: models \u2014 \u201chand.onnx\u201d\u0080\u007f";
  const auto [report, exitCode] = smokeReport(facts);
  EXPECT_EQ(exitCode, 0);
  EXPECT_NE(report.find("hook registered: 1\nHome (automatic)"), std::string::npos) << report;
  EXPECT_NE(report.find("\n? (fixed) visible controls: 13\n"), std::string::npos) << "no such page";
  EXPECT_NE(report.find("\nInline practice with no learning windows: 0\n"), std::string::npos);
  EXPECT_TRUE(report.ends_with("734\nApp error: Tracker unavailable: models ? ?hand.onnx??\x7f\nResult: PASS\n")) << report;
}

TEST(DiagnosticsReport, RealModelsGiveTheFullReportAndAFailureEndsItWithTheError) {
  const CameraCounter uncalled = [] {
    ADD_FAILURE() << "cameras counted";
    return std::size_t{0};
  };
  const test::TempDir empty;
  const std::tuple<std::filesystem::path, CameraCounter, int, std::string> cases[] = {
      {test::modelsDir(), [] { return std::size_t{2}; }, 0,
       "Velmora model diagnostics\nPalm input: [^;\n]+; hand input: [^;\n]+; hand outputs: Identity Identity_1 "
       "Identity_2 Identity_3\nBlank frame false positive: none\n"
       "Mean palm inference after warmup: (?!0 ms)[0-9.]+(e\\+[0-9]+)? ms\n"  // not 0 nor a negative power of ten
       "Camera enumeration \\(camera not opened\\):\nCamera 0 available\nCamera 1 available\n"},
      // Missing or empty, a models folder fails before the header is written.
      {test::modelsDir() / "absent", uncalled, 1, "ERROR: [^\n]*palm\\.onnx[^\n]*\n"},
      {empty.path(), uncalled, 1, "ERROR: [^\n]*palm\\.onnx[^\n]*\n"},
      {test::modelsDir(), []() -> std::size_t { throw std::runtime_error("Enumerate cameras (0x80004005)"); }, 1,
       "(.|\n)*\\(camera not opened\\):\nERROR: Enumerate cameras \\(0x80004005\\)\n"},
  };
  for (const auto& [models, countCameras, exitCode, expected] : cases) {
    std::ostringstream report;
    report << std::showpos;  // whatever the stream held, the report has its own format
    EXPECT_EQ(runDiagnostics(report, models, countCameras), exitCode);
    EXPECT_TRUE(std::regex_match(report.str(), std::regex(expected))) << report.str();
  }
}

// Hands out its frames, then fails with `failure` unless it is empty.
class PreparedImage final : public IImageFrames {
 public:
  PreparedImage(std::deque<Frame> frames, std::string failure) : frames_(std::move(frames)), failure_(std::move(failure)) {}
  std::optional<Frame> next() override {
    if (frames_.empty() && !failure_.empty()) throw std::runtime_error(failure_);
    if (frames_.empty()) return std::nullopt;
    Frame frame = std::move(frames_.front());
    frames_.pop_front();
    return frame;
  }

 private:
  std::deque<Frame> frames_;
  std::string failure_;
};

TEST(TestImageReport, FramesAreTrackedAsOneSequenceWithEveryLineInOrder) {
  const auto frame = [](int index, const char* size, int valid) {
    return "frame=" + std::to_string(index) + " " + size + " valid=" + std::to_string(valid) +
           " confidence=[0-9.e+-]+ ms=[0-9.e+-]+ note\n";
  };
  const char* hands = "width=720 height=382";
  const char* blank = "width=640 height=480";
  std::string landmarks;
  for (int i = 0; i < 21; ++i) landmarks += std::to_string(i) + ":[0-9.e+-]+,[0-9.e+-]+ ";
  landmarks += "\n";
  const struct {
    std::deque<Frame> frames;
    std::string failure, expected;
    int exitCode;
  } cases[] = {
      {{test::photo("hands.jpg"), *makeFrame(640, 480, 0, 0)}, "",
       frame(0, hands, 1) + landmarks + frame(1, blank, 0) + "Detected 1 / 2 frames\n", 0},
      {{*makeFrame(640, 480, 0, 0)}, "", frame(0, blank, 0) + "Detected 0 / 1 frames\n", 2},
      {{test::photo("hands.jpg")}, "Read image pixels (0x88982f61)",
       frame(0, hands, 1) + landmarks + "ERROR: Read image pixels \\(0x88982f61\\)\n", 1},
  };
  for (const auto& c : cases) {
    std::ostringstream report;
    report << std::showpos;  // whatever the stream held, the report has its own format
    const int exitCode = runTestImage(
        report, test::modelsDir(), [&] { return std::make_unique<PreparedImage>(c.frames, c.failure); },
        [](std::ostream& out, const Frame&, const HandObservation&) { out << " note"; });
    EXPECT_EQ(exitCode, c.exitCode);
    EXPECT_TRUE(std::regex_match(report.str(), std::regex(c.expected))) << report.str();
  }

  // The image is opened before the models load, so its error is the one reported.
  std::ostringstream report;
  EXPECT_EQ(runTestImage(report, test::modelsDir() / "absent",
                         []() -> std::unique_ptr<IImageFrames> { throw std::runtime_error("Decode test image (0x80070002)"); }),
            1);
  EXPECT_EQ(report.str(), "ERROR: Decode test image (0x80070002)\n");
}

// Thousands grouped by commas, as a user's locale may do.
struct Grouping final : std::numpunct<char> {
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(ReportFormat, UndoesWhateverTheStreamWasSetTo) {
  std::ostringstream report;
  report.imbue(std::locale(report.getloc(), new Grouping));
  report << std::boolalpha << std::fixed << std::setprecision(2) << std::showpos << std::hex << std::uppercase
         << std::setw(8);
  useReportFormat(report);
  report << true << " " << 0.99445512 << " " << 1e-7 << " " << 123456789.0 << " " << 255 << " " << 12.5f << " "
         << 1234567;
  EXPECT_EQ(report.str(), "1 0.994455 1e-07 1.23457e+08 255 12.5 1234567");
}

}  // namespace
}  // namespace vel
