#include "peinfo/ResourceFiles.h"

#include "peinfo/OutputFile.h"
#include "peinfo/ReportLog.h"

namespace qv {

namespace {

constexpr uint64_t kGroupHeaderSize = 6;
constexpr uint64_t kGroupEntrySize = 14;
constexpr uint64_t kFileEntrySize = 16;
constexpr uint64_t kHotSpotSize = 4;
constexpr uint32_t kBitmapFileHeaderSize = 14;
constexpr uint32_t kBitmapInfoHeaderEnd = 54;  // file header + BITMAPINFOHEADER
constexpr uint64_t kBitmapInfoHeaderSize = 40;
constexpr uint32_t kBitFields = 3;  // biCompression: three colour masks
constexpr uint32_t kBitFieldsMasksSize = 12;

// Group entry fields.
constexpr uint64_t kGeWidth = 0;
constexpr uint64_t kGeHeight = 2;
constexpr uint64_t kGePlanes = 4;
constexpr uint64_t kGeBitCount = 6;
constexpr uint64_t kGeBytesInRes = 8;
constexpr uint64_t kGeId = 12;

// The first record of the type whose name is the decimal ID.
const RESOURCERECORD* FindById(const ResourceList& records, const char* type, uint16_t id) {
    const std::string name = std::to_string(id);
    for (const RESOURCERECORD& record : records) {
        if (record.szType == type && record.szName == name) return &record;
    }
    return nullptr;
}

std::optional<ByteView> GroupEntry(ByteView group, uint32_t index) {
    return group.Sub(kGroupHeaderSize + uint64_t{index} * kGroupEntrySize, kGroupEntrySize);
}

}  // namespace

bool WriteBitmapFile(const RESOURCERECORD& bitmap, const std::string& fileName, CWnd* window) {
    if (!bitmap.data || bitmap.data->size() < kBitmapInfoHeaderSize) {
        ReportLine(window, "CORRUPT PE FILE\r\n");
        return true;
    }
    OutputFile file(fileName);
    if (!file.IsOpen()) {
        ReportLine(window, "unable to create %s\r\n", fileName.c_str());
        return false;
    }
    const ByteView dib = *bitmap.data;
    const uint32_t colorsUsed = dib.GetOr<uint32_t>(32, 0);
    const uint16_t bitCount = dib.GetOr<uint16_t>(14, 0);
    // The bits follow the info header, the colour masks of a 40-byte header
    // with bit fields, and the palette. Later header versions (108, 124
    // bytes) carry the masks inside and are longer than 40 bytes.
    const uint32_t headerSize = dib.GetOr<uint32_t>(0, 0);
    uint32_t bitsOffset = kBitmapInfoHeaderEnd;
    if (headerSize > kBitmapInfoHeaderSize && headerSize <= dib.size()) {
        bitsOffset = kBitmapFileHeaderSize + headerSize;
    } else if (dib.GetOr<uint32_t>(16, 0) == kBitFields) {
        bitsOffset += kBitFieldsMasksSize;
    }
    if (colorsUsed != 0) {
        bitsOffset += 4 * colorsUsed;
    } else if (bitCount <= 8) {
        bitsOffset += 4 * (1u << bitCount);
    }
    std::vector<uint8_t> header;
    PutU16(header, 0x4D42);  // "BM"
    PutU32(header, bitmap.nSize + kBitmapFileHeaderSize);
    PutU16(header, 0);
    PutU16(header, 0);
    PutU32(header, bitsOffset);
    if (!file.Write(header)) {
        ReportLine(window, "unable to write BITMAPFILEHEADER to %s\r\n", fileName.c_str());
        return false;
    }
    if (!file.Write(dib.data(), dib.size())) {
        ReportLine(window, "unable to write bitmap data to %s\r\n", fileName.c_str());
        return false;
    }
    return true;
}

bool WriteCursorFile(const RESOURCERECORD& group, const ResourceList& records, const std::string& fileName,
                     CWnd* window) {
    if (!group.data || group.data->size() < kGroupHeaderSize) {
        ReportLine(window, "CORRUPT PE FILE\r\n");
        return true;
    }
    const ByteView groupData = *group.data;
    OutputFile file(fileName);
    if (!file.IsOpen()) {
        ReportLine(window, "unable to create %s\r\n", fileName.c_str());
        return false;
    }
    if (!file.Write(groupData.data(), kGroupHeaderSize)) {
        ReportLine(window, "unable to write CURHEADER to %s\r\n", fileName.c_str());
        return false;
    }
    const uint16_t count = groupData.GetOr<uint16_t>(4, 0);
    uint32_t imageOffset = static_cast<uint32_t>(kGroupHeaderSize + kFileEntrySize * count);
    std::vector<ByteView> images;
    for (uint32_t i = 0; i < count; ++i) {
        const auto entry = GroupEntry(groupData, i);
        const RESOURCERECORD* cursor =
            entry ? FindById(records, "RT_CURSOR", entry->GetOr<uint16_t>(kGeId, 0)) : nullptr;
        if (cursor == nullptr || !cursor->data || cursor->data->size() < kHotSpotSize) {
            // This cursor file ends here; the dump goes on.
            ReportLine(window, "CORRUPT PE FILE\r\n");
            return true;
        }
        const ByteView cursorData = *cursor->data;
        const uint32_t bytes = entry->GetOr<uint32_t>(kGeBytesInRes, 0) - static_cast<uint32_t>(kHotSpotSize);
        std::vector<uint8_t> directoryEntry;
        directoryEntry.push_back(static_cast<uint8_t>(entry->GetOr<uint16_t>(kGeWidth, 0)));
        directoryEntry.push_back(static_cast<uint8_t>(entry->GetOr<uint16_t>(kGeHeight, 0) / 2));
        directoryEntry.push_back(0);
        directoryEntry.push_back(0);
        PutU16(directoryEntry, cursorData.GetOr<uint16_t>(0, 0));  // hot spot x
        PutU16(directoryEntry, cursorData.GetOr<uint16_t>(2, 0));  // hot spot y
        PutU32(directoryEntry, bytes);
        PutU32(directoryEntry, imageOffset);
        imageOffset += bytes;
        if (!file.Write(directoryEntry)) {
            ReportLine(window, "unable to write CURSORDIRENTRY to %s\n", fileName.c_str());
            return false;
        }
        images.push_back(*cursorData.From(kHotSpotSize));
    }
    for (size_t i = 0; i < images.size(); ++i) {
        if (!file.Write(images[i].data(), images[i].size())) {
            ReportLine(window, "unable to write cursor %d to %s\n", static_cast<int>(i), fileName.c_str());
            return false;
        }
    }
    return true;
}

bool WriteIconFile(const RESOURCERECORD& group, const ResourceList& records, const std::string& fileName,
                   CWnd* window) {
    if (!group.data || group.data->size() < kGroupHeaderSize) {
        ReportLine(window, "CORRUPT PE FILE");
        return false;
    }
    const ByteView groupData = *group.data;
    OutputFile file(fileName);
    if (!file.IsOpen()) {
        ReportLine(window, "unable to create %s\n", fileName.c_str());
        return false;
    }
    if (!file.Write(groupData.data(), kGroupHeaderSize)) {
        ReportLine(window, "unable to write ICOHEADER to %s\n", fileName.c_str());
        return false;
    }
    const uint16_t count = groupData.GetOr<uint16_t>(4, 0);
    uint32_t imageOffset = static_cast<uint32_t>(kGroupHeaderSize + kFileEntrySize * count);
    std::vector<uint16_t> ids;
    for (uint32_t i = 0; i < count; ++i) {
        const auto entry = GroupEntry(groupData, i);
        if (!entry) {
            ReportLine(window, "CORRUPT PE FILE");
            return false;
        }
        const uint32_t bytes = entry->GetOr<uint32_t>(kGeBytesInRes, 0);
        std::vector<uint8_t> directoryEntry(entry->data(), entry->data() + 4);
        PutU16(directoryEntry, entry->GetOr<uint16_t>(kGePlanes, 0));
        PutU16(directoryEntry, entry->GetOr<uint16_t>(kGeBitCount, 0));
        PutU32(directoryEntry, bytes);
        PutU32(directoryEntry, imageOffset);
        imageOffset += bytes;
        if (!file.Write(directoryEntry)) {
            ReportLine(window, "unable to write ICONDIRENTRY to %s\n", fileName.c_str());
            return false;
        }
        ids.push_back(entry->GetOr<uint16_t>(kGeId, 0));
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        const RESOURCERECORD* icon = FindById(records, "RT_ICON", ids[i]);
        if (icon == nullptr || !icon->data) {
            ReportLine(window, "CORRUPT PE FILE");
            return false;
        }
        if (!file.Write(icon->data->data(), icon->data->size())) {
            ReportLine(window, "unable to write icon %d to %s\n", static_cast<int>(i), fileName.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace qv
