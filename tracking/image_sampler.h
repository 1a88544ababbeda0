// Turning a frame into a model input: one bilinear sampler, and a resampler that walks an affine
// grid of sample points so that the palm letterbox and the rotated hand crop share one loop.
#pragma once

#include "camera/frame.h"
#include "tracking/point.h"

namespace vel {

// Bilinear sample of a well-formed frame at (x, y), integer values being pixel centres, written
// as red, green, blue in 0..1 to rgb[0..2]. Points outside the frame (and NaN) are black.
void sampleBilinear(const Frame& frame, float x, float y, float* rgb);

// The sample point of input pixel (ix, iy) is origin + ix × column + iy × row, in frame pixels.
struct SampleGrid {
  Point origin;
  Point column;
  Point row;

  Point at(int ix, int iy) const {
    const float fx = static_cast<float>(ix);
    const float fy = static_cast<float>(iy);
    return {origin.x + fx * column.x + fy * row.x, origin.y + fx * column.y + fy * row.y};
  }
};

// Fills side × side RGB triples (row-major) of a well-formed frame along the grid, exactly as
// sampleBilinear at each grid point would, within float rounding. Allocates nothing.
void resample(const Frame& frame, const SampleGrid& grid, int side, float* rgb);

// Whether resample takes its AVX2 path on this processor (benchmarks report it).
bool resamplerUsesAvx2();

}  // namespace vel
