// Text measured on real faces: fontconfig finds the face, FreeType loads it, HarfBuzz shapes the
// text. Built only with PARALLO_WITH_FONTS; without it there is no such measurer.
//
// The three libraries are opened when the first measurer is made, not when the process starts:
// a run that lays out no label neither loads them nor has the loader look symbols up through
// them (about a tenth of the start of the command, which PROJ's libraries make slow already).
#include <memory>
#include <string>

#include "parallo/layout.h"

#if defined(PARALLO_WITH_FONTS)

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "parallo/error.h"

namespace parallo {
namespace {

// Every function of the three libraries the measurer calls, by library.
#define PARALLO_FONTCONFIG_FUNCTIONS(X)                                                                      \
    X(FcInitLoadConfigAndFonts)                                                                              \
    X(FcConfigDestroy)                                                                                       \
    X(FcPatternCreate)                                                                                       \
    X(FcPatternAddString)                                                                                    \
    X(FcPatternAddInteger)                                                                                   \
    X(FcPatternAddBool)                                                                                      \
    X(FcConfigSubstitute)                                                                                    \
    X(FcDefaultSubstitute)                                                                                   \
    X(FcFontMatch)                                                                                           \
    X(FcPatternDestroy)                                                                                      \
    X(FcPatternGetString)                                                                                    \
    X(FcPatternGetInteger)
#define PARALLO_FREETYPE_FUNCTIONS(X)                                                                        \
    X(FT_Init_FreeType)                                                                                      \
    X(FT_Done_FreeType)                                                                                      \
    X(FT_New_Face)                                                                                           \
    X(FT_Done_Face)                                                                                          \
    X(FT_Set_Char_Size)
#define PARALLO_HARFBUZZ_FUNCTIONS(X)                                                                        \
    X(hb_buffer_create)                                                                                      \
    X(hb_buffer_destroy)                                                                                     \
    X(hb_buffer_reset)                                                                                       \
    X(hb_buffer_add_utf8)                                                                                    \
    X(hb_buffer_guess_segment_properties)                                                                    \
    X(hb_buffer_get_glyph_infos)                                                                             \
    X(hb_buffer_get_glyph_positions)                                                                         \
    X(hb_shape)                                                                                              \
    X(hb_ft_font_create_referenced)                                                                          \
    X(hb_ft_font_set_load_flags)                                                                             \
    X(hb_font_get_scale)                                                                                     \
    X(hb_font_get_glyph_extents)                                                                             \
    X(hb_font_destroy)

/// The functions, found in the libraries by their sonames (which have named the same interfaces
/// for many years); the libraries stay open for the rest of the process.
struct FontLibraries {
#define PARALLO_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
    PARALLO_FONTCONFIG_FUNCTIONS(PARALLO_DECLARE_FUNCTION)
    PARALLO_FREETYPE_FUNCTIONS(PARALLO_DECLARE_FUNCTION)
    PARALLO_HARFBUZZ_FUNCTIONS(PARALLO_DECLARE_FUNCTION)
#undef PARALLO_DECLARE_FUNCTION

    /// Opens the libraries and finds every function; false when any is missing.
    bool Open() {
        void *fontconfig = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_LOCAL);
        void *freetype = dlopen("libfreetype.so.6", RTLD_LAZY | RTLD_LOCAL);
        void *harfbuzz = dlopen("libharfbuzz.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (!fontconfig || !freetype || !harfbuzz) return false;
        bool all = true;
#define PARALLO_FIND_FONTCONFIG(name) all = Find(fontconfig, #name, name) && all;
#define PARALLO_FIND_FREETYPE(name) all = Find(freetype, #name, name) && all;
#define PARALLO_FIND_HARFBUZZ(name) all = Find(harfbuzz, #name, name) && all;
        PARALLO_FONTCONFIG_FUNCTIONS(PARALLO_FIND_FONTCONFIG)
        PARALLO_FREETYPE_FUNCTIONS(PARALLO_FIND_FREETYPE)
        PARALLO_HARFBUZZ_FUNCTIONS(PARALLO_FIND_HARFBUZZ)
#undef PARALLO_FIND_FONTCONFIG
#undef PARALLO_FIND_FREETYPE
#undef PARALLO_FIND_HARFBUZZ
        return all;
    }

private:
    template <typename Function> static bool Find(void *library, const char *name, Function &function) {
        void *symbol = dlsym(library, name);
        static_assert(sizeof(Function) == sizeof(symbol), "a function pointer is an address");
        std::memcpy(&function, &symbol, sizeof symbol);
        return symbol != nullptr;
    }
};

/// The libraries, opened at the first call; null when they cannot be.
const FontLibraries *Libraries() {
    static std::once_flag once;
    static FontLibraries libraries;
    static bool open = false;
    std::call_once(once, [] { open = libraries.Open(); });
    return open ? &libraries : nullptr;
}

/// One loaded face. Extents are kept in ems, so that one shaping serves every size.
struct Face {
    const FontLibraries &lib;
    FT_Face ft = nullptr;
    hb_font_t *font = nullptr;
    double unitsPerEm = 1.0; ///< HarfBuzz units of this font per em
    std::unordered_map<std::string, TextExtent> extents;

    explicit Face(const FontLibraries &libraries) : lib(libraries) {}
    ~Face() {
        if (font)
            lib.hb_font_destroy(font); // releases the FreeType face it references
        else if (ft)
            lib.FT_Done_Face(ft);
    }
    Face(const Face &) = delete;
    Face &operator=(const Face &) = delete;
};

class FontTextMeasurer final : public TextMeasurer {
public:
    FontTextMeasurer(const FontLibraries &lib, FcConfig *config, FT_Library library)
        : lib_(lib), config_(config), library_(library) {
        buffer_ = lib_.hb_buffer_create();
    }
    ~FontTextMeasurer() override {
        faces_.clear(); // before the library they were loaded by
        lib_.hb_buffer_destroy(buffer_);
        lib_.FT_Done_FreeType(library_);
        lib_.FcConfigDestroy(config_);
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
        FcPattern *pattern = lib_.FcPatternCreate();
        if (!pattern) throw std::bad_alloc();
        lib_.FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
        lib_.FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        lib_.FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        lib_.FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        lib_.FcConfigSubstitute(config_, pattern, FcMatchPattern);
        lib_.FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern *match = lib_.FcFontMatch(config_, pattern, &result);
        lib_.FcPatternDestroy(pattern);
        FcChar8 *file = nullptr;
        int index = 0;
        std::string path;
        if (match && lib_.FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            path = reinterpret_cast<const char *>(file);
            lib_.FcPatternGetInteger(match, FC_INDEX, 0, &index);
        }
        if (match) lib_.FcPatternDestroy(match);
        if (path.empty()) RaiseOwn("no font face for \"" + family + "\"", "TextMeasurer.Measure");

        auto face = std::make_unique<Face>(lib_);
        if (lib_.FT_New_Face(library_, path.c_str(), index, &face->ft) != 0 || !FT_IS_SCALABLE(face->ft))
            RaiseOwn("FreeType cannot load the face " + path, "TextMeasurer.Measure");
        // One pixel per font unit, unhinted: advances and extents in the face's own design units.
        const FT_UShort upem = face->ft->units_per_EM;
        if (upem == 0 || lib_.FT_Set_Char_Size(face->ft, 0, static_cast<FT_F26Dot6>(upem) * 64, 72, 72) != 0)
            RaiseOwn("FreeType cannot size the face " + path, "TextMeasurer.Measure");
        face->font = lib_.hb_ft_font_create_referenced(face->ft); // takes a reference of its own
        lib_.FT_Done_Face(face->ft);
        face->ft = nullptr;
        lib_.hb_ft_font_set_load_flags(face->font, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
        int xScale = 0, yScale = 0;
        lib_.hb_font_get_scale(face->font, &xScale, &yScale);
        if (xScale <= 0) RaiseOwn("HarfBuzz gives the face " + path + " no scale", "TextMeasurer.Measure");
        face->unitsPerEm = static_cast<double>(xScale);
        return face;
    }

    /// The extent of a text at 1 em.
    TextExtent Shape(Face &face, const std::string &text) {
        lib_.hb_buffer_reset(buffer_);
        lib_.hb_buffer_add_utf8(buffer_, text.data(), static_cast<int>(text.size()), 0,
                                static_cast<int>(text.size()));
        lib_.hb_buffer_guess_segment_properties(buffer_);
        lib_.hb_shape(face.font, buffer_, nullptr, 0);
        unsigned int count = 0;
        const hb_glyph_info_t *info = lib_.hb_buffer_get_glyph_infos(buffer_, &count);
        const hb_glyph_position_t *pos = lib_.hb_buffer_get_glyph_positions(buffer_, &count);
        long advance = 0;
        long top = 0, bottom = 0;
        bool ink = false;
        for (unsigned int i = 0; i < count; ++i) {
            advance += pos[i].x_advance;
            hb_glyph_extents_t g{};
            if (!lib_.hb_font_get_glyph_extents(face.font, info[i].codepoint, &g) || g.height == 0) continue;
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

    const FontLibraries &lib_;
    FcConfig *config_;
    FT_Library library_;
    hb_buffer_t *buffer_ = nullptr;
    std::unordered_map<std::string, std::unique_ptr<Face>> faces_;
};

} // namespace

std::unique_ptr<TextMeasurer> CreateFontTextMeasurer() {
    const FontLibraries *lib = Libraries();
    if (!lib) return nullptr;
    FcConfig *config = lib->FcInitLoadConfigAndFonts();
    if (!config) return nullptr;
    FT_Library library = nullptr;
    if (lib->FT_Init_FreeType(&library) != 0) {
        lib->FcConfigDestroy(config);
        return nullptr;
    }
    return std::make_unique<FontTextMeasurer>(*lib, config, library);
}

} // namespace parallo

#else

namespace parallo {

std::unique_ptr<TextMeasurer> CreateFontTextMeasurer() { return nullptr; }

} // namespace parallo

#endif
