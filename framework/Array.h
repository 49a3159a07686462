// CArray: a growable array of plain records copied by value, with MFC's
// index conventions (signed 32-bit indexes; removal shifts later records
// down).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace qv {

template <typename T>
class CArray {
public:
    virtual ~CArray() = default;

    int32_t GetSize() const { return static_cast<int32_t>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    bool IsValidIndex(int32_t index) const { return index >= 0 && index < GetSize(); }
    const T& GetAt(int32_t index) const { return m_items[static_cast<size_t>(index)]; }
    T& ElementAt(int32_t index) { return m_items[static_cast<size_t>(index)]; }
    void SetAt(int32_t index, T item) { m_items[static_cast<size_t>(index)] = std::move(item); }
    int32_t Add(T item) {
        m_items.push_back(std::move(item));
        return GetSize() - 1;
    }
    void RemoveAt(int32_t index) { m_items.erase(m_items.begin() + index); }
    void RemoveAll() { m_items.clear(); }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<T> m_items;
};

}  // namespace qv
