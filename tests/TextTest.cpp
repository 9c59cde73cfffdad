// Text on the canvas: only the font colour is painted, only inside the measured cell and the clip,
// and the measure follows the text, its height and its broken bytes.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "vcl/Graphics.h"

namespace vcl {
namespace {

constexpr TColor kPaper = 0x1EC80A;  // a colour no text here is drawn in
constexpr Rgb kPaperRgb{0x0A, 0xC8, 0x1E};
constexpr Rgb kRedRgb{0xFF, 0x00, 0x00};
constexpr const char* kNotice = "正在读取文件请稍候...";
TFont RedFont(const char* name, int height, TFontCharset charset) {
    TFont font;
    font.Name = name;
    font.Height = height;
    font.Color = clRed;
    font.Charset = charset;
    return font;
}
const TFont kNoticeFont = RedFont("宋体", -13, GB2312_CHARSET);

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        canvas.Font = kNoticeFont;
        Clear();
    }

    void Clear() {
        canvas.SetClipRect({0, 0, bitmap.Width(), bitmap.Height()});
        canvas.FillRect({0, 0, bitmap.Width(), bitmap.Height()}, kPaper);
    }

    std::vector<Point> ChangedPixels() const {
        std::vector<Point> changed;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (!(bitmap.Pixel(x, y) == kPaperRgb)) changed.push_back({x, y});
        return changed;
    }

    // Every pixel the text changed is red and lies inside `area`; returns how many there are.
    int ExpectRedOnlyInside(const Rect& area) const {
        std::vector<Point> changed = ChangedPixels();
        for (Point p : changed)
            if (!(bitmap.Pixel(p.x, p.y) == kRedRgb)) {
                ADD_FAILURE() << "pixel " << p.x << "," << p.y << " is not red";
                break;
            }
        for (Point p : changed)
            if (!area.Contains(p)) {
                ADD_FAILURE() << "pixel " << p.x << "," << p.y << " lies outside " << area.x << ","
                              << area.y << " " << area.w << "x" << area.h;
                break;
            }
        return int(changed.size());
    }

    TBitmap bitmap{320, 60};
    TCanvas canvas{bitmap};
};

TEST_F(TextTest, DrawsOnlyTheFontColourInsideTheTextCell) {
    struct Case {
        const char* name;
        TFont font;
        std::string text;
    } cases[] = {
        {"the notice", kNoticeFont, kNotice},
        {"Latin, default character set", RedFont("MS Sans Serif", -11, DEFAULT_CHARSET), "Install"},
        {"height given as the cell", RedFont("宋体", 16, GB2312_CHARSET), kNotice},
        {"family not installed", RedFont("No Such Family", -13, ANSI_CHARSET), "Exit 退出"},
        {"character no font has", kNoticeFont, "正\U000F0000在"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        canvas.Font = c.font;
        Point extent = canvas.TextExtent(c.text);
        canvas.TextOut(20, 15, c.text);
        int inked = ExpectRedOnlyInside({20, 15, extent.x, extent.y});
        EXPECT_GE(inked, extent.x * extent.y / 10) << "too little of the text was drawn";
    }
}

TEST_F(TextTest, NegativeHeightIsTheEmSizeOfTheIdeographs) {
    for (int em : {12, 13, 16, 24}) {
        SCOPED_TRACE("em " + std::to_string(em));
        canvas.Font.Height = -em;
        Point extent = canvas.TextExtent("正");
        EXPECT_EQ(extent.x, em);
        EXPECT_GE(extent.y, em);
        EXPECT_LE(extent.y, em * 3 / 2);
    }
}

TEST_F(TextTest, PositiveHeightIsTheCellHeight) {
    for (int cell : {14, 17, 24}) {
        SCOPED_TRACE("cell " + std::to_string(cell));
        canvas.Font.Height = cell;
        EXPECT_NEAR(canvas.TextExtent(kNotice).y, cell, 1);
    }
}

TEST_F(TextTest, ExtentGrowsWithEveryCharacter) {
    struct Case {
        TFont font;
        std::string text;
    } cases[] = {
        {kNoticeFont, kNotice},
        {RedFont("MS Sans Serif", -11, DEFAULT_CHARSET), "Install it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        canvas.Font = c.font;
        Point previous = canvas.TextExtent("");
        EXPECT_EQ(previous.x, 0);
        for (std::size_t end = 1; end <= c.text.size(); ++end) {
            if (end < c.text.size() && (c.text[end] & 0xC0) == 0x80) continue;  // mid-character
            Point extent = canvas.TextExtent(std::string_view(c.text).substr(0, end));
            EXPECT_GT(extent.x, previous.x) << "after " << end << " bytes";
            EXPECT_EQ(extent.y, previous.y) << "after " << end << " bytes";
            previous = extent;
        }
    }
}

TEST_F(TextTest, NothingChangesOutsideTheClipRect) {
    struct Case {
        const char* name;
        Rect clip;
        Point at;
        bool inksInside;
    } cases[] = {
        {"left part of the text", {0, 0, 80, 60}, {20, 15}, true},
        {"upper rows of the text", {0, 0, 320, 20}, {20, 15}, true},
        {"small window inside the text", {60, 18, 30, 6}, {20, 15}, true},
        {"clip partly off the bitmap", {-10, -10, 100, 33}, {20, 15}, true},
        {"empty clip", {50, 15, 0, 0}, {20, 15}, false},
        {"clip away from the text", {200, 35, 100, 20}, {20, 15}, false},
        {"text running off the right and bottom", {0, 0, 320, 60}, {250, 52}, true},
        {"text starting left of and above the bitmap", {0, 0, 320, 60}, {-60, -6}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        canvas.SetClipRect(c.clip);
        canvas.TextOut(c.at.x, c.at.y, kNotice);
        int inked = ExpectRedOnlyInside(c.clip);
        if (c.inksInside)
            EXPECT_GT(inked, 0);
        else
            EXPECT_EQ(inked, 0);
    }
}

// Broken bytes are measured and drawn as the replacement character, and reading stops at the end
// of the view (the bytes sit in a buffer of exactly their size, so AddressSanitizer sees any
// read past it).
TEST_F(TextTest, InvalidUtf8BecomesReplacementCharacters) {
    const std::string r = "\uFFFD";
    struct Case {
        const char* name;
        std::string bytes;
        std::string sameAs;
    } cases[] = {
        {"stray continuation byte", "a\x80z", "a" + r + "z"},
        {"byte never used in UTF-8", "\xFF正", r + "正"},
        {"sequence cut at the end", "正\xE6\xAD", "正" + r},
        {"sequence cut by the next character", "\xE6\xAD正", r + "正"},
        {"four-byte sequence cut at the end", "z\xF0\x9F\x98", "z" + r},
        {"overlong encoding", "\xC0\xAF", r + r},
        {"overlong three-byte encoding", "\xE0\x80\xAF", r + r + r},
        {"surrogate", "\xED\xA0\x80", r + r + r},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        std::vector<char> exact(c.bytes.begin(), c.bytes.end());
        std::string_view bytes(exact.data(), exact.size());
        Point extent = canvas.TextExtent(bytes);
        Point expected = canvas.TextExtent(c.sameAs);
        EXPECT_EQ(extent.x, expected.x);
        EXPECT_EQ(extent.y, expected.y);
        canvas.TextOut(20, 15, bytes);
        EXPECT_GT(ExpectRedOnlyInside({20, 15, extent.x, extent.y}), 0);
    }
}

// The ink of one glyph of the face's own strike, cut to its inked box, one string a row.
std::vector<std::string> StrikeGlyph(const char* family, int ppem, char32_t c) {
    std::unique_ptr<FcPattern, void (*)(FcPattern*)> query(
        FcNameParse(reinterpret_cast<const FcChar8*>(family)), FcPatternDestroy);
    FcConfigSubstitute(nullptr, query.get(), FcMatchPattern);
    FcDefaultSubstitute(query.get());
    FcResult result;
    std::unique_ptr<FcPattern, void (*)(FcPattern*)> font(
        FcFontMatch(nullptr, query.get(), &result), FcPatternDestroy);
    FcChar8 *file = nullptr, *matched = nullptr;
    int index = 0;
    if (!font || FcPatternGetString(font.get(), FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetString(font.get(), FC_FAMILY, 0, &matched) != FcResultMatch ||
        std::string(reinterpret_cast<char*>(matched)) != family)
        return {};
    FcPatternGetInteger(font.get(), FC_INDEX, 0, &index);

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library)) return {};
    std::unique_ptr<FT_LibraryRec_, FT_Error (*)(FT_Library)> libraryOwner(library,
                                                                           FT_Done_FreeType);
    FT_Face face = nullptr;
    if (FT_New_Face(library, reinterpret_cast<char*>(file), index, &face)) return {};
    std::unique_ptr<FT_FaceRec_, FT_Error (*)(FT_Face)> faceOwner(face, FT_Done_Face);
    int strike = 0;
    while (strike < face->num_fixed_sizes && face->available_sizes[strike].y_ppem != ppem * 64)
        ++strike;
    if (strike == face->num_fixed_sizes || FT_Select_Size(face, strike) ||
        FT_Load_Char(face, c, FT_LOAD_TARGET_MONO) ||
        face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
        return {};
    const FT_Bitmap& b = face->glyph->bitmap;
    std::vector<std::string> rows;
    for (unsigned y = 0; y < b.rows; ++y) {
        std::string row;
        for (unsigned x = 0; x < b.width; ++x)
            row += (b.buffer[y * b.pitch + x / 8] >> (7 - x % 8)) & 1 ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

// Cuts rows of '#' and '.' to the box that holds every '#'.
std::vector<std::string> CutToInk(const std::vector<std::string>& rows) {
    std::size_t top = rows.size(), bottom = 0, left = std::string::npos, right = 0;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        std::size_t first = rows[y].find('#');
        if (first == std::string::npos) continue;
        top = std::min(top, y);
        bottom = y + 1;
        left = std::min(left, first);
        right = std::max(right, rows[y].rfind('#') + 1);
    }
    std::vector<std::string> cut;
    for (std::size_t y = top; y < bottom; ++y) cut.push_back(rows[y].substr(left, right - left));
    return cut;
}

// A classic screen font is drawn from the bitmaps made for its size, not from its outlines.
TEST_F(TextTest, DrawsTheFacesOwnStrikeAtThatSize) {
    const char* family = "AR PL UMing CN";  // has strikes from 11 to 16 pixels
    std::vector<std::string> strike = CutToInk(StrikeGlyph(family, 13, U'稍'));
    ASSERT_FALSE(strike.empty()) << family << " with a 13-pixel strike is not installed";
    canvas.Font = RedFont(family, -13, GB2312_CHARSET);
    canvas.TextOut(0, 0, "稍");
    std::vector<std::string> drawn;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::string row;
        for (int x = 0; x < bitmap.Width(); ++x) row += bitmap.Pixel(x, y) == kRedRgb ? '#' : '.';
        drawn.push_back(row);
    }
    EXPECT_EQ(CutToInk(drawn), strike);
}

}  // namespace
}  // namespace vcl

namespace vcl {
namespace {

// Where the requested Windows face is missing, a Song face stands in for it (the notice keeps
// its brush-stroke look) rather than fontconfig's sans choice for the language.
TEST_F(TextTest, ASongFaceStandsInForTheMissingWindowsFace) {
    canvas.TextOut(0, 0, kNotice);
    const TBitmap asked = bitmap;
    Clear();
    canvas.Font = RedFont("AR PL UMing CN", -13, GB2312_CHARSET);
    canvas.TextOut(0, 0, kNotice);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            ASSERT_EQ(asked.Pixel(x, y), bitmap.Pixel(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace vcl
