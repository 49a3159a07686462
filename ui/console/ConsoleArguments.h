// The arguments of the console's memory and symbol commands, read from the
// text that follows the keyword. Pure: nothing here touches the target.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::console {

// "$peek$" address [size[*indirection]]
struct PeekRequest {
    uint64_t address = 0;
    int32_t size = 0;
    int32_t depth = 0;
};
std::optional<PeekRequest> ParsePeek(std::string_view argument);

// "$poke$" address hexbytes; the bytes are the pairs of digits, a last odd
// digit left out. Nothing when any pair is not hexadecimal, so that no byte
// is written that the user did not type.
struct PokeRequest {
    uint64_t address = 0;
    std::vector<uint8_t> bytes;
    std::string typed;  // the byte text as typed, trimmed
};
std::optional<PokeRequest> ParsePoke(std::string_view argument);

// "[module!]name": a "!" after the first character splits off the module;
// otherwise the module is the server's executable.
struct QualifiedName {
    std::string module;
    std::string name;
};
QualifiedName SplitModuleName(std::string_view text);

// A target address as the console reads one: hexadecimal with an optional
// "0x", nothing left over, not 0.
std::optional<uint64_t> ReadConsoleAddress(std::string_view text);

}  // namespace qv::console
