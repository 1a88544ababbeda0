// The BGRA conversion both WIC image paths share; each names its own steps for its reports.
#pragma once

#include <windows.h>

#include <wincodec.h>
#include <wrl/client.h>

namespace vel {

// A converter from `source` to 32-bit BGRA. `createStep` names a failure to make the converter,
// `convertStep` a failure to set it up.
Microsoft::WRL::ComPtr<IWICFormatConverter> convertToBgra(IWICImagingFactory* factory, IWICBitmapSource* source,
                                                          const char* createStep, const char* convertStep);

}  // namespace vel
