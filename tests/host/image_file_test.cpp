// Host image decoding: the shared photos as BGRX frames, and clear errors for unusable files.
#include "camera/image_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/support/paths.h"

namespace vel {
namespace {

TEST(HostImageFile, PhotosDecodeToOneOpaqueFrame) {
  const auto jpeg = decodeImageFile(test::testDataDir() / "hands.jpg");
  ASSERT_EQ(jpeg.size(), 1u);
  EXPECT_EQ((std::pair{jpeg[0].width, jpeg[0].height}), (std::pair{720, 382}));
  EXPECT_TRUE(jpeg[0].wellFormed());
  // White background: the top-left pixel is near white.
  EXPECT_GT(jpeg[0].pixels[0] + jpeg[0].pixels[1] + jpeg[0].pixels[2], 600);
  const auto png = decodeImageFile(test::testDataDir() / "poses" / "one.png");
  ASSERT_EQ(png.size(), 1u);
  EXPECT_EQ(png[0].width, 640);
  EXPECT_TRUE(png[0].wellFormed());
  EXPECT_EQ(png[0].pixels[3], 255);
}

std::string decodeError(const std::filesystem::path& path) {
  try {
    decodeImageFile(path);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

std::filesystem::path scratchFile(const std::string& name, const std::string& bytes) {
  const auto path = std::filesystem::temp_directory_path() / ("velmora-image-test-" + name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(HostImageFile, UnusableFilesGiveAStepAndADetail) {
  EXPECT_EQ(decodeError("/nonexistent/hand.png"), "Decode test image (cannot open /nonexistent/hand.png)");
  const auto text = scratchFile("text.png", "not an image");
  EXPECT_EQ(decodeError(text), "Decode test image (not a PNG or JPEG file: " + text.string() + ")");
  EXPECT_EQ(decodeError(scratchFile("cut.png", "\x89PNG\r\n\x1a\n")).rfind("Convert image pixels (", 0), 0u);
  EXPECT_EQ(decodeError(scratchFile("cut.jpg", "\xff\xd8\xff\xe0")).rfind("Read image pixels (", 0), 0u);
}

}  // namespace
}  // namespace vel
