#include "symbols/ImageMemory.h"

#include <algorithm>
#include <cstring>

#include "base/ByteView.h"
#include "core/TargetAccess.h"
#include "platform/Platform.h"

namespace qv {

namespace {

constexpr uint64_t kPageSize = 0x1000;
// Strings are read in pieces of this size, byte by byte where a piece
// crosses into unreadable memory.
constexpr size_t kStringChunk = 64;

}  // namespace

std::optional<std::string> ImageMemory::ReadString(uint64_t address, size_t maxLength) const {
    std::string text;
    uint8_t chunk[kStringChunk];
    while (text.size() < maxLength) {
        const size_t want = std::min(kStringChunk, maxLength - text.size());
        size_t got = want;
        if (!Read(address + text.size(), chunk, want)) {
            got = 0;
            while (got < want && Read(address + text.size() + got, chunk + got, 1)) ++got;
            if (got == 0) return std::nullopt;
        }
        const auto terminated = ByteView(chunk, got).CString(0);
        if (terminated) return text + std::string(*terminated);
        text.append(reinterpret_cast<const char*>(chunk), got);
        if (got < want) return std::nullopt;
    }
    return std::nullopt;
}

const std::vector<uint8_t>* TargetImageMemory::Page(uint64_t pageAddress) const {
    auto found = m_pages.find(pageAddress);
    if (found == m_pages.end()) {
        std::vector<uint8_t> page(kPageSize);
        if (!ReadTargetMemory(m_process, pageAddress, page.data(), page.size())) page.clear();
        found = m_pages.emplace(pageAddress, std::move(page)).first;
    }
    return found->second.empty() ? nullptr : &found->second;
}

bool TargetImageMemory::Read(uint64_t address, void* buffer, size_t size) const {
    if (size == 0) return true;
    if (address + size < address) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t done = 0;
    while (done < size) {
        const uint64_t current = address + done;
        const uint64_t pageAddress = current & ~(kPageSize - 1);
        const std::vector<uint8_t>* page = Page(pageAddress);
        if (page == nullptr) return false;
        const uint64_t inPage = current - pageAddress;
        const uint64_t take = std::min<uint64_t>(kPageSize - inPage, size - done);
        std::memcpy(out + done, page->data() + inPage, static_cast<size_t>(take));
        done += take;
    }
    return true;
}

bool OwnImageMemory::Read(uint64_t address, void* buffer, size_t size) const {
    if (size == 0) return true;
    if (address == 0 || address + size < address) return false;
    const void* source = reinterpret_cast<const void*>(static_cast<uintptr_t>(address));
    if (!Platform().IsReadableOwnMemory(source, size)) return false;
    std::memcpy(buffer, source, size);
    return true;
}

}  // namespace qv
