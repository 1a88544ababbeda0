// BGRA conversion through WIC.
#include "camera/wic_convert.h"

#include "camera/hresult.h"

namespace vel {

Microsoft::WRL::ComPtr<IWICFormatConverter> convertToBgra(IWICImagingFactory* factory, IWICBitmapSource* source,
                                                          const char* createStep, const char* convertStep) {
  Microsoft::WRL::ComPtr<IWICFormatConverter> converter;
  checkHr(factory->CreateFormatConverter(&converter), createStep);
  checkHr(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom),
          convertStep);
  return converter;
}

}  // namespace vel
