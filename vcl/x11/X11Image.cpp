// Bitmaps to the screen: an area of a 24-bit RGB bitmap converted to the visual's pixels and put
// into a window. The common 24-bit depth with 32-bit pixels has a fast path; any other true-colour
// layout goes pixel by pixel through the visual's masks.
#include "vcl/x11/X11WindowSystem.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>

#include "vcl/SysUtils.h"

namespace vcl::x11 {
namespace {

// The pixels belong to X11WindowSystem's buffer, not to the image.
struct DestroyImage {
    void operator()(XImage* image) const {
        image->data = nullptr;
        XDestroyImage(image);
    }
};
using ImagePtr = std::unique_ptr<XImage, DestroyImage>;

// One 8-bit channel scaled to the width of mask and moved to its place.
unsigned long Channel(std::uint8_t value, unsigned long mask) {
    int bits = std::popcount(mask);
    unsigned long scaled = bits >= 8 ? (unsigned long)value << (bits - 8) : value >> (8 - bits);
    return scaled << std::countr_zero(mask);
}

bool IsXrgb32(const XImage& image) {
    return image.bits_per_pixel == 32 && image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 &&
           image.blue_mask == 0xFF;
}

void ConvertXrgb32(const TBitmap& bitmap, const Rect& area, XImage& image) {
    for (int y = 0; y < area.h; ++y) {
        const std::uint8_t* from = bitmap.ScanLine(area.y + y) + area.x * 3;
        auto* to = reinterpret_cast<std::uint32_t*>(image.data + y * image.bytes_per_line);
        for (int x = 0; x < area.w; ++x, from += 3)
            to[x] = std::uint32_t(from[0]) << 16 | std::uint32_t(from[1]) << 8 | from[2];
    }
}

void ConvertByMasks(const TBitmap& bitmap, const Rect& area, XImage& image) {
    for (int y = 0; y < area.h; ++y) {
        for (int x = 0; x < area.w; ++x) {
            Rgb c = bitmap.Pixel(area.x + x, area.y + y);
            XPutPixel(&image, x, y,
                      Channel(c.r, image.red_mask) | Channel(c.g, image.green_mask) |
                          Channel(c.b, image.blue_mask));
        }
    }
}

}  // namespace

// Sent in bands of rows, so the buffer stays small whatever the window's size.
void X11WindowSystem::PutImage(Window target, const TBitmap& bitmap, const Rect& area) {
    constexpr int kBandRows = 64;
    Rect part = Intersect(area, {0, 0, bitmap.Width(), bitmap.Height()});
    Display* display = display_.get();
    for (int top = part.y; top < part.y + part.h; top += kBandRows) {
        Rect band{part.x, top, part.w, std::min(kBandRows, part.y + part.h - top)};
        ImagePtr image(XCreateImage(display, visual_, unsigned(depth_), ZPixmap, 0, nullptr,
                                    unsigned(band.w), unsigned(band.h), 32, 0));
        if (!image)
            throw EOutOfResources("cannot make an image of " + std::to_string(band.w) + " x " +
                                  std::to_string(band.h) + " pixels");
        // Pixels are written in this machine's byte order; Xlib swaps them if the server's
        // differs.
        image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        pixels_.resize((std::size_t(image->bytes_per_line) * std::size_t(band.h) + 3) / 4);
        image->data = reinterpret_cast<char*>(pixels_.data());
        if (IsXrgb32(*image))
            ConvertXrgb32(bitmap, band, *image);
        else
            ConvertByMasks(bitmap, band, *image);
        XPutImage(display, target, gc_.Get(), image.get(), 0, 0, band.x, band.y, unsigned(band.w),
                  unsigned(band.h));
    }
}

}  // namespace vcl::x11
