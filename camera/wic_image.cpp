// Image files through the Windows Imaging Component, converted to 32-bit BGRA frames.
// COM must already be initialised on the calling thread (start-up does it).
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <limits>

#include "camera/hresult.h"
#include "camera/image_file.h"
#include "camera/wic_convert.h"

namespace vel {

using Microsoft::WRL::ComPtr;

std::vector<Frame> decodeImageFile(const std::filesystem::path& path) {
  ComPtr<IWICImagingFactory> factory;
  checkHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
          "Create image decoder");
  ComPtr<IWICBitmapDecoder> decoder;
  checkHr(
      factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad, &decoder),
      "Decode test image");
  UINT count = 0;
  checkHr(decoder->GetFrameCount(&count), "Decode test image");

  std::vector<Frame> frames;
  for (UINT i = 0; i < count; ++i) {
    // Fetching the frame and making the converter have no step text of their own: their
    // failures show as the conversion step they belong to.
    ComPtr<IWICBitmapFrameDecode> source;
    checkHr(decoder->GetFrame(i, &source), "Convert image pixels");
    const auto converter =
        convertToBgra(factory.Get(), source.Get(), "Convert image pixels", "Convert image pixels");
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
    frames.push_back(std::move(frame));
  }
  return frames;
}

}  // namespace vel
