// The "--diagnostics" and "--test-image" reports on the real models, their line formats, and the
// number format every report shares.
#include "app/diagnostics.h"

#include <gtest/gtest.h>

#include <deque>
#include <iomanip>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "app/report_format.h"
#include "tests/support/frames.h"
#include "tests/support/paths.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

TEST(DiagnosticsReport, RealModelsGiveTheFullReportAndExitZero) {
  std::ostringstream report;
  report << std::showpos;  // whatever the stream held, the report has its own format
  EXPECT_EQ(runDiagnostics(report, test::modelsDir(), [] { return std::size_t{2}; }), 0);
  const std::regex expected(
      "Velmora model diagnostics\n"
      "Palm input: [^;\n]+; hand input: [^;\n]+; hand outputs: Identity Identity_1 Identity_2 Identity_3\n"
      "Blank frame false positive: none\n"
      "Mean palm inference after warmup: (?!0 ms)[0-9][0-9.e+-]* ms\n"
      "Camera enumeration \\(camera not opened\\):\n"
      "Camera 0 available\n"
      "Camera 1 available\n");
  EXPECT_TRUE(std::regex_match(report.str(), expected)) << report.str();
}

TEST(DiagnosticsReport, AFailureEndsTheReportWithTheErrorAndExitOne) {
  // Missing or empty, a models folder fails before the header is written.
  const test::TempDir empty;
  for (const auto& models : {test::modelsDir() / "absent", empty.path()}) {
    std::ostringstream report;
    bool enumerated = false;
    EXPECT_EQ(runDiagnostics(report, models, [&] { return enumerated = true, std::size_t{1}; }), 1);
    EXPECT_FALSE(enumerated);
    EXPECT_TRUE(std::regex_match(report.str(), std::regex("ERROR: [^\n]*palm\\.onnx[^\n]*\n"))) << report.str();
  }

  std::ostringstream failed;
  EXPECT_EQ(runDiagnostics(failed, test::modelsDir(),
                           []() -> std::size_t { throw std::runtime_error("Enumerate cameras (0x80004005)"); }),
            1);
  EXPECT_TRUE(failed.str().ends_with("(camera not opened):\nERROR: Enumerate cameras (0x80004005)\n")) << failed.str();
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
  const std::string landmarks = "(\\d+:[0-9.e+-]+,[0-9.e+-]+ ){21}\n";
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

TEST(TestImageReport, FrameLineAndLandmarkLine) {
  const Frame frame = *makeFrame(720, 382, 0, 0);
  HandObservation observation;
  observation.present = true;
  observation.landmarksValid = true;
  observation.presence = 0.994455f;
  for (std::size_t i = 0; i < observation.landmarks.size(); ++i) {
    observation.landmarks[i] = {static_cast<float>(i) + 0.5f, 100.25f};
  }
  std::ostringstream report;
  writeFrameLine(report, 3, frame, observation, 12.5);
  EXPECT_EQ(report.str(), "frame=3 width=720 height=382 valid=1 confidence=0.994455 ms=12.5");
  report.str("");
  writeFrameLine(report, 0, frame, HandObservation{}, 7.0);
  EXPECT_EQ(report.str(), "frame=0 width=720 height=382 valid=0 confidence=0 ms=7");

  report.str("");
  writeLandmarkLine(report, observation);
  EXPECT_TRUE(report.str().starts_with("0:0.5,100.25 1:1.5,100.25 ")) << report.str();
  EXPECT_TRUE(report.str().ends_with(" 19:19.5,100.25 20:20.5,100.25 \n")) << report.str();
}

TEST(ReportFormat, UndoesWhateverTheStreamWasSetTo) {
  std::ostringstream report;
  report << std::boolalpha << std::fixed << std::setprecision(2) << std::showpos << std::hex << std::uppercase
         << std::setw(8);
  useReportFormat(report);
  report << true << " " << 0.99445512 << " " << 1e-7 << " " << 123456789.0 << " " << 255 << " " << 12.5f;
  EXPECT_EQ(report.str(), "1 0.994455 1e-07 1.23457e+08 255 12.5");
}

}  // namespace
}  // namespace vel
