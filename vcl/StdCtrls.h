// The text label.
#pragma once

#include <string>

#include "vcl/Controls.h"
#include "vcl/Graphics.h"

namespace vcl {

class TLabel : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    TFont* Font() { return &font_; }
    bool Transparent() const { return transparent_; }
    bool AutoSize() const { return autoSize_; }

    void Paint(TCanvas& canvas) override;
    bool ReadProperty(std::string_view name, const TPropertyValue& value) override;

private:
    std::string caption_;  // UTF-8
    TFont font_;
    bool transparent_ = false;
    bool autoSize_ = true;
    bool sized_ = false;  // sized to its text yet; the font is only looked up on first paint
};

}  // namespace vcl
