// A small builder of PE32+ files for tests: headers, sections with given
// bytes and characteristics, an optional export directory. Sections are
// laid out in order at 0x1000-aligned RVAs; AddSection returns the RVA so a
// test can place code and name it in the exports.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qv::test {

class PeBuilder {
public:
    static constexpr uint32_t kCode = 0x60000020;          // code, execute, read
    static constexpr uint32_t kData = 0xC0000040;          // initialised data, read, write
    static constexpr uint32_t kReadOnlyData = 0x40000040;  // initialised data, read

    PeBuilder& ImageBase(uint64_t base) {
        m_imageBase = base;
        return *this;
    }
    PeBuilder& TimeDateStamp(uint32_t stamp) {
        m_timeDateStamp = stamp;
        return *this;
    }
    PeBuilder& EntryPoint(uint32_t rva) {
        m_entryPoint = rva;
        return *this;
    }
    PeBuilder& DllName(std::string name) {
        m_dllName = std::move(name);
        return *this;
    }

    // Returns the section's RVA. virtualSize 0 means the size of the bytes.
    uint32_t AddSection(std::string name, uint32_t characteristics, std::vector<uint8_t> bytes,
                        uint32_t virtualSize = 0) {
        Section section{std::move(name), characteristics, std::move(bytes), virtualSize, m_nextRva};
        if (section.virtualSize == 0) section.virtualSize = static_cast<uint32_t>(section.bytes.size());
        m_nextRva = Align(m_nextRva + std::max<uint32_t>(section.virtualSize, 1), kSectionAlignment);
        m_sections.push_back(std::move(section));
        return m_sections.back().rva;
    }

    PeBuilder& AddExport(std::string name, uint32_t rva) {
        m_exports.emplace_back(std::move(name), rva);
        return *this;
    }

    std::vector<uint8_t> Build() const {
        std::vector<Section> sections = m_sections;
        uint32_t exportRva = 0, exportSize = 0;
        if (!m_exports.empty()) {
            exportRva = m_nextRva;
            std::vector<uint8_t> table = ExportTable(exportRva);
            exportSize = static_cast<uint32_t>(table.size());
            sections.push_back(Section{".edata", kReadOnlyData, std::move(table), exportSize, exportRva});
        }
        const uint32_t headersEnd = kNtOffset + 24 + kOptionalSize + 40 * static_cast<uint32_t>(sections.size());
        const uint32_t sizeOfHeaders = Align(headersEnd, kFileAlignment);
        uint32_t sizeOfImage = kSectionAlignment;
        uint32_t fileSize = sizeOfHeaders;
        std::vector<uint32_t> rawOffsets;
        for (const Section& section : sections) {
            rawOffsets.push_back(fileSize);
            fileSize += Align(static_cast<uint32_t>(section.bytes.size()), kFileAlignment);
            sizeOfImage = Align(section.rva + std::max<uint32_t>(section.virtualSize, 1), kSectionAlignment);
        }

        std::vector<uint8_t> file(fileSize, 0);
        Put<uint16_t>(file, 0, 0x5A4D);
        Put<uint32_t>(file, 0x3C, kNtOffset);
        Put<uint32_t>(file, kNtOffset, 0x4550);
        const uint32_t fileHeader = kNtOffset + 4;
        Put<uint16_t>(file, fileHeader, 0x8664);
        Put<uint16_t>(file, fileHeader + 2, static_cast<uint16_t>(sections.size()));
        Put<uint32_t>(file, fileHeader + 4, m_timeDateStamp);
        Put<uint16_t>(file, fileHeader + 16, kOptionalSize);
        Put<uint16_t>(file, fileHeader + 18, m_exports.empty() ? 0x0022 : 0x2022);
        const uint32_t optional = fileHeader + 20;
        Put<uint16_t>(file, optional, 0x20B);
        Put<uint32_t>(file, optional + 16, m_entryPoint);
        Put<uint64_t>(file, optional + 24, m_imageBase);
        Put<uint32_t>(file, optional + 32, kSectionAlignment);
        Put<uint32_t>(file, optional + 36, kFileAlignment);
        Put<uint16_t>(file, optional + 40, 6);  // operating system version
        Put<uint16_t>(file, optional + 48, 6);  // subsystem version
        Put<uint32_t>(file, optional + 56, sizeOfImage);
        Put<uint32_t>(file, optional + 60, sizeOfHeaders);
        Put<uint16_t>(file, optional + 68, 3);  // console subsystem
        Put<uint32_t>(file, optional + 108, 16);
        Put<uint32_t>(file, optional + 112, exportRva);
        Put<uint32_t>(file, optional + 116, exportSize);
        uint32_t header = optional + kOptionalSize;
        for (size_t i = 0; i < sections.size(); ++i) {
            const Section& section = sections[i];
            std::memcpy(file.data() + header, section.name.c_str(), std::min<size_t>(section.name.size(), 8));
            Put<uint32_t>(file, header + 8, section.virtualSize);
            Put<uint32_t>(file, header + 12, section.rva);
            Put<uint32_t>(file, header + 16, Align(static_cast<uint32_t>(section.bytes.size()), kFileAlignment));
            Put<uint32_t>(file, header + 20, rawOffsets[i]);
            Put<uint32_t>(file, header + 36, section.characteristics);
            std::copy(section.bytes.begin(), section.bytes.end(), file.begin() + rawOffsets[i]);
            header += 40;
        }
        return file;
    }

    void WriteTo(const std::filesystem::path& path) const {
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
        const std::vector<uint8_t> bytes = Build();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + path.string());
    }

private:
    static constexpr uint32_t kNtOffset = 0x80;
    static constexpr uint16_t kOptionalSize = 0xF0;
    static constexpr uint32_t kSectionAlignment = 0x1000;
    static constexpr uint32_t kFileAlignment = 0x200;

    struct Section {
        std::string name;
        uint32_t characteristics = 0;
        std::vector<uint8_t> bytes;
        uint32_t virtualSize = 0;
        uint32_t rva = 0;
    };

    static uint32_t Align(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

    template <typename T>
    static void Put(std::vector<uint8_t>& bytes, size_t offset, T value) {
        std::memcpy(bytes.data() + offset, &value, sizeof(T));
    }

    // The export directory, its arrays and strings, to sit at rva.
    std::vector<uint8_t> ExportTable(uint32_t rva) const {
        std::vector<std::pair<std::string, uint32_t>> exports = m_exports;
        std::sort(exports.begin(), exports.end());
        const auto count = static_cast<uint32_t>(exports.size());
        const uint32_t functions = 40, names = functions + 4 * count, ordinals = names + 4 * count;
        std::vector<uint8_t> table(ordinals + 2 * count, 0);
        auto addText = [&](const std::string& text) {
            const auto at = static_cast<uint32_t>(table.size());
            table.insert(table.end(), text.begin(), text.end());
            table.push_back(0);
            return rva + at;
        };
        Put<uint32_t>(table, 12, addText(m_dllName));
        Put<uint32_t>(table, 16, 1);
        Put<uint32_t>(table, 20, count);
        Put<uint32_t>(table, 24, count);
        Put<uint32_t>(table, 28, rva + functions);
        Put<uint32_t>(table, 32, rva + names);
        Put<uint32_t>(table, 36, rva + ordinals);
        for (uint32_t i = 0; i < count; ++i) {
            Put<uint32_t>(table, functions + 4 * i, exports[i].second);
            Put<uint32_t>(table, names + 4 * i, addText(exports[i].first));
            Put<uint16_t>(table, ordinals + 2 * i, static_cast<uint16_t>(i));
        }
        return table;
    }

    uint64_t m_imageBase = 0x140000000;
    uint32_t m_timeDateStamp = 0x5F000000;
    uint32_t m_entryPoint = 0x1000;
    std::string m_dllName = "test.dll";
    uint32_t m_nextRva = kSectionAlignment;
    std::vector<Section> m_sections;
    std::vector<std::pair<std::string, uint32_t>> m_exports;
};

}  // namespace qv::test
