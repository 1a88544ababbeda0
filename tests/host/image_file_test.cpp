// Host image decoding: the shared photos as BGRX frames, and clear errors for unusable files.
#include "camera/image_file.h"

#include <gtest/gtest.h>

#include "tests/support/paths.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

TEST(HostImageFile, PhotosAndTheSmallestPngDecodeToOneFrame) {
  const test::TempDir dir;  // one transparent pixel
  test::writeFile(dir / "dot.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89"
                                               "\0\0\0\x0aIDATx\x9c\x63\0\x01\0\0\x05\0\x01\x0d\x0a\x2d\xb4\0\0\0\0IEND\xae\x42\x60\x82", 67));
  const struct { std::filesystem::path file; int width, height, firstBytes; } images[] = {
      {test::testDataDir() / "hands.jpg", 720, 382, 600},  // the white background, near white
      {test::testDataDir() / "poses" / "one.png", 640, 480, 0},
      {dir / "dot.png", 1, 1, 0}};
  for (const auto& image : images) {
    const auto frames = decodeImageFile(image.file);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ((std::pair{frames[0].width, frames[0].height}), (std::pair{image.width, image.height}));
    EXPECT_TRUE(frames[0].wellFormed());
    EXPECT_GE(frames[0].pixels[0] + frames[0].pixels[1] + frames[0].pixels[2], image.firstBytes);
  }
}

TEST(HostImageFile, UnusableFilesGiveAStepAndADetail) {
  const test::TempDir dir;
  std::string huge = test::readFile(test::testDataDir() / "hands.jpg");  // claiming 65500 × 65500 pixels
  huge.replace(huge.find("\xff\xc0") + 5, 4, "\xff\xdc\xff\xdc");
  const std::pair<const char*, std::string> files[] = {{"text.png", "not an image"}, {"cut.jpg", "\xff\xd8\xff\xe0"}, {"huge.jpg", huge}};
  const auto errorOf = [&](const std::filesystem::path& file) {
    try {
      decodeImageFile(file);
    } catch (const std::runtime_error& error) {
      return std::string(error.what());
    }
    return std::string("decoded");
  };
  for (const auto& [name, bytes] : files) test::writeFile(dir / name, bytes);
  EXPECT_EQ(errorOf(dir / "text.png"), "Decode test image (not a PNG or JPEG file: " + (dir / "text.png").string() + ")");
  EXPECT_EQ(errorOf(dir / "cut.jpg"), "Read image pixels (JPEG datastream contains no image)");  // libjpeg's words
  EXPECT_EQ(errorOf(dir / "huge.jpg"), "Read image pixels (unsupported size)");
  EXPECT_EQ(errorOf(dir / "absent.png"), "Decode test image (cannot open " + (dir / "absent.png").string() + ")");
}

}  // namespace
}  // namespace vel
