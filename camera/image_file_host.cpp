// Host builds: PNG through libpng's simplified API and JPEG through libjpeg-turbo, both decoded
// straight into BGRX rows. One frame per file; the format is told by the file's first bytes.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>

// After <cstdio>: jpeglib.h uses FILE and size_t without including anything.
#include <jpeglib.h>
#include <png.h>

#include "camera/image_file.h"

namespace vel {
namespace {

[[noreturn]] void fail(const char* step, const std::string& detail) {
  throw std::runtime_error(std::string(step) + " (" + detail + ")");
}

// The Windows decoder's ceiling too: the pixel buffer must fit 32-bit sizes.
bool sizeFits(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width * height * 4u <= 0xffffffffu;
}

void sizeFrame(Frame& frame, std::uint32_t width, std::uint32_t height) {
  frame.width = static_cast<std::int32_t>(width);
  frame.height = static_cast<std::int32_t>(height);
  frame.pixels.assign(std::size_t{width} * height * 4u, 0);
}

Frame decodePng(const std::vector<unsigned char>& data) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) fail("Convert image pixels", image.message);
  image.format = PNG_FORMAT_BGRA;
  Frame frame;
  if (!sizeFits(image.width, image.height)) {
    png_image_free(&image);
    fail("Read image pixels", "unsupported size");
  }
  try {
    sizeFrame(frame, image.width, image.height);
  } catch (...) {
    png_image_free(&image);
    throw;
  }
  if (!png_image_finish_read(&image, nullptr, frame.pixels.data(), 0, nullptr))
    fail("Read image pixels", image.message);
  return frame;
}

// libjpeg reports errors through a callback that must not return: it jumps back into readJpeg.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  info->err->format_message(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// Fills `frame`, or returns false with libjpeg's text in `message`. Nothing with a destructor
// is created in this function, so the jump back from libjpeg skips no C++ object.
bool readJpeg(const std::vector<unsigned char>& data, Frame& frame, char (&message)[JMSG_LENGTH_MAX]) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = onJpegError;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    std::memcpy(message, errors.message, sizeof message);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&info);
  if (!sizeFits(info.output_width, info.output_height)) {
    jpeg_destroy_decompress(&info);
    std::snprintf(message, sizeof message, "unsupported size");
    return false;
  }
  try {
    sizeFrame(frame, info.output_width, info.output_height);
  } catch (...) {
    jpeg_destroy_decompress(&info);
    throw;
  }
  const std::size_t stride = std::size_t{info.output_width} * 4u;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = frame.pixels.data() + info.output_scanline * stride;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

// A host image file holds one frame, decoded when the file is opened.
class DecodedImage final : public IImageFrames {
 public:
  explicit DecodedImage(Frame frame) : frame_(std::move(frame)) {}
  std::optional<Frame> next() override { return std::exchange(frame_, std::nullopt); }

 private:
  std::optional<Frame> frame_;
};

Frame decodeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) fail("Decode test image", "cannot open " + path.string());
  const std::vector<unsigned char> data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};

  static constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G'};
  static constexpr unsigned char kJpegSignature[] = {0xff, 0xd8, 0xff};
  const auto startsWith = [&](const auto& signature) {
    return data.size() >= sizeof signature && std::memcmp(data.data(), signature, sizeof signature) == 0;
  };
  if (startsWith(kPngSignature)) return decodePng(data);
  if (startsWith(kJpegSignature)) {
    Frame frame;
    char message[JMSG_LENGTH_MAX];
    if (!readJpeg(data, frame, message)) fail("Read image pixels", message);
    return frame;
  }
  fail("Decode test image", "not a PNG or JPEG file: " + path.string());
}

}  // namespace

std::unique_ptr<IImageFrames> openImageFile(const std::filesystem::path& path) {
  return std::make_unique<DecodedImage>(decodeFile(path));
}

}  // namespace vel
