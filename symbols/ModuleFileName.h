// The drive-letter path of an open file: the name the system gives for a
// one-byte view of it, with the device prefix replaced by its drive.
#pragma once

#include <cstddef>
#include <string>

#include "platform/PlatformTypes.h"

namespace qv {

// False for an empty file or one that can't be mapped; the path is cut to
// outputSize - 1 characters, as a buffer of that size with its terminator
// would hold it.
bool FilePathFromHandle(Handle file, std::string& name, size_t outputSize);

}  // namespace qv
