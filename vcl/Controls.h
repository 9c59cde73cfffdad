// Controls: position, size, alignment, visibility, the enabled setting, cursor and click, and
// the container that paints them in order and hands them the mouse.
#pragma once

#include <vector>

#include "vcl/Classes.h"
#include "vcl/Graphics.h"
#include "vcl/Types.h"

namespace vcl {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

using TCursor = short;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crHandPoint = -21;

class TWinControl;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner) : TComponent(owner) {}

    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);

    int Left() const { return bounds_.x; }
    int Top() const { return bounds_.y; }
    int Width() const { return bounds_.w; }
    int Height() const { return bounds_.h; }
    const Rect& BoundsRect() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor) { cursor_ = cursor; }

    TNotifyEvent OnClick;
    virtual void Click();

    // Asks the parent to repaint this control's rectangle.
    void Invalidate();
    // Paints into canvas, already clipped to BoundsRect; coordinates are the parent's.
    virtual void Paint(TCanvas& canvas);

    bool ReadProperty(std::string_view name, const TPropertyValue& value) override;

private:
    TWinControl* parent_ = nullptr;
    Rect bounds_;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TCursor cursor_ = crDefault;
};

// A control that draws itself on its parent's canvas and has no window of its own.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
};

// A control that holds others: paints them in creation order and offers them the mouse.
class TWinControl : public TControl {
public:
    using TControl::TControl;

    const std::vector<TControl*>& Controls() const { return controls_; }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);

    // The control that takes the mouse at p: the last one that is visible, enabled and holds p.
    TControl* ControlAtPos(Point p) const;
    // Places alClient children over the whole client area; the rest keep their places.
    void Realign();
    // The client-area rectangle that needs painting; collected until the next paint.
    virtual void InvalidateRect(const Rect& area) = 0;
    // Paints the children that meet area, each clipped to its rectangle.
    void PaintControls(TCanvas& canvas, const Rect& area);

private:
    std::vector<TControl*> controls_;
};

}  // namespace vcl
