// The launcher as built, on the off-screen window system: created, shown and painted.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Unit1.h"
#include "vcl/offscreen/OffscreenWindowSystem.h"

class Launcher : public ::testing::Test {
protected:
    void Start(Rect monitor = {0, 0, 1024, 768}, ShowCommand show = ShowCommand::Normal) {
        app.reset();  // one application at a time, the old one gone before the new one
        auto system = std::make_unique<OffscreenWindowSystem>(monitor);
        ws = system.get();
        app = std::make_unique<TApplication>(std::move(system));
        app->Initialize();
        app->ShowCmd = show;
        app->CreateForm(Form1);
        app->ShowMainForm();
        app->ProcessMessages();
    }
    void SetUp() override { Start(); }

    // A user's click: move there, press, release; then the loop catches up.
    void ClickAt(Point p) {
        ws->Click(p);
        app->ProcessMessages();
    }
    void Wait(unsigned ms) {
        ws->AdvanceTime(ms);
        app->ProcessMessages();
    }

    static constexpr Point kInstall{190, 370};
    static constexpr Point kExit{440, 370};

    OffscreenWindowSystem* ws = nullptr;
    std::unique_ptr<TApplication> app;
};
