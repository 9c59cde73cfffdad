// TJPEGImage: a JPEG stream, decoded by libjpeg into a 24-bit bitmap on its first paint.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vcl/Graphics.h"

namespace vcl {

class TJPEGImage : public TGraphic {
public:
    // Keeps the stream and reads its header; throws EInvalidGraphic if it is no JPEG.
    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // Decodes at full scale into 24-bit colour on the first call; throws EInvalidGraphic.
    const TBitmap& Bitmap() override;

private:
    std::vector<std::uint8_t> stream_;
    int width_ = 0;
    int height_ = 0;
    TBitmap bitmap_;
    bool decoded_ = false;
};

// The facts the build checks about a picture it ships: read from the header alone.
struct JpegInfo {
    int width = 0;
    int height = 0;
    int components = 0;
    bool jfif = false;
    bool baseline = false;
    bool subsampled = false;
};
JpegInfo ReadJpegInfo(std::span<const std::uint8_t> bytes);  // throws EInvalidGraphic

}  // namespace vcl
