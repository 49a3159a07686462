// Synthetic PE32+ images for tests. A test either lays out each section
// itself (its virtual address and bytes, the data directories by hand) and
// sets header fields directly, or lets AddSection place sections at the next
// 0x1000-aligned RVA and AddExport add an export directory. Build writes
// the headers, the section table and the raw data at a file alignment of
// 0x200.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/PeImage.h"

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
    static constexpr uint32_t kCode = 0x60000020;          // code, execute, read
    static constexpr uint32_t kData = 0xC0000040;          // initialised data, read, write
    static constexpr uint32_t kReadOnlyData = 0x40000040;  // initialised data, read
    static constexpr uint32_t kNtAt = 0x80;
    static constexpr uint32_t kFileAlignment = 0x200;
    static constexpr uint32_t kSectionAlignment = 0x1000;

    uint16_t machine = kMachineAmd64;
    uint16_t characteristics = 0x0022;  // the DLL flag joins when AddExport was used
    uint32_t timeDateStamp = 0x5F5E1000;
    uint32_t pointerToSymbolTable = 0;
    uint64_t imageBase = 0x140000000ULL;
    uint32_t entryPoint = 0x1010;
    // AddSection keeps it at the end of the last section it placed.
    uint32_t sizeOfImage = 0x10000;
    uint16_t magic = kOptionalMagic64;
    uint32_t directories[16][2] = {};
    std::vector<TestSection> sections;

    PeBuilder& Directory(int index, uint32_t rva, uint32_t size) {
        directories[index][0] = rva;
        directories[index][1] = size;
        return *this;
    }
    TestSection& Section(const std::string& name, uint32_t virtualAddress) {
        sections.push_back(TestSection{name, virtualAddress, {}, 0, kReadOnlyData, 0});
        return sections.back();
    }

    PeBuilder& ImageBase(uint64_t base) {
        imageBase = base;
        return *this;
    }
    PeBuilder& TimeDateStamp(uint32_t stamp) {
        timeDateStamp = stamp;
        return *this;
    }
    PeBuilder& EntryPoint(uint32_t rva) {
        entryPoint = rva;
        return *this;
    }
    PeBuilder& DllName(std::string name) {
        m_dllName = std::move(name);
        return *this;
    }
    // Places a section after the others and returns its RVA. virtualSize 0
    // means the size of the bytes.
    uint32_t AddSection(std::string name, uint32_t sectionCharacteristics, std::vector<uint8_t> bytes,
                        uint32_t virtualSize = 0) {
        const uint32_t rva = NextRva(sections);
        TestSection section{std::move(name), rva, Blob{std::move(bytes)}, virtualSize, sectionCharacteristics, 0};
        sizeOfImage = EndOf(section);
        sections.push_back(std::move(section));
        return rva;
    }
    // An export of that name at rva, in an export directory Build places
    // after every section.
    PeBuilder& AddExport(std::string name, uint32_t rva) {
        m_exports.emplace_back(std::move(name), rva);
        return *this;
    }

    std::vector<uint8_t> Build() const {
        PeBuilder image = *this;
        if (!m_exports.empty()) image.AddExportSection();
        return image.Write();
    }

    void WriteTo(const std::filesystem::path& path) const {
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
        const std::vector<uint8_t> bytes = Build();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path.string());
    }

private:
    static uint32_t Align(uint32_t value, uint32_t alignment) {
        return (value + alignment - 1) / alignment * alignment;
    }

    static uint32_t EndOf(const TestSection& section) {
        const auto size = static_cast<uint32_t>(section.virtualSize ? section.virtualSize : section.data.bytes.size());
        return Align(section.virtualAddress + std::max<uint32_t>(size, 1), kSectionAlignment);
    }
    static uint32_t NextRva(const std::vector<TestSection>& placed) {
        uint32_t next = kSectionAlignment;
        for (const TestSection& section : placed) next = std::max(next, EndOf(section));
        return next;
    }

    // The export directory, its arrays and strings, as a section of its own.
    void AddExportSection() {
        std::vector<std::pair<std::string, uint32_t>> exports = m_exports;
        std::sort(exports.begin(), exports.end());
        const uint32_t rva = NextRva(sections);
        const auto count = static_cast<uint32_t>(exports.size());
        const uint32_t functions = kExportDirectorySize, names = functions + 4 * count, ordinals = names + 4 * count;
        Blob table;
        table.At(0, ordinals + 2 * count);
        auto addText = [&](const std::string& text) {
            const auto at = static_cast<uint32_t>(table.bytes.size());
            table.Str(at, text);
            return rva + at;
        };
        table.U32(kEdName, addText(m_dllName)).U32(kEdBase, 1);
        table.U32(kEdNumberOfFunctions, count).U32(kEdNumberOfNames, count);
        table.U32(kEdAddressOfFunctions, rva + functions).U32(kEdAddressOfNames, rva + names);
        table.U32(kEdAddressOfNameOrdinals, rva + ordinals);
        for (uint32_t i = 0; i < count; ++i) {
            table.U32(functions + 4 * i, exports[i].second);
            table.U32(names + 4 * i, addText(exports[i].first));
            table.U16(ordinals + 2 * i, static_cast<uint16_t>(i));
        }
        const auto size = static_cast<uint32_t>(table.bytes.size());
        AddSection(".edata", kReadOnlyData, std::move(table.bytes));
        Directory(kDirExport, rva, size);
        characteristics |= 0x2000;
    }

    std::vector<uint8_t> Write() const {
        Blob out;
        out.U16(0, kDosSignature).U32(kDosLfanewOffset, kNtAt);
        out.U32(kNtAt, kNtSignature);
        const size_t fh = kNtAt + kFileHeaderOffset;
        out.U16(fh + kFhMachine, machine).U16(fh + kFhNumberOfSections, static_cast<uint16_t>(sections.size()));
        out.U32(fh + kFhTimeDateStamp, timeDateStamp).U32(fh + kFhPointerToSymbolTable, pointerToSymbolTable);
        out.U16(fh + kFhSizeOfOptionalHeader, kOptionalHeaderSize64).U16(fh + kFhCharacteristics, characteristics);
        const size_t oh = kNtAt + kOptionalHeaderOffset;
        out.U16(oh + kOhMagic, magic).U8(oh + kOhMajorLinkerVersion, 2).U8(oh + kOhMinorLinkerVersion, 38);
        out.U32(oh + kOhSizeOfCode, 0x1000).U32(oh + kOhSizeOfInitializedData, 0x800);
        out.U32(oh + kOhSizeOfUninitializedData, 0x200);
        out.U32(oh + kOhAddressOfEntryPoint, entryPoint).U32(oh + kOhBaseOfCode, 0x1000);
        out.U64(oh + kOhImageBase, imageBase);
        out.U32(oh + kOhSectionAlignment, kSectionAlignment).U32(oh + kOhFileAlignment, kFileAlignment);
        out.U16(oh + kOhMajorOsVersion, 6).U16(oh + kOhMinorOsVersion, 1);
        out.U16(oh + kOhMajorSubsystemVersion, 5).U16(oh + kOhMinorSubsystemVersion, 2);
        out.U32(oh + kOhSizeOfImage, sizeOfImage).U32(oh + kOhSizeOfHeaders, 0x400).U32(oh + kOhCheckSum, 0x1234);
        out.U16(oh + kOhSubsystem, 3).U32(oh + kOhNumberOfRvaAndSizes, 16);
        for (int i = 0; i < 16; ++i) {
            const size_t entry = oh + kDataDirectoryOffset64 + kDataDirectorySize * static_cast<size_t>(i);
            out.U32(entry, directories[i][0]).U32(entry + 4, directories[i][1]);
        }
        size_t table = oh + kOptionalHeaderSize64;
        size_t raw = Align(static_cast<uint32_t>(table + kSectionHeaderSize * sections.size()), kFileAlignment);
        for (const TestSection& section : sections) {
            const auto dataSize = static_cast<uint32_t>(section.data.bytes.size());
            const uint32_t rounded = Align(dataSize, kFileAlignment);
            for (size_t i = 0; i < kSectionNameSize && i < section.name.size(); ++i) {
                out.U8(table + i, static_cast<uint8_t>(section.name[i]));
            }
            out.U32(table + kShVirtualSize, section.virtualSize ? section.virtualSize : dataSize);
            out.U32(table + kShVirtualAddress, section.virtualAddress);
            out.U32(table + kShSizeOfRawData, section.rawSize ? section.rawSize : rounded);
            out.U32(table + kShPointerToRawData, static_cast<uint32_t>(raw));
            out.U32(table + kShCharacteristics, section.characteristics);
            out.Bytes(raw, section.data.bytes);
            out.At(raw, rounded);
            table += kSectionHeaderSize;
            raw += rounded;
        }
        return out.bytes;
    }

    std::string m_dllName = "test.dll";
    std::vector<std::pair<std::string, uint32_t>> m_exports;
};

}  // namespace qv::test
