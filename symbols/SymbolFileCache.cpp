#include "symbols/SymbolFileCache.h"

#include <map>
#include <mutex>
#include <utility>

#include "core/ProcessHandle.h"
#include "core/StringFormat.h"
#include "core/TargetAccess.h"
#include "platform/Platform.h"

namespace qv {

namespace {

struct CachedFile {
    uint64_t size = 0;
    FileTime lastWrite = 0;
    std::shared_ptr<const SymbolTable> table;
};

// Keyed by path and header layout: the layout comes from the server version,
// not from the file.
using CacheKey = std::pair<std::string, bool>;

std::mutex& CacheMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<CacheKey, CachedFile>& Cache() {
    static std::map<CacheKey, CachedFile> cache;
    return cache;
}

}  // namespace

std::string SymbolFileNameFor(const std::string& moduleName) {
    if (moduleName.find('.') == std::string::npos) return moduleName;
    const size_t keep = moduleName.size() >= 3 ? moduleName.size() - 3 : 0;
    return moduleName.substr(0, keep) + "SYM";
}

std::string LocateSymbolFile(const std::string& home, const std::string& moduleName) {
    const std::string fileName = SymbolFileNameFor(moduleName);
    std::string path = home + "\\RDBMS\\ADMIN\\" + fileName;
    if (FileExists(path)) return path;
    return home + "\\BIN\\" + fileName;
}

std::optional<std::shared_ptr<const SymbolTable>> OpenSymbolFile(const std::string& path, bool hasTimeStamp,
                                                                  SymbolMessages& messages) {
    IPlatform& platform = Platform();
    ScopedHandle file(platform.OpenFileForRead(path.c_str(), kFileShareRead | kFileShareWrite));
    if (file.get() == kNullHandle) {
        messages.push_back(FormatString("%s not found!\r\n", path.c_str()));
        return std::nullopt;
    }
    const std::optional<uint64_t> size = platform.GetFileSize(file.get());
    const std::optional<FileTime> lastWrite = platform.GetFileLastWriteTime(file.get());
    const CacheKey key{path, hasTimeStamp};

    std::lock_guard<std::mutex> lock(CacheMutex());
    if (size && lastWrite) {
        const auto cached = Cache().find(key);
        if (cached != Cache().end() && cached->second.size == *size && cached->second.lastWrite == *lastWrite) {
            return cached->second.table;
        }
    }
    Cache().erase(key);

    ScopedHandle mapping(platform.CreateFileMapping(file.get(), 0));
    if (mapping.get() == kNullHandle) {
        messages.push_back(FormatString("%s create file mapping failed!\r\n", path.c_str()));
        return std::nullopt;
    }
    uint64_t length = 0;
    const uint8_t* view = platform.MapViewOfFile(mapping.get(), 0, length);
    if (view == nullptr) {
        messages.push_back(FormatString("%s map file failed!\r\n", path.c_str()));
        return std::nullopt;
    }
    std::shared_ptr<const SymbolTable> table = SymbolTable::Parse(ByteView(view, length), hasTimeStamp);
    platform.UnmapViewOfFile(view);

    if (size && lastWrite) Cache()[key] = CachedFile{*size, *lastWrite, table};
    return table;
}

void ClearSymbolFileCache() {
    std::lock_guard<std::mutex> lock(CacheMutex());
    Cache().clear();
}

}  // namespace qv
