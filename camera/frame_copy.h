// Copying camera buffers into top-down frame pixels, whichever way up the buffer is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vel {

// Copies `height` rows of `rowBytes` bytes, row y starting at firstRow + pitch * y
// (a negative pitch walks a bottom-up buffer upwards), into consecutive rows of `dst`.
void copyFrameRows(std::uint8_t* dst, const std::uint8_t* firstRow, std::ptrdiff_t pitch, std::size_t rowBytes,
                   int height);

// Where the top row of a contiguous buffer of `length` bytes starts, or null when the buffer
// is truncated: shorter than |stride| * height, or than the last row's end (a stride below
// `rowBytes` would otherwise read past it).
const std::uint8_t* contiguousTopRow(const std::uint8_t* data, std::size_t length, std::ptrdiff_t stride,
                                     std::size_t rowBytes, int height);

}  // namespace vel
