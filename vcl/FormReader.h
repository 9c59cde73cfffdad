// Reads a window definition (the text form of the object tree with its properties) into a form.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "vcl/Classes.h"

namespace vcl {

// Finds the bytes of a picture file the definition names; empty when there is none.
using TFileLookup = std::function<std::span<const std::uint8_t>(std::string_view fileName)>;

// Creates the definition's components in order with form as owner and parent, sets every
// property, binds each component to the field of its name and each event to the named
// handler, as published lists them. Throws EReadError naming the line at fault.
void ReadDefinition(TComponent& form, std::string_view text, const TPublished& published,
                    const TFileLookup& files);

}  // namespace vcl
