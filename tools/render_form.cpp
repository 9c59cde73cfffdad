// Draws the launcher window to a PNG file through the off-screen window system, as it looks
// ready or after Install was chosen, so it can be seen (and compared) without a display.
//
//   render_form [--pending] [--maximized WxH] out.png
#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Unit1.h"
#include "vcl/offscreen/OffscreenWindowSystem.h"

namespace {

bool WritePng(const char* path, const TBitmap& bitmap) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "wb"), std::fclose);
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(bitmap.Width()), png_uint_32(bitmap.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < bitmap.Height(); ++y)
        png_write_row(png, const_cast<png_bytep>(bitmap.ScanLine(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: render_form [--pending] [--maximized WxH] out.png\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool pending = false;
    Rect monitor{0, 0, 1024, 768};
    bool maximized = false;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pending")) {
            pending = true;
        } else if (!std::strcmp(argv[i], "--maximized") && i + 1 < argc) {
            maximized = std::sscanf(argv[++i], "%dx%d", &monitor.w, &monitor.h) == 2;
            if (!maximized || monitor.w < 1 || monitor.h < 1) return Usage();
        } else if (argv[i][0] != '-' && !out) {
            out = argv[i];
        } else {
            return Usage();
        }
    }
    if (!out) return Usage();

    auto screen = std::make_unique<OffscreenWindowSystem>(monitor);
    OffscreenWindowSystem& ws = *screen;
    TApplication app(std::move(screen));
    try {
        app.Initialize();
        if (maximized) app.ShowCmd = ShowCommand::Maximized;
        app.CreateForm(Form1);
        // The real path: shown, exposed, painted; then Install clicked as a user would.
        app.ShowMainForm();
        app.ProcessMessages();
        if (pending) {
            Rect install = Form1->Image2->BoundsRect();
            ws.Click({install.x + install.w / 2, install.y + install.h / 2});
            app.ProcessMessages();
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "render_form: %s\n", e.Message().c_str());
        return 1;
    }
    if (!WritePng(out, ws.Screen())) {
        std::fprintf(stderr, "render_form: cannot write %s\n", out);
        return 1;
    }
    return 0;
}
