// Text measured on real faces: fontconfig finds the face, FreeType loads it, HarfBuzz shapes the
// text. Built only with PARALLO_WITH_FONTS; without it there is no such measurer.
#include <memory>
#include <string>

#include "parallo/layout.h"

#if defined(PARALLO_WITH_FONTS)

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <new>
#include <unordered_map>

#include "parallo/error.h"

namespace parallo {
namespace {

/// One loaded face. Extents are kept in ems, so that one shaping serves every size.
struct Face {
    FT_Face ft = nullptr;
    hb_font_t *font = nullptr;
    double unitsPerEm = 1.0; ///< HarfBuzz units of this font per em
    std::unordered_map<std::string, TextExtent> extents;

    ~Face() {
        if (font)
            hb_font_destroy(font); // releases the FreeType face it references
        else if (ft)
            FT_Done_Face(ft);
    }
};

class FontTextMeasurer final : public TextMeasurer {
public:
    FontTextMeasurer(FcConfig *config, FT_Library library) : config_(config), library_(library) {
        buffer_ = hb_buffer_create();
    }
    ~FontTextMeasurer() override {
        faces_.clear(); // before the library they were loaded by
        hb_buffer_destroy(buffer_);
        FT_Done_FreeType(library_);
        FcConfigDestroy(config_);
    }
    FontTextMeasurer(const FontTextMeasurer &) = delete;
    FontTextMeasurer &operator=(const FontTextMeasurer &) = delete;

    TextExtent Measure(const std::string &text, const StdFont &font, double size) override {
        Face &face = FaceFor(font);
        auto it = face.extents.find(text);
        if (it == face.extents.end()) it = face.extents.emplace(text, Shape(face, text)).first;
        TextExtent e = it->second;
        e.Advance *= size;
        e.Ascent *= size;
        e.Descent *= size;
        return e;
    }

private:
    Face &FaceFor(const StdFont &font) {
        const bool bold = font.Bold || font.Weight >= 600;
        const std::string key = font.Name + (bold ? "|b" : "|r") + (font.Italic ? "i" : "u");
        auto it = faces_.find(key);
        if (it != faces_.end()) return *it->second;
        auto face = Load(font.Name.empty() ? std::string("DejaVu Sans") : font.Name, bold, font.Italic);
        return *faces_.emplace(key, std::move(face)).first->second;
    }

    std::unique_ptr<Face> Load(const std::string &family, bool bold, bool italic) {
        FcPattern *pattern = FcPatternCreate();
        if (!pattern) throw std::bad_alloc();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config_, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern *match = FcFontMatch(config_, pattern, &result);
        FcPatternDestroy(pattern);
        FcChar8 *file = nullptr;
        int index = 0;
        std::string path;
        if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            path = reinterpret_cast<const char *>(file);
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
        }
        if (match) FcPatternDestroy(match);
        if (path.empty()) RaiseOwn("no font face for \"" + family + "\"", "TextMeasurer.Measure");

        auto face = std::make_unique<Face>();
        if (FT_New_Face(library_, path.c_str(), index, &face->ft) != 0 || !FT_IS_SCALABLE(face->ft))
            RaiseOwn("FreeType cannot load the face " + path, "TextMeasurer.Measure");
        // One pixel per font unit, unhinted: advances and extents in the face's own design units.
        const FT_UShort upem = face->ft->units_per_EM;
        if (upem == 0 || FT_Set_Char_Size(face->ft, 0, static_cast<FT_F26Dot6>(upem) * 64, 72, 72) != 0)
            RaiseOwn("FreeType cannot size the face " + path, "TextMeasurer.Measure");
        face->font = hb_ft_font_create_referenced(face->ft); // takes a reference of its own
        FT_Done_Face(face->ft);
        face->ft = nullptr;
        hb_ft_font_set_load_flags(face->font, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
        int xScale = 0, yScale = 0;
        hb_font_get_scale(face->font, &xScale, &yScale);
        if (xScale <= 0) RaiseOwn("HarfBuzz gives the face " + path + " no scale", "TextMeasurer.Measure");
        face->unitsPerEm = static_cast<double>(xScale);
        return face;
    }

    /// The extent of a text at 1 em.
    TextExtent Shape(Face &face, const std::string &text) {
        hb_buffer_reset(buffer_);
        hb_buffer_add_utf8(buffer_, text.data(), static_cast<int>(text.size()), 0,
                           static_cast<int>(text.size()));
        hb_buffer_guess_segment_properties(buffer_);
        hb_shape(face.font, buffer_, nullptr, 0);
        unsigned int count = 0;
        const hb_glyph_info_t *info = hb_buffer_get_glyph_infos(buffer_, &count);
        const hb_glyph_position_t *pos = hb_buffer_get_glyph_positions(buffer_, &count);
        long advance = 0;
        long top = 0, bottom = 0;
        bool ink = false;
        for (unsigned int i = 0; i < count; ++i) {
            advance += pos[i].x_advance;
            hb_glyph_extents_t g{};
            if (!hb_font_get_glyph_extents(face.font, info[i].codepoint, &g) || g.height == 0) continue;
            const long glyphTop = static_cast<long>(pos[i].y_offset) + g.y_bearing;
            const long glyphBottom = glyphTop + g.height; // height is negative: y grows upwards
            top = ink ? std::max(top, glyphTop) : glyphTop;
            bottom = ink ? std::min(bottom, glyphBottom) : glyphBottom;
            ink = true;
        }
        TextExtent e;
        e.Advance = static_cast<double>(advance) / face.unitsPerEm;
        if (ink) {
            e.Ascent = std::max(0.0, static_cast<double>(top) / face.unitsPerEm);
            e.Descent = std::max(0.0, -static_cast<double>(bottom) / face.unitsPerEm);
        }
        return e;
    }

    FcConfig *config_;
    FT_Library library_;
    hb_buffer_t *buffer_ = nullptr;
    std::unordered_map<std::string, std::unique_ptr<Face>> faces_;
};

} // namespace

std::unique_ptr<TextMeasurer> CreateFontTextMeasurer() {
    FcConfig *config = FcInitLoadConfigAndFonts();
    if (!config) return nullptr;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        FcConfigDestroy(config);
        return nullptr;
    }
    return std::make_unique<FontTextMeasurer>(config, library);
}

} // namespace parallo

#else

namespace parallo {

std::unique_ptr<TextMeasurer> CreateFontTextMeasurer() { return nullptr; }

} // namespace parallo

#endif
