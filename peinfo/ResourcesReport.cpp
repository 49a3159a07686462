// The resource directory tree of a mapped image as indented lines.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <set>
#include <string>

#include "base/PeImage.h"
#include "peinfo/PeReports.h"
#include "peinfo/ReportLog.h"
#include "peinfo/ResourceDirectory.h"

namespace qv {

namespace {

constexpr const char* kTypeNames[] = {
    "???_0", "CURSOR", "BITMAP", "ICON", "MENU", "DIALOG", "STRING", "FONTDIR", "FONT",
    "ACCELERATORS", "RCDATA", "MESSAGETABLE", "GROUP_CURSOR", "???_13", "GROUP_ICON", "???_15", "VERSION",
};
constexpr size_t kDirectoryNameChars = 63;
constexpr size_t kEntryNameChars = 127;
// A well-formed tree has three levels below the root; anything deeper than
// this is not followed, so that a crafted chain can't exhaust the stack.
constexpr int kMaxLevel = 8;

class ResourceTreePrinter {
public:
    ResourceTreePrinter(ByteView section, CWnd* window) : m_section(section), m_entries(section), m_window(window) {}

    // False at the first structure that doesn't fit the file.
    bool PrintDirectory(int level, uint32_t nameValue, uint64_t offset) {
        // Each directory is printed once: a directory reached again (a
        // loop, or one shared by crafted entries) would repeat forever.
        if (level > kMaxLevel || !m_visited.insert(offset).second) return true;
        const auto header = ReadResourceDirectory(m_section, offset);
        if (!header) return false;
        const auto name = DirectoryName(level, nameValue);
        if (!name) return false;
        ReportLine(m_window, "%sResDir (%s) Named:%02X ID:%02X TimeDate:%08X Vers:%u.%02u Char:%X\r\n",
                   Indent(level).c_str(), name->c_str(), unsigned{header->NumberOfNamedEntries},
                   unsigned{header->NumberOfIdEntries}, header->TimeDateStamp, unsigned{header->MajorVersion},
                   unsigned{header->MinorVersion}, header->Characteristics);
        for (uint32_t i = 0; i < header->EntryCount(); ++i) {
            const auto entry = m_entries.Read(offset, i);
            if (!entry) return false;
            if (entry->IsDirectory()) {
                if (!PrintDirectory(level + 1, entry->Name, entry->Offset())) return false;
            } else if (!PrintDataEntry(level + 1, *entry)) {
                return false;
            }
        }
        return true;
    }

private:
    static std::string Indent(int level) { return std::string(static_cast<size_t>(level) * 4, ' '); }

    std::optional<std::string> DirectoryName(int level, uint32_t nameValue) const {
        if (nameValue & kResourceHighBit) {
            return ReadResourceName(m_section, nameValue & ~kResourceHighBit, kDirectoryNameChars);
        }
        if (level == 1 && nameValue < std::size(kTypeNames)) return std::string(kTypeNames[nameValue]);
        char text[16];
        std::snprintf(text, sizeof text, "%X", nameValue);
        return std::string(text);
    }

    bool PrintDataEntry(int level, const ResourceEntry& entry) {
        if (entry.HasStringName()) {
            const auto name = ReadResourceName(m_section, entry.NameOffset(), kEntryNameChars);
            if (!name) return false;
            ReportLine(m_window, "%sName: %s  Offset: %08X\r\n", Indent(level).c_str(), name->c_str(),
                       entry.OffsetToData);
        } else {
            ReportLine(m_window, "%sID: %08X  Offset: %08X\r\n", Indent(level).c_str(), entry.Name,
                       entry.OffsetToData);
        }
        return true;
    }

    ByteView m_section;
    ResourceEntryReader m_entries;
    CWnd* m_window;
    std::set<uint64_t> m_visited;
};

}  // namespace

void ReportResources(ByteView image, CWnd* window) {
    const auto root = GetDataDirectoryVa(image, kDirResource);
    if (!root) return;
    ReportLine(window, "Resources\r\n");
    ResourceTreePrinter(*image.From(*root), window).PrintDirectory(0, 0, 0);
}

}  // namespace qv
