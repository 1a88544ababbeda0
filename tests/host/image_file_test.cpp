// Host image decoding: the shared photos as BGRX frames, and clear errors for unusable files.
#include "camera/image_file.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "tests/support/paths.h"
#include "tests/support/temp_dir.h"

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
  // The smallest image there is: one transparent pixel.
  const test::TempDir dir;
  test::writeFile(dir / "dot.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89"
                                               "\0\0\0\x0aIDATx\x9c\x63\0\x01\0\0\x05\0\x01\x0d\x0a\x2d\xb4\0\0\0\0IEND\xae\x42\x60\x82", 67));
  const auto dot = decodeImageFile(dir / "dot.png");
  EXPECT_EQ((std::pair{dot.at(0).width, dot.at(0).height}), (std::pair{1, 1}));
}

TEST(HostImageFile, UnusableFilesGiveAStepAndADetail) {
  const test::TempDir dir;
  const auto errorOf = [&](const std::string& name, const std::string& bytes) {
    test::writeFile(dir / name, bytes);
    try {
      decodeImageFile(dir / name);
    } catch (const std::runtime_error& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_EQ(errorOf("text.png", "not an image"), "Decode test image (not a PNG or JPEG file: " + (dir / "text.png").string() + ")");
  EXPECT_EQ(errorOf("cut.png", "\x89PNG\r\n\x1a\n").rfind("Convert image pixels (", 0), 0u);
  EXPECT_EQ(errorOf("cut.jpg", "\xff\xd8\xff\xe0").rfind("Read image pixels (", 0), 0u);
  // hands.jpg claiming 65500 × 65500 pixels: more than a frame may hold.
  std::string huge = test::readFile(test::testDataDir() / "hands.jpg");
  const std::size_t frameHeader = huge.find("\xff\xc0");
  ASSERT_NE(frameHeader, std::string::npos);
  huge.replace(frameHeader + 5, 4, "\xff\xdc\xff\xdc");
  EXPECT_EQ(errorOf("huge.jpg", huge), "Read image pixels (unsupported size)");
  std::filesystem::remove(dir / "text.png");
  try {
    decodeImageFile(dir / "text.png");
    FAIL() << "decoded a missing file";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "Decode test image (cannot open " + (dir / "text.png").string() + ")");
  }
}

}  // namespace
}  // namespace vel
