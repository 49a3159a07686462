#include "platform/sim/SimPeImage.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/sim/SimMachine.h"

namespace qv::sim::detail {

namespace {

constexpr uint16_t kDosMagic = 0x5A4D;
constexpr uint32_t kPeSignature = 0x4550;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kScnMemExecute = 0x20000000;
constexpr uint32_t kScnMemWrite = 0x80000000;
// Larger images are refused: the machine maps them into its own memory.
constexpr uint32_t kMaxImageSize = 256u << 20;

}  // namespace

std::optional<PeImage> ParsePeImage(ByteView file) {
    if (file.GetOr<uint16_t>(0, 0) != kDosMagic) return std::nullopt;
    const uint32_t ntOffset = file.GetOr<uint32_t>(0x3C, 0);
    if (file.GetOr<uint32_t>(ntOffset, 0) != kPeSignature) return std::nullopt;
    const uint64_t fileHeader = uint64_t{ntOffset} + 4;
    const uint64_t optional = fileHeader + 20;
    const auto sectionCount = file.Get<uint16_t>(fileHeader + 2);
    const auto stamp = file.Get<uint32_t>(fileHeader + 4);
    const auto optionalSize = file.Get<uint16_t>(fileHeader + 16);
    if (!sectionCount || !stamp || !optionalSize) return std::nullopt;
    const uint16_t magic = file.GetOr<uint16_t>(optional, 0);
    if (magic != kPe32PlusMagic && magic != kPe32Magic) return std::nullopt;

    PeImage image;
    image.timeDateStamp = *stamp;
    const auto entry = file.Get<uint32_t>(optional + 16);
    // PE32 keeps a 32-bit image base after its base of data.
    const auto base = magic == kPe32PlusMagic ? file.Get<uint64_t>(optional + 24)
                                              : std::optional<uint64_t>(file.Get<uint32_t>(optional + 28));
    const auto sizeOfImage = file.Get<uint32_t>(optional + 56);
    const auto sizeOfHeaders = file.Get<uint32_t>(optional + 60);
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
        section.virtualSize = header->GetOr<uint32_t>(8, 0);
        section.virtualAddress = header->GetOr<uint32_t>(12, 0);
        section.rawSize = header->GetOr<uint32_t>(16, 0);
        section.rawOffset = header->GetOr<uint32_t>(20, 0);
        section.characteristics = header->GetOr<uint32_t>(36, 0);
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
    const auto ntOffset = loaded.Get<uint32_t>(0x3C);
    if (!ntOffset) return std::nullopt;
    const uint64_t optional = uint64_t{*ntOffset} + 24;
    const uint64_t directories = loaded.GetOr<uint16_t>(optional, 0) == kPe32Magic ? 96 : 112;
    const auto directoryRva = loaded.Get<uint32_t>(optional + directories);
    if (!directoryRva || *directoryRva == 0) return std::nullopt;
    const auto directory = loaded.Sub(*directoryRva, 40);
    if (!directory) return std::nullopt;
    const uint32_t functionCount = directory->GetOr<uint32_t>(20, 0);
    const uint32_t nameCount = directory->GetOr<uint32_t>(24, 0);
    const uint32_t functions = directory->GetOr<uint32_t>(28, 0);
    const uint32_t names = directory->GetOr<uint32_t>(32, 0);
    const uint32_t ordinals = directory->GetOr<uint32_t>(36, 0);
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
