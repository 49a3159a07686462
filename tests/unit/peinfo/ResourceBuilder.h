// A resource section for synthetic images: the three-level tree (type, name,
// language), data entries, name strings and the data itself, laid out the
// way linkers do (directories, then data entries, strings, data).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/PeBuilder.h"

namespace qv::test {

// An ID, or a string name when `name` is not empty.
struct ResKey {
    uint16_t id = 0;
    std::string name;
    bool operator==(const ResKey& other) const { return id == other.id && name == other.name; }
};

struct ResItem {
    ResKey type;
    ResKey name;
    uint16_t language = 0x409;
    std::vector<uint8_t> data;
};

inline Blob BuildResourceSection(const std::vector<ResItem>& items, uint32_t sectionVa) {
    struct NameNode {
        ResKey key;
        std::vector<size_t> items;
    };
    struct TypeNode {
        ResKey key;
        std::vector<NameNode> names;
    };
    std::vector<TypeNode> types;
    for (size_t i = 0; i < items.size(); ++i) {
        TypeNode* type = nullptr;
        for (TypeNode& t : types) {
            if (t.key == items[i].type) type = &t;
        }
        if (type == nullptr) type = &types.emplace_back(TypeNode{items[i].type, {}});
        NameNode* name = nullptr;
        for (NameNode& n : type->names) {
            if (n.key == items[i].name) name = &n;
        }
        if (name == nullptr) name = &type->names.emplace_back(NameNode{items[i].name, {}});
        name->items.push_back(i);
    }
    // Named entries come first in every directory.
    const auto namedFirst = [](auto& nodes) {
        std::stable_partition(nodes.begin(), nodes.end(), [](const auto& n) { return !n.key.name.empty(); });
    };
    namedFirst(types);
    for (TypeNode& t : types) namedFirst(t.names);

    const auto directorySize = [](size_t entries) { return static_cast<uint32_t>(16 + 8 * entries); };
    uint32_t at = directorySize(types.size());
    std::vector<uint32_t> typeDirs, nameDirs;
    for (const TypeNode& t : types) {
        typeDirs.push_back(at);
        at += directorySize(t.names.size());
    }
    for (const TypeNode& t : types) {
        for (const NameNode& n : t.names) {
            nameDirs.push_back(at);
            at += directorySize(n.items.size());
        }
    }
    const uint32_t dataEntries = at;
    at += static_cast<uint32_t>(16 * items.size());
    Blob out;
    const auto putString = [&](const ResKey& key) {
        const uint32_t offset = at;
        out.ResName(offset, key.name);
        at += static_cast<uint32_t>(2 + 2 * key.name.size());
        return offset;
    };
    const auto nameValue = [&](const ResKey& key) {
        return key.name.empty() ? uint32_t{key.id} : (0x80000000u | putString(key));
    };
    const auto header = [&](uint32_t offset, const auto& nodes) {
        uint16_t named = 0;
        for (const auto& n : nodes) named = static_cast<uint16_t>(named + (n.key.name.empty() ? 0 : 1));
        out.U32(offset + 4, 0).U16(offset + 12, named).U16(offset + 14, static_cast<uint16_t>(nodes.size() - named));
    };
    header(0, types);
    size_t nameIndex = 0;
    for (size_t t = 0; t < types.size(); ++t) {
        out.U32(16 + 8 * t, nameValue(types[t].key)).U32(20 + 8 * t, 0x80000000u | typeDirs[t]);
        header(typeDirs[t], types[t].names);
        for (size_t n = 0; n < types[t].names.size(); ++n, ++nameIndex) {
            const NameNode& node = types[t].names[n];
            const uint32_t dir = nameDirs[nameIndex];
            out.U32(typeDirs[t] + 16 + 8 * n, nameValue(node.key)).U32(typeDirs[t] + 20 + 8 * n, 0x80000000u | dir);
            out.U32(dir + 4, 0).U16(dir + 12, 0).U16(dir + 14, static_cast<uint16_t>(node.items.size()));
            for (size_t l = 0; l < node.items.size(); ++l) {
                const size_t item = node.items[l];
                out.U32(dir + 16 + 8 * l, items[item].language)
                    .U32(dir + 20 + 8 * l, static_cast<uint32_t>(dataEntries + 16 * item));
            }
        }
    }
    at = (at + 3) & ~3u;
    for (size_t i = 0; i < items.size(); ++i) {
        out.U32(dataEntries + 16 * i, sectionVa + at).U32(dataEntries + 16 * i + 4, static_cast<uint32_t>(items[i].data.size()));
        out.Bytes(at, items[i].data);
        at = (at + static_cast<uint32_t>(items[i].data.size()) + 7) & ~7u;
    }
    out.At(at, 0);
    return out;
}

}  // namespace qv::test
