// Fuzzes the icon reader at the sizes a window system asks for. A refusal must be a
// vcl::Exception; a picture it returns holds exactly width x height pixels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "vcl/Icon.h"
#include "vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // The smallest entry, the launcher's own size, and the largest.
    for (int wanted : {1, 32, 256}) {
        try {
            const vcl::IconImage icon = vcl::ReadIcon(bytes, wanted);
            if (icon.width < 1 || icon.height < 1 ||
                icon.argb.size() != std::size_t(icon.width) * std::size_t(icon.height)) {
                std::fprintf(stderr, "fuzz_icon: %d x %d picture with %zu pixels\n", icon.width,
                             icon.height, icon.argb.size());
                std::abort();
            }
        } catch (const vcl::Exception&) {
        }
    }
    return 0;
}
