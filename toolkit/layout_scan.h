// Reading numbers and words out of layout texts the way the C library's scanf conversions read
// them ("%x", "%f", "%s", atoi, atof), but the same under every locale: a GTK program runs with
// the user's locale, where "%f" would want a decimal comma.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace yt {

inline bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Moves *pos past blanks.
void SkipBlanks(std::string_view text, size_t* pos);

// "%x": blanks, an optional sign and "0x", then hex digits; the value keeps its low 32 bits (a
// minus sign negates it). False, *pos unchanged, when no digit follows.
bool ScanHex(std::string_view text, size_t* pos, uint32_t* value);
// "%f": blanks, then a decimal number with optional sign, fraction and exponent. False, *pos
// unchanged, when no number follows.
bool ScanFloat(std::string_view text, size_t* pos, float* value);
// "%d": blanks, then an optional sign and decimal digits (clamped to 32 bits).
bool ScanInt(std::string_view text, size_t* pos, int32_t* value);
// "%s": blanks, then the run of non-blank characters. False when there is none.
bool ScanWord(std::string_view text, size_t* pos, std::string* word);

// The text without blanks at either end.
std::string TrimBlanks(std::string_view text);

// atoi and atof: the number at the start of the text (after blanks), 0 when there is none.
int32_t TextToInt(std::string_view text);
float TextToFloat(std::string_view text);

// A colour read with "%x" as 0xAARRGGBB and premultiplied by its alpha (c x (a + 1) >> 8), so six
// digits give alpha 0 and a colour that draws nothing. False when the text holds no hex number.
bool ScanColour(std::string_view text, size_t* pos, uint32_t* colour);
uint32_t Premultiply(uint32_t argb);

}  // namespace yt
