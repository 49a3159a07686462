#include "core/MappedFile.h"

#include "platform/Platform.h"

namespace qv {

bool MapFileReadOnly(const std::string& path, MAPPEDFILE& mapping) {
    mapping = MAPPEDFILE{};
    IPlatform& platform = Platform();
    const Handle file = platform.OpenFileForRead(path.c_str(), kFileShareRead);
    if (file == kNullHandle) return false;
    const Handle fileMapping = platform.CreateFileMapping(file, 0);
    if (fileMapping == kNullHandle) {
        platform.CloseHandle(file);
        return false;
    }
    uint64_t length = 0;
    const uint8_t* view = platform.MapViewOfFile(fileMapping, 0, length);
    if (view == nullptr) {
        platform.CloseHandle(fileMapping);
        platform.CloseHandle(file);
        return false;
    }
    mapping.hFile = file;
    mapping.hMapping = fileMapping;
    mapping.pView = view;
    mapping.nViewLength = length;
    return true;
}

void UnmapFile(MAPPEDFILE& mapping) {
    IPlatform& platform = Platform();
    if (mapping.pView != nullptr) platform.UnmapViewOfFile(mapping.pView);
    if (mapping.hMapping != kNullHandle) platform.CloseHandle(mapping.hMapping);
    if (mapping.hFile != kNullHandle) platform.CloseHandle(mapping.hFile);
    mapping = MAPPEDFILE{};
}

}  // namespace qv
