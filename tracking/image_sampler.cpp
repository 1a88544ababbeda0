// The bilinear sampler and the resampling loop. Both targets are x86-64, so SSE2 is always there:
// the four channels of a pixel blend as one vector, which halves the cost of a 224 × 224 crop.
#include "tracking/image_sampler.h"

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace vel {
namespace {

// Frame facts hoisted out of the per-sample code.
struct Source {
  explicit Source(const Frame& frame)
      : pixels(frame.pixels.data()),
        width(frame.width),
        height(frame.height),
        stride(static_cast<std::ptrdiff_t>(frame.width) * 4),
        maxX(static_cast<float>(frame.width - 1)),
        maxY(static_cast<float>(frame.height - 1)) {}

  const std::uint8_t* pixels;
  int width;
  int height;
  std::ptrdiff_t stride;
  float maxX;
  float maxY;
};

// One pixel's blue, green, red and fourth byte as four floats.
__m128 pixelAt(const std::uint8_t* pixel) {
  std::int32_t bytes = 0;
  std::memcpy(&bytes, pixel, sizeof bytes);
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero);
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero));
}

inline void sample(const Source& source, float x, float y, float* rgb) {
  if (!(x >= 0.0f && y >= 0.0f && x <= source.maxX && y <= source.maxY)) {
    rgb[0] = rgb[1] = rgb[2] = 0.0f;
    return;
  }
  const int x0 = static_cast<int>(x);
  const int y0 = static_cast<int>(y);
  const float fx = x - static_cast<float>(x0);
  const float fy = y - static_cast<float>(y0);
  // The right and lower neighbours repeat the last column and row.
  const std::uint8_t* p00 = source.pixels + y0 * source.stride + x0 * 4;
  const std::uint8_t* p10 = x0 + 1 < source.width ? p00 + 4 : p00;
  const std::uint8_t* p01 = y0 + 1 < source.height ? p00 + source.stride : p00;
  const std::uint8_t* p11 = p01 + (p10 - p00);

  const __m128 wx1 = _mm_set1_ps(fx);
  const __m128 wx0 = _mm_set1_ps(1.0f - fx);
  const __m128 top = _mm_add_ps(_mm_mul_ps(pixelAt(p00), wx0), _mm_mul_ps(pixelAt(p10), wx1));
  const __m128 bottom = _mm_add_ps(_mm_mul_ps(pixelAt(p01), wx0), _mm_mul_ps(pixelAt(p11), wx1));
  const __m128 blended = _mm_add_ps(_mm_mul_ps(top, _mm_set1_ps(1.0f - fy)), _mm_mul_ps(bottom, _mm_set1_ps(fy)));
  // Multiplying by 1/255 stays within a float ulp of dividing. Lanes come as B, G, R, X.
  const __m128 bgrx = _mm_mul_ps(blended, _mm_set1_ps(1.0f / 255.0f));
  const __m128 rgbx = _mm_shuffle_ps(bgrx, bgrx, _MM_SHUFFLE(3, 0, 1, 2));
  _mm_storel_pi(reinterpret_cast<__m64*>(rgb), rgbx);
  _mm_store_ss(rgb + 2, _mm_movehl_ps(rgbx, rgbx));
}

}  // namespace

void sampleBilinear(const Frame& frame, float x, float y, float* rgb) { sample(Source(frame), x, y, rgb); }

void resample(const Frame& frame, const SampleGrid& grid, int side, float* rgb) {
  const Source source(frame);
  const Point step = grid.column;  // a local copy: stores to rgb could otherwise alias the grid
  // Each row starts from its own point and steps by the column increment, so a sample costs two
  // multiply-adds instead of a rotation; scaling the increment by the column index rather than
  // accumulating it keeps the points within float rounding of the per-pixel formula.
  for (int iy = 0; iy < side; ++iy) {
    const Point start = grid.at(0, iy);
    float column = 0.0f;
    for (int ix = 0; ix < side; ++ix, column += 1.0f) {
      sample(source, start.x + column * step.x, start.y + column * step.y, rgb);
      rgb += 3;
    }
  }
}

}  // namespace vel
