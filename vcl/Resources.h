// Data built into the program: the window definition, its pictures and the icon.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vcl {

struct ResourceEntry {
    std::string_view name;
    std::span<const std::uint8_t> data;
};

// The program's table, generated at build time from resources/.
std::span<const ResourceEntry> ProgramResources();

// The named resource's bytes; empty when there is none.
std::span<const std::uint8_t> FindResource(std::string_view name);

}  // namespace vcl
