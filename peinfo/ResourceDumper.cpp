// The resource dumper: collects every resource of a PE file, writes a
// resource script named after the file and extracts bitmaps, icons and
// cursors into files of their own, all in the current directory.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "base/AsciiText.h"
#include "base/PeImage.h"
#include "peinfo/OutputFile.h"
#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"
#include "peinfo/ResourceDirectory.h"
#include "peinfo/ResourceFiles.h"
#include "platform/Platform.h"

namespace qv {

namespace {

struct TypeName {
    uint32_t id;
    const char* name;
};
constexpr TypeName kTypeNames[] = {
    {1, "RT_CURSOR"},       {2, "RT_BITMAP"},        {3, "RT_ICON"},        {4, "RT_MENU"},
    {5, "RT_DIALOG"},       {6, "RT_STRING"},        {7, "RT_FONTDIR"},     {8, "RT_FONT"},
    {9, "RT_ACCELERATOR"},  {10, "RT_RCDATA"},       {11, "RT_MESSAGETABLE"}, {12, "RT_GROUP_CURSOR"},
    {14, "RT_GROUP_ICON"},  {16, "RT_VERSION"},      {17, "RT_DLGINCLUDE"}, {19, "RT_PLUGPLAY"},
    {20, "RT_VXD"},         {21, "RT_ANICURSOR"},    {22, "RT_ANIICON"},    {23, "RT_HTML"},
    {24, "RT_MANIFEST"},
};
constexpr size_t kMaxNameBytes = 255;
constexpr const char* kRsrcPrefix = ".rsrc";

std::string TypeText(uint32_t id) {
    for (const TypeName& known : kTypeNames) {
        if (known.id == id) return known.name;
    }
    char text[32];
    std::snprintf(text, sizeof text, "UNKNOWN ID: %d", static_cast<int>(id));
    return text;
}

std::optional<std::string> EntryName(ByteView section, const ResourceEntry& entry, bool isType) {
    if (entry.HasStringName()) return ReadResourceName(section, entry.NameOffset(), kMaxNameBytes);
    if (isType) return TypeText(entry.Name);
    return std::to_string(entry.Name & 0xFFFF);
}

// The resource section as the dumper finds it: the first section whose name
// begins with ".rsrc".
struct ResourceSection {
    uint32_t virtualAddress = 0;
    uint32_t rawPointer = 0;
};

std::optional<ResourceSection> FindResourceSection(ByteView image) {
    const auto nt = GetNtHeaders(image);
    const auto first = GetFirstSectionHeader(image);
    if (!nt || !first) return std::nullopt;
    const uint16_t count = image.GetOr<uint16_t>(*nt + kFileHeaderOffset + kFhNumberOfSections, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const auto header = image.Sub(*first + uint64_t{i} * kSectionHeaderSize, kSectionHeaderSize);
        if (!header) return std::nullopt;
        if (header->FixedString(0, kSectionNameSize).substr(0, 5) == kRsrcPrefix) {
            return ResourceSection{header->GetOr<uint32_t>(kShVirtualAddress, 0),
                                   header->GetOr<uint32_t>(kShPointerToRawData, 0)};
        }
    }
    return std::nullopt;
}

class ResourceCollector {
public:
    ResourceCollector(ByteView image, ResourceSection section, CWnd* window)
        : m_image(image),
          m_section(section),
          m_window(window),
          m_tree(image.From(section.rawPointer).value_or(ByteView())),
          m_entries(m_tree) {}

    ResourceList Collect() {
        CollectTypes();
        return std::move(m_records);
    }

private:
    // Returns false when collecting stops. Each directory is visited once, so
    // that crafted entries sharing directories can't multiply the work.
    bool CollectTypes() {
        const auto root = ReadResourceDirectory(m_tree, 0);
        if (!root) return false;
        m_visited.insert(0);
        for (uint32_t i = 0; i < root->EntryCount(); ++i) {
            const auto entry = m_entries.Read(0, i);
            if (!entry) return false;
            const auto type = EntryName(m_tree, *entry, true);
            if (!type) return false;
            if (!entry->IsDirectory()) {
                ReportLine(m_window, "resdump: type directory expected\n");
                return false;
            }
            if (m_visited.insert(entry->Offset()).second && !CollectNames(*type, entry->Offset())) return false;
        }
        return true;
    }

    bool CollectNames(const std::string& type, uint64_t directory) {
        const auto header = ReadResourceDirectory(m_tree, directory);
        if (!header) return false;
        for (uint32_t i = 0; i < header->EntryCount(); ++i) {
            const auto entry = m_entries.Read(directory, i);
            if (!entry) return false;
            const auto name = EntryName(m_tree, *entry, false);
            if (!name) return false;
            if (!entry->IsDirectory()) {
                ReportLine(m_window, "resdump: instance directory expected\n");
                return false;
            }
            if (m_visited.insert(entry->Offset()).second && !CollectInstances(type, *name, entry->Offset())) {
                return false;
            }
        }
        return true;
    }

    bool CollectInstances(const std::string& type, const std::string& name, uint64_t directory) {
        const auto header = ReadResourceDirectory(m_tree, directory);
        if (!header) return false;
        for (uint32_t i = 0; i < header->EntryCount(); ++i) {
            const auto entry = m_entries.Read(directory, i);
            if (!entry) return false;
            if (entry->IsDirectory()) continue;  // a language level holds data only
            const auto dataEntry = m_tree.Sub(entry->Offset(), kResourceDataEntrySize);
            if (!dataEntry) return false;
            const uint32_t dataRva = dataEntry->GetOr<uint32_t>(0, 0);
            RESOURCERECORD record;
            record.szType = type;
            record.szName = name;
            record.nSize = dataEntry->GetOr<uint32_t>(4, 0);
            const int64_t position = int64_t{dataRva} - m_section.virtualAddress + m_section.rawPointer;
            record.nAddress = reinterpret_cast<uintptr_t>(m_image.data()) + static_cast<uint64_t>(position);
            if (position >= 0) record.data = m_image.Sub(static_cast<uint64_t>(position), record.nSize);
            m_records.push_back(std::move(record));
        }
        return true;
    }

    ByteView m_image;
    ResourceSection m_section;
    CWnd* m_window;
    ByteView m_tree;
    ResourceEntryReader m_entries;
    ResourceList m_records;
    std::set<uint64_t> m_visited;
};

// The file name of a path without directory and extension.
std::string FileStem(const std::string& path) {
    const std::string fileName(PathFileName(path));
    const size_t dot = fileName.find_last_of('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

// A resource name as a file name in the current directory: characters that
// would name another directory or aren't allowed in a file name become '_'.
std::string SafeFileStem(const std::string& name) {
    std::string stem = name;
    for (char& c : stem) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) c = '_';
    }
    return stem;
}

std::string Lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

struct ExtractedKind {
    const char* type;
    const char* keyword;
    const char* extension;
};
constexpr ExtractedKind kExtracted[] = {
    {"RT_BITMAP", "BITMAP", "bmp"},
    {"RT_GROUP_CURSOR", "CURSOR", "cur"},
    {"RT_GROUP_ICON", "ICON", "ico"},
};

// Writes the script line and the file of one record; false ends the dump.
bool ExtractRecord(const RESOURCERECORD& record, const ResourceList& records, OutputFile& script,
                   const std::string& scriptName, CWnd* window) {
    for (const ExtractedKind& kind : kExtracted) {
        if (record.szType != kind.type) continue;
        const std::string stem = SafeFileStem(record.szName);
        // Resource scripts are text files: lines end in CR LF.
        const std::string line = record.szName + " " + kind.keyword + " \"" + stem + "." + kind.extension + "\"\r\n\r\n";
        if (!script.Write(line)) {
            ReportLine(window, "unable to write to %s\n", scriptName.c_str());
            return false;
        }
        const std::string fileName = Lowered(stem) + "." + kind.extension;
        if (record.szType == "RT_BITMAP") return WriteBitmapFile(record, fileName, window);
        if (record.szType == "RT_GROUP_CURSOR") return WriteCursorFile(record, records, fileName, window);
        return WriteIconFile(record, records, fileName, window);
    }
    return true;
}

void WriteScript(const std::string& path, const ResourceList& records, CWnd* window) {
    const std::string scriptName = FileStem(path) + ".rc";
    OutputFile script(scriptName);
    if (!script.IsOpen()) {
        ReportLine(window, "unable to create %s\n", scriptName.c_str());
        return;
    }
    if (!script.Write("// " + scriptName + "\r\n\r\n")) {
        ReportLine(window, "unable to write to %s\n", scriptName.c_str());
        return;
    }
    for (const RESOURCERECORD& record : records) {
        ReportLine(window, "Type = %s\n", record.szType.c_str());
        ReportLine(window, "Name = %s\n", record.szName.c_str());
        ReportLine(window, "Address = %x\n", static_cast<uint32_t>(record.nAddress));
        ReportLine(window, "Size = %d\n\n", static_cast<int>(record.nSize));
        if (!ExtractRecord(record, records, script, scriptName, window)) return;
    }
}

}  // namespace

void DumpMappedResources(const std::string& path, ByteView image, CWnd* window) {
    if (image.GetOr<uint16_t>(0, 0) != kDosSignature) {
        ReportLine(window, "resdump: DOS header missing\n");
        return;
    }
    const uint32_t lfanew = image.GetOr<uint32_t>(kDosLfanewOffset, UINT32_MAX);
    if (lfanew >= image.size()) {
        ReportLine(window, "resdump: not a PE-based EXE file\n");
        return;
    }
    if (image.GetOr<uint32_t>(lfanew, 0) != kNtSignature) {
        ReportLine(window, "resdump: not a PE file\n");
        return;
    }
    const auto section = FindResourceSection(image);
    const ResourceList records = section ? ResourceCollector(image, *section, window).Collect() : ResourceList();
    WriteScript(path, records, window);
}

void DumpResources(const std::string& path, CWnd* window) {
    IPlatform& platform = Platform();
    const Handle file = platform.OpenFileForRead(path.c_str(), kFileShareRead);
    if (file == kNullHandle) {
        ReportLine(window, "resdump: could not open %s\n", path.c_str());
        return;
    }
    const Handle mapping = platform.CreateFileMapping(file, 0);
    if (mapping == kNullHandle) {
        ReportLine(window, "resdump: unable to create file mapping\n");
        platform.CloseHandle(file);
        return;
    }
    uint64_t length = 0;
    const uint8_t* view = platform.MapViewOfFile(mapping, 0, length);
    if (view == nullptr) {
        ReportLine(window, "resdump: unable to map view of file\n");
    } else {
        DumpMappedResources(path, ByteView(view, length), window);
        platform.UnmapViewOfFile(view);
    }
    platform.CloseHandle(mapping);
    platform.CloseHandle(file);
}

}  // namespace qv
