// The installation cookie: 32 upper-case hexadecimal characters made once per user from the
// platform's cryptographic random source and kept under "Software\Brisbel\tintelupdate", value
// "cookie". The update check sends it; the light bridges know this installation by it.
#pragma once

#include <cstddef>
#include <string>

namespace tintel {

// Reads the cookie; when the stored text is not 32 characters long, makes a new one, stores it
// and answers what the store then holds.
// `random` fills a buffer from the cryptographic source (false when it fails); when it fails or
// gives only zero bytes, the cookie is the MD5 digest of the high-resolution counter and the free
// space of the current drive, its first character replaced by "a".
using RandomSource = bool (*)(void* buffer, size_t size);
std::string installationCookie(RandomSource random = nullptr);

// Sixteen bytes as 32 upper-case hexadecimal digits, high nibble first.
std::string cookieHex(const unsigned char (&bytes)[16]);

}  // namespace tintel
