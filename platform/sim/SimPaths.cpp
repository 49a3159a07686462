// Windows paths over a host folder: "X:\a\b" lives at hostRoot/X/a/b, a path
// that starts with '/' is a host path, anything else is relative to the
// current directory. Drives are the single-letter folders of hostRoot.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "base/AsciiText.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace detail {

namespace {

bool IsDriveForm(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The components of a path, with "." dropped and ".." applied.
std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

// dir/part as given; when that doesn't exist but an entry of dir matches it
// ignoring case, that entry (Windows names are case-insensitive).
std::filesystem::path Child(const std::filesystem::path& dir, const std::string& part) {
    std::error_code error;
    std::filesystem::path exact = dir / part;
    if (std::filesystem::exists(exact, error)) return exact;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (EqualsIgnoreCase(it->path().filename().string(), part)) return it->path();
    }
    return exact;
}

std::string DeviceName(char letter) {
    if (letter < 'C') return "\\Device\\Floppy" + std::to_string(letter - 'A');
    return "\\Device\\HarddiskVolume" + std::to_string(letter - 'B');
}

std::string Backslashed(std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

}  // namespace

ResolvedPath State::Resolve(const std::string& path) const {
    if (!path.empty() && path[0] == '/') {
        std::string slashed = path;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        const std::filesystem::path host = std::filesystem::path(slashed).lexically_normal();
        return {WindowsPathOf(host), host};
    }
    if (!path.empty() && path[0] == '\\' && IsDriveForm(currentDirectory)) {
        // Rooted on the current drive.
        return Resolve(currentDirectory.substr(0, 2) + path);
    }
    if (!IsDriveForm(path)) {
        const char separator = (!currentDirectory.empty() && currentDirectory[0] == '/') ? '/' : '\\';
        std::string joined = currentDirectory;
        if (!joined.empty() && !IsSeparator(joined.back())) joined += separator;
        return Resolve(joined + path);
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    std::string windows = std::string(1, letter) + ":";
    std::filesystem::path host = hostRoot / std::string(1, letter);
    const std::vector<std::string> parts = Components(std::string_view(path).substr(2));
    if (parts.empty()) windows += "\\";
    for (const std::string& part : parts) {
        windows += "\\" + part;
        host = Child(host, part);
    }
    return {windows, host};
}

std::string State::WindowsPathOf(const std::filesystem::path& hostPath) const {
    const std::filesystem::path relative = hostPath.lexically_normal().lexically_relative(hostRoot.lexically_normal());
    auto it = relative.begin();
    if (!relative.empty() && it != relative.end()) {
        const std::string drive = it->string();
        const std::vector<char> letters = DriveLetters();
        if (drive.size() == 1 && std::find(letters.begin(), letters.end(), drive[0]) != letters.end()) {
            std::string windows = drive + ":";
            for (++it; it != relative.end(); ++it) {
                if (!it->empty()) windows += "\\" + it->string();
            }
            return windows.size() == 2 ? windows + "\\" : windows;
        }
    }
    return hostPath.lexically_normal().string();
}

std::string State::DevicePathOf(const std::filesystem::path& hostPath) const {
    const std::string windows = WindowsPathOf(hostPath);
    if (IsDriveForm(windows)) {
        std::string rest = windows.substr(2);
        if (rest == "\\") rest.clear();
        return DeviceName(windows[0]) + rest;
    }
    return "\\Device\\HostFs" + Backslashed(hostPath.lexically_normal().string());
}

std::vector<char> State::DriveLetters() const {
    std::vector<char> letters;
    std::error_code error;
    for (std::filesystem::directory_iterator it(hostRoot, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code kindError;
        if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z' && it->is_directory(kindError)) {
            letters.push_back(name[0]);
        }
    }
    std::sort(letters.begin(), letters.end());
    return letters;
}

}  // namespace detail

std::filesystem::path SimMachine::HostPath(const std::string& windowsPath) const {
    std::lock_guard lock(m_state->mutex);
    return m_state->Resolve(windowsPath).hostPath;
}

void SimMachine::SetCurrentDirectory(const std::string& windowsPath) {
    std::lock_guard lock(m_state->mutex);
    const detail::ResolvedPath resolved = m_state->Resolve(windowsPath);
    const bool hostForm = !windowsPath.empty() && windowsPath[0] == '/';
    m_state->currentDirectory = hostForm ? resolved.hostPath.string() : resolved.windowsPath;
}

void SimMachine::SetImageSearchPath(std::vector<std::string> windowsDirs) {
    std::lock_guard lock(m_state->mutex);
    m_state->imageSearchPath = std::move(windowsDirs);
}

std::string SimMachine::GetCurrentDirectory() {
    std::lock_guard lock(m_state->mutex);
    return m_state->currentDirectory;
}

std::vector<std::string> SimMachine::GetLogicalDriveStrings() {
    std::lock_guard lock(m_state->mutex);
    std::vector<std::string> drives;
    for (char letter : m_state->DriveLetters()) drives.push_back(std::string(1, letter) + ":\\");
    return drives;
}

std::optional<std::string> SimMachine::QueryDosDevice(const char* deviceName) {
    if (deviceName == nullptr) return std::nullopt;
    const std::string_view name(deviceName);
    if (name.size() != 2 || name[1] != ':') return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    std::lock_guard lock(m_state->mutex);
    const std::vector<char> letters = m_state->DriveLetters();
    if (std::find(letters.begin(), letters.end(), letter) == letters.end()) return std::nullopt;
    return detail::DeviceName(letter);
}

}  // namespace qv::sim
