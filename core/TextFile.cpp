#include "core/TextFile.h"

#include "platform/Platform.h"

namespace qv {

std::optional<std::vector<std::string>> ReadTextFileLines(const std::string& path) {
    IPlatform& platform = Platform();
    const Handle file = platform.OpenFileForRead(path.c_str(), kFileShareRead);
    if (file == kNullHandle) return std::nullopt;
    std::string content;
    char chunk[64 * 1024];
    uint32_t bytesRead = 0;
    while (platform.ReadFile(file, chunk, sizeof chunk, bytesRead) && bytesRead > 0) content.append(chunk, bytesRead);
    platform.CloseHandle(file);

    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (const size_t nul = line.find('\0'); nul != std::string::npos) line.resize(nul);
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace qv
