#include "platform/sim/SimAddressSpace.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/SimMachine.h"

namespace qv::sim::detail {

namespace {

// The page numbers [first, last] that a range touches; false for an empty
// range or one that wraps around the address space.
bool PageSpan(uint64_t address, uint64_t size, uint64_t& first, uint64_t& last) {
    if (size == 0 || address + (size - 1) < address) return false;
    first = address / kPageSize;
    last = (address + (size - 1)) / kPageSize;
    return true;
}

bool Readable(Protection protection) { return protection != Protection::NoAccess; }

bool Writable(Protection protection) {
    return protection == Protection::ReadWrite || protection == Protection::ExecuteRead ||
           protection == Protection::ExecuteReadWrite;
}

}  // namespace

void AddressSpace::Map(uint64_t address, uint64_t size, Protection protection) {
    uint64_t first = 0, last = 0;
    if (!PageSpan(address, size, first, last)) return;
    for (uint64_t page = first;; ++page) {
        auto it = m_pages.find(page);
        if (it == m_pages.end()) {
            m_pages.emplace(page, Page{protection, nullptr});
        } else {
            it->second.protection = protection;
        }
        if (page == last) break;
    }
}

bool AddressSpace::Protect(uint64_t address, uint64_t size, Protection protection) {
    if (!Allowed(address, size, Access::Raw)) return false;
    uint64_t first = 0, last = 0;
    PageSpan(address, size, first, last);
    for (uint64_t page = first;; ++page) {
        m_pages.at(page).protection = protection;
        if (page == last) break;
    }
    return true;
}

void AddressSpace::Unmap(uint64_t address, uint64_t size) {
    uint64_t first = 0, last = 0;
    if (!PageSpan(address, size, first, last)) return;
    m_pages.erase(m_pages.lower_bound(first), m_pages.upper_bound(last));
}

bool AddressSpace::IsRangeFree(uint64_t address, uint64_t size) const {
    uint64_t first = 0, last = 0;
    if (!PageSpan(address, size, first, last)) return false;
    auto it = m_pages.lower_bound(first);
    return it == m_pages.end() || it->first > last;
}

std::optional<Protection> AddressSpace::ProtectionAt(uint64_t address) const {
    auto it = m_pages.find(address / kPageSize);
    if (it == m_pages.end()) return std::nullopt;
    return it->second.protection;
}

bool AddressSpace::Allowed(uint64_t address, size_t size, Access access) const {
    uint64_t first = 0, last = 0;
    if (!PageSpan(address, size, first, last)) return false;
    for (uint64_t page = first;; ++page) {
        auto it = m_pages.find(page);
        if (it == m_pages.end()) return false;
        if (access == Access::Read && !Readable(it->second.protection)) return false;
        if (access == Access::Write && !Writable(it->second.protection)) return false;
        if (page == last) break;
    }
    return true;
}

bool AddressSpace::Read(uint64_t address, void* out, size_t size) const {
    return Allowed(address, size, Access::Read) && ReadRaw(address, out, size);
}

bool AddressSpace::Write(uint64_t address, const void* in, size_t size) {
    return Allowed(address, size, Access::Write) && WriteRaw(address, in, size);
}

bool AddressSpace::ReadRaw(uint64_t address, void* out, size_t size) const {
    if (!Allowed(address, size, Access::Raw)) return false;
    auto* dest = static_cast<uint8_t*>(out);
    while (size > 0) {
        const uint64_t offset = address % kPageSize;
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(size, kPageSize - offset));
        const uint8_t* bytes = m_pages.at(address / kPageSize).bytes.get();
        if (bytes != nullptr) {
            std::memcpy(dest, bytes + offset, chunk);
        } else {
            std::memset(dest, 0, chunk);
        }
        dest += chunk;
        address += chunk;
        size -= chunk;
    }
    return true;
}

bool AddressSpace::WriteRaw(uint64_t address, const void* in, size_t size) {
    if (!Allowed(address, size, Access::Raw)) return false;
    const auto* src = static_cast<const uint8_t*>(in);
    while (size > 0) {
        const uint64_t offset = address % kPageSize;
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(size, kPageSize - offset));
        std::unique_ptr<uint8_t[]>& bytes = m_pages.at(address / kPageSize).bytes;
        if (bytes == nullptr) bytes = std::make_unique<uint8_t[]>(kPageSize);
        std::memcpy(bytes.get() + offset, src, chunk);
        src += chunk;
        address += chunk;
        size -= chunk;
    }
    return true;
}

}  // namespace qv::sim::detail
