// The picture control paints its picture, stretched or at its natural size; the timer holds a
// platform timer while it is enabled and ticks through the application's loop.
#include "vcl/ExtCtrls.h"

#include "vcl/Forms.h"
#include "vcl/SysUtils.h"

namespace vcl {

void TImage::SetStretch(bool stretch) {
    stretch_ = stretch;
    Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
    TGraphic* graphic = picture_.Graphic();
    if (!graphic) return;
    const TBitmap& bitmap = graphic->Bitmap();
    if (stretch_)
        canvas.StretchDraw(BoundsRect(), bitmap);
    else
        canvas.Draw(Left(), Top(), bitmap);
}

bool TImage::ReadProperty(std::string_view name, const TPropertyValue& value) {
    if (name == "Picture.Data") {
        if (value.kind != TPropertyValue::Kind::Graphic) throw Exception("expected a picture");
        TGraphicFactory create = TPicture::FindGraphicClass(value.text);
        if (!create) throw Exception("unknown picture class '" + value.text + "'");
        auto graphic = create();
        graphic->LoadFromBytes(value.data);
        picture_.SetGraphic(std::move(graphic));
        Invalidate();
    } else if (name == "Stretch") {
        SetStretch(BooleanValue(value));
    } else {
        return TGraphicControl::ReadProperty(name, value);
    }
    return true;
}

TTimer::~TTimer() {
    if (platformTimer_ && Application) {
        Application->DetachTimer(platformTimer_);
        Application->Platform().StopTimer(platformTimer_);
    }
}

void TTimer::SetInterval(unsigned interval) {
    if (interval_ == interval) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::Tick() {
    if (OnTimer) OnTimer(this);
}

// As the platform does: stop whatever runs, then start anew when enabled with an interval and
// a handler. The setting stays enabled even when no timer could be had.
void TTimer::UpdateTimer() {
    if (loading_) return;
    if (platformTimer_) {
        Application->DetachTimer(platformTimer_);
        Application->Platform().StopTimer(platformTimer_);
        platformTimer_ = 0;
    }
    if (!enabled_ || interval_ == 0 || !OnTimer) return;
    int id = Application->Platform().StartTimer(interval_);
    if (!id) throw EOutOfResources("Not enough timers available");
    platformTimer_ = id;
    Application->AttachTimer(id, this);
}

bool TTimer::ReadProperty(std::string_view name, const TPropertyValue& value) {
    // Only the definition reader calls this; nothing starts until every setting is in.
    loading_ = true;
    if (name == "Enabled") {
        enabled_ = BooleanValue(value);
    } else if (name == "Interval") {
        std::int64_t ms = IntegerValue(value);
        if (ms < 0 || ms > 0x7FFFFFFF) throw Exception("interval out of range");
        interval_ = unsigned(ms);
    } else if (name == "OnTimer") {
        OnTimer = EventValue(value);
    } else {
        return TComponent::ReadProperty(name, value);
    }
    return true;
}

void TTimer::Loaded() {
    loading_ = false;
    UpdateTimer();
}

}  // namespace vcl
