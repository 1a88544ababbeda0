// Image files through WIC and the tracker in the Windows build: hands.jpg meets the host's
// tolerances, every frame of a multi-frame TIFF comes out in order, and broken files fail at a
// named step with the HRESULT.
#include <objbase.h>
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "camera/hresult.h"
#include "camera/image_file.h"
#include "tests/support/paths.h"
#include "tests/support/reference_hands.h"
#include "tracking/hand_tracker.h"

namespace vel {
namespace {

using Microsoft::WRL::ComPtr;

// WIC needs COM on the calling thread, as the program's start-up provides it.
class Wic : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0); }
  void TearDown() override {
    std::filesystem::remove(path);
    CoUninitialize();
  }
  std::string errorOf(const std::filesystem::path& file) {
    try {
      decodeImageFile(file);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return "";
  }
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "velmora-wic-test.img";
};

TEST_F(Wic, HandsPhotoMatchesAReferenceHandLikeOnTheHost) {
  const std::vector<Frame> frames = decodeImageFile(test::testDataDir() / "hands.jpg");
  ASSERT_EQ(frames.size(), 1u);
  const auto references = test::loadReferenceHands(test::testDataDir() / "hands.keypoints.json");
  HandTracker tracker(test::modelsDir());
  const struct { double mean, max; std::uint64_t palmRuns; } steps[] = {{6.0, 17.0, 1}, {7.0, 22.0, 0}};
  for (const auto& step : steps) {
    const auto palmRuns = tracker.runtime().palm().runs;
    const HandObservation observation = tracker.step(frames[0]);
    ASSERT_TRUE(observation.present);
    EXPECT_EQ(tracker.runtime().palm().runs - palmRuns, step.palmRuns);
    const auto error = test::errorToNearest(observation.landmarks, references);
    EXPECT_LE(error.mean, step.mean);
    EXPECT_LE(error.max, step.max) << "landmark " << error.worst;
  }
  tracker.forgetHand();
  EXPECT_TRUE(tracker.step(decodeImageFile(test::testDataDir() / "poses" / "one.png").at(0)).present) << "a PNG";
}

TEST_F(Wic, MultiFrameTiffGivesEveryFrameInOrder) {
  // Frame i filled with the blue value 10 × (i + 1).
  const std::pair<UINT, UINT> sizes[] = {{8, 6}, {5, 7}, {3, 3}};
  ComPtr<IWICImagingFactory> factory;
  ASSERT_GE(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)), 0);
  ComPtr<IWICStream> stream;
  ASSERT_GE(factory->CreateStream(&stream), 0);
  ASSERT_GE(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), 0);
  ComPtr<IWICBitmapEncoder> encoder;
  ASSERT_GE(factory->CreateEncoder(GUID_ContainerFormatTiff, nullptr, &encoder), 0);
  ASSERT_GE(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), 0);
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    const auto [width, height] = sizes[i];
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    ASSERT_GE(encoder->CreateNewFrame(&frame, &options), 0);
    ASSERT_GE(frame->Initialize(options.Get()), 0);
    ASSERT_GE(frame->SetSize(width, height), 0);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    ASSERT_GE(frame->SetPixelFormat(&format), 0);
    ASSERT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA));
    std::vector<BYTE> pixels(std::size_t{width} * height * 4u, 255);
    for (std::size_t p = 0; p < pixels.size(); p += 4) pixels[p] = static_cast<BYTE>(10 * (i + 1));
    ASSERT_GE(frame->WritePixels(height, width * 4u, static_cast<UINT>(pixels.size()), pixels.data()), 0);
    ASSERT_GE(frame->Commit(), 0);
  }
  ASSERT_GE(encoder->Commit(), 0);
  encoder.Reset();  // closes the file
  stream.Reset();

  const std::vector<Frame> frames = decodeImageFile(path);
  ASSERT_EQ(frames.size(), std::size(sizes));
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_TRUE(frames[i].wellFormed());
    EXPECT_EQ((std::pair{static_cast<UINT>(frames[i].width), static_cast<UINT>(frames[i].height)}), sizes[i]);
    EXPECT_EQ(frames[i].pixels[0], 10 * (i + 1));
    EXPECT_EQ(frames[i].sequence + frames[i].timeMs, 0u);
  }
}

TEST_F(Wic, BrokenFilesFailAtANamedStepWithTheResult) {
  EXPECT_EQ(errorOf(test::testDataDir() / "absent.png"), "Decode test image (0x80070002)");
  std::ifstream source(test::testDataDir() / "poses" / "one.png", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(source), {}};
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
  const std::string truncated = errorOf(path);
  EXPECT_TRUE(std::regex_match(truncated, std::regex("(Decode test image|Convert image pixels|Read image pixels) \\(0x[0-9a-f]{8}\\)")))
      << truncated;
  const auto thrown = [](HRESULT hr) {
    try {
      checkHr(hr, "Convert image pixels");
    } catch (const std::runtime_error& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_EQ(thrown(E_FAIL), "Convert image pixels (0x80004005)");
  EXPECT_EQ(thrown(S_FALSE), "");
}

}  // namespace
}  // namespace vel
