#include "platform/sim/SimSystemImage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "base/PeImage.h"

namespace qv::sim::detail {

namespace {

constexpr uint32_t kNtOffset = 0x80;
constexpr uint32_t kFileHeader = kNtOffset + kFileHeaderOffset;
constexpr uint32_t kOptionalOffset = kNtOffset + kOptionalHeaderOffset;
constexpr uint16_t kOptionalSize = kOptionalHeaderSize64;
constexpr uint32_t kTextRva = 0x1000;
constexpr uint32_t kExportRva = 0x1000;
constexpr uint32_t kCodeRva = 0x1800;
constexpr uint32_t kStubSize = 0x10;
constexpr uint8_t kRet = 0xC3;

class Writer {
public:
    explicit Writer(uint8_t* image) : m_image(image) {}
    template <typename T>
    void Put(uint32_t offset, T value) {
        if (offset + sizeof(T) > kSystemImageSize) throw std::length_error("system image overflow");
        std::memcpy(m_image + offset, &value, sizeof(T));
    }
    void PutText(uint32_t offset, const std::string& text) {
        if (offset + text.size() + 1 > kSystemImageSize) throw std::length_error("system image overflow");
        std::memcpy(m_image + offset, text.c_str(), text.size() + 1);
    }

private:
    uint8_t* m_image;
};

}  // namespace

std::unique_ptr<uint8_t[]> BuildSystemImage(const std::string& dllName, std::vector<std::string> exports) {
    auto image = std::make_unique<uint8_t[]>(kSystemImageSize + kOwnModuleGap);
    Writer out(image.get());
    std::sort(exports.begin(), exports.end());
    const auto count = static_cast<uint32_t>(exports.size());

    out.Put<uint16_t>(0, kDosSignature);
    out.Put<uint32_t>(kDosLfanewOffset, kNtOffset);
    out.Put<uint32_t>(kNtOffset, kNtSignature);
    out.Put<uint16_t>(kFileHeader + kFhMachine, kMachineAmd64);
    out.Put<uint16_t>(kFileHeader + kFhNumberOfSections, 1);
    out.Put<uint16_t>(kFileHeader + kFhSizeOfOptionalHeader, kOptionalSize);
    out.Put<uint16_t>(kFileHeader + kFhCharacteristics, 0x2022);  // executable, large address aware, DLL
    out.Put<uint16_t>(kOptionalOffset + kOhMagic, kOptionalMagic64);
    out.Put<uint64_t>(kOptionalOffset + kOhImageBase, reinterpret_cast<uint64_t>(image.get()));
    out.Put<uint32_t>(kOptionalOffset + kOhSectionAlignment, 0x1000);
    out.Put<uint32_t>(kOptionalOffset + kOhFileAlignment, 0x200);
    out.Put<uint32_t>(kOptionalOffset + kOhSizeOfImage, kSystemImageSize);
    out.Put<uint32_t>(kOptionalOffset + kOhSizeOfHeaders, 0x400);
    out.Put<uint32_t>(kOptionalOffset + kOhNumberOfRvaAndSizes, 16);

    const uint32_t functions = kExportRva + kExportDirectorySize;
    const uint32_t names = functions + 4 * count;
    const uint32_t ordinals = names + 4 * count;
    uint32_t text = ordinals + 2 * count;
    out.PutText(text, dllName);
    out.Put<uint32_t>(kExportRva + kEdName, text);
    text += static_cast<uint32_t>(dllName.size()) + 1;
    out.Put<uint32_t>(kExportRva + kEdBase, 1);
    out.Put<uint32_t>(kExportRva + kEdNumberOfFunctions, count);
    out.Put<uint32_t>(kExportRva + kEdNumberOfNames, count);
    out.Put<uint32_t>(kExportRva + kEdAddressOfFunctions, functions);
    out.Put<uint32_t>(kExportRva + kEdAddressOfNames, names);
    out.Put<uint32_t>(kExportRva + kEdAddressOfNameOrdinals, ordinals);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t stub = kCodeRva + i * kStubSize;
        out.Put<uint8_t>(stub, kRet);
        out.Put<uint32_t>(functions + 4 * i, stub);
        out.Put<uint32_t>(names + 4 * i, text);
        out.Put<uint16_t>(ordinals + 2 * i, static_cast<uint16_t>(i));
        out.PutText(text, exports[i]);
        text += static_cast<uint32_t>(exports[i].size()) + 1;
    }
    if (text > kCodeRva) throw std::length_error("system image overflow");
    out.Put<uint32_t>(kOptionalOffset + kDataDirectoryOffset64, kExportRva);
    out.Put<uint32_t>(kOptionalOffset + kDataDirectoryOffset64 + 4, text - kExportRva);

    const uint32_t section = kOptionalOffset + kOptionalSize;
    out.PutText(section, ".text");
    out.Put<uint32_t>(section + kShVirtualSize, kSystemImageSize - kTextRva);
    out.Put<uint32_t>(section + kShVirtualAddress, kTextRva);
    out.Put<uint32_t>(section + kShSizeOfRawData, kSystemImageSize - kTextRva);
    out.Put<uint32_t>(section + kShPointerToRawData, 0x400);
    out.Put<uint32_t>(section + kShCharacteristics, 0x60000020);  // code, execute, read
    return image;
}

}  // namespace qv::sim::detail
