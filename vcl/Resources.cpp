// Looks up the data built into the program by name; the table is a handful of entries.
#include "vcl/Resources.h"

namespace vcl {

std::span<const std::uint8_t> FindResource(std::string_view name) {
    for (const ResourceEntry& entry : ProgramResources()) {
        if (entry.name == name) return entry.data;
    }
    return {};
}

}  // namespace vcl
