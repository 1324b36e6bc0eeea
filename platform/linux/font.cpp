// Glyph outlines on Linux: fontconfig chooses the face (so "Arial" and "Calibri" find their
// metric-compatible stand-ins, Liberation Sans and Carlito), FreeType 2 renders each glyph in
// 256-level grey, quantised here to the 17 levels of GDI's GGO_GRAY4_BITMAP.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <mutex>

#include "platform/font.h"
#include "base/text.h"

namespace platform {
namespace {

// fontconfig's configuration is loaded once per process; matching is thread-safe after that.
std::once_flag fontconfigOnce;

class FreeTypeRasteriser final : public FontRasteriser {
public:
    ~FreeTypeRasteriser() override {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }

    bool Open(const std::string& family, int height, int weight, bool italic) {
        std::call_once(fontconfigOnce, [] { FcInit(); });
        FcPattern* pattern = FcPatternCreate();
        if (!pattern) return false;
        const std::string utf8 = base::cp1252ToUtf8(family);
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match) return false;
        FcChar8* file = nullptr;
        FcChar8* chosenFamily = nullptr;
        FcChar8* style = nullptr;
        int index = 0, slant = FC_SLANT_ROMAN;
        FcBool embolden = FcFalse;
        FcPatternGetString(match, FC_FILE, 0, &file);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        if (FcPatternGetString(match, FC_FAMILY, 0, &chosenFamily) == FcResultMatch)
            chosen_ = reinterpret_cast<const char*>(chosenFamily);
        if (FcPatternGetString(match, FC_STYLE, 0, &style) == FcResultMatch)
            chosen_ += std::string(" ") + reinterpret_cast<const char*>(style);
        const std::string path = file ? reinterpret_cast<const char*>(file) : "";
        FcPatternDestroy(match);
        if (path.empty()) return false;
        chosen_ += " (" + path + ")";
        embolden_ = embolden == FcTrue;
        // A face without an italic style is slanted by FreeType, as GDI simulates it.
        oblique_ = italic && slant == FC_SLANT_ROMAN;

        if (FT_Init_FreeType(&library_) != 0 ||
            FT_New_Face(library_, path.c_str(), index, &face_) != 0)
            return false;
        FT_Select_Charmap(face_, FT_ENCODING_UNICODE);
        // GDI reads a positive font height as the cell height, usWinAscent + usWinDescent in the
        // face's units; the em is sized so that the same cell comes out (hhea's otherwise).
        int cell = face_->ascender - face_->descender;
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2)))
            if (os2->usWinAscent + os2->usWinDescent > 0)
                cell = os2->usWinAscent + os2->usWinDescent;
        if (cell <= 0) cell = face_->units_per_EM;
        const auto em = static_cast<FT_F26Dot6>(
            std::lround(64.0 * height * face_->units_per_EM / static_cast<double>(cell)));
        return FT_Set_Char_Size(face_, 0, em > 64 ? em : 64, 72, 72) == 0;
    }

    bool Glyph(uint8_t code, GlyphCoverage& out) override {
        out = GlyphCoverage{};
        const FT_UInt index = FT_Get_Char_Index(face_, base::cp1252ToCodepoint(code));
        if (FT_Load_Glyph(face_, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return false;
        FT_GlyphSlot slot = face_->glyph;
        if (oblique_) FT_GlyphSlot_Oblique(slot);
        if (embolden_) FT_GlyphSlot_Embolden(slot);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;
        out.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
            return true;
        out.width = static_cast<int>(bitmap.width);
        out.height = static_cast<int>(bitmap.rows);
        out.left = slot->bitmap_left;
        out.top = slot->bitmap_top;
        out.levels.resize(static_cast<size_t>(out.width) * out.height);
        const int grey = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
        for (int y = 0; y < out.height; ++y) {
            const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
            for (int x = 0; x < out.width; ++x)
                out.levels[static_cast<size_t>(y) * out.width + x] =
                    static_cast<uint8_t>((row[x] * 16 + grey / 2) / grey);
        }
        return true;
    }

    std::vector<KerningPair> KerningPairs() override {
        std::vector<KerningPair> pairs;
        // FreeType reads the 'kern' table here (the same table GDI's GetKerningPairs reads); a
        // face that kerns only through OpenType GPOS has no pairs.
        if (!FT_HAS_KERNING(face_)) return pairs;
        FT_UInt glyphs[256];
        for (int c = 0; c < 256; ++c)
            glyphs[c] = FT_Get_Char_Index(face_, base::cp1252ToCodepoint(static_cast<uint8_t>(c)));
        for (int a = 32; a < 256; ++a) {
            if (!glyphs[a]) continue;
            for (int b = 32; b < 256; ++b) {
                FT_Vector delta{};
                if (!glyphs[b] ||
                    FT_Get_Kerning(face_, glyphs[a], glyphs[b], FT_KERNING_UNFITTED, &delta) != 0)
                    continue;
                const auto adjustment = static_cast<int32_t>((delta.x + 32) >> 6);
                if (adjustment != 0)
                    pairs.push_back({static_cast<uint8_t>(a), static_cast<uint8_t>(b), adjustment});
            }
        }
        return pairs;
    }

    std::string ChosenFace() override { return chosen_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::string chosen_;
    bool embolden_ = false, oblique_ = false;
};

}  // namespace

std::unique_ptr<FontRasteriser> openFontRasteriser(const std::string& face, int height, int weight,
                                                   bool italic) {
    auto rasteriser = std::make_unique<FreeTypeRasteriser>();
    if (height <= 0 || !rasteriser->Open(face, height, weight, italic)) return nullptr;
    return rasteriser;
}

}  // namespace platform
