// Controls and their container: settings that repaint what they change, alignment, painting in
// creation order, and the hit test that decides who takes the mouse.
#include "vcl/Controls.h"

#include <algorithm>

#include "vcl/SysUtils.h"

namespace vcl {

void TControl::SetParent(TWinControl* parent) {
    if (parent_ == parent) return;
    if (parent_) parent_->RemoveControl(this);
    parent_ = parent;
    if (parent_) parent_->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    Rect bounds{left, top, std::max(width, 0), std::max(height, 0)};
    if (bounds == bounds_) return;
    Invalidate();
    bounds_ = bounds;
    Invalidate();
}

void TControl::SetAlign(TAlign align) {
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    if (parent_) parent_->InvalidateRect(bounds_);
}

void TControl::SetEnabled(bool enabled) {
    // A disabled control takes no mouse; it looks the same here, so nothing to repaint.
    enabled_ = enabled;
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::Invalidate() {
    if (parent_ && visible_) parent_->InvalidateRect(bounds_);
}

void TControl::Paint(TCanvas& /*canvas*/) {}

namespace {
TAlign AlignByName(const std::string& name) {
    static constexpr std::pair<std::string_view, TAlign> kNames[] = {
        {"alNone", alNone}, {"alTop", alTop},     {"alBottom", alBottom},
        {"alLeft", alLeft}, {"alRight", alRight}, {"alClient", alClient},
    };
    for (auto [n, a] : kNames)
        if (n == name) return a;
    throw Exception("unknown alignment '" + name + "'");
}

TCursor CursorByName(const std::string& name) {
    if (name == "crDefault") return crDefault;
    if (name == "crArrow") return crArrow;
    if (name == "crHandPoint") return crHandPoint;
    throw Exception("unknown cursor '" + name + "'");
}

int Coordinate(const TPropertyValue& value) {
    std::int64_t v = IntegerValue(value);
    if (v < -32768 || v > 32767) throw Exception("position or size out of range");
    return int(v);
}
}  // namespace

bool TControl::ReadProperty(std::string_view name, const TPropertyValue& value) {
    if (name == "Left") {
        SetBounds(Coordinate(value), Top(), Width(), Height());
    } else if (name == "Top") {
        SetBounds(Left(), Coordinate(value), Width(), Height());
    } else if (name == "Width") {
        if (Coordinate(value) < 0) throw Exception("a width cannot be negative");
        SetBounds(Left(), Top(), Coordinate(value), Height());
    } else if (name == "Height") {
        if (Coordinate(value) < 0) throw Exception("a height cannot be negative");
        SetBounds(Left(), Top(), Width(), Coordinate(value));
    } else if (name == "Align") {
        SetAlign(AlignByName(IdentifierValue(value)));
    } else if (name == "Visible") {
        SetVisible(BooleanValue(value));
    } else if (name == "Enabled") {
        SetEnabled(BooleanValue(value));
    } else if (name == "Cursor") {
        SetCursor(CursorByName(IdentifierValue(value)));
    } else if (name == "OnClick") {
        OnClick = EventValue(value);
    } else {
        return TComponent::ReadProperty(name, value);
    }
    return true;
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
    control->Invalidate();
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

TControl* TWinControl::ControlAtPos(Point p) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (c->Visible() && c->Enabled() && c->BoundsRect().Contains(p)) return c;
    }
    return nullptr;
}

// The platform's order: top edges first, then bottom, left, right; the client area takes what
// is left. Controls that are not aligned keep their places.
void TWinControl::Realign() {
    Rect room{0, 0, Width(), Height()};
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : controls_) {
            if (c->Align() != pass || !c->Visible()) continue;
            int w = std::min(c->Width(), room.w), h = std::min(c->Height(), room.h);
            switch (pass) {
                case alTop:
                    c->SetBounds(room.x, room.y, room.w, h);
                    room.y += h;
                    room.h -= h;
                    break;
                case alBottom:
                    c->SetBounds(room.x, room.y + room.h - h, room.w, h);
                    room.h -= h;
                    break;
                case alLeft:
                    c->SetBounds(room.x, room.y, w, room.h);
                    room.x += w;
                    room.w -= w;
                    break;
                case alRight:
                    c->SetBounds(room.x + room.w - w, room.y, w, room.h);
                    room.w -= w;
                    break;
                default:
                    c->SetBounds(room.x, room.y, room.w, room.h);
                    break;
            }
        }
    }
}

void TWinControl::PaintControls(TCanvas& canvas, const Rect& area) {
    for (TControl* c : controls_) {
        if (!c->Visible()) continue;
        Rect clip = Intersect(c->BoundsRect(), area);
        if (clip.Empty()) continue;
        canvas.SetClipRect(clip);
        c->Paint(canvas);
    }
}

}  // namespace vcl
