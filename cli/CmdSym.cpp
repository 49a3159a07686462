// quorvane-cli sym: a symbol file lookup as the tracer makes it, for a
// module file loaded at a given base, without a target.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "base/ByteView.h"
#include "base/PeImage.h"
#include "cli/CliCommand.h"
#include "core/MappedFile.h"
#include "core/TraceLog.h"
#include "framework/headless/TextLogWindow.h"
#include "symbols/SymbolFileCache.h"

namespace qv::cli {

namespace {

constexpr const char* kUsage =
    "sym SYMFILE --image PEFILE --base HEX [--version N] [--debug] (--name FUNCTION | --address HEX)";

struct SymOptions {
    std::string symbolFile;
    std::string imageFile;
    uint64_t base = 0;
    int32_t version = 11;
    bool debug = false;
    std::optional<std::string> name;
    std::optional<uint64_t> address;
};

struct ImageHeaders {
    uint32_t sizeOfImage = 0;
    uint32_t timeDateStamp = 0;
};

bool ParseHex(const std::string& text, uint64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, 16);
    return end != nullptr && *end == '\0';
}

bool ParseDecimal(const std::string& text, int32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    value = static_cast<int32_t>(parsed);
    return end != nullptr && *end == '\0';
}

std::optional<SymOptions> ParseOptions(const std::vector<std::string>& args) {
    SymOptions options;
    bool haveBase = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--debug") {
            options.debug = true;
        } else if (arg == "--image" && hasValue) {
            options.imageFile = args[++i];
        } else if (arg == "--base" && hasValue) {
            if (!ParseHex(args[++i], options.base)) return std::nullopt;
            haveBase = true;
        } else if (arg == "--version" && hasValue) {
            if (!ParseDecimal(args[++i], options.version)) return std::nullopt;
        } else if (arg == "--name" && hasValue) {
            options.name = args[++i];
        } else if (arg == "--address" && hasValue) {
            uint64_t address = 0;
            if (!ParseHex(args[++i], address)) return std::nullopt;
            options.address = address;
        } else if (!arg.empty() && arg[0] != '-' && options.symbolFile.empty()) {
            options.symbolFile = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.symbolFile.empty() || options.imageFile.empty() || !haveBase ||
        options.name.has_value() == options.address.has_value()) {
        return std::nullopt;
    }
    return options;
}

// Image size and link time stamp from the module file's headers.
std::optional<ImageHeaders> ReadImageHeaders(const std::string& path) {
    MAPPEDFILE mapping;
    if (!MapFileReadOnly(path, mapping)) return std::nullopt;
    const ByteView image = mapping.View();
    std::optional<ImageHeaders> headers;
    const auto fileHeader = GetFileHeader(image);
    const auto optionalHeader = GetOptionalHeader(image);
    if (fileHeader && optionalHeader) {
        const auto timeStamp = image.Get<uint32_t>(*fileHeader + kFhTimeDateStamp);
        const auto sizeOfImage = image.Get<uint32_t>(*optionalHeader + kOhSizeOfImage);
        if (timeStamp && sizeOfImage) headers = ImageHeaders{*sizeOfImage, *timeStamp};
    }
    UnmapFile(mapping);
    return headers;
}

int Run(const std::vector<std::string>& args) {
    const auto options = ParseOptions(args);
    if (!options) {
        std::fprintf(stderr, "usage: quorvane-cli %s\n", kUsage);
        return kExitUsage;
    }
    const auto headers = ReadImageHeaders(options->imageFile);
    if (!headers) {
        std::fprintf(stderr, "quorvane-cli sym: %s is not a readable PE image\n", options->imageFile.c_str());
        return kExitUsage;
    }

    SymbolFileContext context;
    context.path = options->symbolFile;
    context.moduleName = std::string(PathFileName(options->imageFile));
    context.moduleBase = options->base;
    context.imageSize = headers->sizeOfImage;
    context.imageTimeStamp = headers->timeDateStamp;

    SymbolMessages messages;
    std::string answer;
    if (const auto table = OpenSymbolFile(options->symbolFile, options->version >= 11, messages)) {
        if (options->name) {
            uint64_t length = 0;
            const uint64_t address = LookupSymbolName(table->get(), context, *options->name, &length, messages);
            if (address != 0) {
                char line[64];
                std::snprintf(line, sizeof line, "%llX %llu\r\n", static_cast<unsigned long long>(address),
                              static_cast<unsigned long long>(length));
                answer = line;
            }
        } else if (auto text = LookupSymbolAddress(table->get(), context, *options->address, nullptr, messages)) {
            answer = *text + "\r\n";
        }
    }

    CTextLogWindow window(stdout);
    if (options->debug) {
        for (const std::string& message : messages) WriteLog(kLogToWindow, false, true, &window, "%s", message.c_str());
    }
    if (answer.empty()) return kExitNotFound;
    WriteLog(kLogToWindow, false, true, &window, "%s", answer.c_str());
    return kExitOk;
}

const CliCommand kCommand{"sym", kUsage, &Run};

}  // namespace

}  // namespace qv::cli
