#include "ui/console/ConsoleArguments.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "symbols/TracePointSyntax.h"

namespace qv::console {

namespace {

// The argument split at its first blank, both parts trimmed; nothing when
// there is no blank or it comes first.
struct Split {
    std::string_view before;
    std::string_view after;
};
std::optional<Split> SplitAtBlank(std::string_view argument) {
    const size_t blank = argument.find(' ');
    if (blank == std::string_view::npos || blank == 0) return std::nullopt;
    return Split{TrimBlanks(argument.substr(0, blank)), TrimBlanks(argument.substr(blank + 1))};
}

}  // namespace

std::optional<uint64_t> ReadConsoleAddress(std::string_view text) {
    const std::optional<uint64_t> address = ReadWholeHex(text, true);
    if (!address || *address == 0) return std::nullopt;
    return address;
}

std::optional<PeekRequest> ParsePeek(std::string_view argument) {
    const std::optional<Split> split = SplitAtBlank(argument);
    const std::optional<uint64_t> address = ReadConsoleAddress(split ? split->before : argument);
    if (!address) return std::nullopt;
    PeekRequest request{*address, 0, 0};
    if (!split) return request;
    const std::string_view sizeText = split->after;
    const size_t star = sizeText.find('*');
    if (star != std::string_view::npos && star > 0) {
        request.size = ReadDecimal(TrimBlanks(sizeText.substr(0, star)));
        request.depth = std::max(ReadDecimal(TrimBlanks(sizeText.substr(star + 1))), 1);
    } else {
        request.size = ReadDecimal(sizeText);
    }
    request.size = std::max(request.size, 0);
    return request;
}

std::optional<PokeRequest> ParsePoke(std::string_view argument) {
    const std::optional<Split> split = SplitAtBlank(argument);
    if (!split) return std::nullopt;
    const std::optional<uint64_t> address = ReadConsoleAddress(split->before);
    if (!address) return std::nullopt;
    PokeRequest request{*address, {}, std::string(split->after)};
    for (size_t i = 0; i + 1 < split->after.size(); i += 2) {
        const int high = HexDigitValue(split->after[i]);
        const int low = HexDigitValue(split->after[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        request.bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    if (request.bytes.empty()) return std::nullopt;
    return request;
}

QualifiedName SplitModuleName(std::string_view text) {
    const size_t bang = text.find('!');
    if (bang == std::string_view::npos || bang == 0) return {kDefaultTraceModule, std::string(text)};
    return {std::string(text.substr(0, bang)), std::string(text.substr(bang + 1))};
}

}  // namespace qv::console
