// quorvane-cli tracepoints: how each line of a trace point file parses, or
// why the tracer would skip it, without a target.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "cli/CliCommand.h"
#include "symbols/TracePointSyntax.h"

namespace qv::cli {

namespace {

constexpr const char* kUsage = "tracepoints FILE [...]";

std::string DescribeArguments(const ArgSpecMap& args) {
    if (args.empty()) return "none";
    std::string text;
    for (const auto& [index, spec] : args) {
        if (!text.empty()) text += ", ";
        text += "#" + std::to_string(index) + " size " + std::to_string(spec.nSize);
        if (spec.nDepth > 0) text += " depth " + std::to_string(spec.nDepth);
    }
    return text;
}

std::string DescribeStackDepth(int32_t depth) {
    if (depth == -1) return "whole stack";
    if (depth == 0) return "none";
    return std::to_string(depth) + " frames";
}

std::string DescribeTarget(const TracePointSpec& spec) {
    const auto address = ReadHexAddress(spec.body);
    if (!address) {
        std::string description = "function " + spec.body + " in module " + spec.module;
        if (spec.body.find('(') != std::string::npos) {
            description += " (an argument list needs a blank before its \"(\")";
        }
        return description;
    }
    char text[160];
    std::snprintf(text, sizeof text, "address 0x%llX (in whichever module holds it; a written module is ignored)",
                  static_cast<unsigned long long>(*address));
    return text;
}

void DescribeLine(const std::string& file, int lineNumber, const std::string& line) {
    std::printf("%s:%d: %s\n", file.c_str(), lineNumber, std::string(TrimBlanks(line)).c_str());
    const TracePointParse parse = ParseTracePointSpec(line);
    switch (parse.refusal) {
        case SpecRefusal::EmptyText:
            std::printf("    skipped: empty or comment only\n");
            return;
        case SpecRefusal::EmptyBody:
            std::printf("    refused: no function name or address after the module\n");
            return;
        case SpecRefusal::None:
            break;
    }
    const TracePointSpec& spec = *parse.spec;
    std::printf("    target:      %s\n", DescribeTarget(spec).c_str());
    std::printf("    offset:      %d\n", spec.offset);
    std::printf("    stack depth: %s\n", DescribeStackDepth(spec.stackDepth).c_str());
    std::printf("    arguments:   %s\n", DescribeArguments(spec.args).c_str());
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fprintf(stderr, "usage: quorvane-cli %s\n", kUsage);
        return kExitUsage;
    }
    int status = kExitOk;
    for (const std::string& file : args) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "quorvane-cli tracepoints: can't read %s\n", file.c_str());
            status = kExitUsage;
            continue;
        }
        std::string line;
        for (int lineNumber = 1; std::getline(in, line); ++lineNumber) DescribeLine(file, lineNumber, line);
    }
    return status;
}

const CliCommand kCommand{"tracepoints", kUsage, &Run};

}  // namespace

}  // namespace qv::cli
