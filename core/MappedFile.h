// A file mapped read-only into the tool's own memory through the platform.
#pragma once

#include <cstdint>
#include <string>

#include "base/ByteView.h"
#include "platform/PlatformTypes.h"

namespace qv {

// The mapping record: file handle, mapping handle, view and its length, all
// zero when nothing is mapped.
struct MAPPEDFILE {
    Handle hFile = kNullHandle;
    Handle hMapping = kNullHandle;
    const uint8_t* pView = nullptr;
    uint64_t nViewLength = 0;

    ByteView View() const { return ByteView(pView, nViewLength); }
};

// Maps the whole file read-only; on failure closes what it opened, leaves the
// record zeroed and returns false.
bool MapFileReadOnly(const std::string& path, MAPPEDFILE& mapping);
// Unmaps the view, closes the mapping and the file, each only when set, and
// zeroes the record.
void UnmapFile(MAPPEDFILE& mapping);

}  // namespace qv
