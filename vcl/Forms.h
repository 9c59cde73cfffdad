// The form and the application object with its one event loop and default failure report.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "vcl/Classes.h"
#include "vcl/Controls.h"
#include "vcl/Graphics.h"
#include "vcl/SysUtils.h"
#include "vcl/WindowSystem.h"

namespace vcl {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };

class TTimer;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner) : TWinControl(owner) {}

    const std::string& Caption() const { return caption_; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    TPosition Position() const { return position_; }
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    TColor Color() const { return color_; }
    TFont* Font() { return &font_; }

    // Asks the application to end when this is the main form; every request is granted.
    void Close();

    // The client rectangle's bitmap, painted where invalid; what the window system shows.
    const TBitmap& Frame() const { return frame_; }
    bool NeedsPaint() const { return !invalid_.Empty(); }
    // Forgets what was due: the window system will ask for all of it once the window shows.
    void Validate() { invalid_ = {}; }
    // The place stored in the definition; used unless the form is centred.
    Point DesignPosition() const { return designPosition_; }
    // Paints the invalid region into Frame and returns it (empty when nothing was due).
    Rect PaintInvalid();
    void InvalidateRect(const Rect& area) override;
    // New client size (shown maximised, or resized): realigns and repaints everything.
    void Resize(int width, int height);

    bool ReadProperty(std::string_view name, const TPropertyValue& value) override;

private:
    std::string caption_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    TColor color_ = clBtnFace;
    TFont font_;
    Point designPosition_;
    TBitmap frame_;
    Rect invalid_;
};

// The platform's start-up: the component classes a definition may name, and TJPEGImage for
// "jpeg" and "jpg" as "JPEG Image File". Safe to call more than once.
void RegisterStandardClasses();

// Where a window of size lands centred on monitor: offsets halved, truncated toward zero.
Point CenterOn(const Rect& monitor, int width, int height);

// The title the platform derives from the program file: no directory, cut at the first full
// stop, every character after the first in lower case.
std::string TitleFromFileName(std::string_view path);

// The text of a failure report: the message with a full stop added when its last character
// sorts after the full stop.
std::string ReportText(std::string_view message);

class TApplication : public TComponent {
public:
    // Uses windowSystem, or the platform's own (opened in Initialize) when none is given.
    explicit TApplication(std::unique_ptr<WindowSystem> windowSystem = nullptr);
    ~TApplication() override;

    // The platform's start-up: registers component and picture classes, opens the display.
    void Initialize();
    // Creates a form of class F from its definition; the first one becomes the main form.
    template <class F>
    void CreateForm(F*& reference) {
        auto form = std::make_unique<F>(this);
        reference = form.get();
        AdoptForm(std::move(form), F::Published);
    }
    // Shows the main form and handles events until it closes.
    void Run();
    // Shows the main form as ShowCmd asks (Run does it first; tests call it themselves).
    void ShowMainForm();
    // Handles every event already waiting, without blocking; for tests and modal loops.
    void ProcessMessages();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    TForm* MainForm() const { return mainForm_; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    ShowCommand ShowCmd = ShowCommand::Normal;  // X11 has no show command: normal

    // The default report: a box captioned with the title, the message as its text.
    void ShowException(const Exception& e);
    // Start-up failed before a window could be shown: one line on stderr, a non-zero code.
    int ReportStartupFailure(const Exception& e);

    WindowSystem& Platform();
    // Timers tick through the loop: TTimer registers the platform timer it holds.
    void AttachTimer(int id, TTimer* timer) { timers_[id] = timer; }
    void DetachTimer(int id) { timers_.erase(id); }

private:
    void AdoptForm(std::unique_ptr<TForm> form, const TPublished& published);
    void PaintAndPresent();
    void Dispatch(const WindowEvent& event);
    void HandleMouse(const WindowEvent& event);

    std::unique_ptr<WindowSystem> windowSystem_;
    TForm* mainForm_ = nullptr;
    std::string title_;
    bool terminated_ = false;
    bool painting_ = false;
    std::map<int, TTimer*> timers_;
    TControl* pressed_ = nullptr;  // where the left button went down
    CursorShape cursor_ = CursorShape::Arrow;
    TApplication* previous_ = nullptr;
};

// The running application object (the most recently constructed one).
extern TApplication* Application;

}  // namespace vcl
