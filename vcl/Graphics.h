// Colours, fonts, the 24-bit bitmap, pictures with their class registry, and the canvas that
// paints into an off-screen bitmap.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/Types.h"

namespace vcl {

// 0x00BBGGRR, as the platform stores colours; system colours have the top bit set.
using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clWindowText = 0x80000008;

// A colour as it reaches the screen: system colours resolved to their usual values.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
Rgb ColorToRgb(TColor color);

using TFontCharset = std::uint8_t;
inline constexpr TFontCharset ANSI_CHARSET = 0;
inline constexpr TFontCharset DEFAULT_CHARSET = 1;
inline constexpr TFontCharset GB2312_CHARSET = 134;

struct TPropertyValue;

// A colour named as the definition names it (clRed, clBtnFace...) or given as a number.
TColor ColorValue(const TPropertyValue& value);

class TFont {
public:
    std::string Name = "MS Sans Serif";  // UTF-8
    int Height = -11;                    // negative: character height in pixels, no leading
    TColor Color = clWindowText;
    TFontCharset Charset = DEFAULT_CHARSET;

    // Reads Name, Height, Color, Charset and Style (no styles are drawn, so only []).
    bool ReadProperty(std::string_view name, const TPropertyValue& value);
};

// A 24-bit colour bitmap, rows top-down, three bytes a pixel in R, G, B order.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height) { SetSize(width, height); }

    void SetSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    std::uint8_t* ScanLine(int y) { return pixels_.data() + std::size_t(y) * Stride(); }
    const std::uint8_t* ScanLine(int y) const { return pixels_.data() + std::size_t(y) * Stride(); }
    std::size_t Stride() const { return std::size_t(width_) * 3; }
    Rgb Pixel(int x, int y) const {
        const std::uint8_t* p = ScanLine(y) + x * 3;
        return {p[0], p[1], p[2]};
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
};

// A picture format: stores its stream as given and decodes it when first drawn.
class TGraphic {
public:
    virtual ~TGraphic() = default;
    // Takes the stream; checks what can be checked without decoding, throws EInvalidGraphic.
    virtual void LoadFromBytes(std::span<const std::uint8_t> bytes) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The decoded picture; decoded on the first call and kept.
    virtual const TBitmap& Bitmap() = 0;
};

using TGraphicFactory = std::unique_ptr<TGraphic> (*)();

// The picture-class registry: a class name, the file extensions it reads and its description.
struct TPictureFormat {
    std::string extension;
    std::string description;
    std::string className;
    TGraphicFactory create;
};

class TPicture {
public:
    static void RegisterFileFormat(std::string_view extension, std::string_view description,
                                   std::string_view className, TGraphicFactory create);
    static const std::vector<TPictureFormat>& FileFormats();
    // The graphic class of that name, or nullptr if none is registered.
    static TGraphicFactory FindGraphicClass(std::string_view className);

    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

private:
    std::unique_ptr<TGraphic> graphic_;
};

// Paints into a bitmap, every operation clipped to ClipRect.
class TCanvas {
public:
    explicit TCanvas(TBitmap& target)
        : target_(target), clip_{0, 0, target.Width(), target.Height()} {}

    void SetClipRect(const Rect& clip);
    const Rect& ClipRect() const { return clip_; }

    void FillRect(const Rect& area, TColor color);
    // Nearest-neighbour scaling to dest, proportions not kept.
    void StretchDraw(const Rect& dest, const TBitmap& source);
    void Draw(int x, int y, const TBitmap& source);
    // Text in Font, only the glyphs, top-left of the text cell at (x, y).
    void TextOut(int x, int y, std::string_view utf8);
    Point TextExtent(std::string_view utf8);

    TFont Font;

private:
    TBitmap& target_;
    Rect clip_;
};

}  // namespace vcl
