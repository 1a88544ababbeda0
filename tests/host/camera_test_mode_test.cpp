// The camera test's cycles in virtual time, with a scripted camera in place of a real one.
#include "app/camera_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "app/ini_store.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

class VirtualClock final : public ITestClock {
 public:
  std::uint64_t nowMs() override { return now; }
  void sleepMs(std::uint32_t ms) override { now += ms; }
  std::uint64_t now = 50'000;
};

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

// Frame k (from 1) arrives arrivals[k - 1] ms after each start; the capture ends by itself
// `endsAfterMs` after the start, keeping its last frame as a failed capture does. Stopping takes
// 7 ms. Each start notes how many lines the report file holds.
class ScriptedCamera final : public ICamera {
 public:
  ScriptedCamera(VirtualClock& clock, std::vector<std::uint64_t> arrivals, std::uint64_t endsAfterMs,
                 std::filesystem::path report)
      : clock_(clock), arrivals_(std::move(arrivals)), endsAfterMs_(endsAfterMs), report_(std::move(report)) {}

  void start(const CameraDevice& device, bool detail) override {
    const std::string written = test::readFile(report_);
    starts.push_back({device.deviceId, detail, std::count(written.begin(), written.end(), '\n')});
    startMs_ = clock_.now;
    stopped_ = false;
  }
  void stop() override {
    stopsAfterMs.push_back(elapsed());
    clock_.now += 7;
    stopped_ = true;
  }
  FramePtr latestFrame() const override {
    const auto count = std::upper_bound(arrivals_.begin(), arrivals_.end(), std::min(elapsed(), endsAfterMs_)) -
                       arrivals_.begin();
    if (stopped_ || count == 0) return nullptr;
    return makeFrame(64, 48, static_cast<std::uint64_t>(count), startMs_ + arrivals_[count - 1]);
  }
  bool running() const override { return !stopped_ && elapsed() < endsAfterMs_; }
  std::wstring lastError() const override { return {}; }

  struct Start {
    std::wstring deviceId;
    bool detail;
    std::ptrdiff_t reportLines;
    bool operator==(const Start&) const = default;
  };
  std::vector<Start> starts;
  std::vector<std::uint64_t> stopsAfterMs;

 private:
  std::uint64_t elapsed() const { return clock_.now - startMs_; }

  VirtualClock& clock_;
  const std::vector<std::uint64_t> arrivals_;
  const std::uint64_t endsAfterMs_;
  const std::filesystem::path report_;
  std::uint64_t startMs_ = 0;
  bool stopped_ = true;
};

// Every 100 ms from 100 ms to 5 s, the one due at 300 ms missing.
std::vector<std::uint64_t> deliveryWithAGap() {
  std::vector<std::uint64_t> arrivals;
  for (std::uint64_t t = 100; t <= 5000; t += 100) {
    if (t != 300) arrivals.push_back(t);
  }
  return arrivals;
}

std::string threeCycles(const std::string& details) {
  std::string report;
  for (const char* cycle : {"1 baseline", "2 detail", "3 detail"}) {
    report += "Cycle " + std::string(cycle) + ": frame=1, size=64x48, " + details + ", stopped=1, stop_ms=7\n";
  }
  return report + "Result: PASS\n";
}

TEST(CameraTestMode, CyclesOnTheChosenCameraWithTheirWaitsCountsAndErrors) {
  const std::vector<CameraDevice> two{{L"Front", L"usb#front"}, {L"Desk", L"usb#desk"}};
  const std::string noFrame =
      "Cycle 1 baseline: frame=0, stopped=1, stop_ms=7\nERROR: Camera did not deliver a frame\nResult: FAIL\n";
  const struct {
    const char* name;
    std::function<std::vector<CameraDevice>()> list;
    const char* ini;
    std::vector<std::uint64_t> arrivals;
    std::uint64_t endsAfterMs;
    std::string report;
    std::uint64_t stopAfterMs;  // in every cycle that ran
    const wchar_t* device;      // the one started
  } cases[] = {
      // The first frame is seen at the 40 ms poll of 120 ms; then those of (100, 2115] but one.
      {"a gap in delivery, Camera=9 of two", [&] { return two; }, "[Velmora]\nCamera=9\n", deliveryWithAGap(), kNever,
       threeCycles("observed_frames_2s=19, max_delivery_gap_ms=200"), 2120, L"usb#desk"},
      {"a capture failing after one more frame, Camera=-3", [&] { return two; }, "[Velmora]\nCamera=-3\n",
       deliveryWithAGap(), 250, threeCycles("observed_frames_2s=1, max_delivery_gap_ms=0"), 250, L"usb#front"},
      {"never a frame, no settings file", [&] { return two; }, "", {}, kNever, noFrame, 15000, L"usb#front"},
      {"a capture failing before a frame", [&] { return two; }, "", {}, 300, noFrame, 320, L"usb#front"},
      {"no camera", [] { return std::vector<CameraDevice>{}; }, "", {}, kNever,
       "ERROR: No camera detected\nResult: FAIL\n", 0, L""},
      {"listing failed", []() -> std::vector<CameraDevice> { throw std::runtime_error("Enumerate cameras (0x80004005)"); },
       "", {}, kNever, "ERROR: Enumerate cameras (0x80004005)\nResult: FAIL\n", 0, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const test::TempDir dir;
    if (*c.ini) test::writeFile(dir / "settings.ini", c.ini);
    const IniStore settings(dir / "settings.ini");
    VirtualClock clock;
    ScriptedCamera camera(clock, c.arrivals, c.endsAfterMs, dir / "report.txt");
    std::ofstream report(dir / "report.txt", std::ios::binary);

    const int exitCode = runCameraTest(report, {camera, c.list, settings, clock});
    report.close();
    EXPECT_EQ(test::readFile(dir / "report.txt"), c.report);
    EXPECT_EQ(exitCode, c.report.ends_with("PASS\n") ? 0 : 2);
    // One start and one stop per cycle line, each line in the file before the next cycle starts.
    std::istringstream lines(c.report);
    std::ptrdiff_t cycles = 0;
    for (std::string line; std::getline(lines, line);) cycles += line.starts_with("Cycle ");
    ASSERT_EQ(std::ssize(camera.starts), cycles);
    EXPECT_EQ(camera.stopsAfterMs, std::vector<std::uint64_t>(camera.starts.size(), c.stopAfterMs));
    for (std::ptrdiff_t i = 0; i < cycles; ++i) {
      EXPECT_EQ(camera.starts[i], (ScriptedCamera::Start{c.device, i > 0, i}));
    }
  }
}

}  // namespace
}  // namespace vel
