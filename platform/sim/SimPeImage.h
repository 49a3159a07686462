// Reading PE32+ files for the loader: the headers the machine needs and the
// image in loaded layout (headers and sections at their RVAs). Every byte of
// the file is read through the bounded reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ByteView.h"

namespace qv::sim {

enum class Protection;

namespace detail {

struct PeSection {
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    uint32_t characteristics = 0;
};

struct PeImage {
    uint64_t imageBase = 0;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t timeDateStamp = 0;
    uint32_t entryPoint = 0;
    std::vector<PeSection> sections;
};

// nullopt when the bytes are not a PE32+ (or PE32) image with sane sizes.
std::optional<PeImage> ParsePeImage(ByteView file);

// The image in loaded layout, sizeOfImage bytes; parts of sections that lie
// outside the file or the image are left zero.
std::vector<uint8_t> LoadedLayout(ByteView file, const PeImage& image);

Protection SectionProtection(uint32_t characteristics);

// The export named name in an image in loaded layout: its RVA, or nullopt.
std::optional<uint32_t> FindExportRva(ByteView loaded, const std::string& name);

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& hostPath);

}  // namespace detail
}  // namespace qv::sim
