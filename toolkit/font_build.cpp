// Building a font cache from the platform's outlines, and the cache files in the runtime folder.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include "platform/font.h"
#include "toolkit/folders.h"
#include "toolkit/font_cache.h"
#include "toolkit/toolkit.h"

namespace yt {
namespace {

// The 16-tap filter that takes four enlarged pixels down to one below size 17; its taps reach
// six enlarged pixels to the left of an output pixel and nine to its right.
constexpr double kTaps[16] = {-0.001, -0.01, -0.02, -0.015, 0.025,  0.099, 0.183, 0.239,
                              0.239,  0.183, 0.099, 0.025,  -0.015, -0.02, -0.01, -0.001};
constexpr int kTapReachLeft = 6;
constexpr int kFilterBelowSize = 17;
int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

uint8_t clampByte(double v) {
    const double r = std::floor(v + 0.5);
    return static_cast<uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
}

// One glyph at one phase in final pixels, before it is trimmed and stored.
struct Filtered {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

// Reduces enlarged 17-level coverage to final pixels with the pen `phase` quarter pixels right of
// a pixel boundary. Enlarged column j lies at X = phase + left + j and row k at Y = k - top
// (downwards from the baseline); final pixel (i, r) covers X in [4i, 4i + 4) and Y in [4r, 4r + 4).
Filtered reduce(const platform::GlyphCoverage& g, int phase, int size) {
    Filtered out;
    if (g.width <= 0 || g.height <= 0) return out;
    const int x0 = phase + g.left, y0 = -g.top;
    auto level = [&](int row, int col) {
        return g.levels[static_cast<size_t>(row) * g.width + col];
    };
    if (size >= kFilterBelowSize) {
        // Each 4 x 4 block summed.
        const int i0 = floorDiv(x0, 4), i1 = floorDiv(x0 + g.width - 1, 4);
        const int r0 = floorDiv(y0, 4), r1 = floorDiv(y0 + g.height - 1, 4);
        out.left = i0, out.top = r0, out.width = i1 - i0 + 1, out.height = r1 - r0 + 1;
        std::vector<int> sums(static_cast<size_t>(out.width) * out.height, 0);
        for (int k = 0; k < g.height; ++k)
            for (int j = 0; j < g.width; ++j)
                sums[static_cast<size_t>(floorDiv(y0 + k, 4) - r0) * out.width +
                     (floorDiv(x0 + j, 4) - i0)] += level(k, j);
        out.pixels.resize(sums.size());
        for (size_t n = 0; n < sums.size(); ++n)
            out.pixels[n] = static_cast<uint8_t>((sums[n] * 255 + 128) / 256);
        return out;
    }
    // The separable filter: rows first, then columns, over grey levels scaled to 0 to 255.
    const int i0 = floorDiv(x0 - 15 + kTapReachLeft + 3, 4),
              i1 = floorDiv(x0 + g.width - 1 + kTapReachLeft, 4);
    const int r0 = floorDiv(y0 - 15 + kTapReachLeft + 3, 4),
              r1 = floorDiv(y0 + g.height - 1 + kTapReachLeft, 4);
    out.left = i0, out.top = r0, out.width = i1 - i0 + 1, out.height = r1 - r0 + 1;
    std::vector<double> rows(static_cast<size_t>(g.height) * out.width, 0.0);
    for (int k = 0; k < g.height; ++k)
        for (int i = i0; i <= i1; ++i) {
            double sum = 0;
            for (int t = 0; t < 16; ++t) {
                const int j = 4 * i - kTapReachLeft + t - x0;
                if (j >= 0 && j < g.width) sum += kTaps[t] * (level(k, j) * 255.0 / 16.0);
            }
            rows[static_cast<size_t>(k) * out.width + (i - i0)] = sum;
        }
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int r = r0; r <= r1; ++r)
        for (int i = 0; i < out.width; ++i) {
            double sum = 0;
            for (int t = 0; t < 16; ++t) {
                const int k = 4 * r - kTapReachLeft + t - y0;
                if (k >= 0 && k < g.height)
                    sum += kTaps[t] * rows[static_cast<size_t>(k) * out.width + i];
            }
            out.pixels[static_cast<size_t>(r - r0) * out.width + i] = clampByte(sum);
        }
    return out;
}

// Cuts away empty rows and columns at the edges.
void trim(Filtered& f) {
    int top = 0, bottom = f.height - 1, left = 0, right = f.width - 1;
    auto rowEmpty = [&](int r) {
        for (int i = 0; i < f.width; ++i)
            if (f.pixels[static_cast<size_t>(r) * f.width + i]) return false;
        return true;
    };
    auto colEmpty = [&](int c) {
        for (int r = top; r <= bottom; ++r)
            if (f.pixels[static_cast<size_t>(r) * f.width + c]) return false;
        return true;
    };
    while (top <= bottom && rowEmpty(top))
        ++top;
    while (bottom >= top && rowEmpty(bottom))
        --bottom;
    if (top > bottom) {
        f = Filtered{};
        return;
    }
    while (colEmpty(left))
        ++left;
    while (colEmpty(right))
        --right;
    Filtered t;
    t.left = f.left + left, t.top = f.top + top;
    t.width = right - left + 1, t.height = bottom - top + 1;
    t.pixels.resize(static_cast<size_t>(t.width) * t.height);
    for (int r = 0; r < t.height; ++r)
        std::memcpy(&t.pixels[static_cast<size_t>(r) * t.width],
                    &f.pixels[static_cast<size_t>(r + top) * f.width + left], t.width);
    f = std::move(t);
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    out.clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        out.insert(out.end(), buffer, buffer + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Writes the whole file under a temporary name and renames it over `path`, so a reader never
// sees a torn file.
bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    std::error_code error;
    if (written && closed) {
        std::filesystem::rename(std::filesystem::path(temporary), std::filesystem::path(path),
                                error);
        if (!error) return true;
    }
    std::remove(temporary.c_str());
    return false;
}

}  // namespace

int32_t ytFontCache::Build() {
    DebugLog("Reading %s.\n", face_.c_str());
    if (size_ <= 0 || size_ > 1000) return 4;
    auto rasteriser = platform::openFontRasteriser(face_, 4 * size_, weight_, italic_);
    if (!rasteriser) return 4;
    chosenFace_ = rasteriser->ChosenFace();

    std::vector<ytGlyph> glyphs(kGlyphCount);
    std::vector<uint8_t> coverage;
    std::vector<uint32_t> table(kTableLength);
    int lineHeight = 0;
    for (int code = 0; code < 256; ++code) {
        table[code] = static_cast<uint32_t>(code * kPhases);
        platform::GlyphCoverage outline;
        // Control codes draw nothing and do not move the pen.
        if (code < 32 || !rasteriser->Glyph(static_cast<uint8_t>(code), outline)) continue;
        lineHeight = std::max(lineHeight, (outline.height + 3) / 4);
        for (int phase = 0; phase < kPhases; ++phase) {
            Filtered f = reduce(outline, phase, size_);
            trim(f);
            ytGlyph& g = glyphs[code * kPhases + phase];
            g.advance = outline.advance;
            if (f.pixels.empty()) continue;
            g.offset = static_cast<uint32_t>(coverage.size());
            g.width = f.width, g.height = f.height;
            g.origin = ytGlyph::PackOrigin(f.left, f.top);
            coverage.insert(coverage.end(), f.pixels.begin(), f.pixels.end());
        }
    }
    // The coverage gamma, applied once.
    if (gamma_ != 1.0f && gamma_ > 0) {
        uint8_t curve[256];
        for (int v = 0; v < 256; ++v)
            curve[v] = static_cast<uint8_t>(
                255 - std::lround(255.0 * std::pow(1.0 - v / 255.0, 1.0 / gamma_)));
        for (uint8_t& v : coverage)
            v = curve[v];
    }
    std::vector<KernPair> kerning;
    for (const platform::KerningPair& k : rasteriser->KerningPairs())
        kerning.push_back({k.first, k.second, k.adjustment});
    std::sort(kerning.begin(), kerning.end(), [](const KernPair& a, const KernPair& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    // A face may list a pair twice; the first one holds.
    kerning.erase(std::unique(kerning.begin(), kerning.end(),
                              [](const KernPair& a, const KernPair& b) {
                                  return a.first == b.first && a.second == b.second;
                              }),
                  kerning.end());

    glyphs_ = std::move(glyphs);
    coverage_ = std::move(coverage);
    table_ = std::move(table);
    kerning_ = std::move(kerning);
    lineHeight_ = lineHeight;
    BuildKerningTable();
    DeriveAscent();
    loaded_ = true;
    return 0;
}

int32_t ytFontCache::LoadOrBuild(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (readWholeFile(path, bytes)) {
        ytFontCache stored(face_, size_, weight_, italic_, gamma_);
        if (stored.Load(bytes.data(), bytes.size()) == 0 && stored.face_ == face_ &&
            stored.size_ == size_ && stored.weight_ == weight_ && stored.italic_ == italic_ &&
            std::memcmp(&stored.gamma_, &gamma_, 4) == 0) {
            std::swap(glyphs_, stored.glyphs_);
            std::swap(kerning_, stored.kerning_);
            std::swap(kerningHash_, stored.kerningHash_);
            std::swap(coverage_, stored.coverage_);
            std::swap(table_, stored.table_);
            lineHeight_ = stored.lineHeight_;
            ascent_ = stored.ascent_;
            chosenFace_.clear();
            loaded_ = true;
            return 0;
        }
    }
    if (Build() != 0) return 4;
    writeWholeFile(path, Serialize());
    return 0;
}

// ---- the shared caches ------------------------------------------------------------------------

namespace {
std::mutex fontsLock;
std::vector<std::unique_ptr<ytFontCache>>& fonts() {
    static auto* list = new std::vector<std::unique_ptr<ytFontCache>>();
    return *list;
}
}  // namespace

ytFontCache* ytFontCache::GetFont(const std::string& face, int size, int weight, bool italic,
                                  float gamma) {
    std::lock_guard<std::mutex> lock(fontsLock);
    for (const auto& font : fonts())
        if (font->face_ == face && font->size_ == size && font->weight_ == weight &&
            font->italic_ == italic && std::memcmp(&font->gamma_, &gamma, 4) == 0)
            return font.get();
    auto font = std::make_unique<ytFontCache>(face, size, weight, italic, gamma);
    const std::string folder = RuntimeFolder();
    const int32_t result =
        folder.empty()
            ? font->Build()
            : font->LoadOrBuild(JoinPath(folder, FontCacheFileName(face, size, weight, italic)));
    if (result != 0) return nullptr;
    fonts().push_back(std::move(font));
    return fonts().back().get();
}

void ytFontCache::FreeAll() {
    std::lock_guard<std::mutex> lock(fontsLock);
    fonts().clear();
}

}  // namespace yt
