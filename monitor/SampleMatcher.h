// Matching list rows to samples by id in one pass: a refresh looks up every
// row's id in the new samples (each sample taken once, first match first)
// and in the previous ones, which a search per row would make quadratic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

namespace qv {

class CSampleMatcher {
public:
    template <typename Array, typename IdOf>
    CSampleMatcher(const Array& samples, IdOf idOf) : m_taken(static_cast<size_t>(samples.GetSize()), false) {
        for (int32_t index = 0; index < samples.GetSize(); ++index) {
            m_byId[idOf(samples.GetAt(index))].push_back(index);
        }
    }

    // The first sample with the id, or -1.
    int32_t First(uint32_t id) const;
    // The first sample with the id not taken yet, now taken; or -1.
    int32_t Take(uint32_t id);
    // The samples never taken, in array order.
    std::vector<int32_t> Left() const;

private:
    std::unordered_map<uint32_t, std::deque<int32_t>> m_byId;
    std::vector<bool> m_taken;
};

}  // namespace qv
