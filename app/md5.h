// The MD5 message digest (RFC 1321), for the installation cookie's fallback when no random bytes
// can be had. Not for anything that needs collision resistance.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tintel {

std::array<uint8_t, 16> Md5(std::string_view message);

}  // namespace tintel
