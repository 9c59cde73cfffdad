// A small program on the X11 window system for the end-to-end scripts: a window that shows a
// known gradient (also written to a PPM file to compare screenshots with) and, with --box, puts
// up a message box with that text once shown. It says on stdout what reaches its loop.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "vcl/SysUtils.h"
#include "vcl/x11/X11WindowSystem.h"

using namespace vcl;

namespace {

TBitmap Gradient(int width, int height) {
    TBitmap frame(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = frame.ScanLine(y) + x * 3;
            p[0] = std::uint8_t(x * 255 / (width - 1));
            p[1] = std::uint8_t(y * 255 / (height - 1));
            p[2] = std::uint8_t((x + y) % 256);
        }
    return frame;
}

void WritePpm(const TBitmap& frame, const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) throw Exception(std::string("cannot write ") + path);
    std::fprintf(file, "P6\n%d %d\n255\n", frame.Width(), frame.Height());
    for (int y = 0; y < frame.Height(); ++y)
        std::fwrite(frame.ScanLine(y), 1, frame.Stride(), file);
    std::fclose(file);
}

void Say(const char* what) {
    std::printf("%s\n", what);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: x11_probe FRAME.ppm [--box TEXT]\n");
        return 2;
    }
    const char* boxText = argc > 3 && std::strcmp(argv[2], "--box") == 0 ? argv[3] : nullptr;
    try {
        x11::X11WindowSystem windows;
        Rect screen = windows.PrimaryMonitor();
        Rect bounds{(screen.w - 639) / 2, (screen.h - 481) / 2, 639, 481};
        TBitmap frame = Gradient(bounds.w, bounds.h);
        WritePpm(frame, argv[1]);
        WindowSettings settings;
        settings.bounds = bounds;
        settings.title = "probe";
        windows.CreateWindow(settings);
        windows.ShowWindow(ShowCommand::Normal, bounds);
        for (;;) {
            WindowEvent event = windows.WaitEvent(-1);
            switch (event.kind) {
                case WindowEvent::Kind::Expose:
                    windows.Present(frame, event.area);
                    Say("painted");
                    if (boxText) {
                        windows.MessageBox("Box", std::exchange(boxText, nullptr));
                        Say("dismissed");
                    }
                    break;
                case WindowEvent::Kind::ButtonDown:
                    Say("input");
                    break;
                case WindowEvent::Kind::Close:
                    Say("close");
                    return 0;
                default:
                    break;
            }
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "x11_probe: %s\n", e.Message().c_str());
        return 1;
    }
}
