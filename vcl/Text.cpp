// Text on the canvas: the font is looked up through fontconfig when text is first measured or
// drawn, and its glyphs are rendered sharp (ink or nothing) by FreeType in the font colour.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "vcl/Graphics.h"
#include "vcl/SysUtils.h"

namespace vcl {
namespace {

constexpr TFontCharset SHIFTJIS_CHARSET = 128;
constexpr TFontCharset HANGEUL_CHARSET = 129;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;

constexpr char32_t kReplacementCharacter = 0xFFFD;
// Height 0 asks for the default size: 9 points at 96 dots per inch.
constexpr int kDefaultEmPixels = 12;

// ---- UTF-8 ----

// Each ill-formed sequence (its longest well-formed start) becomes one U+FFFD, so a broken caption
// still shows where it broke and nothing past the end is read.
std::u32string DecodeUtf8(std::string_view s) {
    std::u32string text;
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char lead = static_cast<unsigned char>(s[i++]);
        if (lead < 0x80) {
            text += char32_t(lead);
            continue;
        }
        int more = 0;
        char32_t c = 0;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the next byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            c = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;   // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            c = lead & 0x07;
            if (lead == 0xF0) low = 0x90;   // overlong
            if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
        } else {
            text += kReplacementCharacter;
            continue;
        }
        for (; more > 0 && i < s.size(); --more, ++i) {
            unsigned char next = static_cast<unsigned char>(s[i]);
            if (next < low || next > high) break;
            c = (c << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        text += more == 0 ? c : kReplacementCharacter;
    }
    return text;
}

// ---- Library handles ----

std::string FreeTypeMessage(FT_Error error) {
    const char* message = FT_Error_String(error);
    return message ? message : "error " + std::to_string(error);
}

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

// The system's font folders, read through their caches. The system's rule files are left out
// on purpose: parsing them costs several milliseconds, on the click that shows the notice, and
// the face is chosen by our own rule anyway (the face named, then faces of its design, then
// any face that covers the text).
constexpr char kFontFolders[] = R"(<?xml version="1.0"?>
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <dir>/usr/local/share/fonts</dir>
  <dir prefix="xdg">fonts</dir>
  <dir>~/.fonts</dir>
  <cachedir>/var/cache/fontconfig</cachedir>
  <cachedir prefix="xdg">fontconfig</cachedir>
</fontconfig>
)";

// fontconfig's configuration for as long as fonts are in use. Released at exit because
// fontconfig otherwise leaves a few blocks of its parsed configuration unreachable, which the
// leak check reports.
struct FontconfigSession {
    FontconfigSession() {
        FcConfig* config = FcConfigCreate();
        bool ready = config &&
                     FcConfigParseAndLoadFromMemory(
                         config, reinterpret_cast<const FcChar8*>(kFontFolders), FcTrue) &&
                     FcConfigSetCurrent(config);  // builds the font list, takes a reference
        if (config) FcConfigDestroy(config);
        if (!ready) throw Exception("fontconfig could not read the font folders");
    }
    ~FontconfigSession() { FcFini(); }
    FontconfigSession(const FontconfigSession&) = delete;
    FontconfigSession& operator=(const FontconfigSession&) = delete;
};

// A glyph bitmap converted to eight bits a pixel.
struct GrayBitmap {
    explicit GrayBitmap(FT_Library owner) : library(owner) { FT_Bitmap_Init(&bitmap); }
    ~GrayBitmap() { FT_Bitmap_Done(library, &bitmap); }
    GrayBitmap(const GrayBitmap&) = delete;
    GrayBitmap& operator=(const GrayBitmap&) = delete;

    FT_Library library;
    FT_Bitmap bitmap;
};

// ---- Glyphs and faces ----

// A rendered glyph: one byte a pixel, non-zero where it is inked.
struct Glyph {
    int left = 0, top = 0, width = 0, rows = 0, advance = 0;
    std::vector<std::uint8_t> ink;
};

int RoundPixels(FT_Pos value) {
    return int((value + 32) >> 6);
}

// Whatever the face stores (one bit, gray levels, colour), a pixel is inked when at least half
// covered: the text stays in one colour, as the classic screen fonts draw it.
void CopyInk(FT_GlyphSlot slot, Glyph& glyph) {
    GrayBitmap gray(slot->library);
    if (FT_Bitmap_Convert(slot->library, &slot->bitmap, &gray.bitmap, 1) != 0) return;
    const FT_Bitmap& b = gray.bitmap;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = int(b.width);
    glyph.rows = int(b.rows);
    glyph.ink.resize(std::size_t(b.width) * b.rows);
    for (unsigned y = 0; y < b.rows; ++y)
        for (unsigned x = 0; x < b.width; ++x)
            glyph.ink[std::size_t(y) * b.width + x] = b.buffer[y * b.pitch + x] * 2 >= b.num_grays;
}

// A glyph the face cannot load is left out (no ink, no advance) rather than losing the text.
Glyph RenderGlyph(FT_Face face, char32_t c) {
    Glyph glyph;
    if (FT_Load_Glyph(face, FT_Get_Char_Index(face, c), FT_LOAD_TARGET_MONO) != 0) return glyph;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return glyph;
    glyph.advance = RoundPixels(slot->advance.x);
    CopyInk(slot, glyph);
    return glyph;
}

// Negative heights ask for the em size, positive ones for the whole cell (ascent + descent).
int EmPixels(FT_Face face, int height) {
    if (height < 0) return -height;
    if (height == 0) return kDefaultEmPixels;
    FT_Long cell = face->ascender - face->descender;
    if (!FT_IS_SCALABLE(face) || cell <= 0) return height;
    return std::max(1, int(std::lround(double(height) * face->units_per_EM / double(cell))));
}

// A strike drawn for exactly this size beats any rendering of the outlines; a face that has
// only strikes gets its nearest one rather than nothing.
void SetSize(FT_Face face, int em) {
    int nearest = -1, nearestPpem = 0;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        const FT_Bitmap_Size& strike = face->available_sizes[i];
        int ppem = strike.y_ppem ? RoundPixels(strike.y_ppem) : strike.height;
        if (nearest < 0 || std::abs(ppem - em) < std::abs(nearestPpem - em)) {
            nearest = i;
            nearestPpem = ppem;
        }
    }
    FT_Error error = FT_Err_Invalid_Pixel_Size;
    if (nearest >= 0 && (nearestPpem == em || !FT_IS_SCALABLE(face)))
        error = FT_Select_Size(face, nearest);
    else if (FT_IS_SCALABLE(face))
        error = FT_Set_Pixel_Sizes(face, 0, FT_UInt(em));
    if (error)
        throw Exception("Cannot size the font \"" + std::string(face->family_name) + "\" to " +
                        std::to_string(em) + " pixels: " + FreeTypeMessage(error));
}

// One font file opened at one size, with the glyphs drawn so far.
class SizedFace {
public:
    SizedFace(FT_Library library, FcPattern* font, int height) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
            throw Exception("The font fontconfig chose has no file");
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        FT_Face face = nullptr;
        if (FT_Error error =
                FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face))
            throw Exception("Cannot open the font file " +
                            std::string(reinterpret_cast<char*>(file)) + ": " +
                            FreeTypeMessage(error));
        face_.reset(face);
        SetSize(face, EmPixels(face, height));
        ascent_ = RoundPixels(face->size->metrics.ascender);
        descent_ = RoundPixels(-face->size->metrics.descender);
    }

    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }

    const Glyph& GlyphFor(char32_t c) {
        auto found = glyphs_.find(c);
        if (found == glyphs_.end()) found = glyphs_.emplace(c, RenderGlyph(face_.get(), c)).first;
        return found->second;
    }

private:
    FacePtr face_;
    int ascent_ = 0, descent_ = 0;
    std::map<char32_t, Glyph> glyphs_;
};

const char* CharsetLanguage(TFontCharset charset) {
    switch (charset) {
        case SHIFTJIS_CHARSET:
            return "ja";
        case HANGEUL_CHARSET:
            return "ko";
        case GB2312_CHARSET:
            return "zh-cn";
        case CHINESEBIG5_CHARSET:
            return "zh-tw";
        default:
            return nullptr;
    }
}

// Where a Windows face is not installed, faces of the same design stand in for it before
// fontconfig's own choice for the language, which for Chinese is a sans (Hei) face.
std::vector<const char*> StandIns(std::string_view family) {
    static const std::vector<const char*> kSong = {"SimSun", "AR PL UMing CN", "AR PL UMing GB",
                                                   "Noto Serif CJK SC", "Source Han Serif SC"};
    static const std::vector<const char*> kSans = {"DejaVu Sans", "Liberation Sans", "Noto Sans",
                                                   "FreeSans"};
    if (family == "宋体" || family == "SimSun" || family == "新宋体" || family == "NSimSun")
        return kSong;
    if (family == "MS Sans Serif" || family == "MS Shell Dlg" || family == "Tahoma" ||
        family == "Sans" || family == "sans-serif")
        return kSans;
    return {};
}

bool Covers(FcPattern* font, const std::u32string& text) {
    FcCharSet* chars = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch) return false;
    return std::all_of(text.begin(), text.end(),
                       [chars](char32_t c) { return FcCharSetHasChar(chars, c); });
}

// The fonts fontconfig offers for one TFont, best first, each opened when a text first needs it.
class FontChoice {
public:
    explicit FontChoice(const TFont& font) : height_(font.Height) {
        PatternPtr pattern(FcPatternCreate());
        if (!pattern) throw Exception("Out of memory looking up the font \"" + font.Name + "\"");
        FcPatternAddString(pattern.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(font.Name.c_str()));
        for (const char* face : StandIns(font.Name))
            FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
        if (const char* language = CharsetLanguage(font.Charset))
            FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>(language));
        FcPatternAddDouble(pattern.get(), FC_PIXEL_SIZE,
                           font.Height ? std::abs(double(font.Height)) : kDefaultEmPixels);
        FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
        FcDefaultSubstitute(pattern.get());
        // Untrimmed: a later font may cover the whole text where the earlier ones cover parts.
        FcResult result = FcResultNoMatch;
        candidates_.reset(FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
        if (!candidates_ || candidates_->nfont == 0)
            throw Exception("No font is installed that could stand in for \"" + font.Name + "\"");
    }

    // The first font that has every character of the text, else the best match, which shows
    // what it lacks as its missing-glyph box.
    SizedFace& FaceFor(FT_Library library, const std::u32string& text) {
        int chosen = 0;
        for (int i = 0; i < candidates_->nfont; ++i)
            if (Covers(candidates_->fonts[i], text)) {
                chosen = i;
                break;
            }
        std::unique_ptr<SizedFace>& face = faces_[chosen];
        if (!face) face = std::make_unique<SizedFace>(library, candidates_->fonts[chosen], height_);
        return *face;
    }

private:
    int height_;
    FontSetPtr candidates_;
    std::map<int, std::unique_ptr<SizedFace>> faces_;
};

// Every font used in the process, kept until exit. Created on first use so that a window
// without text never starts fontconfig or FreeType. Painting happens on one thread only.
class FontCache {
public:
    static FontCache& Instance() {
        static FontCache cache;
        return cache;
    }

    SizedFace& FaceFor(const TFont& font, const std::u32string& text) {
        std::unique_ptr<FontChoice>& choice = fonts_[{font.Name, font.Height, font.Charset}];
        if (!choice) choice = std::make_unique<FontChoice>(font);
        return choice->FaceFor(library_.get(), text);
    }

private:
    FontCache() {
        FT_Library library = nullptr;
        if (FT_Error error = FT_Init_FreeType(&library))
            throw Exception("FreeType could not start: " + FreeTypeMessage(error));
        library_.reset(library);
    }

    // Declared first: the fonts below are released before the libraries they came from.
    FontconfigSession fontconfig_;
    LibraryPtr library_;
    std::map<std::tuple<std::string, int, TFontCharset>, std::unique_ptr<FontChoice>> fonts_;
};

void PaintGlyph(TBitmap& target, const Rect& clip, int left, int top, const Glyph& glyph,
                Rgb colour) {
    Rect area = Intersect({left, top, glyph.width, glyph.rows}, clip);
    for (int y = area.y; y < area.y + area.h; ++y) {
        const std::uint8_t* ink = glyph.ink.data() + std::size_t(y - top) * glyph.width;
        std::uint8_t* row = target.ScanLine(y);
        for (int x = area.x; x < area.x + area.w; ++x) {
            if (!ink[x - left]) continue;
            row[x * 3] = colour.r;
            row[x * 3 + 1] = colour.g;
            row[x * 3 + 2] = colour.b;
        }
    }
}

}  // namespace

void TCanvas::TextOut(int x, int y, std::string_view utf8) {
    std::u32string text = DecodeUtf8(utf8);
    if (text.empty()) return;
    SizedFace& face = FontCache::Instance().FaceFor(Font, text);
    Rect clip = Intersect(clip_, {0, 0, target_.Width(), target_.Height()});
    Rgb colour = ColorToRgb(Font.Color);
    int baseline = y + face.Ascent();
    for (char32_t c : text) {
        const Glyph& glyph = face.GlyphFor(c);
        PaintGlyph(target_, clip, x + glyph.left, baseline - glyph.top, glyph, colour);
        x += glyph.advance;
    }
}

Point TCanvas::TextExtent(std::string_view utf8) {
    std::u32string text = DecodeUtf8(utf8);
    SizedFace& face = FontCache::Instance().FaceFor(Font, text);
    int width = 0;
    for (char32_t c : text) width += face.GlyphFor(c).advance;
    return {width, face.Ascent() + face.Descent()};
}

}  // namespace vcl
