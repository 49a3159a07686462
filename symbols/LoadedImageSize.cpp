#include <cstdint>

#include "core/TargetAccess.h"
#include "symbols/ImageMemory.h"
#include "symbols/ModuleList.h"

namespace qv {

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr uint64_t kNewHeaderOffset = 0x3C;
// Signature, file header, then SizeOfImage at the same place in the
// optional headers of both PE32 and PE32+.
constexpr uint64_t kSizeOfImageOffset = 4 + 20 + 56;
// Headers lie in the image's first pages; a larger offset is not a header.
constexpr uint32_t kMaxNewHeaderOffset = 0x10000;

uint32_t SizeFromHeadersInMemory(Handle process, uint64_t base) {
    const TargetImageMemory memory(process);
    uint16_t dosSignature = 0;
    uint32_t newHeader = 0;
    uint32_t ntSignature = 0;
    uint32_t size = 0;
    if (!memory.Read(base, &dosSignature, sizeof dosSignature) || dosSignature != kDosSignature) return 0;
    if (!memory.Read(base + kNewHeaderOffset, &newHeader, sizeof newHeader) || newHeader > kMaxNewHeaderOffset) {
        return 0;
    }
    if (!memory.Read(base + newHeader, &ntSignature, sizeof ntSignature) || ntSignature != kNtSignature) return 0;
    return memory.Read(base + newHeader + kSizeOfImageOffset, &size, sizeof size) ? size : 0;
}

}  // namespace

uint32_t LoadedImageSize(Handle process, uint64_t base, const std::string& path, const std::string& name) {
    if (const uint32_t size = SizeFromHeadersInMemory(process, base); size != 0) return size;
    if (!path.empty()) {
        if (const uint32_t size = GetImageSize(path); size != 0) return size;
    }
    return GetImageSize(name);
}

}  // namespace qv
