// What the window shows, checked pixel by pixel against what the pictures and the layout say
// it must show, computed here from the decoded pictures.
#include <gtest/gtest.h>

#include "tests/LauncherFixture.h"

namespace {

// The background as a nearest-neighbour stretch onto the client rectangle would show it.
Rgb Stretched(const TBitmap& picture, int x, int y, int width, int height) {
    return picture.Pixel(int(std::int64_t(x) * picture.Width() / width),
                         int(std::int64_t(y) * picture.Height() / height));
}

// Counts the pixels that differ from the stretched background, outside the given rectangles.
int BackgroundMismatches(const TBitmap& screen, TBitmap const& background,
                         std::initializer_list<Rect> except = {}) {
    int mismatches = 0;
    for (int y = 0; y < screen.Height(); ++y)
        for (int x = 0; x < screen.Width(); ++x) {
            bool skipped = false;
            for (const Rect& r : except) skipped |= r.Contains({x, y});
            if (!skipped && !(screen.Pixel(x, y) ==
                              Stretched(background, x, y, screen.Width(), screen.Height())))
                ++mismatches;
        }
    return mismatches;
}

using PaintTest = Launcher;

TEST_F(PaintTest, ReadyLookIsTheStretchedBackgroundEverywhere) {
    const TBitmap& screen = ws->Screen();
    ASSERT_EQ(screen.Width(), 639);
    ASSERT_EQ(screen.Height(), 481);
    const TBitmap& background = Form1->Image1->Picture()->Graphic()->Bitmap();
    ASSERT_EQ(background.Width(), 640);
    ASSERT_EQ(background.Height(), 480);
    EXPECT_EQ(BackgroundMismatches(screen, background), 0);

    // Corners and the seams where the stretch drops a column and doubles a row.
    struct Case {
        Point at;
        Point source;
    } cases[] = {
        {{0, 0}, {0, 0}},         {{638, 0}, {638, 0}},     {{0, 480}, {0, 479}},
        {{638, 480}, {638, 479}}, {{319, 240}, {319, 239}}, {{320, 241}, {320, 240}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(screen.Pixel(c.at.x, c.at.y), background.Pixel(c.source.x, c.source.y))
            << "at " << c.at.x << "," << c.at.y;
}

TEST_F(PaintTest, PendingLookAddsThePressedButtonAndARedNoticeOnly) {
    ClickAt(kInstall);
    const TBitmap& screen = ws->Screen();
    const TBitmap& background = Form1->Image1->Picture()->Graphic()->Bitmap();
    const TBitmap& pressed = Form1->Image4->Picture()->Graphic()->Bitmap();
    const Rect button{122, 345, 135, 57};
    ASSERT_EQ(Form1->Image4->BoundsRect(), button);

    for (int y = 0; y < button.h; ++y)
        for (int x = 0; x < button.w; ++x)
            ASSERT_EQ(screen.Pixel(button.x + x, button.y + y), pressed.Pixel(x, y))
                << "button pixel " << x << "," << y;

    // The notice draws only red glyph pixels, all inside the label, on the background.
    const Rect label = Form1->Label1->BoundsRect();
    int red = 0;
    for (int y = label.y; y < label.y + label.h; ++y)
        for (int x = label.x; x < label.x + label.w; ++x) {
            Rgb p = screen.Pixel(x, y);
            if (p == Rgb{255, 0, 0})
                ++red;
            else
                ASSERT_EQ(p, Stretched(background, x, y, 639, 481))
                    << "notice pixel " << x << "," << y;
        }
    EXPECT_GT(red, 150) << "the notice should be legible";
    EXPECT_EQ(BackgroundMismatches(screen, background, {button, label}), 0);
}

TEST_F(PaintTest, NoticeIsSizedToItsTextOnItsFirstPaint) {
    EXPECT_EQ(Form1->Label1->BoundsRect(), (Rect{248, 440, 138, 13})) << "as defined, before";
    ClickAt(kInstall);
    const Rect label = Form1->Label1->BoundsRect();
    EXPECT_EQ(label.x, 248);
    EXPECT_EQ(label.y, 440);
    EXPECT_GT(label.w, 100);
    EXPECT_LT(label.w, 180);
    EXPECT_GE(label.h, 12);
    EXPECT_LE(label.h, 18);
}

TEST_F(PaintTest, MaximisedOnlyTheBackgroundGrows) {
    Start({0, 0, 1280, 1024}, ShowCommand::Maximized);
    EXPECT_EQ(ws->ShownBounds(), (Rect{0, 0, 1280, 1024}));
    EXPECT_EQ(Form1->Image1->BoundsRect(), (Rect{0, 0, 1280, 1024}));
    EXPECT_EQ(Form1->Image2->BoundsRect(), (Rect{128, 344, 129, 57}));
    EXPECT_EQ(Form1->Image3->BoundsRect(), (Rect{384, 344, 121, 57}));
    EXPECT_EQ(Form1->Image4->BoundsRect(), (Rect{122, 345, 135, 57}));
    const TBitmap& background = Form1->Image1->Picture()->Graphic()->Bitmap();
    EXPECT_EQ(BackgroundMismatches(ws->Screen(), background), 0);
}

TEST_F(PaintTest, ExposedAreasArePaintedAgainFromTheKeptPictures) {
    const TBitmap before = ws->Screen();
    WindowEvent expose;
    expose.kind = WindowEvent::Kind::Expose;
    expose.area = {100, 100, 50, 50};
    ws->Post(expose);
    app->ProcessMessages();
    for (int y = 0; y < 481; y += 7)
        for (int x = 0; x < 639; x += 7) ASSERT_EQ(ws->Screen().Pixel(x, y), before.Pixel(x, y));
}

}  // namespace
