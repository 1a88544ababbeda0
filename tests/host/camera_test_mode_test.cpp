// The camera test's cycles in virtual time, with a scripted camera in place of a real one.
#include "app/camera_test.h"

#include <gtest/gtest.h>

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
constexpr std::uint64_t kStopCostMs = 7;

// Frame k (from 1) arrives arrivals[k - 1] ms after each start; the capture ends by itself
// `endsAfterMs` after the start, keeping its last frame as a failed capture does.
class ScriptedCamera final : public ICamera {
 public:
  ScriptedCamera(VirtualClock& clock, std::vector<std::uint64_t> arrivals, std::uint64_t endsAfterMs = kNever)
      : clock_(clock), arrivals_(std::move(arrivals)), endsAfterMs_(endsAfterMs) {}

  void start(const CameraDevice& device, bool detail) override {
    starts.push_back({device.deviceId, detail});
    if (onStart) onStart();
    startMs_ = clock_.now;
    stopped_ = false;
  }
  void stop() override {
    stopsAfterMs.push_back(elapsed());
    clock_.now += kStopCostMs;
    stopped_ = true;
  }
  FramePtr latestFrame() const override {
    if (stopped_) return nullptr;
    const std::uint64_t seen = std::min(elapsed(), endsAfterMs_);
    std::uint64_t count = 0;
    while (count < arrivals_.size() && arrivals_[count] <= seen) ++count;
    return count == 0 ? nullptr : makeFrame(64, 48, count, startMs_ + arrivals_[count - 1]);
  }
  bool running() const override { return !stopped_ && elapsed() < endsAfterMs_; }
  std::wstring lastError() const override { return {}; }

  std::vector<std::pair<std::wstring, bool>> starts;  // device id and detail
  std::vector<std::uint64_t> stopsAfterMs;            // time from start to each stop
  std::function<void()> onStart;

 private:
  std::uint64_t elapsed() const { return clock_.now - startMs_; }

  VirtualClock& clock_;
  const std::vector<std::uint64_t> arrivals_;
  const std::uint64_t endsAfterMs_;
  std::uint64_t startMs_ = 0;
  bool stopped_ = true;
};

// Every 100 ms from 100 ms to 5 s, the one due at 1000 ms missing.
std::vector<std::uint64_t> deliveryWithAGap() {
  std::vector<std::uint64_t> arrivals;
  for (std::uint64_t t = 100; t <= 5000; t += 100) {
    if (t != 1000) arrivals.push_back(t);
  }
  return arrivals;
}

const std::vector<CameraDevice> kTwoCameras{{L"Front", L"\\\\?\\usb#front"}, {L"Desk", L"\\\\?\\usb#desk"}};

struct TestRun {
  std::string report;
  int exitCode;
};

TestRun runWith(ScriptedCamera& camera, VirtualClock& clock, const std::string& ini = "",
            std::function<std::vector<CameraDevice>()> list = [] { return kTwoCameras; }) {
  const test::TempDir dir;
  if (!ini.empty()) test::writeFile(dir / "settings.ini", ini);
  const IniStore settings(dir / "settings.ini");
  std::ostringstream report;
  const int exitCode = runCameraTest(report, {camera, std::move(list), settings, clock});
  return {report.str(), exitCode};
}

TEST(CameraTestMode, CyclesWaitForTheFirstFrameThenCountDeliveryForTwoSeconds) {
  const std::string noFrame =
      "Cycle 1 baseline: frame=0, stopped=1, stop_ms=7\nERROR: Camera did not deliver a frame\nResult: FAIL\n";
  const struct {
    const char* name;
    std::vector<std::uint64_t> arrivals;
    std::uint64_t endsAfterMs;
    std::string report;
    int exitCode;
    std::uint64_t stopAfterMs;  // of every cycle that ran
  } cases[] = {
      // First frame seen at the 40 ms poll of 120 ms; then frames of (100, 2115] minus one.
      {"delivery with a gap",
       deliveryWithAGap(),
       kNever,
       "Cycle 1 baseline: frame=1, size=64x48, observed_frames_2s=19, max_delivery_gap_ms=200, stopped=1, stop_ms=7\n"
       "Cycle 2 detail: frame=1, size=64x48, observed_frames_2s=19, max_delivery_gap_ms=200, stopped=1, stop_ms=7\n"
       "Cycle 3 detail: frame=1, size=64x48, observed_frames_2s=19, max_delivery_gap_ms=200, stopped=1, stop_ms=7\n"
       "Result: PASS\n",
       0,
       2120},
      {"never a frame", {}, kNever, noFrame, 2, 15000},
      {"capture failing before a frame", {}, 300, noFrame, 2, 320},
      {"capture failing while delivering",
       deliveryWithAGap(),
       700,
       "Cycle 1 baseline: frame=1, size=64x48, observed_frames_2s=5, max_delivery_gap_ms=100, stopped=1, stop_ms=7\n"
       "Cycle 2 detail: frame=1, size=64x48, observed_frames_2s=5, max_delivery_gap_ms=100, stopped=1, stop_ms=7\n"
       "Cycle 3 detail: frame=1, size=64x48, observed_frames_2s=5, max_delivery_gap_ms=100, stopped=1, stop_ms=7\n"
       "Result: PASS\n",
       0,
       700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock clock;
    ScriptedCamera camera(clock, c.arrivals, c.endsAfterMs);
    const TestRun run = runWith(camera, clock);
    EXPECT_EQ(run.report, c.report);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(camera.stopsAfterMs, std::vector<std::uint64_t>(camera.starts.size(), c.stopAfterMs));
  }
}

TEST(CameraTestMode, TheCameraSettingIsClampedToTheList) {
  const struct {
    const char* ini;
    std::size_t camera;
  } cases[] = {{"", 0}, {"[Velmora]\r\nCamera=9\r\n", 1}, {"[Velmora]\r\nCamera=-3\r\n", 0}, {"[Velmora]\r\nCamera=1\r\n", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    VirtualClock clock;
    ScriptedCamera camera(clock, deliveryWithAGap());
    EXPECT_EQ(runWith(camera, clock, c.ini).exitCode, 0);
    const std::wstring& id = kTwoCameras[c.camera].deviceId;
    EXPECT_EQ(camera.starts, (std::vector<std::pair<std::wstring, bool>>{{id, false}, {id, true}, {id, true}}));
  }
}

TEST(CameraTestMode, NoCameraOrAFailedListingFailsWithoutStarting) {
  const struct {
    std::function<std::vector<CameraDevice>()> list;
    std::string report;
  } cases[] = {
      {[] { return std::vector<CameraDevice>{}; }, "ERROR: No camera detected\nResult: FAIL\n"},
      {[]() -> std::vector<CameraDevice> { throw std::runtime_error("Enumerate cameras (0x80004005)"); },
       "ERROR: Enumerate cameras (0x80004005)\nResult: FAIL\n"},
  };
  for (const auto& c : cases) {
    VirtualClock clock;
    ScriptedCamera camera(clock, deliveryWithAGap());
    const TestRun run = runWith(camera, clock, "", c.list);
    EXPECT_EQ(run.report, c.report);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(camera.starts.empty());
  }
}

TEST(CameraTestMode, EachCycleLineIsInTheFileBeforeTheNextCycleStarts) {
  const test::TempDir dir;
  const IniStore settings(dir / "settings.ini");
  VirtualClock clock;
  ScriptedCamera camera(clock, deliveryWithAGap());
  std::vector<std::string> seenAtStart;
  camera.onStart = [&] { seenAtStart.push_back(test::readFile(dir / "report.txt")); };
  std::ofstream report(dir / "report.txt", std::ios::binary);
  EXPECT_EQ(runCameraTest(report, {camera, [] { return kTwoCameras; }, settings, clock}), 0);
  ASSERT_EQ(seenAtStart.size(), 3u);
  EXPECT_EQ(seenAtStart[0], "");
  EXPECT_TRUE(seenAtStart[1].starts_with("Cycle 1 baseline: frame=1,")) << seenAtStart[1];
  EXPECT_TRUE(seenAtStart[2].ends_with("stop_ms=7\n") && seenAtStart[2].find("Cycle 2 detail") != std::string::npos)
      << seenAtStart[2];
}

}  // namespace
}  // namespace vel
