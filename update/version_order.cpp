// The version order of the update check.
#include "update/version_order.h"

#include <cstddef>

namespace tintel {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char folded(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares the digit runs starting at a[i] and b[j] as numbers of any length (leading zeros do
// not count), and moves both positions past their runs.
int compareNumbers(const std::string& a, size_t* i, const std::string& b, size_t* j) {
    size_t ai = *i, bj = *j;
    while (ai < a.size() && a[ai] == '0')
        ++ai;
    while (bj < b.size() && b[bj] == '0')
        ++bj;
    size_t aEnd = ai, bEnd = bj;
    while (aEnd < a.size() && isDigit(a[aEnd]))
        ++aEnd;
    while (bEnd < b.size() && isDigit(b[bEnd]))
        ++bEnd;
    *i = aEnd;
    *j = bEnd;
    if (aEnd - ai != bEnd - bj) return aEnd - ai < bEnd - bj ? -1 : 1;
    for (; ai < aEnd; ++ai, ++bj)
        if (a[ai] != b[bj]) return a[ai] < b[bj] ? -1 : 1;
    return 0;
}

}  // namespace

int CompareVersions(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = isDigit(a[i]), db = isDigit(b[j]);
        if (da && db) {
            if (const int c = compareNumbers(a, &i, b, &j)) return c;
            continue;
        }
        if (da != db) return da ? 1 : -1;
        const unsigned char ca = static_cast<unsigned char>(folded(a[i]));
        const unsigned char cb = static_cast<unsigned char>(folded(b[j]));
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace tintel
