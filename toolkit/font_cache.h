// ytFontCache: one face at one size, weight and slant, as coverage bitmaps of the 256 Windows-1252
// codes at four quarter-pixel positions each, with the face's kerning pairs. Built once from the
// platform's outlines (platform/font.h) at four times the size and filtered down, then kept as a
// ".ytf" file in the runtime folder and loaded from there afterwards.
//
// Contents
//   1. ytGlyph and the file format
//   2. ytFontCache: building, the file, glyphs and kerning
//   3. measuring, line breaking and drawing into a ytBitmap
//   4. the shared caches (GetFont)
//
// Units: glyph bitmaps, origins, widths and line heights are pixels; advances, kerning
// adjustments and pen positions are quarter pixels (the enlarged grid the glyphs come from).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/base_thread.h"
#include "toolkit/rect.h"

namespace yt {

class ytBitmap;

// ---- 1. ytGlyph and the file format ---------------------------------------------------------

// One glyph at one phase: 20 bytes in the file, five little-endian 32-bit values in this order.
struct ytGlyph {
    uint32_t offset = 0;  // first byte in the coverage array
    int32_t width = 0;    // pixels
    int32_t height = 0;   // pixels
    // The bitmap's top-left corner relative to the pen: low 16 bits the column right of the pen's
    // pixel, high 16 bits the row below the baseline (both signed; the row is negative above it).
    int32_t origin = 0;
    int32_t advance = 0;  // quarter pixels

    int left() const { return static_cast<int16_t>(origin & 0xFFFF); }
    int top() const { return static_cast<int16_t>((static_cast<uint32_t>(origin) >> 16) & 0xFFFF); }
    static int32_t PackOrigin(int left, int top) {
        return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(top)) << 16) |
                                    static_cast<uint16_t>(left));
    }
};

// The file: version, size, weight, italic, line height, gamma (f32), coverage length A, table
// length B, glyph count C, kerning count D, name length, the name, D kerning pairs (u16, u16,
// i32), A coverage bytes, B table entries, C glyphs, and the sum of all those bytes taken as
// signed bytes. All values 32-bit little-endian unless stated.
constexpr int32_t kFontFileVersion = 100;

// "%s-%ld-%ld-%d.ytf": the face name (with characters a file name cannot hold, '/' first of
// them, replaced by '-'), size, weight and italic flag.
std::string FontCacheFileName(const std::string& face, int size, int weight, bool italic);

// ---- 2. ytFontCache -------------------------------------------------------------------------

class ytFontCache : public ytBaseThread {
public:
    // Four phases per code; table entry c is the index of code c's phase-0 glyph.
    static constexpr int kPhases = 4;
    static constexpr int kTableLength = 256;
    static constexpr int kGlyphCount = 256 * kPhases;

    ytFontCache(std::string face, int size, int weight, bool italic, float gamma = 1.0f);

    // Renders the outlines through the platform and filters them. 0, or 4 when the platform can
    // open no face at all (the cache stays unloaded).
    int32_t Build();

    // The file's bytes, and reading them back. Load answers 0, or 3 (bad version, counts that do
    // not fit the data, a glyph outside the coverage, a wrong checksum); on failure the cache is
    // left as it was.
    size_t SerializedSize() const;
    void Save(uint8_t* buffer) const;
    std::vector<uint8_t> Serialize() const;
    int32_t Load(const uint8_t* data, size_t length);

    // Loads `path` when it holds this face, size, weight, slant and gamma; else builds and writes
    // the file (a temporary file renamed over it). A failed write leaves the cache usable.
    // 0, or 4 when it can neither load nor build.
    int32_t LoadOrBuild(const std::string& path);

    bool loaded() const { return loaded_; }
    const std::string& face() const { return face_; }
    int size() const { return size_; }
    int weight() const { return weight_; }
    bool italic() const { return italic_; }
    float gamma() const { return gamma_; }
    int lineHeight() const { return lineHeight_; }
    // Pixels from a line's top to its baseline: the highest any glyph reaches.
    int ascent() const { return ascent_; }
    // What the platform chose when this cache was built (empty after a load).
    const std::string& chosenFace() const { return chosenFace_; }

    // The coverage of a code at a phase (pen offset in quarter pixels, 0 to 3); null coverage
    // for an empty glyph.
    struct GlyphView {
        const uint8_t* coverage = nullptr;
        ytGlyph glyph;
    };
    GlyphView Glyph(uint8_t code, int phase) const;
    // The kerning adjustment of a pair in quarter pixels, 0 when none.
    int32_t Kerning(uint8_t first, uint8_t second) const;
    size_t KerningCount() const { return kerning_.size(); }

    // ---- 3. measuring and drawing -------------------------------------------------------------

    // The width in pixels of one line of text, with `tracking` extra pixels after each character.
    int Measure(std::string_view text, int tracking = 0) const;
    // Breaks text into lines no wider than `width` (at spaces, else inside a word too long for a
    // line; '\n' always breaks). Each line is a (start, length) range of the text, spaces at the
    // break left out.
    std::vector<std::pair<size_t, size_t>> BreakLines(std::string_view text, int width,
                                                      int tracking = 0) const;
    // Draws one line with its top-left corner at (x, y), premultiplied colour 0xAARRGGBB
    // composited over the bitmap, inside `clip` (and the bitmap). Answers the width drawn.
    int Draw(ytBitmap& target, int x, int y, std::string_view text, uint32_t colour,
             int tracking = 0, const ytRect* clip = nullptr) const;

    // The two box layouts: text layers with arguments wrap their text from the box's top-left
    // corner; the others centre the wrapped lines in the box both ways.
    enum class BoxLayout { kWrapTopLeft, kCentred };
    void DrawInBox(ytBitmap& target, const ytRect& box, std::string_view text, uint32_t colour,
                   BoxLayout layout, int tracking = 0, const ytRect* clip = nullptr) const;

    // ---- 4. the shared caches -----------------------------------------------------------------

    // The cache for these values, loaded from the runtime folder or built (and saved) on first
    // use; null when no face can be opened. Owned by the toolkit until FreeAll.
    static ytFontCache* GetFont(const std::string& face, int size, int weight, bool italic,
                                float gamma = 1.0f);
    static void FreeAll();

private:
    struct KernPair {
        uint16_t first = 0, second = 0;
        int32_t adjustment = 0;
    };
    void BuildKerningTable();
    void DeriveAscent();

    bool loaded_ = false;
    std::string face_;
    int size_ = 12;
    int weight_ = 400;
    bool italic_ = false;
    int lineHeight_ = 0;
    float gamma_ = 1.0f;
    std::vector<ytGlyph> glyphs_;
    std::vector<KernPair> kerning_;     // sorted by first, then second
    std::vector<int32_t> kerningHash_;  // index into kerning_, -1 when free
    std::vector<uint8_t> coverage_;
    std::vector<uint32_t> table_;
    int ascent_ = 0;
    std::string chosenFace_;
};

}  // namespace yt
