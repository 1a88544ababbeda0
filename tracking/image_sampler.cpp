// The bilinear sampler and the resampling loop. Both targets are x86-64, so SSE2 is always there:
// the four channels of a pixel blend as one vector. Where the processor has AVX2 (any laptop of the
// last decade), samples whose neighbours all lie inside the frame take a path about twice as fast.
#include "tracking/image_sampler.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

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

// Sample points along one row of the grid: the column increment scaled by the column index rather
// than accumulated, which keeps each point within float rounding of the per-pixel formula.
struct Row {
  Point start;
  Point step;

  float xAt(int ix) const { return start.x + static_cast<float>(ix) * step.x; }
  float yAt(int ix) const { return start.y + static_cast<float>(ix) * step.y; }
  // The sample and its right and lower neighbours are real pixels.
  bool inside(const Source& source, int ix) const {
    const float x = xAt(ix);
    const float y = yAt(ix);
    return x >= 0.0f && y >= 0.0f && x < source.maxX && y < source.maxY;
  }
};

// Narrows [first, last) to the columns where origin + column × step lies in [0, limit).
void narrow(float origin, float step, float limit, double& first, double& last) {
  if (step == 0.0f) {
    if (!(origin >= 0.0f && origin < limit)) last = first;
    return;
  }
  double from = -static_cast<double>(origin) / step;
  double to = (static_cast<double>(limit) - origin) / step;
  if (step < 0.0f) std::swap(from, to);
  first = std::max(first, from);
  last = std::min(last, to);
}

// The columns [begin, end) of a row that are inside. Both coordinates are monotonic along the row,
// so once the end columns pass the exact test every column between does; rounding in the estimate
// only moves a column or two to the checked path.
std::pair<int, int> insideColumns(const Source& source, const Row& row, int side) {
  double first = 0.0;
  double last = side;
  narrow(row.start.x, row.step.x, source.maxX, first, last);
  narrow(row.start.y, row.step.y, source.maxY, first, last);
  if (!(first < last)) return {0, 0};
  int begin = static_cast<int>(std::ceil(first));
  int end = static_cast<int>(std::ceil(last));
  while (begin < end && !row.inside(source, begin)) ++begin;
  while (end > begin && !row.inside(source, end - 1)) --end;
  return {begin, end};
}

// A camera frame arrives from another core, out of this one's cache: without fetching a few grid
// rows ahead, the crop waits on memory for three quarters of its time.
constexpr float kPrefetchRows = 4.0f;

// Byte offset from a pixel to the one kPrefetchRows grid rows further on; 0 for a degenerate grid.
std::ptrdiff_t prefetchDistance(const Source& source, Point row) {
  const float dx = std::round(kPrefetchRows * row.x);
  const float dy = std::round(kPrefetchRows * row.y);
  if (!(std::abs(dx) < static_cast<float>(source.width) && std::abs(dy) < static_cast<float>(source.height))) return 0;
  return static_cast<std::ptrdiff_t>(dy) * source.stride + static_cast<std::ptrdiff_t>(dx) * 4;
}

// Samples columns [begin, end) of a row, all inside. Widening a pair of neighbouring pixels to eight
// floats is one instruction here and six with SSE2, where the general sampler spends most of its time.
// Writes a fourth float after each sample, which the next sample overwrites.
__attribute__((target("avx2,fma"))) void sampleInsideAvx2(const Source& source, const Row& row, int begin, int end,
                                                           std::ptrdiff_t ahead, float* rgb) {
  const std::uint8_t* const pixels = source.pixels;
  const std::ptrdiff_t stride = source.stride;
  const __m128 start = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&row.start));  // x, y, 0, 0
  const __m128 step = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&row.step));
  // Fused multiply-adds may move a point by a rounding step from the one tested: the clamp keeps
  // every read inside, and a corner clamped from x = W − 1 takes the last column with weight 1.
  const __m128i lastCorner = _mm_setr_epi32(source.width - 2, source.height - 2, 0, 0);
  const __m128 scale = _mm_set1_ps(1.0f / 255.0f);
  __m128 column = _mm_set1_ps(static_cast<float>(begin));
  for (int ix = begin; ix < end; ++ix, rgb += 3, column = _mm_add_ps(column, _mm_set1_ps(1.0f))) {
    const __m128 point = _mm_add_ps(start, _mm_mul_ps(column, step));
    const __m128i corner = _mm_min_epi32(_mm_cvttps_epi32(point), lastCorner);
    const __m128 fraction = _mm_sub_ps(point, _mm_cvtepi32_ps(corner));
    const auto xy = static_cast<std::uint64_t>(_mm_cvtsi128_si64(corner));
    const std::uint8_t* top =
        pixels + static_cast<std::ptrdiff_t>(xy >> 32) * stride + static_cast<std::ptrdiff_t>(xy & 0xffffffffu) * 4;
    // The address may lie outside the frame, so it is formed as an integer; prefetches never fault.
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(top) + static_cast<std::uintptr_t>(ahead)),
                 _MM_HINT_T0);
    // Lanes: blue, green, red, fourth byte of the left pixel, then of the right one.
    const __m256 upper = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top))));
    const __m256 lower =
        _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + stride))));
    const __m256 fy = _mm256_broadcastss_ps(_mm_movehdup_ps(fraction));
    const __m256 vertical = _mm256_fmadd_ps(_mm256_sub_ps(lower, upper), fy, upper);
    const __m128 left = _mm256_castps256_ps128(vertical);
    const __m128 right = _mm256_extractf128_ps(vertical, 1);
    const __m128 bgrx = _mm_mul_ps(_mm_fmadd_ps(_mm_sub_ps(right, left), _mm_broadcastss_ps(fraction), left), scale);
    _mm_storeu_ps(rgb, _mm_shuffle_ps(bgrx, bgrx, _MM_SHUFFLE(3, 0, 1, 2)));
  }
}

}  // namespace

void sampleBilinear(const Frame& frame, float x, float y, float* rgb) { sample(Source(frame), x, y, rgb); }

bool resamplerUsesAvx2() {
  static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return available;
}

void resample(const Frame& frame, const SampleGrid& grid, int side, float* rgb) {
  const Source source(frame);
  const bool fast = resamplerUsesAvx2();
  const std::ptrdiff_t ahead = prefetchDistance(source, grid.row);
  for (int iy = 0; iy < side; ++iy) {
    const Row row{grid.at(0, iy), grid.column};
    auto [begin, end] = fast ? insideColumns(source, row, side) : std::pair{0, 0};
    if (iy == side - 1) end = std::min(end, side - 1);  // the fourth float must stay in the buffer
    int ix = 0;
    for (; ix < begin; ++ix, rgb += 3) sample(source, row.xAt(ix), row.yAt(ix), rgb);
    if (ix < end) {
      sampleInsideAvx2(source, row, ix, end, ahead, rgb);
      rgb += 3 * (end - ix);
      ix = end;
    }
    for (; ix < side; ++ix, rgb += 3) sample(source, row.xAt(ix), row.yAt(ix), rgb);
  }
}

}  // namespace vel
