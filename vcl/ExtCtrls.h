// The picture control and the timer.
#pragma once

#include "vcl/Classes.h"
#include "vcl/Controls.h"
#include "vcl/Graphics.h"

namespace vcl {

class TImage : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

    TPicture* Picture() { return &picture_; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

    void Paint(TCanvas& canvas) override;
    bool ReadProperty(std::string_view name, const TPropertyValue& value) override;

private:
    TPicture picture_;
    bool stretch_ = false;
};

// A timer whose ticks come through the application's one event loop.
class TTimer : public TComponent {
public:
    using TComponent::TComponent;
    ~TTimer() override;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);
    bool Enabled() const { return enabled_; }
    // Enabling starts it with its interval, disabling stops it. Throws EOutOfResources
    // ("Not enough timers available") when the platform has no timer left.
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;
    // Called by the event loop when the platform timer fires.
    void Tick();

    bool ReadProperty(std::string_view name, const TPropertyValue& value) override;
    void Loaded() override;

private:
    void UpdateTimer();

    unsigned interval_ = 1000;
    bool enabled_ = true;
    bool loading_ = false;  // while a definition is being read into it
    int platformTimer_ = 0;
};

}  // namespace vcl
