// Gesture illustration sheets through WIC (decode, convert to BGRA, Fant-scale) and GDI.
// COM must already be initialised on the calling thread (start-up does it).
#include <windows.h>

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <exception>

#include "camera/guide_draw.h"
#include "camera/hresult.h"
#include "camera/wic_convert.h"

namespace vel {

using Microsoft::WRL::ComPtr;

namespace {

// False when the sheet's size is unusable; throws on a decoding failure.
bool loadSheet(IWICImagingFactory* factory, const std::filesystem::path& path, std::int32_t cells,
               GuideSheet& sheet) {
  ComPtr<IWICBitmapDecoder> decoder;
  checkHr(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                             &decoder),
          "Load gesture illustration");
  ComPtr<IWICBitmapFrameDecode> frame;
  checkHr(decoder->GetFrame(0, &frame), "Read gesture illustration");
  const auto converter = convertToBgra(factory, frame.Get(), "Create guide converter", "Convert guide");
  UINT width = 0;
  UINT height = 0;
  checkHr(converter->GetSize(&width, &height), "Convert guide");
  const std::optional<GuideSize> size = guideSheetSize(width, height, cells);
  if (!size) return false;

  ComPtr<IWICBitmapScaler> scaler;
  checkHr(factory->CreateBitmapScaler(&scaler), "Create guide scaler");
  checkHr(scaler->Initialize(converter.Get(), size->width, size->height, WICBitmapInterpolationModeFant),
          "Cache guide image");
  std::vector<std::uint8_t> pixels(std::size_t{size->width} * size->height * 4u);
  checkHr(scaler->CopyPixels(nullptr, size->width * 4u, static_cast<UINT>(pixels.size()), pixels.data()),
          "Read guide pixels");
  sheet = {size->width, size->height, std::move(pixels)};
  return true;
}

}  // namespace

bool loadGuideImages(GuideImageSet& images, const std::filesystem::path& assetsDir) {
  try {
    ComPtr<IWICImagingFactory> factory;
    checkHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
            "Create guide decoder");
    for (std::size_t i = 0; i < kGuideSheets.size(); ++i) {
      // An unusable size stops here; the sheets loaded so far stay.
      if (!loadSheet(factory.Get(), assetsDir / kGuideSheets[i].fileName, kGuideSheets[i].cells, images[i])) {
        return false;
      }
    }
  } catch (const std::exception&) {
    images = GuideImageSet{};
    return false;
  }
  return std::all_of(images.begin(), images.end(), [](const GuideSheet& s) { return !s.pixels.empty(); });
}

void drawGuideCell(const GuideImageSet& images, HDC dc, CellRef ref, int x, int y, int width, int height) {
  const std::optional<CellPlacement> place = placeGuideCell(images, ref, x, y, width, height);
  if (!place) return;
  const GuideSheet& sheet = images[ref.sheet];
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(sheet.width);
  info.bmiHeader.biHeight = -static_cast<LONG>(sheet.height);  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, place->x, place->y, place->width, place->height, place->sourceX, 0, place->sourceWidth,
                place->sourceHeight, sheet.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace vel
