// Install and Exit as a user meets them: who takes the mouse where, the states the window goes
// through, what the installer start sees, and the report of a failure.
#include <gtest/gtest.h>

#include <string>

#include "tests/LauncherFixture.h"

namespace {

std::string NameAt(Point p) {
    TControl* c = Form1->ControlAtPos(p);
    return c ? c->Name() : "none";
}

enum class State { Ready, Pending, Ending };

State StateOf() {
    bool ready = Form1->Image2->Enabled() && !Form1->Image4->Visible() &&
                 !Form1->Label1->Visible() && !Form1->Timer1->Enabled();
    bool pending = !Form1->Image2->Enabled() && Form1->Image4->Visible() &&
                   Form1->Label1->Visible() && Form1->Timer1->Enabled();
    bool ending = !Form1->Image2->Enabled() && Form1->Image4->Visible() &&
                  Form1->Label1->Visible() && !Form1->Timer1->Enabled();
    EXPECT_TRUE(ready || pending || ending) << "not a state of the window";
    return ready ? State::Ready : pending ? State::Pending : State::Ending;
}

using ActionsTest = Launcher;

TEST_F(ActionsTest, MouseGoesToTheTopmostLiveControlWithItsCursor) {
    struct Case {
        Point at;
        std::string ready, pending;   // who takes the mouse
        bool handReady, handPending;  // hand cursor shown there
    } cases[] = {
        {{190, 370}, "Image2", "Image4", true, false},   // Install caption
        {{128, 344}, "Image2", "Image1", true, false},   // Install's top row, not under the button
        {{124, 360}, "Image1", "Image4", false, false},  // pressed button beyond Install's left
        {{256, 400}, "Image2", "Image4", true, false},   // Install's last pixel
        {{257, 370}, "Image1", "Image1", false, false},  // just right of Install
        {{440, 370}, "Image3", "Image3", true, true},    // Exit
        {{504, 400}, "Image3", "Image3", true, true},    // Exit's last pixel
        {{505, 370}, "Image1", "Image1", false, false},
        {{300, 445}, "Image1", "Label1", false, false},  // the shown notice, with no handler
        {{10, 10}, "Image1", "Image1", false, false},
    };
    for (bool pending : {false, true}) {
        if (pending) ClickAt(kInstall);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.at.x) + "," + std::to_string(c.at.y) +
                         (pending ? " pending" : " ready"));
            EXPECT_EQ(NameAt(c.at), pending ? c.pending : c.ready);
            ws->MoveTo(c.at);
            app->ProcessMessages();
            bool hand = pending ? c.handPending : c.handReady;
            EXPECT_EQ(ws->Cursor(), hand ? CursorShape::HandPoint : CursorShape::Arrow);
        }
    }
}

TEST_F(ActionsTest, InstallGoesPendingThenTheTickStartsTheInstallerOnceAndEnds) {
    EXPECT_EQ(StateOf(), State::Ready);
    ClickAt(kInstall);
    EXPECT_EQ(StateOf(), State::Pending);
    EXPECT_EQ(ws->Cursor(), CursorShape::Arrow) << "the Install area shows the arrow at once";
    Wait(9);
    EXPECT_TRUE(ws->starts.empty()) << "no sooner than the 10 ms interval";
    EXPECT_FALSE(app->Terminated());
    Wait(1);
    ASSERT_EQ(ws->starts.size(), 1u);
    EXPECT_EQ(ws->starts[0].commandLine, "system\\setup.exe");
    EXPECT_EQ(ws->starts[0].showCommand, 0u);
    EXPECT_EQ(StateOf(), State::Ending);
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(ws->RunningTimers(), 0);
}

TEST_F(ActionsTest, ThePendingLookIsOnTheScreenWhenTheInstallerStarts) {
    ClickAt(kInstall);
    const TBitmap pendingLook = ws->Screen();
    Wait(10);
    ASSERT_EQ(ws->starts.size(), 1u);
    const TBitmap& atStart = ws->starts[0].screen;
    ASSERT_EQ(atStart.Width(), pendingLook.Width());
    for (int y = 0; y < atStart.Height(); ++y)
        for (int x = 0; x < atStart.Width(); ++x)
            ASSERT_EQ(atStart.Pixel(x, y), pendingLook.Pixel(x, y)) << x << "," << y;
    // And it is the pending look, not the ready one: the notice's red is there.
    int red = 0;
    for (int x = 248; x < 386; ++x) red += atStart.Pixel(x, 446) == Rgb{255, 0, 0};
    EXPECT_GT(red, 5);
}

TEST_F(ActionsTest, RepeatedClicksOnInstallStartOnce) {
    struct Case {
        const char* name;
        std::vector<Point> clicks;
    } cases[] = {
        {"double click", {kInstall, kInstall}},
        {"triple click", {kInstall, kInstall, kInstall}},
        {"then the top row", {kInstall, {200, 344}}},
        {"then the button's left edge", {kInstall, {123, 360}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        for (Point p : c.clicks) ws->Click(p);
        app->ProcessMessages();
        Wait(50);
        EXPECT_EQ(ws->starts.size(), 1u);
        EXPECT_TRUE(app->Terminated());
    }
}

TEST_F(ActionsTest, WaysToEndStartNothing) {
    struct Case {
        const char* name;
        bool installFirst;
        WindowEvent::Kind kind;
        Point at;
    } cases[] = {
        {"Exit", false, WindowEvent::Kind::ButtonUp, kExit},
        {"Exit while pending", true, WindowEvent::Kind::ButtonUp, kExit},
        {"close request", false, WindowEvent::Kind::Close, {}},
        {"close request while pending", true, WindowEvent::Kind::Close, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        if (c.installFirst) ClickAt(kInstall);
        if (c.kind == WindowEvent::Kind::Close) {
            WindowEvent close;
            close.kind = WindowEvent::Kind::Close;
            ws->Post(close);
            app->ProcessMessages();
        } else {
            ClickAt(c.at);
        }
        EXPECT_TRUE(app->Terminated());
        EXPECT_TRUE(ws->starts.empty());
    }
}

TEST_F(ActionsTest, OnlyALeftPressAndReleaseOverTheSameControlIsAClick) {
    struct Case {
        const char* name;
        Point press, release;
        int button;
        bool ends;
    } cases[] = {
        {"left on Exit", kExit, kExit, 1, true},
        {"right on Exit", kExit, kExit, 3, false},
        {"middle on Exit", kExit, kExit, 2, false},
        {"pressed on Exit, released outside", kExit, {600, 100}, 1, false},
        {"pressed outside, released on Exit", {600, 100}, kExit, 1, false},
        {"pressed on Install, released on Exit", kInstall, kExit, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        ws->Press(c.press, c.button);
        ws->MoveTo(c.release);
        ws->Release(c.release, c.button);
        app->ProcessMessages();
        EXPECT_EQ(app->Terminated(), c.ends);
        EXPECT_EQ(StateOf(), State::Ready);
    }
}

TEST_F(ActionsTest, NoTimerLeftIsReportedAndThePendingLookStays) {
    ws->timersLeft = 0;
    ClickAt(kInstall);
    ASSERT_EQ(ws->messageBoxes.size(), 1u);
    EXPECT_EQ(ws->messageBoxes[0].caption, app->Title());
    EXPECT_EQ(ws->messageBoxes[0].text, "Not enough timers available.");
    // Behind the box the window already shows the pending look: the pressed button's dark
    // inset and the red notice.
    const TBitmap& behind = ws->messageBoxes[0].screen;
    const TBitmap& pressed = Form1->Image4->Picture()->Graphic()->Bitmap();
    EXPECT_EQ(behind.Pixel(190, 350), pressed.Pixel(190 - 122, 350 - 345));
    int red = 0;
    for (int x = 248; x < 386; ++x) red += behind.Pixel(x, 446) == Rgb{255, 0, 0};
    EXPECT_GT(red, 5);
    EXPECT_FALSE(Form1->Image2->Enabled());
    EXPECT_TRUE(Form1->Image4->Visible());
    EXPECT_TRUE(Form1->Label1->Visible());
    EXPECT_EQ(ws->RunningTimers(), 0);
    Wait(100);
    EXPECT_TRUE(ws->starts.empty());
    EXPECT_FALSE(app->Terminated());
    ClickAt(kExit);
    EXPECT_TRUE(app->Terminated());
    EXPECT_TRUE(ws->starts.empty());
}

TEST(ReportText, AddsAFullStopAfterCharactersThatSortAfterIt) {
    struct Case {
        std::string message, shown;
    } cases[] = {
        {"Not enough timers available", "Not enough timers available."},
        {"Done.", "Done."},
        {"Why?", "Why?."},   // '?' sorts after '.'
        {"Stop!", "Stop!"},  // '!' sorts before it
        {"(see above)", "(see above)"},
        {"Error 42", "Error 42."},
        {"Tail-", "Tail-"},     // '-' sorts before '.'
        {"Slash/", "Slash/."},  // '/' right after '.'
        {"读取失败", "读取失败."},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ReportText(c.message), c.shown) << c.message;
}

TEST(Title, ComesFromTheProgramFileName) {
    struct Case {
        std::string path, title;
    } cases[] = {
        {"/media/cdrom/autorun", "autorun"},
        {"/media/cdrom/AUTORUN.EXE", "Autorun"},
        {"/tmp/Setup-Helper.bin", "Setup-helper"},
        {"/tmp/my.launcher.v2", "my"},
        {"relative/Launcher", "Launcher"},
        {"/x/.hidden", ""},
        {"plain", "plain"},
    };
    for (const Case& c : cases) EXPECT_EQ(TitleFromFileName(c.path), c.title) << c.path;
}

TEST(Centring, HalvesTheRoomLeftTowardZero) {
    struct Case {
        Rect monitor;
        Point at;
    } cases[] = {
        {{0, 0, 1024, 768}, {192, 143}}, {{0, 0, 800, 600}, {80, 59}},
        {{0, 0, 640, 480}, {0, 0}},  // (640-639)/2 and (480-481)/2 both round toward zero
        {{0, 0, 600, 400}, {-19, -40}},  {{1920, 0, 1280, 1024}, {2240, 271}},
        {{0, 0, 639, 481}, {0, 0}},
    };
    for (const Case& c : cases) {
        Point p = CenterOn(c.monitor, 639, 481);
        EXPECT_EQ(p.x, c.at.x) << c.monitor.w << "x" << c.monitor.h;
        EXPECT_EQ(p.y, c.at.y) << c.monitor.w << "x" << c.monitor.h;
    }
}

TEST_F(ActionsTest, WindowIsMadeBorderlessCentredAndTitledAtStart) {
    Start({0, 0, 800, 600});
    EXPECT_EQ(ws->Settings().bounds, (Rect{80, 59, 639, 481}));
    EXPECT_TRUE(ws->Settings().borderless);
    EXPECT_EQ(ws->Settings().title, app->Title());
    EXPECT_EQ(ws->Settings().iconWidth, 32);
    EXPECT_EQ(ws->Settings().iconArgb.size(), 32u * 32u);
    EXPECT_EQ(ws->ShownBounds(), (Rect{80, 59, 639, 481}));
}

}  // namespace

namespace {

// A timer made in code, not read from a definition, runs as soon as it is enabled, ticks every
// interval until disabled, and gives its platform timer back.
TEST_F(ActionsTest, ATimerMadeInCodeTicksUntilDisabled) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) { ++ticks; };
    timer.SetInterval(25);
    // Enabled by default: setting the interval (re)starts it, now that it has a handler.
    EXPECT_EQ(ws->RunningTimers(), 1);
    Wait(24);
    EXPECT_EQ(ticks, 0);
    Wait(1);
    EXPECT_EQ(ticks, 1);
    Wait(50);
    EXPECT_EQ(ticks, 3);
    timer.SetEnabled(false);
    Wait(100);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(ws->RunningTimers(), 0);
}

}  // namespace
