// The application icon: reads an ICO stream into 32-bit pixels the window system can hand on.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vcl {

// One icon picture, rows top-down, each pixel 0xAARRGGBB, not premultiplied.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

// Decodes the entry whose size is closest to wantedSize, the one with the most colours among
// equals. Reads classic bitmap entries of 1, 4, 8, 24 and 32 bits a pixel; throws
// EInvalidGraphic for anything else, including PNG-compressed entries and damaged files.
IconImage ReadIcon(std::span<const std::uint8_t> bytes, int wantedSize = 32);

}  // namespace vcl
