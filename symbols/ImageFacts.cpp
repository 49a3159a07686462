#include "symbols/ImageFacts.h"

#include "core/TargetAccess.h"

namespace qv {

template <typename Member, typename Read>
uint32_t ImageFactsCache::Get(const std::string& moduleName, uint64_t moduleBase, Member member, Read read) {
    const auto key = std::make_pair(moduleName, moduleBase);
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_facts.find(key);
        if (found != m_facts.end() && (found->second.*member).has_value()) return *(found->second.*member);
    }
    // Read outside the lock: it maps a file, and another thread's lookup of a
    // known module must not wait for it.
    const uint32_t value = read(moduleName);
    if (value != 0) {
        std::lock_guard lock(m_mutex);
        m_facts[key].*member = value;
    }
    return value;
}

uint32_t ImageFactsCache::TimeStamp(const std::string& moduleName, uint64_t moduleBase) {
    return Get(moduleName, moduleBase, &Facts::timeStamp, GetImageTimeStamp);
}

uint32_t ImageFactsCache::Size(const std::string& moduleName, uint64_t moduleBase) {
    return Get(moduleName, moduleBase, &Facts::size, GetImageSize);
}

}  // namespace qv
