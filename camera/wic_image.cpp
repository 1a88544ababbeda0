// Image files through the Windows Imaging Component, converted to 32-bit BGRA frames one at a
// time. COM must already be initialised on the calling thread (start-up does it).
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <limits>

#include "camera/hresult.h"
#include "camera/image_file.h"
#include "camera/wic_convert.h"

namespace vel {
namespace {

using Microsoft::WRL::ComPtr;

class WicImage final : public IImageFrames {
 public:
  explicit WicImage(const std::filesystem::path& path) {
    checkHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory_)),
            "Create image decoder");
    checkHr(factory_->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                &decoder_),
            "Decode test image");
  }

  std::optional<Frame> next() override {
    if (!count_) {
      UINT count = 0;
      checkHr(decoder_->GetFrameCount(&count), "Decode test image");
      count_ = count;
    }
    if (index_ >= *count_) return std::nullopt;
    return decode(index_++);
  }

 private:
  Frame decode(UINT index) const {
    // Fetching the frame and making the converter have no step text of their own: their
    // failures show as the conversion step they belong to.
    ComPtr<IWICBitmapFrameDecode> source;
    checkHr(decoder_->GetFrame(index, &source), "Convert image pixels");
    const auto converter = convertToBgra(factory_.Get(), source.Get(), "Convert image pixels", "Convert image pixels");
    UINT width = 0;
    UINT height = 0;
    checkHr(converter->GetSize(&width, &height), "Read image pixels");
    const std::uint64_t bytes = std::uint64_t{width} * height * 4u;
    if (bytes > std::numeric_limits<UINT>::max()) checkHr(E_OUTOFMEMORY, "Read image pixels");

    Frame frame;
    frame.width = static_cast<std::int32_t>(width);
    frame.height = static_cast<std::int32_t>(height);
    frame.pixels.assign(static_cast<std::size_t>(bytes), 0);
    checkHr(converter->CopyPixels(nullptr, width * 4u, static_cast<UINT>(bytes), frame.pixels.data()),
            "Read image pixels");
    return frame;
  }

  ComPtr<IWICImagingFactory> factory_;
  ComPtr<IWICBitmapDecoder> decoder_;
  std::optional<UINT> count_;
  UINT index_ = 0;
};

}  // namespace

std::unique_ptr<IImageFrames> openImageFile(const std::filesystem::path& path) {
  return std::make_unique<WicImage>(path);
}

}  // namespace vel
