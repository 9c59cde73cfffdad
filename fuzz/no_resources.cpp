// The fuzz programs embed no resources; the component layer still refers to the table.
#include "vcl/Resources.h"

std::span<const vcl::ResourceEntry> vcl::ProgramResources() {
    return {};
}
