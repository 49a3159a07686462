// Files, read-only mappings and views over host files. A view is a private
// host copy of the mapped bytes, so it stays valid after the file changes
// or its handles are closed, as a Windows view does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/sim/SimLastError.h"
#include "platform/sim/SimPeImage.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace detail {

namespace {

constexpr uint32_t kFileAttributeArchive = 0x20;
// Seconds from 1601-01-01 (FILETIME's origin) to 1970-01-01.
constexpr uint64_t kFileTimeEpochOffset = 11644473600ULL;

// Records why opening path failed: a missing folder is another error than
// a missing file.
void SetOpenError(const std::filesystem::path& path, int error) {
    std::error_code ignored;
    if (error == ENOENT && !std::filesystem::is_directory(path.parent_path(), ignored)) {
        SetLastError(kErrorPathNotFound);
    } else {
        SetLastError(ErrorFromErrno(error));
    }
}

// The file or mapping behind a handle, recording a bad handle.
const HandleEntry* Lookup(const State& state, Handle handle, HandleKind kind) {
    const HandleEntry* entry = state.FindHandle(handle, kind);
    if (entry == nullptr) SetLastError(kErrorInvalidHandle);
    return entry;
}

bool IsRegularFile(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

FileObject::~FileObject() {
    if (fd >= 0) ::close(fd);
}

MappingObject::~MappingObject() {
    if (fd >= 0) ::close(fd);
}

Handle State::OpenFile(const ResolvedPath& path) {
    const int fd = ::open(path.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetOpenError(path.hostPath, errno);
        return kNullHandle;
    }
    auto file = std::make_shared<FileObject>();
    file->fd = fd;
    file->canRead = true;
    file->path = path;
    if (!IsRegularFile(fd)) {
        SetLastError(kErrorAccessDenied);
        return kNullHandle;  // the object closes fd
    }
    return AddHandle(HandleEntry{HandleKind::File, 0, std::move(file), nullptr});
}

}  // namespace detail

Handle SimMachine::OpenFileForRead(const char* path, uint32_t /*shareMode*/) {
    if (path == nullptr) return kNullHandle;
    std::lock_guard lock(m_state->mutex);
    return m_state->OpenFile(m_state->Resolve(path));
}

Handle SimMachine::CreateFileForWrite(const char* path) {
    if (path == nullptr) return kNullHandle;
    std::lock_guard lock(m_state->mutex);
    const detail::ResolvedPath resolved = m_state->Resolve(path);
    const int fd = ::open(resolved.hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        detail::SetOpenError(resolved.hostPath, errno);
        return kNullHandle;
    }
    auto file = std::make_shared<detail::FileObject>();
    file->fd = fd;
    file->canWrite = true;
    file->path = resolved;
    return m_state->AddHandle(detail::HandleEntry{detail::HandleKind::File, 0, std::move(file), nullptr});
}

bool SimMachine::ReadFile(Handle file, void* buffer, uint32_t size, uint32_t& bytesRead) {
    std::lock_guard lock(m_state->mutex);
    const detail::HandleEntry* entry = detail::Lookup(*m_state, file, detail::HandleKind::File);
    if (entry == nullptr) return false;
    if (!entry->file->canRead || (buffer == nullptr && size > 0)) {
        detail::SetLastError(detail::kErrorAccessDenied);
        return false;
    }
    uint32_t total = 0;
    while (total < size) {
        const ssize_t got = ::read(entry->file->fd, static_cast<uint8_t*>(buffer) + total, size - total);
        if (got < 0) return false;
        if (got == 0) break;
        total += static_cast<uint32_t>(got);
    }
    bytesRead = total;
    return true;
}

bool SimMachine::WriteFile(Handle file, const void* buffer, uint32_t size) {
    std::lock_guard lock(m_state->mutex);
    const detail::HandleEntry* entry = detail::Lookup(*m_state, file, detail::HandleKind::File);
    if (entry == nullptr) return false;
    if (!entry->file->canWrite || (buffer == nullptr && size > 0)) {
        detail::SetLastError(detail::kErrorAccessDenied);
        return false;
    }
    uint32_t total = 0;
    while (total < size) {
        const ssize_t put = ::write(entry->file->fd, static_cast<const uint8_t*>(buffer) + total, size - total);
        if (put <= 0) return false;
        total += static_cast<uint32_t>(put);
    }
    return true;
}

std::optional<uint64_t> SimMachine::GetFileSize(Handle file) {
    std::lock_guard lock(m_state->mutex);
    const detail::HandleEntry* entry = detail::Lookup(*m_state, file, detail::HandleKind::File);
    struct stat info {};
    if (entry == nullptr || fstat(entry->file->fd, &info) != 0) return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

std::optional<FileTime> SimMachine::GetFileLastWriteTime(Handle file) {
    std::lock_guard lock(m_state->mutex);
    const detail::HandleEntry* entry = detail::Lookup(*m_state, file, detail::HandleKind::File);
    struct stat info {};
    if (entry == nullptr || fstat(entry->file->fd, &info) != 0 || info.st_mtim.tv_sec < 0) return std::nullopt;
    return (static_cast<uint64_t>(info.st_mtim.tv_sec) + detail::kFileTimeEpochOffset) * 10'000'000ULL +
           static_cast<uint64_t>(info.st_mtim.tv_nsec) / 100;
}

Handle SimMachine::CreateFileMapping(Handle file, uint64_t maximumSize) {
    std::lock_guard lock(m_state->mutex);
    const detail::HandleEntry* entry = detail::Lookup(*m_state, file, detail::HandleKind::File);
    struct stat info {};
    if (entry == nullptr || !entry->file->canRead || fstat(entry->file->fd, &info) != 0) return kNullHandle;
    const auto fileSize = static_cast<uint64_t>(info.st_size);
    // A read-only mapping can't grow the file, and an empty one can't exist.
    const uint64_t size = maximumSize == 0 ? fileSize : maximumSize;
    if (size == 0) {
        detail::SetLastError(detail::kErrorFileInvalid);
        return kNullHandle;
    }
    if (size > fileSize) {
        detail::SetLastError(detail::kErrorNotEnoughMemory);
        return kNullHandle;
    }
    const int fd = ::dup(entry->file->fd);
    if (fd < 0) return kNullHandle;
    auto mapping = std::make_shared<detail::MappingObject>();
    mapping->fd = fd;
    mapping->size = size;
    mapping->path = entry->file->path;
    return m_state->AddHandle(detail::HandleEntry{detail::HandleKind::Mapping, 0, nullptr, std::move(mapping)});
}

const uint8_t* SimMachine::MapViewOfFile(Handle mapping, uint64_t viewSize, uint64_t& length) {
    std::lock_guard lock(m_state->mutex);
    const detail::HandleEntry* entry = detail::Lookup(*m_state, mapping, detail::HandleKind::Mapping);
    if (entry == nullptr) return nullptr;
    const uint64_t size = viewSize == 0 ? entry->mapping->size : viewSize;
    if (size > entry->mapping->size) {
        detail::SetLastError(detail::kErrorNotEnoughMemory);
        return nullptr;
    }
    detail::View view;
    view.bytes = std::make_unique<uint8_t[]>(size);
    view.length = size;
    view.path = entry->mapping->path;
    uint64_t total = 0;
    while (total < size) {
        const ssize_t got = ::pread(entry->mapping->fd, view.bytes.get() + total, size - total,
                                    static_cast<off_t>(total));
        if (got <= 0) return nullptr;
        total += static_cast<uint64_t>(got);
    }
    const uint8_t* address = view.bytes.get();
    m_state->views.emplace(address, std::move(view));
    length = size;
    return address;
}

bool SimMachine::UnmapViewOfFile(const void* view) {
    std::lock_guard lock(m_state->mutex);
    if (m_state->views.erase(static_cast<const uint8_t*>(view)) == 1) return true;
    detail::SetLastError(detail::kErrorInvalidAddress);
    return false;
}

std::optional<uint32_t> SimMachine::FindFirstFileAttributes(const char* path) {
    if (path == nullptr) return std::nullopt;
    std::lock_guard lock(m_state->mutex);
    std::error_code error;
    const auto status = std::filesystem::status(m_state->Resolve(path).hostPath, error);
    if (error || !std::filesystem::exists(status)) {
        detail::SetLastError(detail::kErrorFileNotFound);
        return std::nullopt;
    }
    return std::filesystem::is_directory(status) ? kFileAttributeDirectory : detail::kFileAttributeArchive;
}

std::optional<LoadedImageInfo> SimMachine::MapAndLoad(const char* imageName) {
    if (imageName == nullptr || *imageName == '\0') return std::nullopt;
    std::lock_guard lock(m_state->mutex);
    const std::string name(imageName);
    std::vector<detail::ResolvedPath> candidates;
    if (name.find_first_of("\\/:") != std::string::npos) {
        candidates.push_back(m_state->Resolve(name));
    } else {
        candidates.push_back(m_state->Resolve(name));
        for (const std::string& dir : m_state->imageSearchPath) {
            candidates.push_back(m_state->Resolve(dir + "\\" + name));
        }
    }
    for (const detail::ResolvedPath& candidate : candidates) {
        const auto bytes = detail::ReadWholeFile(candidate.hostPath.string());
        if (!bytes) continue;
        const auto image = detail::ParsePeImage(ByteView(bytes->data(), bytes->size()));
        if (!image) return std::nullopt;
        return LoadedImageInfo{image->sizeOfImage, image->timeDateStamp};
    }
    return std::nullopt;
}

}  // namespace qv::sim
