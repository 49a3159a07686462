#include "Control.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace demo {

namespace {

bool IsRequestName(const std::string& name, Request& request) {
    constexpr const char* kSuffix = ".txt";
    const size_t dash = name.find('-');
    if (dash == std::string::npos || dash == 0 || name.size() <= dash + 1 + 4) return false;
    if (name.compare(name.size() - 4, 4, kSuffix) != 0) return false;
    request.verb = name.substr(0, dash);
    request.id = name.substr(dash + 1, name.size() - dash - 1 - 4);
    return request.verb != "done";
}

}  // namespace

std::optional<Request> TakeRequest(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*-*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    // The oldest request first, so requests sent without waiting for their
    // answers are handled in the order they were made.
    std::optional<Request> oldest;
    std::string oldestName;
    ULARGE_INTEGER oldestTime{};
    do {
        Request request;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsRequestName(found.cFileName, request)) {
            continue;
        }
        ULARGE_INTEGER created{};
        created.LowPart = found.ftCreationTime.dwLowDateTime;
        created.HighPart = found.ftCreationTime.dwHighDateTime;
        if (!oldest || created.QuadPart < oldestTime.QuadPart) {
            oldest = std::move(request);
            oldestName = found.cFileName;
            oldestTime = created;
        }
    } while (FindNextFileA(search, &found) != FALSE);
    FindClose(search);
    if (!oldest) return std::nullopt;
    const std::string path = folder + "\\" + oldestName;
    std::ifstream in(path, std::ios::binary);
    // Not readable yet: taken at the next poll rather than run without its body.
    if (!in.is_open()) return std::nullopt;
    std::ostringstream body;
    body << in.rdbuf();
    in.close();
    oldest->body = body.str();
    DeleteFileA(path.c_str());
    return oldest;
}

bool WriteAnswer(const std::string& folder, const std::string& id, const std::string& text) {
    const std::string temporary = folder + "\\done-" + id + ".tmp";
    const std::string final = folder + "\\done-" + id + ".txt";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) return false;
    }
    return MoveFileExA(temporary.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace demo
