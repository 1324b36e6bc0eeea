// JPEG pictures through libjpeg's 6b interface (libjpeg-turbo on both builds), with a memory data
// source and an error manager of our own: a damaged picture is an error answered to the caller,
// never an exit of the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace yt {

class ytBitmap;

// The largest picture accepted, in pixels (width x height): 16384 x 16384 would need 1 GB.
constexpr uint64_t kLargestJpegPixels = uint64_t{1} << 26;

// Decodes JPEG data held in memory into an opaque bitmap (colour, greyscale, CMYK; baseline and
// progressive). Answers 0; 3 when the data is not a whole, readable JPEG picture (truncated data
// included), with libjpeg's message in `error` when given; 4 when the picture is too large or
// memory runs out. `out` is only replaced on success.
int32_t DecodeJpeg(const uint8_t* data, size_t length, ytBitmap& out, std::string* error = nullptr);

// Reads a JPEG file whole and decodes it: 2 when the file cannot be read, else as DecodeJpeg.
int32_t LoadJpegFile(const std::string& path, ytBitmap& out, std::string* error = nullptr);

}  // namespace yt
