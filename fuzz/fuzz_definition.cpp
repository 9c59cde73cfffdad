// Fuzzes the window-definition reader with the launcher's own form, its published fields and
// handlers, and its two real pictures: any refusal must be a vcl::Exception, and nothing leaks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Unit1.h"
#include "vcl/FormReader.h"
#include "vcl/Forms.h"
#include "vcl/SysUtils.h"
#include "vcl/offscreen/OffscreenWindowSystem.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadPicture(const char* name) {
    const std::string path = std::string(AUTORUN_SOURCE_DIR) + "/resources/" + name;
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.empty()) {
        std::fprintf(stderr, "fuzz_definition: cannot read %s\n", path.c_str());
        std::abort();
    }
    return bytes;
}

// The pictures the launcher's definition names, read once; every other name is missing.
std::span<const std::uint8_t> LookUp(std::string_view name) {
    static const Bytes background = ReadPicture("background.jpg");
    static const Bytes pressed = ReadPicture("install-pressed.jpg");
    if (name == "background.jpg") return background;
    if (name == "install-pressed.jpg") return pressed;
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = (vcl::RegisterStandardClasses(), true);
    (void)registered;
    // A fresh application per input, so a timer the definition enables starts in memory rather
    // than on a display, and nothing carries over to the next input. The form goes first.
    vcl::TApplication application(std::make_unique<vcl::OffscreenWindowSystem>());
    TForm1 form(nullptr);
    try {
        vcl::ReadDefinition(form, {reinterpret_cast<const char*>(data), size}, TForm1::Published,
                            LookUp);
    } catch (const vcl::Exception&) {
        // A refused definition is the expected outcome for most inputs.
    }
    return 0;
}
