#include "colour/vcgt.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tintel {
namespace {

constexpr uint32_t kMaxTags = 100;
constexpr uint32_t kVcgtSignature = 0x76636774;  // 'vcgt'

// A bounds-checked big-endian reader over the profile's bytes.
class Reader {
public:
    Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool seek(uint64_t offset) {
        if (offset > size_) return false;
        pos_ = static_cast<size_t>(offset);
        return true;
    }
    bool u32(uint32_t* v) {
        if (size_ - pos_ < 4) return false;
        const uint8_t* p = bytes_ + pos_;
        *v = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
        pos_ += 4;
        return true;
    }
    bool u16(uint16_t* v) {
        if (size_ - pos_ < 2) return false;
        *v = static_cast<uint16_t>(bytes_[pos_] << 8 | bytes_[pos_ + 1]);
        pos_ += 2;
        return true;
    }
    const uint8_t* take(size_t n) {
        if (size_ - pos_ < n) return nullptr;
        const uint8_t* p = bytes_ + pos_;
        pos_ += n;
        return p;
    }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t pos_ = 0;
};

// Resamples one channel of `count` 16-bit entries to 256 by linear interpolation: output i lies
// at i x (count - 1) / 255 in the input. Integer arithmetic, rounded to the nearest (the exact
// quotient by 255, an odd number, is never halfway).
void resampleChannel(const uint16_t* in, size_t count, uint16_t* out) {
    for (size_t i = 0; i < 256; ++i) {
        const uint64_t position = i * (count - 1);
        const size_t j = static_cast<size_t>(position / 255);
        const uint64_t frac = position % 255;
        const uint64_t next = j + 1 < count ? in[j + 1] : in[j];
        out[i] = static_cast<uint16_t>((in[j] * (255 - frac) + next * frac + 127) / 255);
    }
}

// The table form: 3 channels of 1- or 2-byte entries. 256 entries per channel are taken as they
// are; any other count from 2 up (1024 is common) is resampled to 256 2-byte entries, 1-byte
// entries counting as their value x 256.
int32_t readTable(Reader& r, ProfileCalibration* out) {
    uint16_t channels, entries, entrySize;
    if (!r.u16(&channels) || !r.u16(&entries) || !r.u16(&entrySize)) return kVcgtReadFailed;
    if (channels != 3 || entries < 2) return kVcgtBadFormat;
    if (entrySize != 1 && entrySize != 2) return kVcgtBadFormat;
    const size_t bytes = 3u * entries * entrySize;
    const uint8_t* data = r.take(bytes);
    if (!data) return kVcgtCannotOpen;
    if (entries == 256) {
        out->entrySize = entrySize;
        out->data.assign(data, data + bytes);
        if (entrySize == 2) {
            // Big-endian in the file, host order (little-endian 16-bit words) in the result.
            for (size_t i = 0; i < bytes; i += 2)
                std::swap(out->data[i], out->data[i + 1]);
        }
        return kVcgtOk;
    }
    std::vector<uint16_t> channel(entries);
    uint16_t resampled[256];
    out->entrySize = 2;
    out->data.resize(768 * 2);
    for (size_t c = 0; c < 3; ++c) {
        const uint8_t* in = data + c * entries * entrySize;
        for (size_t k = 0; k < entries; ++k)
            channel[k] = entrySize == 2 ? static_cast<uint16_t>(in[2 * k] << 8 | in[2 * k + 1])
                                        : static_cast<uint16_t>(in[k] * 256);
        resampleChannel(channel.data(), entries, resampled);
        std::memcpy(&out->data[c * 512], resampled, sizeof resampled);
    }
    return kVcgtOk;
}

// The formula form: per channel gamma, minimum and maximum as unsigned 16.16 fixed point;
// entry = 65535 x clamp(min + (max - min) x v^gamma, 0, 1) for v = i / 255.
int32_t readFormula(Reader& r, ProfileCalibration* out) {
    double values[9];
    for (double& v : values) {
        uint32_t fixed;
        if (!r.u32(&fixed)) return kVcgtReadFailed;
        v = fixed / 65536.0;
    }
    for (int c = 0; c < 3; ++c) {
        const double gamma = values[3 * c], lo = values[3 * c + 1], hi = values[3 * c + 2];
        if (gamma < 0.3 || gamma > 3 || lo < -1 || hi - lo < 0.2 || hi - lo > 2)
            return kVcgtBadFormat;
    }
    out->entrySize = 2;
    out->data.resize(768 * 2);
    for (int c = 0; c < 3; ++c) {
        const double gamma = values[3 * c], lo = values[3 * c + 1], hi = values[3 * c + 2];
        for (int i = 0; i < 256; ++i) {
            double v = lo + (hi - lo) * std::pow(i / 255.0, gamma);
            v = v < 0 ? 0 : v > 1 ? 1 : v;
            const auto entry = static_cast<uint16_t>(65535.0 * v);
            std::memcpy(&out->data[(256 * c + i) * 2], &entry, 2);
        }
    }
    return kVcgtOk;
}

}  // namespace

int32_t readProfileCalibration(const uint8_t* bytes, size_t size, ProfileCalibration* out) {
    Reader r(bytes, size);
    uint32_t count;
    if (!r.seek(128) || !r.u32(&count)) return kVcgtReadFailed;
    if (count > kMaxTags) return kVcgtBadFormat;
    bool found = false;
    uint32_t offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t signature, tagOffset, tagSize;
        if (!r.u32(&signature) || !r.u32(&tagOffset) || !r.u32(&tagSize)) return kVcgtReadFailed;
        if (!found && signature == kVcgtSignature) {
            found = true;
            offset = tagOffset;
        }
    }
    if (!found) return kVcgtMissing;
    uint32_t type, reserved, gammaType;
    if (!r.seek(offset)) return kVcgtReadFailed;
    if (!r.u32(&type)) return kVcgtReadFailed;
    if (type != kVcgtSignature) return kVcgtBadFormat;
    if (!r.u32(&reserved) || !r.u32(&gammaType)) return kVcgtReadFailed;
    return gammaType == 0 ? readTable(r, out) : readFormula(r, out);
}

int32_t readProfileCalibration(const std::string& path, ProfileCalibration* out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return kVcgtCannotOpen;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    return readProfileCalibration(bytes.data(), bytes.size(), out);
}

}  // namespace tintel
