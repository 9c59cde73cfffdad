// ReadIcon on icon files written here pixel by pixel: each colour depth, the choice among sizes,
// and damaged files, which must fail cleanly.
#include "vcl/Icon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "vcl/SysUtils.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Argb = std::vector<std::uint32_t>;

void Put16(Bytes& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Set16(Bytes& out, std::size_t at, std::uint32_t v) {
    out[at] = std::uint8_t(v);
    out[at + 1] = std::uint8_t(v >> 8);
}
void Set32(Bytes& out, std::size_t at, std::uint32_t v) {
    Set16(out, at, v & 0xFFFF);
    Set16(out, at + 2, v >> 16);
}

// One picture of an icon, rows top-down.
struct Picture {
    int width = 0;
    int height = 0;
    int bits = 8;
    Argb palette;              // 0x00RRGGBB, for 1, 4 and 8 bits
    Argb pixels;               // palette indices, or 0xAARRGGBB for 24 and 32 bits
    std::vector<bool> masked;  // the AND mask, true where transparent; empty for none
};

// The entry as a classic bitmap: header with doubled height, palette, colour rows bottom-up,
// mask rows bottom-up, every row padded to 32 bits.
Bytes BitmapEntry(const Picture& p) {
    Bytes out;
    for (std::uint32_t v : {40u, std::uint32_t(p.width), std::uint32_t(p.height * 2)})
        Put32(out, v);
    Put16(out, 1);
    Put16(out, std::uint32_t(p.bits));
    for (std::uint32_t v : {0u, 0u, 0u, 0u, std::uint32_t(p.palette.size()), 0u}) Put32(out, v);
    for (std::uint32_t c : p.palette) Put32(out, c);  // blue, green, red, 0 in file order
    const std::size_t stride = (std::size_t(p.width) * p.bits + 31) / 32 * 4;
    for (int y = p.height - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t v = p.pixels[std::size_t(y * p.width + x)];
            if (p.bits >= 24) {
                for (int c = 0; c < p.bits / 8; ++c)
                    row[std::size_t(x * p.bits / 8 + c)] = std::uint8_t(v >> (8 * c));
            } else {
                const int bit = x * p.bits;
                row[std::size_t(bit / 8)] |= std::uint8_t(v << (8 - p.bits - bit % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    const std::size_t maskStride = (std::size_t(p.width) + 31) / 32 * 4;
    for (int y = p.height - 1; y >= 0; --y) {
        Bytes row(maskStride, 0);
        for (int x = 0; x < p.width; ++x)
            if (!p.masked.empty() && p.masked[std::size_t(y * p.width + x)])
                row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

struct Stored {
    int width = 0;  // as the directory states it; 256 is written as 0
    int height = 0;
    int bits = 0;
    Bytes data;
};

Stored Store(const Picture& p) {
    return {p.width, p.height, p.bits, BitmapEntry(p)};
}

Bytes WriteIco(const std::vector<Stored>& entries) {
    Bytes out;
    for (std::uint32_t v : {0u, 1u, std::uint32_t(entries.size())}) Put16(out, v);
    std::uint32_t offset = std::uint32_t(6 + 16 * entries.size());
    for (const Stored& e : entries) {
        out.push_back(std::uint8_t(e.width));
        out.push_back(std::uint8_t(e.height));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, std::uint32_t(e.bits));
        Put32(out, std::uint32_t(e.data.size()));
        Put32(out, offset);
        offset += std::uint32_t(e.data.size());
    }
    for (const Stored& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

// What a paletted or opaque picture must decode to: its colours, alpha from the mask.
Argb MaskedColours(const Picture& p) {
    Argb out;
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        const std::uint32_t rgb = (p.bits <= 8 ? p.palette[p.pixels[i]] : p.pixels[i]) & 0xFFFFFF;
        const bool clear = !p.masked.empty() && p.masked[i];
        out.push_back(clear ? rgb : rgb | 0xFF000000u);
    }
    return out;
}

Picture Pattern(int width, int height, int bits, int colours) {
    Picture p{width, height, bits, {}, {}, {}};
    for (int i = 0; i < colours; ++i) p.palette.push_back(std::uint32_t(i) * 0x0B1D2F % 0xFFFFFF);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            p.pixels.push_back(std::uint32_t((x * 7 + y * 3) % colours));
            p.masked.push_back((x + y) % 5 == 0);
        }
    return p;
}

Picture Solid(int side, int bits, std::uint32_t colour) {
    Picture p{side, side, bits, {}, Argb(std::size_t(side * side), colour), {}};
    if (bits <= 8) {
        p.palette = {colour};
        p.pixels.assign(p.pixels.size(), 0);
    }
    return p;
}

Picture TrueColour(int width, int height, int bits) {
    Picture p{width, height, bits, {}, {}, {}};
    for (int i = 0; i < width * height; ++i) {
        p.pixels.push_back(0xFF000000u | std::uint32_t(i) * 0x030507u);
        p.masked.push_back(i % 4 == 1);
    }
    return p;
}

TEST(IconTest, DecodesEachColourDepth) {
    Picture eight{3, 2, 8, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}, {0, 1, 2, 3, 3, 0}, {}};
    eight.masked = {false, false, false, false, false, true};
    Picture alpha{2, 2, 32, {}, {0xFF102030, 0x80405060, 0x00708090, 0x01A0B0C0}, {}};
    alpha.masked = {true, true, true, true};  // alpha in use: the mask is not consulted
    Picture noAlpha{2, 1, 32, {}, {0x00112233, 0x00445566}, {false, true}};

    const struct {
        const char* name;
        Picture picture;
        Argb expected;
    } cases[] = {
        {"1 bit, 33 wide: mask rows of 8 bytes", Pattern(33, 2, 1, 2), {}},
        {"4 bits, odd width", Pattern(5, 3, 4, 16), {}},
        {"4 bits, short palette", Pattern(7, 2, 4, 3), {}},
        {"8 bits, odd width",
         eight,
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFF123456, 0x00FF0000}},
        {"8 bits, 32 x 32", Pattern(32, 32, 8, 256), {}},
        {"24 bits, padded rows", TrueColour(3, 3, 24), {}},
        {"32 bits with alpha", alpha, alpha.pixels},
        {"32 bits, alpha all zero: the mask decides", noAlpha, {0xFF112233, 0x00445566}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const vcl::IconImage image = vcl::ReadIcon(WriteIco({Store(c.picture)}));
        EXPECT_EQ(image.width, c.picture.width);
        EXPECT_EQ(image.height, c.picture.height);
        EXPECT_EQ(image.argb, c.expected.empty() ? MaskedColours(c.picture) : c.expected);
    }
}

TEST(IconTest, PicksTheNearestSizeThenTheMostColours) {
    const Bytes file = WriteIco({
        Store(Solid(16, 8, 0x000016)),
        Store(Solid(32, 4, 0x000324)),
        Store(Solid(32, 8, 0x000328)),
        Store(Solid(48, 24, 0x000482)),
        {0, 0, 32, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}},
    });
    const struct {
        int wanted;
        int side;
        std::uint32_t colour;
    } cases[] = {
        {32, 32, 0x000328},  // the 8-bit one over the 4-bit one of the same size
        {16, 16, 0x000016},  {1, 16, 0x000016},
        {24, 16, 0x000016},  // as near as 32 and as colourful: the first stays
        {40, 48, 0x000482},  // as near as 32, more colours
        {100, 48, 0x000482},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("wanted " + std::to_string(c.wanted));
        const vcl::IconImage image = vcl::ReadIcon(file, c.wanted);
        EXPECT_EQ(image.width, c.side);
        ASSERT_FALSE(image.argb.empty());
        EXPECT_EQ(image.argb.front(), 0xFF000000u | c.colour);
    }
    EXPECT_EQ(vcl::ReadIcon(file).width, 32) << "32 by default";
    EXPECT_THROW(vcl::ReadIcon(file, 256), vcl::EInvalidGraphic) << "the PNG one";
}

// Offsets into a one-entry file: the directory entry, then the bitmap header at 22.
constexpr std::size_t kEntry = 6;
constexpr std::size_t kHeader = 22;

TEST(IconTest, RefusesDamagedFiles) {
    const Bytes good =
        WriteIco({Store(Pattern(2, 2, 8, 2))});  // 22 + 40 + 8 palette + 8 colour + 8 mask
    ASSERT_EQ(good.size(), 86u);
    ASSERT_NO_THROW(vcl::ReadIcon(good));

    using Edit = std::function<void(Bytes&)>;
    const struct {
        const char* name;
        Edit edit;
        const char* reason;
    } cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }, "file header"},
        {"cut in the header", [](Bytes& b) { b.resize(4); }, "file header"},
        {"reserved word set", [](Bytes& b) { Set16(b, 0, 1); }, "not an icon"},
        {"a cursor", [](Bytes& b) { Set16(b, 2, 2); }, "not an icon"},
        {"no entries", [](Bytes& b) { Set16(b, 4, 0); }, "no pictures"},
        {"more entries than bytes", [](Bytes& b) { Set16(b, 4, 6); }, "directory"},
        {"offset past the end", [](Bytes& b) { Set32(b, kEntry + 12, 87); }, "a picture"},
        {"offset plus size wraps",
         [](Bytes& b) {
             Set32(b, kEntry + 12, 0xFFFFFFF0);
             Set32(b, kEntry + 8, 0x20);
         },
         "a picture"},
        {"size past the end", [](Bytes& b) { Set32(b, kEntry + 8, 65); }, "a picture"},
        {"picture shorter than its header", [](Bytes& b) { Set32(b, kEntry + 8, 39); },
         "bitmap header"},
        {"header size too small", [](Bytes& b) { Set32(b, kHeader, 12); }, "too short"},
        {"header size huge", [](Bytes& b) { Set32(b, kHeader, 0xFFFFFFFF); }, "palette"},
        {"width zero", [](Bytes& b) { Set32(b, kHeader + 4, 0); }, "out of range"},
        {"width absurd", [](Bytes& b) { Set32(b, kHeader + 4, 100000); }, "out of range"},
        {"width 257", [](Bytes& b) { Set32(b, kHeader + 4, 257); }, "out of range"},
        {"width negative", [](Bytes& b) { Set32(b, kHeader + 4, 0xFFFFFFFE); }, "out of range"},
        {"height odd", [](Bytes& b) { Set32(b, kHeader + 8, 3); }, "out of range"},
        {"height absurd", [](Bytes& b) { Set32(b, kHeader + 8, 0x7FFFFFFE); }, "out of range"},
        {"height negative", [](Bytes& b) { Set32(b, kHeader + 8, 0xFFFFFFFC); }, "out of range"},
        {"16 bits a pixel", [](Bytes& b) { Set16(b, kHeader + 14, 16); }, "not supported"},
        {"compressed", [](Bytes& b) { Set32(b, kHeader + 16, 1); }, "compressed"},
        {"palette over 256", [](Bytes& b) { Set32(b, kHeader + 32, 257); }, "too large"},
        {"palette count huge", [](Bytes& b) { Set32(b, kHeader + 32, 0xFFFFFFFF); }, "too large"},
        {"colour rows cut", [](Bytes& b) { Set32(b, kEntry + 8, 50); }, "colour rows"},
        {"mask rows cut", [](Bytes& b) { Set32(b, kEntry + 8, 60); }, "mask rows"},
        {"index outside the palette", [](Bytes& b) { b[kHeader + 48] = 5; }, "outside the palette"},
        {"PNG entry",
         [](Bytes& b) {
             const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
             std::copy(png.begin(), png.end(), b.begin() + kHeader);
         },
         "PNG icons are not supported"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = good;
        c.edit(bytes);
        try {
            vcl::ReadIcon(bytes);
            ADD_FAILURE() << "no exception";
        } catch (const vcl::EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
}

TEST(IconTest, RefusesEveryTruncation) {
    const Bytes file = WriteIco({Store(Pattern(20, 20, 4, 16)), Store(TrueColour(9, 9, 32))});
    for (std::size_t cut = 0; cut < file.size(); ++cut)
        EXPECT_THROW(vcl::ReadIcon(std::span(file.data(), cut)), vcl::EInvalidGraphic)
            << "cut at " << cut;
}

// ImageMagick, a decoder of its own, as the judge of the real icon: alpha everywhere, colour
// where the pixel shows.
TEST(IconTest, ShippedIconDecodesAsImageMagickDoes) {
    const std::filesystem::path path =
        std::filesystem::path(AUTORUN_SOURCE_DIR) / "resources" / "autorun.ico";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no icon in resources/ yet";
    std::ifstream in(path, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const vcl::IconImage image = vcl::ReadIcon(file);
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 32);

    const std::string command = "convert '" + path.string() + "' -depth 8 rgba:-";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    Bytes rgba(32 * 32 * 4);
    const std::size_t got = std::fread(rgba.data(), 1, rgba.size(), pipe);
    ASSERT_EQ(pclose(pipe), 0) << command;
    ASSERT_EQ(got, rgba.size());
    for (std::size_t i = 0; i < image.argb.size(); ++i) {
        const std::uint8_t* p = rgba.data() + i * 4;
        const std::uint32_t want = std::uint32_t(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2];
        const std::uint32_t mask = p[3] ? 0xFFFFFFFFu : 0xFF000000u;
        ASSERT_EQ(image.argb[i] & mask, want & mask) << "pixel " << i % 32 << "," << i / 32;
    }
}

}  // namespace
