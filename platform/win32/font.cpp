// Glyph outlines on Windows: a GDI font of the enlarged size in a screen-compatible memory context,
// each glyph from GetGlyphOutlineW as a GGO_GRAY4_BITMAP (17 levels), kerning from
// GetKerningPairsW.
#include <windows.h>

#include "platform/font.h"
#include "base/text.h"

namespace platform {
namespace {

class GdiRasteriser final : public FontRasteriser {
public:
    ~GdiRasteriser() override {
        if (dc_) {
            if (previous_) SelectObject(dc_, previous_);
            DeleteDC(dc_);
        }
        if (font_) DeleteObject(font_);
    }

    bool Open(const std::string& face, int height, int weight, bool italic) {
        std::wstring wideFace;
        for (char c : face.substr(0, LF_FACESIZE - 1))
            wideFace += static_cast<wchar_t>(base::cp1252ToCodepoint(static_cast<uint8_t>(c)));
        font_ = CreateFontW(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, wideFace.c_str());
        dc_ = CreateCompatibleDC(nullptr);
        if (!font_ || !dc_) return false;
        previous_ = SelectObject(dc_, font_);
        SetBkMode(dc_, TRANSPARENT);
        return true;
    }

    bool Glyph(uint8_t code, GlyphCoverage& out) override {
        out = GlyphCoverage{};
        const UINT ch = base::cp1252ToCodepoint(code);
        const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        GLYPHMETRICS metrics{};
        const DWORD size =
            GetGlyphOutlineW(dc_, ch, GGO_GRAY4_BITMAP, &metrics, 0, nullptr, &identity);
        if (size == GDI_ERROR) return false;
        out.advance = metrics.gmCellIncX;
        if (size == 0) return true;  // nothing to mark: a space
        std::vector<uint8_t> buffer(size);
        if (GetGlyphOutlineW(dc_, ch, GGO_GRAY4_BITMAP, &metrics, size, buffer.data(), &identity) ==
            GDI_ERROR)
            return false;
        out.width = static_cast<int>(metrics.gmBlackBoxX);
        out.height = static_cast<int>(metrics.gmBlackBoxY);
        out.left = metrics.gmptGlyphOrigin.x;
        out.top = metrics.gmptGlyphOrigin.y;
        // Rows are padded to a multiple of four bytes.
        const size_t pitch = (static_cast<size_t>(out.width) + 3) & ~static_cast<size_t>(3);
        if (pitch * out.height > buffer.size()) return false;
        out.levels.resize(static_cast<size_t>(out.width) * out.height);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                const uint8_t level = buffer[y * pitch + x];
                out.levels[static_cast<size_t>(y) * out.width + x] = level > 16 ? 16 : level;
            }
        return true;
    }

    std::vector<KerningPair> KerningPairs() override {
        std::vector<KerningPair> pairs;
        const DWORD count = GetKerningPairsW(dc_, 0, nullptr);
        if (count == 0) return pairs;
        std::vector<KERNINGPAIR> all(count);
        const DWORD got = GetKerningPairsW(dc_, count, all.data());
        for (DWORD i = 0; i < got && i < count; ++i) {
            // Only pairs whose characters both exist in Windows-1252.
            const uint8_t a = base::codepointToCp1252(all[i].wFirst);
            const uint8_t b = base::codepointToCp1252(all[i].wSecond);
            if (base::cp1252ToCodepoint(a) != all[i].wFirst ||
                base::cp1252ToCodepoint(b) != all[i].wSecond)
                continue;
            if (all[i].iKernAmount != 0) pairs.push_back({a, b, all[i].iKernAmount});
        }
        return pairs;
    }

    std::string ChosenFace() override {
        wchar_t name[LF_FACESIZE] = {};
        GetTextFaceW(dc_, LF_FACESIZE, name);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc_, &metrics);
        std::string out;
        for (const wchar_t* p = name; *p; ++p)
            out += static_cast<char>(base::codepointToCp1252(*p));
        out += " weight " + std::to_string(metrics.tmWeight);
        if (metrics.tmItalic) out += " italic";
        return out;
    }

private:
    HFONT font_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace

std::unique_ptr<FontRasteriser> openFontRasteriser(const std::string& face, int height, int weight,
                                                   bool italic) {
    auto rasteriser = std::make_unique<GdiRasteriser>();
    if (height <= 0 || !rasteriser->Open(face, height, weight, italic)) return nullptr;
    return rasteriser;
}

}  // namespace platform
