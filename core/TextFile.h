// Reading a small text file through the platform, as a text-mode stream
// would give it: lines without their "\r\n" or "\n" ends.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

// nullopt when the file can't be opened. A line holding a NUL byte ends
// there, as a C string read from it would.
std::optional<std::vector<std::string>> ReadTextFileLines(const std::string& path);

}  // namespace qv
