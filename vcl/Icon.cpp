// Reads the application icon from an ICO stream. Every field is checked against the bytes it
// claims before it is used, so a damaged file fails with EInvalidGraphic and nothing else.
#include "vcl/Icon.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "vcl/SysUtils.h"

namespace vcl {
namespace {

using Bytes = std::span<const std::uint8_t>;

// The largest side an icon picture has; bounds every allocation the reader makes.
constexpr std::int32_t kMaxSide = 256;

[[noreturn]] void Fail(const std::string& why) {
    throw EInvalidGraphic("Cannot read icon: " + why);
}

// The count bytes at offset, or a failure naming the part that does not fit. Offsets are 64-bit
// so that no sum of 32-bit fields can wrap.
Bytes Range(Bytes data, std::uint64_t offset, std::uint64_t count, const char* what) {
    if (offset > data.size() || count > data.size() - offset)
        Fail(std::string(what) + " lies outside the file");
    return data.subspan(std::size_t(offset), std::size_t(count));
}

// Little-endian fields at offsets the caller has already checked with Range.
std::uint16_t U16(Bytes d, std::size_t at) {
    return std::uint16_t(d[at] | d[at + 1] << 8);
}
std::uint32_t U32(Bytes d, std::size_t at) {
    return std::uint32_t(U16(d, at)) | std::uint32_t(U16(d, at + 2)) << 16;
}
std::int32_t S32(Bytes d, std::size_t at) {
    return std::int32_t(U32(d, at));
}

// One directory entry: its nominal size, its colour depth and where its picture lies.
struct Entry {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    bool png = false;
    Bytes data;
};

Entry ReadEntry(Bytes file, Bytes fields) {
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Entry entry;
    entry.width = fields[0] ? fields[0] : 256;
    entry.height = fields[1] ? fields[1] : 256;
    entry.data = Range(file, U32(fields, 12), U32(fields, 8), "a picture");
    entry.png = entry.data.size() >= 8 && std::memcmp(entry.data.data(), kPngSignature, 8) == 0;
    // The picture's own header states its depth; many writers leave the directory's at zero.
    if (entry.png)
        entry.bits = 32;
    else if (entry.data.size() >= 16)
        entry.bits = U16(entry.data, 14);
    return entry;
}

// The entry nearest wantedSize; among equally near ones the most colours, then the first.
Entry PickEntry(Bytes file, std::int64_t wanted) {
    Bytes head = Range(file, 0, 6, "the file header");
    if (U16(head, 0) != 0 || U16(head, 2) != 1) Fail("not an icon file");
    const unsigned count = U16(head, 4);
    if (count == 0) Fail("the file holds no pictures");
    Bytes directory = Range(file, 6, std::uint64_t(count) * 16, "the directory");
    auto distance = [wanted](const Entry& e) {
        return std::abs(e.width - wanted) + std::abs(e.height - wanted);
    };
    Entry best;
    for (unsigned i = 0; i < count; ++i) {
        Entry entry = ReadEntry(file, directory.subspan(i * 16, 16));
        if (i == 0 || distance(entry) < distance(best) ||
            (distance(entry) == distance(best) && entry.bits > best.bits))
            best = entry;
    }
    return best;
}

// A classic bitmap entry: header, palette, colour rows bottom-up, then the 1-bit mask rows.
struct Layout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0;
    Bytes palette;
    Bytes colour;
    Bytes mask;
    std::size_t colourStride = 0;
    std::size_t maskStride = 0;
};

Layout ReadLayout(Bytes data) {
    Bytes header = Range(data, 0, 40, "the bitmap header");
    const std::uint32_t headerSize = U32(header, 0);
    Layout layout;
    layout.width = S32(header, 4);
    const std::int32_t bothHeights = S32(header, 8);  // colour rows and mask rows
    layout.bits = U16(header, 14);
    const std::uint32_t compression = U32(header, 16);
    const std::uint32_t used = U32(header, 32);

    if (headerSize < 40) Fail("bitmap header too short");
    if (layout.width < 1 || layout.width > kMaxSide || bothHeights < 2 ||
        bothHeights > 2 * kMaxSide || bothHeights % 2 != 0)
        Fail("picture size " + std::to_string(layout.width) + " x " + std::to_string(bothHeights) +
             " out of range");
    layout.height = bothHeights / 2;
    const int bits = layout.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        Fail(std::to_string(bits) + " bits a pixel not supported");
    if (compression != 0) Fail("compressed bitmaps not supported");
    const std::uint32_t maxColours = bits <= 8 ? 1u << bits : 256u;
    const std::uint32_t colours = bits <= 8 && used == 0 ? maxColours : used;
    if (colours > maxColours) Fail("palette of " + std::to_string(colours) + " colours too large");

    layout.colourStride = (std::size_t(layout.width) * std::size_t(bits) + 31) / 32 * 4;
    layout.maskStride = (std::size_t(layout.width) + 31) / 32 * 4;
    const std::size_t rows = std::size_t(layout.height);
    std::uint64_t at = headerSize;
    layout.palette = Range(data, at, std::uint64_t(colours) * 4, "the palette");
    at += layout.palette.size();
    layout.colour = Range(data, at, layout.colourStride * rows, "the colour rows");
    at += layout.colour.size();
    layout.mask = Range(data, at, layout.maskStride * rows, "the mask rows");
    return layout;
}

// The pixel at x of a colour row, opaque unless it carries its own alpha.
std::uint32_t PixelAt(const Layout& layout, Bytes row, std::size_t x) {
    std::size_t index = 0;
    switch (layout.bits) {
        case 32:
            return std::uint32_t(row[x * 4 + 3]) << 24 | std::uint32_t(row[x * 4 + 2]) << 16 |
                   std::uint32_t(row[x * 4 + 1]) << 8 | row[x * 4];
        case 24:
            return 0xFF000000u | std::uint32_t(row[x * 3 + 2]) << 16 |
                   std::uint32_t(row[x * 3 + 1]) << 8 | row[x * 3];
        case 8:
            index = row[x];
            break;
        case 4:
            index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
            break;
        default:
            index = (row[x / 8] >> (7 - x % 8)) & 1;
            break;
    }
    if (index * 4 >= layout.palette.size())
        Fail("colour index " + std::to_string(index) + " outside the palette");
    const std::uint8_t* quad = layout.palette.data() + index * 4;  // blue, green, red, unused
    return 0xFF000000u | std::uint32_t(quad[2]) << 16 | std::uint32_t(quad[1]) << 8 | quad[0];
}

bool MaskBit(const Layout& layout, std::size_t fileRow, std::size_t x) {
    return (layout.mask[fileRow * layout.maskStride + x / 8] >> (7 - x % 8)) & 1;
}

IconImage DecodeBitmap(Bytes data) {
    const Layout layout = ReadLayout(data);
    const std::size_t width = std::size_t(layout.width);
    const std::size_t height = std::size_t(layout.height);
    IconImage image;
    image.width = layout.width;
    image.height = layout.height;
    image.argb.resize(width * height);
    bool anyAlpha = false;
    for (std::size_t y = 0; y < height; ++y) {
        Bytes row = layout.colour.subspan((height - 1 - y) * layout.colourStride);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t pixel = PixelAt(layout, row, x);
            anyAlpha = anyAlpha || (layout.bits == 32 && pixel >> 24 != 0);
            image.argb[y * width + x] = pixel;
        }
    }
    // A 32-bit picture whose alpha is all zero was written for the mask, like the paletted ones.
    if (anyAlpha) return image;
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x) {
            std::uint32_t& pixel = image.argb[y * width + x];
            pixel = MaskBit(layout, height - 1 - y, x) ? pixel & 0x00FFFFFFu : pixel | 0xFF000000u;
        }
    return image;
}

}  // namespace

IconImage ReadIcon(std::span<const std::uint8_t> bytes, int wantedSize) {
    const Entry entry = PickEntry(bytes, wantedSize);
    if (entry.png) Fail("PNG icons are not supported; store the picture as a bitmap");
    return DecodeBitmap(entry.data);
}

}  // namespace vcl
