// MD5 as RFC 1321 gives it: 64-byte blocks, four rounds of sixteen steps, little-endian words.
#include "app/md5.h"

#include <cmath>
#include <string>

namespace tintel {
namespace {

constexpr uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

uint32_t rotateLeft(uint32_t x, uint32_t n) {
    return (x << n) | (x >> (32 - n));
}

}  // namespace

std::array<uint8_t, 16> Md5(std::string_view message) {
    // The sine table: floor(|sin(i + 1)| x 2^32).
    static const auto sines = [] {
        std::array<uint32_t, 64> k{};
        for (int i = 0; i < 64; ++i)
            k[i] = static_cast<uint32_t>(std::fabs(std::sin(i + 1.0)) * 4294967296.0);
        return k;
    }();
    std::string data(message);
    const uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
    data += static_cast<char>(0x80);
    while (data.size() % 64 != 56)
        data += '\0';
    for (int i = 0; i < 8; ++i)
        data += static_cast<char>((bits >> (8 * i)) & 0xff);

    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (size_t block = 0; block < data.size(); block += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int b = 0; b < 4; ++b)
                w[i] |= static_cast<uint32_t>(static_cast<uint8_t>(data[block + 4 * i + b]))
                        << (8 * b);
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (uint32_t i = 0; i < 64; ++i) {
            uint32_t f, g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            const uint32_t next = d;
            d = c;
            c = b;
            b = b + rotateLeft(a + f + sines[i] + w[g], kShift[i]);
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    std::array<uint8_t, 16> digest{};
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<uint8_t>(h[i / 4] >> (8 * (i % 4)));
    return digest;
}

}  // namespace tintel
