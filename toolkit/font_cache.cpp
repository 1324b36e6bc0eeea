#include "toolkit/font_cache.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "toolkit/bitmap.h"

namespace yt {
namespace {

constexpr int kLargestGlyph = 4096;  // pixels per side a loaded glyph may claim

int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// ---- little-endian writing and reading --------------------------------------------------------

void put32(uint8_t*& p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16), p[3] = static_cast<uint8_t>(v >> 24);
    p += 4;
}

void put16(uint8_t*& p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8);
    p += 2;
}

class Reader {
public:
    Reader(const uint8_t* data, size_t length) : p_(data), end_(data + length) {}
    bool has(uint64_t n) const { return n <= static_cast<uint64_t>(end_ - p_); }
    uint32_t u32() {
        const uint32_t v =
            p_[0] | (p_[1] << 8) | (p_[2] << 16) | (static_cast<uint32_t>(p_[3]) << 24);
        p_ += 4;
        return v;
    }
    uint16_t u16() {
        const uint16_t v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
        p_ += 2;
        return v;
    }
    const uint8_t* take(size_t n) {
        const uint8_t* at = p_;
        p_ += n;
        return at;
    }
    size_t left() const { return static_cast<size_t>(end_ - p_); }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

uint32_t checksum(const uint8_t* data, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(data[i])));
    return sum;
}

// The smallest prime of at least n: a prime table size spreads the pair hash, whose second factor
// (0xA4E10000) has sixteen low zero bits, over every slot.
uint32_t primeAtLeast(uint32_t n) {
    for (uint32_t c = n < 3 ? 3 : n | 1;; c += 2) {
        bool prime = true;
        for (uint32_t d = 3; d * d <= c; d += 2)
            if (c % d == 0) {
                prime = false;
                break;
            }
        if (prime) return c;
    }
}

uint32_t pairHash(uint32_t first, uint32_t second, uint32_t tableSize) {
    return (first * 42209u + second * 0xA4E10000u) % tableSize;
}

}  // namespace

std::string FontCacheFileName(const std::string& face, int size, int weight, bool italic) {
    std::string safe = face;
    // '/' and the other characters no file name may hold (on either platform) become '-', so a
    // face name can never reach outside the runtime folder.
    for (char& c : safe)
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|' || static_cast<uint8_t>(c) < 32)
            c = '-';
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "-%ld-%ld-%d.ytf", static_cast<long>(size),
                  static_cast<long>(weight), italic ? 1 : 0);
    return safe + numbers;
}

ytFontCache::ytFontCache(std::string face, int size, int weight, bool italic, float gamma)
    : face_(std::move(face)), size_(size), weight_(weight), italic_(italic), gamma_(gamma) {}

void ytFontCache::BuildKerningTable() {
    kerningHash_.assign(primeAtLeast(static_cast<uint32_t>(kerning_.size() * 2 + 1)), -1);
    const auto slots = static_cast<uint32_t>(kerningHash_.size());
    for (size_t i = 0; i < kerning_.size(); ++i) {
        uint32_t at = pairHash(kerning_[i].first, kerning_[i].second, slots);
        while (kerningHash_[at] >= 0)
            at = at + 1 == slots ? 0 : at + 1;
        kerningHash_[at] = static_cast<int32_t>(i);
    }
}

void ytFontCache::DeriveAscent() {
    ascent_ = 0;
    for (const ytGlyph& g : glyphs_)
        if (g.width > 0) ascent_ = std::max(ascent_, -g.top());
}

size_t ytFontCache::SerializedSize() const {
    return 11 * 4 + face_.size() + kerning_.size() * 8 + coverage_.size() + table_.size() * 4 +
           glyphs_.size() * 20 + 4;
}

void ytFontCache::Save(uint8_t* buffer) const {
    uint8_t* p = buffer;
    uint32_t gammaBits;
    std::memcpy(&gammaBits, &gamma_, 4);
    put32(p, static_cast<uint32_t>(kFontFileVersion));
    put32(p, static_cast<uint32_t>(size_));
    put32(p, static_cast<uint32_t>(weight_));
    put32(p, italic_ ? 1u : 0u);
    put32(p, static_cast<uint32_t>(lineHeight_));
    put32(p, gammaBits);
    put32(p, static_cast<uint32_t>(coverage_.size()));
    put32(p, static_cast<uint32_t>(table_.size()));
    put32(p, static_cast<uint32_t>(glyphs_.size()));
    put32(p, static_cast<uint32_t>(kerning_.size()));
    put32(p, static_cast<uint32_t>(face_.size()));
    std::memcpy(p, face_.data(), face_.size());
    p += face_.size();
    for (const KernPair& k : kerning_) {
        put16(p, k.first);
        put16(p, k.second);
        put32(p, static_cast<uint32_t>(k.adjustment));
    }
    if (!coverage_.empty()) std::memcpy(p, coverage_.data(), coverage_.size());
    p += coverage_.size();
    for (uint32_t v : table_)
        put32(p, v);
    for (const ytGlyph& g : glyphs_) {
        put32(p, g.offset);
        put32(p, static_cast<uint32_t>(g.width));
        put32(p, static_cast<uint32_t>(g.height));
        put32(p, static_cast<uint32_t>(g.origin));
        put32(p, static_cast<uint32_t>(g.advance));
    }
    put32(p, checksum(buffer, static_cast<size_t>(p - buffer)));
}

std::vector<uint8_t> ytFontCache::Serialize() const {
    std::vector<uint8_t> bytes(SerializedSize());
    Save(bytes.data());
    return bytes;
}

int32_t ytFontCache::Load(const uint8_t* data, size_t length) {
    constexpr int32_t kBad = 3;
    Reader in(data, length);
    if (!in.has(11 * 4)) return kBad;
    if (static_cast<int32_t>(in.u32()) != kFontFileVersion) return kBad;
    const auto size = static_cast<int32_t>(in.u32());
    const auto weight = static_cast<int32_t>(in.u32());
    const uint32_t italic = in.u32();
    const auto lineHeight = static_cast<int32_t>(in.u32());
    const uint32_t gammaBits = in.u32();
    const uint32_t a = in.u32(), b = in.u32(), c = in.u32(), d = in.u32(), nameLength = in.u32();
    const uint64_t body =
        uint64_t{nameLength} + uint64_t{d} * 8 + a + uint64_t{b} * 4 + uint64_t{c} * 20;
    if (italic > 1 || b != kTableLength || c != kGlyphCount || lineHeight < 0 ||
        lineHeight > kLargestGlyph || body + 4 != in.left())
        return kBad;
    if (checksum(data, length - 4) != Reader(data + length - 4, 4).u32()) return kBad;

    std::string face(reinterpret_cast<const char*>(in.take(nameLength)), nameLength);
    std::vector<KernPair> kerning(d);
    for (KernPair& k : kerning) {
        k.first = in.u16(), k.second = in.u16();
        k.adjustment = static_cast<int32_t>(in.u32());
        if (k.first > 255 || k.second > 255) return kBad;
    }
    const uint8_t* coverageBytes = in.take(a);
    std::vector<uint8_t> coverage(coverageBytes, coverageBytes + a);
    std::vector<uint32_t> table(b);
    for (uint32_t& v : table) {
        v = in.u32();
        if (uint64_t{v} + kPhases > c) return kBad;
    }
    std::vector<ytGlyph> glyphs(c);
    for (ytGlyph& g : glyphs) {
        g.offset = in.u32();
        g.width = static_cast<int32_t>(in.u32());
        g.height = static_cast<int32_t>(in.u32());
        g.origin = static_cast<int32_t>(in.u32());
        g.advance = static_cast<int32_t>(in.u32());
        if (g.width < 0 || g.height < 0 || g.width > kLargestGlyph || g.height > kLargestGlyph ||
            (g.width == 0) != (g.height == 0) ||
            uint64_t{g.offset} + uint64_t(g.width) * uint64_t(g.height) > a ||
            g.advance < -kLargestGlyph * 4 || g.advance > kLargestGlyph * 4)
            return kBad;
    }
    face_ = std::move(face);
    size_ = size, weight_ = weight, italic_ = italic != 0, lineHeight_ = lineHeight;
    std::memcpy(&gamma_, &gammaBits, 4);
    kerning_ = std::move(kerning);
    coverage_ = std::move(coverage);
    table_ = std::move(table);
    glyphs_ = std::move(glyphs);
    chosenFace_.clear();
    BuildKerningTable();
    DeriveAscent();
    loaded_ = true;
    return 0;
}

ytFontCache::GlyphView ytFontCache::Glyph(uint8_t code, int phase) const {
    GlyphView view;
    if (!loaded_) return view;
    view.glyph = glyphs_[table_[code] + (phase & 3)];
    if (view.glyph.width > 0) view.coverage = coverage_.data() + view.glyph.offset;
    return view;
}

int32_t ytFontCache::Kerning(uint8_t first, uint8_t second) const {
    if (kerning_.empty()) return 0;
    const auto slots = static_cast<uint32_t>(kerningHash_.size());
    for (uint32_t at = pairHash(first, second, slots);; at = at + 1 == slots ? 0 : at + 1) {
        const int32_t i = kerningHash_[at];
        if (i < 0) return 0;
        if (kerning_[i].first == first && kerning_[i].second == second)
            return kerning_[i].adjustment;
    }
}

int ytFontCache::Measure(std::string_view text, int tracking) const {
    if (!loaded_) return 0;
    int pen = 0;
    uint8_t previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<uint8_t>(text[i]);
        if (i > 0) pen += Kerning(previous, code);
        pen += glyphs_[table_[code]].advance + 4 * tracking;
        previous = code;
    }
    return pen <= 0 ? 0 : (pen + 3) / 4;
}

std::vector<std::pair<size_t, size_t>> ytFontCache::BreakLines(std::string_view text, int width,
                                                               int tracking) const {
    std::vector<std::pair<size_t, size_t>> lines;
    auto fits = [&](size_t from, size_t to) {
        return Measure(text.substr(from, to - from), tracking) <= width;
    };
    size_t paragraph = 0;
    for (;;) {
        const size_t stop = std::min(text.find('\n', paragraph), text.size());
        size_t pos = paragraph;
        bool any = false;
        for (;;) {
            while (pos < stop && text[pos] == ' ')
                ++pos;
            if (pos >= stop) break;
            // Whole words while they fit.
            size_t end = pos, wordEnd = pos;
            while (end < stop) {
                wordEnd = std::min(text.find(' ', end == pos ? pos : end + 1), stop);
                if (!fits(pos, wordEnd)) break;
                end = wordEnd;
            }
            if (end == pos) {
                // A word longer than the line: as many characters as fit, at least one.
                end = pos + 1;
                while (end < wordEnd && fits(pos, end + 1))
                    ++end;
            }
            lines.emplace_back(pos, end - pos);
            any = true;
            pos = end;
        }
        if (!any) lines.emplace_back(paragraph, 0);
        if (stop >= text.size()) break;
        paragraph = stop + 1;
    }
    return lines;
}

int ytFontCache::Draw(ytBitmap& target, int x, int y, std::string_view text, uint32_t colour,
                      int tracking, const ytRect* clip) const {
    if (!loaded_ || target.empty()) return 0;
    ytRect area{0, 0, target.width(), target.height()};
    if (clip) {
        area.left = std::max(area.left, clip->left), area.top = std::max(area.top, clip->top);
        area.right = std::min(area.right, clip->right),
        area.bottom = std::min(area.bottom, clip->bottom);
    }
    const uint32_t ca = colour >> 24, cr = (colour >> 16) & 255, cg = (colour >> 8) & 255,
                   cb = colour & 255;
    const int baseline = y + ascent_;
    int pen = 0;
    uint8_t previous = 0;
    for (size_t n = 0; n < text.size(); ++n) {
        const auto code = static_cast<uint8_t>(text[n]);
        if (n > 0) pen += Kerning(previous, code);
        previous = code;
        const GlyphView view = Glyph(code, pen & 3);
        const int gx = x + floorDiv(pen, 4) + view.glyph.left(), gy = baseline + view.glyph.top();
        pen += view.glyph.advance + 4 * tracking;
        if (!view.coverage) continue;
        const int c0 = std::max(gx, area.left), c1 = std::min(gx + view.glyph.width, area.right);
        const int r0 = std::max(gy, area.top), r1 = std::min(gy + view.glyph.height, area.bottom);
        for (int r = r0; r < r1; ++r) {
            const uint8_t* cover = view.coverage + static_cast<size_t>(r - gy) * view.glyph.width;
            uint32_t* row = target.row(r);
            for (int c = c0; c < c1; ++c) {
                const uint32_t k = cover[c - gx];
                if (!k) continue;
                // The colour scaled by the coverage, composited over the pixel (premultiplied).
                const uint32_t sa = (ca * k + 127) / 255, sr = (cr * k + 127) / 255,
                               sg = (cg * k + 127) / 255, sb = (cb * k + 127) / 255;
                const uint32_t d = row[c], keep = 255 - sa;
                const uint32_t da = sa + ((d >> 24) * keep + 127) / 255;
                const uint32_t dr = sr + (((d >> 16) & 255) * keep + 127) / 255;
                const uint32_t dg = sg + (((d >> 8) & 255) * keep + 127) / 255;
                const uint32_t db = sb + ((d & 255) * keep + 127) / 255;
                row[c] = (std::min(da, 255u) << 24) | (std::min(dr, 255u) << 16) |
                         (std::min(dg, 255u) << 8) | std::min(db, 255u);
            }
        }
    }
    return pen <= 0 ? 0 : (pen + 3) / 4;
}

void ytFontCache::DrawInBox(ytBitmap& target, const ytRect& box, std::string_view text,
                            uint32_t colour, BoxLayout layout, int tracking,
                            const ytRect* clip) const {
    if (!loaded_) return;
    ytRect area = box;
    if (clip) {
        area.left = std::max(area.left, clip->left), area.top = std::max(area.top, clip->top);
        area.right = std::min(area.right, clip->right),
        area.bottom = std::min(area.bottom, clip->bottom);
    }
    const auto width = static_cast<int>(box.width());
    const auto lines = BreakLines(text, width, tracking);
    const int lineStep = std::max(lineHeight_, 1);
    int y = box.top;
    if (layout == BoxLayout::kCentred)
        y += (static_cast<int>(box.height()) - lineStep * static_cast<int>(lines.size())) / 2;
    for (const auto& [start, length] : lines) {
        const std::string_view line = text.substr(start, length);
        int x = box.left;
        if (layout == BoxLayout::kCentred) x += (width - Measure(line, tracking)) / 2;
        Draw(target, x, y, line, colour, tracking, &area);
        y += lineStep;
    }
}

}  // namespace yt
