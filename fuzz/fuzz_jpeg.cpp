// Fuzzes JPEG picture loading: the header facts the build checks, and TJPEGImage's header read
// and full decode. A refusal must be a vcl::Exception; a decoded bitmap has the header's size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "vcl/Jpeg.h"
#include "vcl/SysUtils.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "fuzz_jpeg: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    vcl::JpegInfo info;
    bool haveInfo = false;
    try {
        info = vcl::ReadJpegInfo(bytes);
        haveInfo = true;
    } catch (const vcl::Exception&) {
    }

    vcl::TJPEGImage image;
    try {
        image.LoadFromBytes(bytes);
    } catch (const vcl::Exception&) {
        return 0;
    }
    // Both read the same header.
    if (!haveInfo) Broken("LoadFromBytes took a stream that ReadJpegInfo refused");
    if (info.width != image.Width() || info.height != image.Height())
        Broken("ReadJpegInfo and LoadFromBytes disagree on the size");
    try {
        const vcl::TBitmap& bitmap = image.Bitmap();
        if (bitmap.Width() != image.Width() || bitmap.Height() != image.Height())
            Broken("the decoded bitmap is not of the header's size");
    } catch (const vcl::Exception&) {
        // A header that reads but a body that does not decode.
    }
    return 0;
}
