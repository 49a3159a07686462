#include "platform/sim/SimPeImage.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/PeImage.h"
#include "platform/sim/SimMachine.h"

namespace qv::sim::detail {

namespace {

// Larger images are refused: the machine maps them into its own memory.
constexpr uint32_t kMaxImageSize = 256u << 20;

}  // namespace

std::optional<PeImage> ParsePeImage(ByteView file) {
    const auto fileHeaderAt = GetFileHeader(file);
    const auto optionalAt = GetOptionalHeader(file);
    if (!fileHeaderAt || !optionalAt) return std::nullopt;
    const uint64_t fileHeader = *fileHeaderAt;
    const uint64_t optional = *optionalAt;
    const auto sectionCount = file.Get<uint16_t>(fileHeader + kFhNumberOfSections);
    const auto stamp = file.Get<uint32_t>(fileHeader + kFhTimeDateStamp);
    const auto optionalSize = file.Get<uint16_t>(fileHeader + kFhSizeOfOptionalHeader);
    if (!sectionCount || !stamp || !optionalSize) return std::nullopt;
    const uint16_t magic = file.GetOr<uint16_t>(optional + kOhMagic, 0);
    if (magic != kOptionalMagic64 && magic != kOptionalMagic32) return std::nullopt;

    PeImage image;
    image.timeDateStamp = *stamp;
    const auto entry = file.Get<uint32_t>(optional + kOhAddressOfEntryPoint);
    // PE32 keeps a 32-bit image base after its base of data.
    const auto base = magic == kOptionalMagic64
                          ? file.Get<uint64_t>(optional + kOhImageBase)
                          : std::optional<uint64_t>(file.Get<uint32_t>(optional + kOhImageBase32));
    const auto sizeOfImage = file.Get<uint32_t>(optional + kOhSizeOfImage);
    const auto sizeOfHeaders = file.Get<uint32_t>(optional + kOhSizeOfHeaders);
    if (!entry || !base || !sizeOfImage || !sizeOfHeaders) return std::nullopt;
    if (*sizeOfImage == 0 || *sizeOfImage > kMaxImageSize) return std::nullopt;
    image.entryPoint = *entry;
    image.imageBase = *base;
    image.sizeOfImage = *sizeOfImage;
    image.sizeOfHeaders = *sizeOfHeaders;

    const uint64_t table = optional + *optionalSize;
    for (uint32_t i = 0; i < *sectionCount; ++i) {
        const auto header = file.Sub(table + uint64_t{i} * kSectionHeaderSize, kSectionHeaderSize);
        if (!header) return std::nullopt;
        PeSection section;
        section.virtualSize = header->GetOr<uint32_t>(kShVirtualSize, 0);
        section.virtualAddress = header->GetOr<uint32_t>(kShVirtualAddress, 0);
        section.rawSize = header->GetOr<uint32_t>(kShSizeOfRawData, 0);
        section.rawOffset = header->GetOr<uint32_t>(kShPointerToRawData, 0);
        section.characteristics = header->GetOr<uint32_t>(kShCharacteristics, 0);
        image.sections.push_back(section);
    }
    return image;
}

std::vector<uint8_t> LoadedLayout(ByteView file, const PeImage& image) {
    std::vector<uint8_t> loaded(image.sizeOfImage, 0);
    const ByteView target(loaded.data(), loaded.size());
    const uint64_t headers = std::min<uint64_t>({image.sizeOfHeaders, file.size(), loaded.size()});
    file.CopyTo(0, loaded.data(), headers);
    for (const PeSection& section : image.sections) {
        const uint32_t span = section.virtualSize ? std::min(section.virtualSize, section.rawSize) : section.rawSize;
        const auto source = file.From(section.rawOffset);
        if (!source || !target.Contains(section.virtualAddress, 0)) continue;
        const uint64_t room = loaded.size() - section.virtualAddress;
        const uint64_t length = std::min<uint64_t>({span, source->size(), room});
        source->CopyTo(0, loaded.data() + section.virtualAddress, length);
    }
    return loaded;
}

Protection SectionProtection(uint32_t characteristics) {
    const bool execute = (characteristics & kScnMemExecute) != 0;
    const bool write = (characteristics & kScnMemWrite) != 0;
    if (execute) return write ? Protection::ExecuteReadWrite : Protection::ExecuteRead;
    return write ? Protection::ReadWrite : Protection::ReadOnly;
}

std::optional<uint32_t> FindExportRva(ByteView loaded, const std::string& name) {
    const auto ntOffset = loaded.Get<uint32_t>(kDosLfanewOffset);
    if (!ntOffset) return std::nullopt;
    const uint64_t optional = uint64_t{*ntOffset} + kOptionalHeaderOffset;
    const bool pe32 = loaded.GetOr<uint16_t>(optional + kOhMagic, 0) == kOptionalMagic32;
    const uint64_t directories = pe32 ? kDataDirectoryOffset32 : kDataDirectoryOffset64;
    const auto directoryRva = loaded.Get<uint32_t>(optional + directories + kDirExport * kDataDirectorySize);
    if (!directoryRva || *directoryRva == 0) return std::nullopt;
    const auto directory = loaded.Sub(*directoryRva, kExportDirectorySize);
    if (!directory) return std::nullopt;
    const uint32_t functionCount = directory->GetOr<uint32_t>(kEdNumberOfFunctions, 0);
    const uint32_t nameCount = directory->GetOr<uint32_t>(kEdNumberOfNames, 0);
    const uint32_t functions = directory->GetOr<uint32_t>(kEdAddressOfFunctions, 0);
    const uint32_t names = directory->GetOr<uint32_t>(kEdAddressOfNames, 0);
    const uint32_t ordinals = directory->GetOr<uint32_t>(kEdAddressOfNameOrdinals, 0);
    for (uint32_t i = 0; i < nameCount; ++i) {
        const auto nameRva = loaded.Get<uint32_t>(names + uint64_t{i} * 4);
        if (!nameRva) return std::nullopt;
        const auto text = loaded.CString(*nameRva, 4096);
        if (!text || *text != name) continue;
        const auto ordinal = loaded.Get<uint16_t>(ordinals + uint64_t{i} * 2);
        if (!ordinal || *ordinal >= functionCount) return std::nullopt;
        return loaded.Get<uint32_t>(functions + uint64_t{*ordinal} * 4);
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& hostPath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(hostPath, error)) return std::nullopt;
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace qv::sim::detail
