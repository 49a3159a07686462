#include "monitor/SampleMatcher.h"

namespace qv {

int32_t CSampleMatcher::First(uint32_t id) const {
    const auto found = m_byId.find(id);
    return found == m_byId.end() || found->second.empty() ? -1 : found->second.front();
}

int32_t CSampleMatcher::Take(uint32_t id) {
    const auto found = m_byId.find(id);
    if (found == m_byId.end() || found->second.empty()) return -1;
    const int32_t index = found->second.front();
    found->second.pop_front();
    m_taken[static_cast<size_t>(index)] = true;
    return index;
}

std::vector<int32_t> CSampleMatcher::Left() const {
    std::vector<int32_t> left;
    for (size_t index = 0; index < m_taken.size(); ++index) {
        if (!m_taken[index]) left.push_back(static_cast<int32_t>(index));
    }
    return left;
}

}  // namespace qv
