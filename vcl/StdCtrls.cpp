// The text label: its own font, sized to its text on its first paint (the font is looked up
// only then, so start-up never waits for it).
#include "vcl/StdCtrls.h"

#include "vcl/SysUtils.h"

namespace vcl {

void TLabel::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    sized_ = false;
    Invalidate();
}

void TLabel::Paint(TCanvas& canvas) {
    canvas.Font = font_;
    if (autoSize_ && !sized_) {
        sized_ = true;
        Point extent = canvas.TextExtent(caption_);
        SetBounds(Left(), Top(), extent.x, extent.y);
        canvas.SetClipRect(Intersect(canvas.ClipRect(), BoundsRect()));
    }
    if (!transparent_) canvas.FillRect(BoundsRect(), clBtnFace);
    canvas.TextOut(Left(), Top(), caption_);
}

bool TLabel::ReadProperty(std::string_view name, const TPropertyValue& value) {
    if (name == "Caption") {
        SetCaption(StringValue(value));
    } else if (name.starts_with("Font.")) {
        if (!font_.ReadProperty(name.substr(5), value)) return false;
    } else if (name == "ParentFont") {
        // The label always draws with its own font; a definition that asks for the form's
        // font would be drawn wrongly, so say so.
        if (BooleanValue(value)) throw Exception("only ParentFont = False is supported");
    } else if (name == "Transparent") {
        transparent_ = BooleanValue(value);
    } else if (name == "AutoSize") {
        autoSize_ = BooleanValue(value);
    } else {
        return TGraphicControl::ReadProperty(name, value);
    }
    return true;
}

}  // namespace vcl
