// The program's texts are 8-bit Windows-1252; these convert them at the edges (UTF-8 for X11 and
// for files meant for people).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// The Unicode code point of a Windows-1252 byte. The five bytes the code page leaves undefined
// map to the C1 controls of the same number, as Windows itself maps them, so every byte survives
// a round trip.
uint32_t cp1252ToCodepoint(uint8_t byte);

// The Windows-1252 byte of a code point, or '?' when the code page cannot hold it.
uint8_t codepointToCp1252(uint32_t codepoint);

std::string cp1252ToUtf8(std::string_view text);

// Decodes UTF-8 into Windows-1252 ('?' for characters it cannot hold). False, with the text
// decoded so far, when the input is not valid UTF-8.
bool utf8ToCp1252(std::string_view text, std::string* out);

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, uint32_t codepoint);

}  // namespace base
