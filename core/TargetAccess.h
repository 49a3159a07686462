// The thin, stateless layer over the platform for everything that touches
// another process, a thread's registers or a file. Failures come back as the
// stated neutral values (0, false, an untouched buffer); nothing here writes
// to the log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/PlatformTypes.h"

namespace qv {

bool EnableDebugPrivilege(Handle process, bool enable);

bool ReadTargetMemory(Handle process, uint64_t address, void* buffer, size_t size);

// While one is alive, every target read of the creating thread (through
// ReadTargetMemory and what is built on it) goes to its reader instead of
// straight to the platform: the console uses it to read the code under the
// tracer's own breakpoints as it was. The reader must not read through
// ReadTargetMemory itself.
using TargetReader = std::function<bool(Handle process, uint64_t address, void* buffer, size_t size)>;
class ScopedTargetReader {
public:
    explicit ScopedTargetReader(TargetReader reader);
    ~ScopedTargetReader();
    ScopedTargetReader(const ScopedTargetReader&) = delete;
    ScopedTargetReader& operator=(const ScopedTargetReader&) = delete;

private:
    TargetReader m_reader;
    const TargetReader* m_previous;
};
// The bytes of the target from a start address up to a limit, read a
// block at a time that never crosses a page (protection is per page) nor
// the limit: a string walk costs one read per page, not one per byte.
class PagedTargetBytes {
public:
    PagedTargetBytes(Handle process, uint64_t start, uint64_t limit);
    // The byte at start + offset; nothing at or past the limit, or where
    // the page can't be read.
    std::optional<uint8_t> At(uint64_t offset);

private:
    static constexpr uint64_t kPageSize = 0x1000;
    Handle m_process;
    uint64_t m_start;
    uint64_t m_limit;
    uint64_t m_blockOffset = 0;
    uint64_t m_blockLength = 0;
    bool m_blockReadable = false;
    uint8_t m_block[kPageSize];
};

bool IsTargetByteReadable(Handle process, uint64_t address);
bool IsTargetReadable(Handle process, uint64_t address, size_t size);
uint8_t ReadTargetByte(Handle process, uint64_t address);
uint64_t ReadTargetQword(Handle process, uint64_t address);

bool IsPrintableChar(uint8_t byte);
bool IsPrintableString(Handle process, uint64_t address, bool wide);

bool WriteTargetMemory(Handle process, uint64_t address, const void* buffer, size_t size);
// How far planting a 0xCC got: the byte not read (nothing to save), read
// but not overwritten, or read and overwritten.
enum class Int3Write { NotRead, ReadOnly, Written };
// Saves the code byte at address into savedByte, then plants 0xCC. The
// saved byte is the one read before the write, never a second read.
Int3Write SaveAndWriteInt3(Handle process, uint64_t address, uint8_t& savedByte);

// Puts a thread that stands just after the 0xCC at address back onto it,
// through a handle opened for the purpose. False when it stands elsewhere
// or its registers can't be had.
bool RewindThreadToBreakPoint(uint32_t threadId, uint64_t address);

uint64_t GetThreadRax(uint32_t threadId);
uint64_t GetThreadRdx(uint32_t threadId);
uint64_t GetThreadRsp(uint32_t threadId);
bool GetThreadFloatRegister(uint32_t threadId, int index, uint8_t (&buffer)[10]);

uint64_t GetThreadTebAddress(Handle thread);
uint64_t GetThreadStackBase(Handle process, Handle thread);
uint64_t GetThreadStackLimit(Handle process, Handle thread);
bool ReadThreadTib(Handle process, Handle thread);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
uint32_t GetImageSize(const std::string& fileName);
uint32_t GetImageTimeStamp(const std::string& fileName);
bool GetProcessImagePath(uint32_t processId, std::string& path, size_t size);

uint32_t BoundedStrLen(const char* address);
uint64_t GetOwnModuleBase(uint64_t address);

}  // namespace qv
