// Glyph outlines rasterised by the platform for the toolkit's font cache: one face at one size,
// each glyph as 17-level grey coverage (0 to 16) at four times the size the cache finally shows,
// and the face's kerning pairs. Everything after the rasteriser (filtering, the cache file,
// measuring and drawing) is portable code in toolkit/font_cache.*.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One glyph's coverage, in pixels of the enlarged (four times) size.
struct GlyphCoverage {
    int width = 0, height = 0;    // the black box; 0 x 0 for glyphs that mark nothing (space)
    int left = 0;                 // black box's left edge, right of the pen position
    int top = 0;                  // black box's top edge, above the baseline
    int advance = 0;              // pen movement to the next glyph
    std::vector<uint8_t> levels;  // width x height, row by row from the top, each 0 to 16
};

// A kerning pair of Windows-1252 codes and its adjustment in pixels of the enlarged size.
struct KerningPair {
    uint8_t first = 0, second = 0;
    int32_t adjustment = 0;
};

class FontRasteriser {
public:
    virtual ~FontRasteriser() = default;
    // The glyph of a Windows-1252 code. False when the platform cannot render it (the cache then
    // keeps an empty glyph with no advance).
    virtual bool Glyph(uint8_t code, GlyphCoverage& out) = 0;
    // Every kerning pair of the face between Windows-1252 codes, in no particular order.
    virtual std::vector<KerningPair> KerningPairs() = 0;
    // What the platform chose for the requested face: family and style, and the file on Linux.
    virtual std::string ChosenFace() = 0;
};

// Opens `face` with a cell height of `height` pixels (the enlarged size), the given weight (100 to
// 900, 400 regular, 700 bold; 0 means regular) and slant. Null when no face can be opened at all;
// a face name the system does not know gives the platform's closest match.
std::unique_ptr<FontRasteriser> openFontRasteriser(const std::string& face, int height, int weight,
                                                   bool italic);

}  // namespace platform
