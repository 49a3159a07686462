#include "symbols/ModuleFileName.h"

#include "base/AsciiText.h"
#include "platform/Platform.h"
#include "symbols/ModuleList.h"

namespace qv {

namespace {

// A device name matches only up to a path separator, so that the device of
// volume 1 doesn't claim a path on volume 10.
bool IsOnDevice(const std::string& mappedName, const std::string& device) {
    if (device.empty() || !StartsWithIgnoreCase(mappedName, device)) return false;
    return mappedName.size() == device.size() || mappedName[device.size()] == '\\';
}

std::string ToDriveLetterPath(IPlatform& platform, const std::string& mappedName) {
    for (const std::string& drive : platform.GetLogicalDriveStrings()) {
        if (drive.size() < 2) continue;
        const std::string driveName = drive.substr(0, 1) + ":";
        const auto device = platform.QueryDosDevice(driveName.c_str());
        if (!device || device->size() >= kMaxPathChars || !IsOnDevice(mappedName, *device)) continue;
        return (driveName + mappedName.substr(device->size())).substr(0, kMaxPathChars - 1);
    }
    return mappedName;
}

}  // namespace

bool FilePathFromHandle(Handle file, std::string& name, size_t outputSize) {
    IPlatform& platform = Platform();
    const auto size = platform.GetFileSize(file);
    if (!size || *size == 0) return false;

    const Handle mapping = platform.CreateFileMapping(file, 1);
    if (mapping == kNullHandle) return false;
    uint64_t length = 0;
    const uint8_t* view = platform.MapViewOfFile(mapping, 1, length);
    if (view == nullptr) {
        platform.CloseHandle(mapping);
        return false;
    }
    const std::string mappedName =
        platform.GetMappedFileName(platform.GetCurrentProcess(), view).value_or("").substr(0, kMaxPathChars - 1);
    const std::string path = mappedName.empty() ? mappedName : ToDriveLetterPath(platform, mappedName);
    platform.UnmapViewOfFile(view);
    platform.CloseHandle(mapping);

    // Room for the terminator the caller's buffer needs.
    name = path.substr(0, outputSize > 0 ? outputSize - 1 : 0);
    return true;
}

}  // namespace qv
