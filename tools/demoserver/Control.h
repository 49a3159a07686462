// The control folder: requests arrive as files "<verb>-<id>.txt", each is
// answered by "done-<id>.txt". Both sides write a ".tmp" file first and
// rename it, so a reader never sees half a file.
#pragma once

#include <optional>
#include <string>

namespace demo {

struct Request {
    std::string verb;
    std::string id;
    std::string body;
};

// Takes the next request out of the folder (the file is deleted).
std::optional<Request> TakeRequest(const std::string& folder);

bool WriteAnswer(const std::string& folder, const std::string& id, const std::string& text);

}  // namespace demo
