// TJPEGImage over libjpeg: one C-style pass of the library per header read or decode; its errors
// jump back into a frame that owns nothing and are thrown once the pass has returned.
#include "vcl/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

// jpeglib.h expects size_t and FILE to be declared before it; jerror.h names the warnings.
#include <jerror.h>
#include <jpeglib.h>

#include "vcl/SysUtils.h"

namespace vcl {
namespace {

// The library's error manager first, so the pointer the library holds is also ours.
struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    cinfo->err->format_message(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

// Warnings about damaged picture data (a cut-off stream, a bad code, a lost marker) mean the
// picture would show garbage, so they fail like errors. Odd metadata is let through, silently:
// nothing of the library may reach stderr.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output
    switch (cinfo->err->msg_code) {
        case JWRN_ADOBE_XFORM:
        case JWRN_JFIF_MAJOR:
        case JWRN_BOGUS_ICC:
            return;
        default:
            JumpOnError(cinfo);
    }
}

void Silent(j_common_ptr) {}

// One pass: what to read, where the rows go when decoding, and what came out. The library's
// state lives here, outside RunLibrary's frame, because locals changed between setjmp and
// longjmp are indeterminate after the jump.
struct Pass {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool decode = false;
    std::uint8_t* pixels = nullptr;  // width * height * 3 bytes, sized from the header beforehand
    JpegInfo info;
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
};

void ReadFacts(const jpeg_decompress_struct& cinfo, JpegInfo& info) {
    info.width = int(cinfo.image_width);
    info.height = int(cinfo.image_height);
    info.components = cinfo.num_components;
    info.jfif = cinfo.saw_JFIF_marker;
    // The 62 interface does not tell SOF0 from an 8-bit Huffman SOF1; both decode the same way.
    info.baseline = !cinfo.progressive_mode && !cinfo.arith_code && cinfo.data_precision == 8;
    info.subsampled = false;
    for (int i = 1; i < cinfo.num_components; ++i)
        if (cinfo.comp_info[i].h_samp_factor != cinfo.comp_info[0].h_samp_factor ||
            cinfo.comp_info[i].v_samp_factor != cinfo.comp_info[0].v_samp_factor)
            info.subsampled = true;
}

// Runs the library over pass->data. Nothing in this frame has a destructor, so error_exit may
// jump back into it; the decompressor is destroyed on both paths. Returns false with
// pass->trap.message set when the library refused the stream.
bool RunLibrary(Pass* pass) {
    jpeg_decompress_struct& cinfo = pass->cinfo;
    ErrorTrap& trap = pass->trap;
    // A zeroed struct lets jpeg_destroy_decompress run even if creation itself failed.
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JumpOnError;
    trap.manager.emit_message = OnMessage;
    trap.manager.output_message = Silent;
    trap.message[0] = '\0';
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, pass->data, static_cast<unsigned long>(pass->size));
    jpeg_read_header(&cinfo, TRUE);
    ReadFacts(cinfo, pass->info);
    if (pass->decode) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = 1;
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = std::size_t(cinfo.output_width) * 3;
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pass->pixels + std::size_t(cinfo.output_scanline) * stride;
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) ERREXIT(&cinfo, JERR_INPUT_EOF);
        }
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    return true;
}

void Run(Pass& pass) {
    if (!RunLibrary(&pass))
        throw EInvalidGraphic(std::string("Cannot read JPEG picture: ") + pass.trap.message);
}

}  // namespace

void TJPEGImage::LoadFromBytes(std::span<const std::uint8_t> bytes) {
    Pass pass;
    pass.data = bytes.data();
    pass.size = bytes.size();
    Run(pass);
    // A window's picture never needs more; a forged header must not make us ask for gigabytes.
    constexpr int kMaxSide = 8192;
    if (pass.info.width > kMaxSide || pass.info.height > kMaxSide)
        throw EInvalidGraphic("JPEG picture too large: " + std::to_string(pass.info.width) + " x " +
                              std::to_string(pass.info.height) + " pixels, at most 8192 x 8192");
    stream_.assign(bytes.begin(), bytes.end());
    width_ = pass.info.width;
    height_ = pass.info.height;
    bitmap_ = TBitmap();
    decoded_ = false;
}

const TBitmap& TJPEGImage::Bitmap() {
    if (decoded_) return bitmap_;
    // The header of this very stream gave width_ and height_, so the rows fit at scale 1/1.
    bitmap_.SetSize(width_, height_);
    Pass pass;
    pass.data = stream_.data();
    pass.size = stream_.size();
    pass.decode = true;
    pass.pixels = bitmap_.ScanLine(0);
    try {
        Run(pass);
    } catch (...) {
        bitmap_ = TBitmap();
        throw;
    }
    decoded_ = true;
    return bitmap_;
}

JpegInfo ReadJpegInfo(std::span<const std::uint8_t> bytes) {
    Pass pass;
    pass.data = bytes.data();
    pass.size = bytes.size();
    Run(pass);
    return pass.info;
}

}  // namespace vcl
