// Small synthetic PE32+ images for the report tests: a test lays out the
// bytes of each section itself (with RVAs relative to the section's virtual
// address) and the builder writes the headers, the section table and the
// raw data at a file alignment of 0x200.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

// A growable byte buffer written by offset, little-endian.
struct Blob {
    std::vector<uint8_t> bytes;

    uint8_t* At(size_t offset, size_t length) {
        if (bytes.size() < offset + length) bytes.resize(offset + length);
        return bytes.data() + offset;
    }
    Blob& U8(size_t offset, uint8_t v) {
        *At(offset, 1) = v;
        return *this;
    }
    Blob& U16(size_t offset, uint16_t v) {
        uint8_t* p = At(offset, 2);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        return *this;
    }
    Blob& U32(size_t offset, uint32_t v) {
        U16(offset, static_cast<uint16_t>(v));
        return U16(offset + 2, static_cast<uint16_t>(v >> 16));
    }
    Blob& U64(size_t offset, uint64_t v) {
        U32(offset, static_cast<uint32_t>(v));
        return U32(offset + 4, static_cast<uint32_t>(v >> 32));
    }
    // The text and its NUL.
    Blob& Str(size_t offset, const std::string& text) {
        uint8_t* p = At(offset, text.size() + 1);
        for (size_t i = 0; i < text.size(); ++i) p[i] = static_cast<uint8_t>(text[i]);
        p[text.size()] = 0;
        return *this;
    }
    // A resource name: u16 length, then UTF-16 units.
    Blob& ResName(size_t offset, const std::string& text) {
        U16(offset, static_cast<uint16_t>(text.size()));
        for (size_t i = 0; i < text.size(); ++i) U16(offset + 2 + 2 * i, static_cast<uint8_t>(text[i]));
        return *this;
    }
    Blob& Bytes(size_t offset, const std::vector<uint8_t>& data) {
        uint8_t* p = At(offset, data.size());
        for (size_t i = 0; i < data.size(); ++i) p[i] = data[i];
        return *this;
    }
};

struct TestSection {
    std::string name;  // up to 8 characters
    uint32_t virtualAddress = 0;
    Blob data;
    uint32_t virtualSize = 0;  // 0: the data's size
    uint32_t characteristics = 0x40000040;
    // Raw size written to the header; 0: the data's size rounded up to 0x200.
    uint32_t rawSize = 0;
};

struct PeBuilder {
    uint16_t machine = 0x8664;
    uint16_t characteristics = 0x0022;
    uint32_t timeDateStamp = 0x5F5E1000;
    uint32_t pointerToSymbolTable = 0;
    uint64_t imageBase = 0x140000000ULL;
    uint16_t magic = 0x20B;
    uint32_t directories[16][2] = {};
    std::vector<TestSection> sections;

    PeBuilder& Directory(int index, uint32_t rva, uint32_t size) {
        directories[index][0] = rva;
        directories[index][1] = size;
        return *this;
    }
    TestSection& Section(const std::string& name, uint32_t virtualAddress) {
        sections.push_back(TestSection{name, virtualAddress, {}, 0, 0x40000040, 0});
        return sections.back();
    }

    static constexpr uint32_t kNtAt = 0x80;
    static constexpr uint32_t kFileAlignment = 0x200;

    std::vector<uint8_t> Build() const {
        Blob out;
        out.U16(0, 0x5A4D).U32(0x3C, kNtAt);
        out.U32(kNtAt, 0x4550);
        const size_t fh = kNtAt + 4;
        out.U16(fh, machine).U16(fh + 2, static_cast<uint16_t>(sections.size())).U32(fh + 4, timeDateStamp);
        out.U32(fh + 8, pointerToSymbolTable).U16(fh + 16, 240).U16(fh + 18, characteristics);
        const size_t oh = kNtAt + 24;
        out.U16(oh, magic).U8(oh + 2, 2).U8(oh + 3, 38);
        out.U32(oh + 4, 0x1000).U32(oh + 8, 0x800).U32(oh + 12, 0x200);
        out.U32(oh + 16, 0x1010).U32(oh + 20, 0x1000).U64(oh + 24, imageBase);
        out.U32(oh + 32, 0x1000).U32(oh + 36, kFileAlignment);
        out.U16(oh + 40, 6).U16(oh + 42, 1).U16(oh + 48, 5).U16(oh + 50, 2);
        out.U32(oh + 56, 0x10000).U32(oh + 60, 0x400).U32(oh + 64, 0x1234).U16(oh + 68, 3);
        out.U32(oh + 108, 16);
        for (int i = 0; i < 16; ++i) out.U32(oh + 112 + 8 * i, directories[i][0]).U32(oh + 116 + 8 * i, directories[i][1]);
        size_t table = oh + 240;
        size_t raw = (table + 40 * sections.size() + kFileAlignment - 1) / kFileAlignment * kFileAlignment;
        for (const TestSection& section : sections) {
            const uint32_t dataSize = static_cast<uint32_t>(section.data.bytes.size());
            const uint32_t rounded = (dataSize + kFileAlignment - 1) / kFileAlignment * kFileAlignment;
            for (size_t i = 0; i < 8 && i < section.name.size(); ++i) out.U8(table + i, static_cast<uint8_t>(section.name[i]));
            out.U32(table + 8, section.virtualSize ? section.virtualSize : dataSize);
            out.U32(table + 12, section.virtualAddress);
            out.U32(table + 16, section.rawSize ? section.rawSize : rounded);
            out.U32(table + 20, static_cast<uint32_t>(raw));
            out.U32(table + 36, section.characteristics);
            out.Bytes(raw, section.data.bytes);
            out.At(raw, rounded);
            table += 40;
            raw += rounded;
        }
        return out.bytes;
    }
};

}  // namespace qv::test
