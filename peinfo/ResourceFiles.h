// The dumper's list of resources and the writers that turn a bitmap, an
// icon group or a cursor group into a file of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ByteView.h"
#include "framework/Wnd.h"

namespace qv {

// One language instance of one resource, in order of discovery.
struct RESOURCERECORD {
    std::string szType;  // "RT_ICON", ... or the type's own string name
    std::string szName;  // "%d" of the ID, or the resource's string name
    uint64_t nAddress = 0;         // where the data lies in the mapped view
    uint32_t nSize = 0;
    std::optional<ByteView> data;  // nothing when the data lies outside the file
};
using ResourceList = std::vector<RESOURCERECORD>;

// Each writer creates fileName in the current directory and reports a
// failure that should end the dump by returning false.
bool WriteBitmapFile(const RESOURCERECORD& bitmap, const std::string& fileName, CWnd* window);
bool WriteCursorFile(const RESOURCERECORD& group, const ResourceList& records, const std::string& fileName,
                     CWnd* window);
bool WriteIconFile(const RESOURCERECORD& group, const ResourceList& records, const std::string& fileName,
                   CWnd* window);

}  // namespace qv
