// Image files through WIC beyond the photos: every frame of a multi-frame TIFF, in order, and a
// truncated file failing at a named step instead of giving a frame.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "camera/image_file.h"
#include "tests/support/paths.h"

namespace vel {
namespace {

using Microsoft::WRL::ComPtr;

class WicImageFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0); }
  void TearDown() override {
    std::filesystem::remove(path_);
    CoUninitialize();
  }
  const std::filesystem::path path_ = std::filesystem::temp_directory_path() / "velmora-wic-test.img";
};

// A TIFF whose frame i is `sizes[i]` and filled with the blue value 10 × (i + 1).
void writeTiff(const std::filesystem::path& path, const std::vector<std::pair<UINT, UINT>>& sizes) {
  ComPtr<IWICImagingFactory> factory;
  ASSERT_GE(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)), 0);
  ComPtr<IWICStream> stream;
  ASSERT_GE(factory->CreateStream(&stream), 0);
  ASSERT_GE(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), 0);
  ComPtr<IWICBitmapEncoder> encoder;
  ASSERT_GE(factory->CreateEncoder(GUID_ContainerFormatTiff, nullptr, &encoder), 0);
  ASSERT_GE(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), 0);
  for (std::size_t i = 0; i < sizes.size(); ++i) {
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
}

TEST_F(WicImageFile, MultiFrameTiffGivesEveryFrameInOrder) {
  writeTiff(path_, {{8, 6}, {5, 7}, {3, 3}});
  const std::vector<Frame> frames = decodeImageFile(path_);
  ASSERT_EQ(frames.size(), 3u);
  const std::int32_t sizes[3][2] = {{8, 6}, {5, 7}, {3, 3}};
  for (std::size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(frames[i].wellFormed());
    EXPECT_EQ(frames[i].width, sizes[i][0]);
    EXPECT_EQ(frames[i].height, sizes[i][1]);
    EXPECT_EQ(frames[i].pixels[0], 10 * (i + 1));
    EXPECT_EQ(frames[i].sequence, 0u);
    EXPECT_EQ(frames[i].timeMs, 0u);
  }
}

TEST_F(WicImageFile, TruncatedPngFailsWithAStepTextAndTheResult) {
  std::ifstream source(test::testDataDir() / "poses" / "one.png", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(source), {}};
  ASSERT_GT(bytes.size(), 1000u);
  std::ofstream(path_, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
  try {
    decodeImageFile(path_);
    FAIL() << "a truncated PNG decoded";
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(std::regex_match(error.what(),
                                 std::regex("(Decode test image|Convert image pixels|Read image pixels) "
                                            "\\(0x[0-9a-f]{8}\\)")))
        << error.what();
  }
}

}  // namespace
}  // namespace vel
