// Colours, the bitmap, the picture-class registry and the canvas's drawing (text lives in
// Text.cpp, beside FreeType).
#include "vcl/Graphics.h"

#include <algorithm>

#include "vcl/Classes.h"
#include "vcl/SysUtils.h"

namespace vcl {

Rgb ColorToRgb(TColor color) {
    if (color & 0x80000000u) {
        switch (color) {
            case clBtnFace:
                return {0xF0, 0xF0, 0xF0};
            case clWindowText:
                return {0x00, 0x00, 0x00};
            default:
                return {0xF0, 0xF0, 0xF0};
        }
    }
    return {std::uint8_t(color & 0xFF), std::uint8_t((color >> 8) & 0xFF),
            std::uint8_t((color >> 16) & 0xFF)};
}

TColor ColorValue(const TPropertyValue& value) {
    static constexpr std::pair<std::string_view, TColor> kNames[] = {
        {"clBlack", clBlack},           {"clRed", clRed},
        {"clWhite", clWhite},           {"clBtnFace", clBtnFace},
        {"clWindowText", clWindowText},
    };
    if (value.kind == TPropertyValue::Kind::Integer) {
        if (value.integer < 0 || value.integer > 0xFFFFFF) throw Exception("colour out of range");
        return TColor(value.integer);
    }
    const std::string& name = IdentifierValue(value);
    for (auto [n, c] : kNames)
        if (n == name) return c;
    throw Exception("unknown colour '" + name + "'");
}

bool TFont::ReadProperty(std::string_view name, const TPropertyValue& value) {
    static constexpr std::pair<std::string_view, TFontCharset> kCharsets[] = {
        {"ANSI_CHARSET", ANSI_CHARSET},
        {"DEFAULT_CHARSET", DEFAULT_CHARSET},
        {"GB2312_CHARSET", GB2312_CHARSET},
    };
    if (name == "Name") {
        Name = StringValue(value);
    } else if (name == "Height") {
        std::int64_t h = IntegerValue(value);
        if (h < -1000 || h > 1000 || h == 0) throw Exception("font height out of range");
        Height = int(h);
    } else if (name == "Color") {
        Color = ColorValue(value);
    } else if (name == "Charset") {
        if (value.kind == TPropertyValue::Kind::Integer) {
            if (value.integer < 0 || value.integer > 255) throw Exception("charset out of range");
            Charset = TFontCharset(value.integer);
            return true;
        }
        const std::string& charset = IdentifierValue(value);
        auto it = std::find_if(std::begin(kCharsets), std::end(kCharsets),
                               [&](auto& c) { return c.first == charset; });
        if (it == std::end(kCharsets)) throw Exception("unknown charset '" + charset + "'");
        Charset = it->second;
    } else if (name == "Style") {
        if (value.kind != TPropertyValue::Kind::Set) throw Exception("expected a set");
        if (!value.set.empty()) throw Exception("font styles are not supported");
    } else {
        return false;
    }
    return true;
}

void TBitmap::SetSize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(std::size_t(width_) * std::size_t(height_) * 3, 0);
}

namespace {
std::vector<TPictureFormat>& Formats() {
    static std::vector<TPictureFormat> formats;
    return formats;
}
}  // namespace

void TPicture::RegisterFileFormat(std::string_view extension, std::string_view description,
                                  std::string_view className, TGraphicFactory create) {
    auto& formats = Formats();
    auto same = [&](const TPictureFormat& f) { return f.extension == extension; };
    formats.erase(std::remove_if(formats.begin(), formats.end(), same), formats.end());
    formats.push_back(
        {std::string(extension), std::string(description), std::string(className), create});
}

const std::vector<TPictureFormat>& TPicture::FileFormats() {
    return Formats();
}

TGraphicFactory TPicture::FindGraphicClass(std::string_view className) {
    for (const auto& format : Formats())
        if (format.className == className) return format.create;
    return nullptr;
}

void TCanvas::SetClipRect(const Rect& clip) {
    clip_ = Intersect(clip, {0, 0, target_.Width(), target_.Height()});
}

void TCanvas::FillRect(const Rect& area, TColor color) {
    Rect r = Intersect(area, clip_);
    Rgb c = ColorToRgb(color);
    for (int y = r.y; y < r.y + r.h; ++y) {
        std::uint8_t* p = target_.ScanLine(y) + r.x * 3;
        for (int x = 0; x < r.w; ++x, p += 3) {
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
}

// Source pixel for each destination pixel: floor(d * size / destSize), the platform's
// nearest-neighbour stretch.
void TCanvas::StretchDraw(const Rect& dest, const TBitmap& source) {
    if (dest.Empty() || source.Empty()) return;
    Rect r = Intersect(dest, clip_);
    if (r.Empty()) return;
    std::vector<int> columns(std::size_t(r.w));
    for (int x = 0; x < r.w; ++x)
        columns[std::size_t(x)] = int(std::int64_t(r.x - dest.x + x) * source.Width() / dest.w) * 3;
    for (int y = r.y; y < r.y + r.h; ++y) {
        int sy = int(std::int64_t(y - dest.y) * source.Height() / dest.h);
        const std::uint8_t* row = source.ScanLine(sy);
        std::uint8_t* p = target_.ScanLine(y) + r.x * 3;
        for (int column : columns) {
            p[0] = row[column];
            p[1] = row[column + 1];
            p[2] = row[column + 2];
            p += 3;
        }
    }
}

void TCanvas::Draw(int x, int y, const TBitmap& source) {
    Rect r = Intersect({x, y, source.Width(), source.Height()}, clip_);
    for (int row = r.y; row < r.y + r.h; ++row)
        std::copy_n(source.ScanLine(row - y) + (r.x - x) * 3, std::size_t(r.w) * 3,
                    target_.ScanLine(row) + r.x * 3);
}

}  // namespace vcl
