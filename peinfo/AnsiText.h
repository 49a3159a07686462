// UTF-16 names from PE files (resource names, MISC debug records) turned into
// the 8-bit text the log shows. Characters of the Latin-1 range keep their
// code (the common Western ANSI code page agrees there); any other character
// becomes '?', the converter's default character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/ByteView.h"

namespace qv {

// `count` UTF-16 units at offset, at most maxBytes of them converted;
// nothing when the units don't lie inside the view.
std::optional<std::string> Utf16ToAnsi(ByteView view, uint64_t offset, uint64_t count, size_t maxBytes);
// A NUL-terminated UTF-16 string at offset that ends inside the view.
std::optional<std::string> Utf16ZToAnsi(ByteView view, uint64_t offset);

}  // namespace qv
