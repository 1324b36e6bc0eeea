// Names of layout nodes: the case-folding hash of the resource table's name table and the natural
// comparison its keys and artwork layer references compare with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace yt {

// Buckets of each of the resource table's two hash tables.
constexpr uint32_t kNameBuckets = 511;

// 'A' to 'Z' folded to lower case; every other byte as it is.
inline char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsAsciiAlnum(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The name hash: from 0x12345678, for each byte c (folded, taken as a signed byte)
// h = h ^ ((h << 5) + (h >> 2) + c), in 32-bit unsigned arithmetic.
uint32_t NameHash(std::string_view name);

// The natural comparison: runs of decimal digits compare by their numeric value and after every
// single character (as value + 256 would), other bytes compare after folding 'A' to 'Z'. Leading
// zeros do not count ("a01" equals "a1"); digit runs of any length compare exactly. Answers
// negative, 0 or positive.
int NaturalCompare(std::string_view a, std::string_view b);

// The whole text folded to lower case ('A' to 'Z' only).
std::string FoldName(std::string_view name);

// The qualified name of a node: document base name, "/", node name, folded.
std::string QualifiedName(std::string_view baseName, std::string_view nodeName);

}  // namespace yt
