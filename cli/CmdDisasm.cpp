// quorvane-cli disasm: lists a range of a file as 32-bit code in the
// function listing's line format, without a target (so no symbol or memory
// notes).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "base/ByteView.h"
#include "cli/CliCommand.h"
#include "core/TraceLog.h"
#include "disasm/FunctionListing.h"
#include "framework/headless/TextLogWindow.h"

namespace qv::cli {

namespace {

constexpr const char* kUsage = "disasm FILE [--offset N] [--length N] [--address HEX]";

struct DisasmOptions {
    std::string file;
    uint64_t offset = 0;
    std::optional<uint64_t> length;
    uint32_t address = 0;
};

// N is decimal, or hex with a 0x prefix; HEX is hex with or without it.
bool ParseNumber(const std::string& text, int base, uint64_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, base);
    return end != nullptr && *end == '\0';
}

std::optional<DisasmOptions> ParseOptions(const std::vector<std::string>& args) {
    DisasmOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        uint64_t value = 0;
        if (arg == "--offset" && hasValue) {
            if (!ParseNumber(args[++i], 0, options.offset)) return std::nullopt;
        } else if (arg == "--length" && hasValue) {
            if (!ParseNumber(args[++i], 0, value)) return std::nullopt;
            options.length = value;
        } else if (arg == "--address" && hasValue) {
            if (!ParseNumber(args[++i], 16, value) || value > UINT32_MAX) return std::nullopt;
            options.address = static_cast<uint32_t>(value);
        } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
            options.file = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.file.empty()) return std::nullopt;
    return options;
}

// The requested range of the file, cut at its end; nullopt when the file
// can't be read or the offset lies past its end.
std::optional<std::vector<uint8_t>> ReadRange(const DisasmOptions& options) {
    std::ifstream in(options.file, std::ios::binary | std::ios::ate);
    if (!in) return std::nullopt;
    const auto fileSize = static_cast<uint64_t>(static_cast<std::streamoff>(in.tellg()));
    if (options.offset > fileSize) return std::nullopt;
    uint64_t length = fileSize - options.offset;
    if (options.length && *options.length < length) length = *options.length;
    // The listing's offsets are 32-bit.
    if (length > UINT32_MAX) length = UINT32_MAX;
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    in.seekg(static_cast<std::streamoff>(options.offset));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
    return bytes;
}

int Run(const std::vector<std::string>& args) {
    const std::optional<DisasmOptions> options = ParseOptions(args);
    if (!options) {
        std::fprintf(stderr, "usage: quorvane-cli %s\n", kUsage);
        return kExitUsage;
    }
    const std::optional<std::vector<uint8_t>> bytes = ReadRange(*options);
    if (!bytes) {
        std::fprintf(stderr, "quorvane-cli disasm: cannot read %s at offset %llu\n", options->file.c_str(),
                     static_cast<unsigned long long>(options->offset));
        return kExitUsage;
    }
    CTextLogWindow window(stdout);
    ListFunction(ByteView(bytes->data(), bytes->size()), options->address, nullptr,
                 [&](const std::string& line) { WriteLog(kLogToWindow, false, true, &window, "%s", line.c_str()); });
    return kExitOk;
}

}  // namespace

static const CliCommand kCommand{"disasm", kUsage, &Run};

}  // namespace qv::cli
