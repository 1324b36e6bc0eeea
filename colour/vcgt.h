// The display calibration curve of an ICC colour profile: its 'vcgt' (video card gamma) tag, in
// table or formula form (ICC.1 header of 128 bytes, then the tag table; all numbers big-endian).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tintel {

// Status codes of readProfileCalibration.
enum VcgtStatus : int32_t {
    kVcgtOk = 0,
    kVcgtReadFailed = -1,  // the header or tag table is cut short
    kVcgtCannotOpen = 2,   // the file cannot be opened, or the curve's data is cut short
    kVcgtBadFormat = 3,    // too many tags, a wrong type, an unexpected table shape, a wild formula
    kVcgtMissing = 9,      // no 'vcgt' tag
};

struct ProfileCalibration {
    std::vector<uint8_t> data;  // 768 entries (red, green, blue) of entrySize bytes, host order
    int entrySize = 0;          // 1 or 2
};

// Reads the calibration from a profile held in memory.
int32_t readProfileCalibration(const uint8_t* bytes, size_t size, ProfileCalibration* out);

// Reads the calibration from a profile file.
int32_t readProfileCalibration(const std::string& path, ProfileCalibration* out);

}  // namespace tintel
