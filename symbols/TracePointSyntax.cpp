#include "symbols/TracePointSyntax.h"

#include <algorithm>
#include <limits>

#include "base/AsciiText.h"

namespace qv {

namespace {

// The position of the first character c at position 1 or later; npos when
// there is none (a separator at position 0 is taken as part of the text).
size_t FindAfterFirst(std::string_view text, char c) {
    const size_t position = text.find(c);
    return position == 0 ? std::string_view::npos : position;
}

size_t FindFirstBlankAfterFirst(std::string_view text) {
    for (size_t i = 1; i < text.size(); ++i) {
        if (IsBlank(text[i])) return i;
    }
    return std::string_view::npos;
}

ARGSPEC ReadArgumentDescription(std::string_view description) {
    ARGSPEC spec;
    const size_t star = FindAfterFirst(description, '*');
    if (star == std::string_view::npos) {
        spec.nSize = std::max(ReadDecimal(description), 0);
        return spec;
    }
    spec.nSize = std::max(ReadDecimal(TrimBlanks(description.substr(0, star))), 0);
    spec.nDepth = std::max(ReadDecimal(TrimBlanks(description.substr(star + 1))), 1);
    return spec;
}

ArgSpecMap ReadArgumentList(std::string_view argumentsText) {
    ArgSpecMap args;
    const size_t open = argumentsText.find('(');
    if (open == std::string_view::npos) return args;
    std::string_view rest = TrimBlanks(argumentsText.substr(open + 1));
    for (int32_t index = 0;; ++index) {
        const size_t comma = FindAfterFirst(rest, ',');
        if (comma != std::string_view::npos) {
            args[index] = ReadArgumentDescription(TrimBlanks(rest.substr(0, comma)));
            rest = TrimBlanks(rest.substr(comma + 1));
            continue;
        }
        const size_t close = rest.find(')');
        args[index] = ReadArgumentDescription(TrimBlanks(rest.substr(0, close)));
        return args;
    }
}

}  // namespace

int32_t ReadDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min<int64_t>(magnitude * 10 + (text[i] - '0'), kLimit);
    }
    if (negative) return static_cast<int32_t>(-magnitude);
    return static_cast<int32_t>(std::min<int64_t>(magnitude, kLimit - 1));
}

std::optional<uint64_t> ReadHexAddress(std::string_view body) {
    size_t i = 0;
    while (i < body.size() && IsBlank(body[i])) ++i;
    bool negative = false;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) negative = body[i++] == '-';
    // "0x" counts as a prefix only when a hex digit follows it.
    if (i + 2 < body.size() && body[i] == '0' && (body[i + 1] == 'x' || body[i + 1] == 'X') &&
        HexDigitValue(body[i + 2]) >= 0) {
        i += 2;
    }
    const HexPrefix read = ReadHexPrefix(body.substr(i));
    if (read.digits == 0 || i + read.digits != body.size() || read.overflow) return std::nullopt;
    uint64_t value = read.value;
    if (negative) value = 0 - value;
    if (value == 0) return std::nullopt;
    return value;
}

TracePointParse ParseTracePointSpec(std::string_view text) {
    TracePointParse result;
    text = TrimBlanks(text.substr(0, text.find('#')));
    if (text.empty()) {
        result.refusal = SpecRefusal::EmptyText;
        return result;
    }

    TracePointSpec spec;
    std::string_view body = text;
    const size_t bang = text.find('!');
    if (bang != std::string_view::npos) {
        spec.module = std::string(TrimBlanks(text.substr(0, bang)));
        body = TrimBlanks(text.substr(bang + 1));
    }
    if (spec.module.empty()) spec.module = kDefaultTraceModule;

    const size_t blank = FindFirstBlankAfterFirst(body);
    if (blank != std::string_view::npos) {
        spec.args = ReadArgumentList(TrimBlanks(body.substr(blank + 1)));
        body = TrimBlanks(body.substr(0, blank));
    }

    const size_t star = FindAfterFirst(body, '*');
    if (star != std::string_view::npos) {
        spec.stackDepth = std::max(ReadDecimal(TrimBlanks(body.substr(star + 1))), -1);
        body = TrimBlanks(body.substr(0, star));
    }

    const size_t plus = FindAfterFirst(body, '+');
    if (plus != std::string_view::npos) {
        spec.offset = std::max(ReadDecimal(TrimBlanks(body.substr(plus + 1))), 0);
        body = TrimBlanks(body.substr(0, plus));
    }

    if (body.empty()) {
        result.refusal = SpecRefusal::EmptyBody;
        return result;
    }
    spec.body = std::string(body);
    result.spec = std::move(spec);
    return result;
}

}  // namespace qv
