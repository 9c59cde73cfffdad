// The form, the application object's start-up and its one event loop, and the default report
// of a failure that escapes a handler.
#include "vcl/Forms.h"

#include <unistd.h>

#include <climits>
#include <cstdio>

#include "vcl/ExtCtrls.h"
#include "vcl/FormReader.h"
#include "vcl/Icon.h"
#include "vcl/Jpeg.h"
#include "vcl/Resources.h"
#include "vcl/StdCtrls.h"

namespace vcl {

TApplication* Application = nullptr;

namespace {
// The process's own application object; it opens nothing until Initialize.
TApplication defaultApplication;
}  // namespace

// ---- the form ----------------------------------------------------------------------------

void TForm::Close() {
    if (Application && Application->MainForm() == this) Application->Terminate();
}

void TForm::InvalidateRect(const Rect& area) {
    invalid_ = Union(invalid_, Intersect(area, {0, 0, Width(), Height()}));
}

Rect TForm::PaintInvalid() {
    Rect area = invalid_;
    invalid_ = {};  // painting may ask for more (a label sizing itself); keep that for next time
    if (area.Empty()) return {};
    if (frame_.Width() != Width() || frame_.Height() != Height()) frame_.SetSize(Width(), Height());
    TCanvas canvas(frame_);
    canvas.SetClipRect(area);
    canvas.FillRect(area, color_);
    PaintControls(canvas, area);
    return area;
}

void TForm::Resize(int width, int height) {
    SetBounds(0, 0, width, height);
    Realign();
    InvalidateRect({0, 0, width, height});
}

namespace {
template <class T, std::size_t N>
T ValueByName(const std::pair<std::string_view, T> (&names)[N], const TPropertyValue& value,
              const char* what) {
    const std::string& name = IdentifierValue(value);
    for (auto& [n, v] : names)
        if (n == name) return v;
    throw Exception(std::string("unknown ") + what + " '" + name + "'");
}

int ClientExtent(const TPropertyValue& value) {
    std::int64_t v = IntegerValue(value);
    if (v < 1 || v > 16384) throw Exception("client size out of range");
    return int(v);
}
}  // namespace

bool TForm::ReadProperty(std::string_view name, const TPropertyValue& value) {
    static constexpr std::pair<std::string_view, TFormBorderStyle> kBorderStyles[] = {
        {"bsNone", bsNone},     {"bsSingle", bsSingle},         {"bsSizeable", bsSizeable},
        {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin},
    };
    static constexpr std::pair<std::string_view, TPosition> kPositions[] = {
        {"poDesigned", poDesigned},
        {"poDefault", poDefault},
        {"poDefaultPosOnly", poDefaultPosOnly},
        {"poDefaultSizeOnly", poDefaultSizeOnly},
        {"poScreenCenter", poScreenCenter},
    };
    if (name == "Left") {
        designPosition_.x = int(IntegerValue(value));
    } else if (name == "Top") {
        designPosition_.y = int(IntegerValue(value));
    } else if (name == "ClientWidth") {
        Resize(ClientExtent(value), Height());
    } else if (name == "ClientHeight") {
        Resize(Width(), ClientExtent(value));
    } else if (name == "BorderStyle") {
        borderStyle_ = ValueByName(kBorderStyles, value, "border style");
    } else if (name == "Position") {
        position_ = ValueByName(kPositions, value, "position");
    } else if (name == "Caption") {
        caption_ = StringValue(value);
    } else if (name == "Color") {
        color_ = ColorValue(value);
    } else if (name.starts_with("Font.")) {
        return font_.ReadProperty(name.substr(5), value);
    } else if (name == "BorderIcons") {
        // Without a caption bar there is nowhere to show them; the set is only checked.
        if (value.kind != TPropertyValue::Kind::Set) throw Exception("expected a set");
    } else if (name == "Scaled") {
        // Nothing is ever scaled for the screen's density: only False can be honoured.
        if (BooleanValue(value)) throw Exception("only Scaled = False is supported");
    } else if (name == "OldCreateOrder") {
        BooleanValue(value);
    } else if (name == "PixelsPerInch" || name == "TextHeight") {
        IntegerValue(value);  // design-time facts; positions are used as stored
    } else {
        return TComponent::ReadProperty(name, value);
    }
    return true;
}

// ---- helpers of the application object --------------------------------------------------

Point CenterOn(const Rect& monitor, int width, int height) {
    // C++ division truncates toward zero, as the platform's centring does.
    return {monitor.x + (monitor.w - width) / 2, monitor.y + (monitor.h - height) / 2};
}

std::string TitleFromFileName(std::string_view path) {
    std::string_view name = path.substr(path.find_last_of('/') + 1);
    name = name.substr(0, name.find('.'));
    std::string title(name);
    for (std::size_t i = 1; i < title.size(); ++i)
        if (title[i] >= 'A' && title[i] <= 'Z') title[i] = char(title[i] - 'A' + 'a');
    return title;
}

std::string ReportText(std::string_view message) {
    if (message.empty()) return {};
    // The last character, not the last byte: a message may end in any script.
    std::size_t last = message.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(message[last]) & 0xC0) == 0x80) --last;
    unsigned char lead = static_cast<unsigned char>(message[last]);
    bool afterFullStop = lead >= 0x80 || lead > '.';
    return afterFullStop ? std::string(message) + "." : std::string(message);
}

void RegisterStandardClasses() {
    RegisterClass<TImage>("TImage");
    RegisterClass<TLabel>("TLabel");
    RegisterClass<TTimer>("TTimer");
    auto jpeg = []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); };
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", "TJPEGImage", jpeg);
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", "TJPEGImage", jpeg);
}

namespace {
std::string ProgramFileName() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return upper;
}
}  // namespace

// ---- the application object --------------------------------------------------------------

TApplication::TApplication(std::unique_ptr<WindowSystem> windowSystem)
    : TComponent(nullptr), windowSystem_(std::move(windowSystem)), previous_(Application) {
    Application = this;
}

TApplication::~TApplication() {
    // Forms and their timers go while the window system they use is still there.
    DestroyComponents();
    Application = previous_;
}

void TApplication::Initialize() {
    RegisterStandardClasses();
    if (title_.empty()) title_ = TitleFromFileName(ProgramFileName());
    if (!windowSystem_) windowSystem_ = CreatePlatformWindowSystem();
}

WindowSystem& TApplication::Platform() {
    if (!windowSystem_) windowSystem_ = CreatePlatformWindowSystem();
    return *windowSystem_;
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form, const TPublished& published) {
    TForm& f = static_cast<TForm&>(InsertComponent(std::move(form)));
    std::string resource = UpperCase(published.className);
    std::span<const std::uint8_t> text = FindResource(resource);
    if (text.empty()) throw Exception("Resource " + resource + " not found");
    try {
        ReadDefinition(f, {reinterpret_cast<const char*>(text.data()), text.size()}, published,
                       [](std::string_view name) { return FindResource(name); });
    } catch (const EReadError& e) {
        throw EReadError(resource + " " + e.Message());
    }
    if (mainForm_) return;
    mainForm_ = &f;

    WindowSettings settings;
    Rect monitor = Platform().PrimaryMonitor();
    Point at = f.Position() == poScreenCenter ? CenterOn(monitor, f.Width(), f.Height())
                                              : f.DesignPosition();
    settings.bounds = {at.x, at.y, f.Width(), f.Height()};
    settings.borderless = f.BorderStyle() == bsNone;
    settings.title = title_;
    if (auto icon = FindResource("MAINICON"); !icon.empty()) {
        IconImage image = ReadIcon(icon, 32);
        settings.iconWidth = image.width;
        settings.iconHeight = image.height;
        settings.iconArgb = std::move(image.argb);
    }
    Platform().CreateWindow(settings);
}

void TApplication::Run() {
    if (!mainForm_) return;
    ShowMainForm();
    while (!terminated_) {
        PaintAndPresent();
        WindowEvent event = Platform().WaitEvent(-1);
        Dispatch(event);
    }
}

void TApplication::ProcessMessages() {
    while (!terminated_) {
        PaintAndPresent();
        WindowEvent event = Platform().WaitEvent(0);
        if (event.kind == WindowEvent::Kind::None) break;
        Dispatch(event);
    }
}

void TApplication::ShowMainForm() {
    Rect monitor = Platform().PrimaryMonitor();
    if (ShowCmd == ShowCommand::Maximized) {
        // Only the client-aligned background grows; the rest keep their places.
        mainForm_->Resize(monitor.w, monitor.h);
        Platform().ShowWindow(ShowCmd, monitor);
    } else {
        Point at = mainForm_->Position() == poScreenCenter
                       ? CenterOn(monitor, mainForm_->Width(), mainForm_->Height())
                       : mainForm_->DesignPosition();
        Platform().ShowWindow(ShowCmd, {at.x, at.y, mainForm_->Width(), mainForm_->Height()});
    }
    // Nothing can be seen before the window system exposes the window; paint then, once.
    mainForm_->Validate();
}

// Every pending repaint is painted and handed to the window system before the loop waits, so
// nothing (a timer tick least of all) is delivered while an older look is on the screen.
void TApplication::PaintAndPresent() {
    if (painting_) return;
    painting_ = true;
    while (mainForm_ && mainForm_->NeedsPaint()) {
        try {
            Rect area = mainForm_->PaintInvalid();
            if (!area.Empty()) Platform().Present(mainForm_->Frame(), area);
        } catch (const Exception& e) {
            ShowException(e);
        }
    }
    painting_ = false;
}

void TApplication::Dispatch(const WindowEvent& event) {
    try {
        switch (event.kind) {
            case WindowEvent::Kind::Expose:
                mainForm_->InvalidateRect(event.area);
                break;
            case WindowEvent::Kind::Resize:
                mainForm_->Resize(event.area.w, event.area.h);
                break;
            case WindowEvent::Kind::MouseMove:
            case WindowEvent::Kind::ButtonDown:
            case WindowEvent::Kind::ButtonUp:
                HandleMouse(event);
                break;
            case WindowEvent::Kind::Close:
                mainForm_->Close();
                break;
            case WindowEvent::Kind::Timer:
                if (auto it = timers_.find(event.timer); it != timers_.end()) it->second->Tick();
                break;
            case WindowEvent::Kind::None:
                break;
        }
    } catch (const Exception& e) {
        ShowException(e);
    } catch (const std::exception& e) {
        ShowException(Exception(e.what()));
    }
}

// The mouse goes to the last control that is visible, enabled and under the pointer; a click is
// a left press and release over the same control.
void TApplication::HandleMouse(const WindowEvent& event) {
    TControl* target = mainForm_->ControlAtPos(event.pos);
    if (event.kind == WindowEvent::Kind::ButtonDown && event.button == 1) {
        pressed_ = target;
    } else if (event.kind == WindowEvent::Kind::ButtonUp && event.button == 1) {
        TControl* pressed = pressed_;
        pressed_ = nullptr;
        if (pressed && pressed == target) target->Click();
        // The click may have changed who takes the mouse here (Install hands it to the
        // pressed button), so the cursor follows at once.
        target = mainForm_->ControlAtPos(event.pos);
    }
    CursorShape shape =
        target && target->Cursor() == crHandPoint ? CursorShape::HandPoint : CursorShape::Arrow;
    if (shape != cursor_) {
        cursor_ = shape;
        Platform().SetCursor(shape);
    }
}

void TApplication::ShowException(const Exception& e) {
    pressed_ = nullptr;  // the box took the mouse; a release after it is no click
    // Behind the box the window shows what the failed handler had already changed.
    PaintAndPresent();
    Platform().MessageBox(title_, ReportText(e.Message()));
}

int TApplication::ReportStartupFailure(const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", title_.empty() ? "autorun" : title_.c_str(),
                 e.Message().c_str());
    return 1;
}

}  // namespace vcl
