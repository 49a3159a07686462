// The loader's reading of PE files that may be cut short or lie about their
// sizes (the command-line tool maps any file a user names).
#include <cstring>

#include "platform/sim/SimMachine.h"
#include "platform/sim/SimPeImage.h"
#include "tests/unit/sim/SimFixture.h"

namespace qv::sim::testing {
namespace {

std::vector<uint8_t> SampleImage() {
    test::PeBuilder builder;
    const uint32_t code = builder.AddSection(".text", test::PeBuilder::kCode, std::vector<uint8_t>(0x30, 0x90));
    builder.AddExport("First", code).AddExport("Second", code + 0x10);
    return builder.Build();
}

template <typename T>
void Put(std::vector<uint8_t>& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

TEST(PeImage, EveryPrefixOfAnImageIsReadSafely) {
    const std::vector<uint8_t> whole = SampleImage();
    size_t parsed = 0;
    for (size_t length = 0; length <= whole.size(); ++length) {
        const ByteView file(whole.data(), length);
        const auto image = detail::ParsePeImage(file);
        if (!image) continue;
        ++parsed;
        const std::vector<uint8_t> loaded = detail::LoadedLayout(file, *image);
        ASSERT_EQ(loaded.size(), image->sizeOfImage);
        const auto first = detail::FindExportRva(ByteView(loaded.data(), loaded.size()), "First");
        // The export table lies in the file's last section: complete only
        // when the whole file is there.
        if (length == whole.size()) {
            EXPECT_EQ(first, 0x1000u);
        }
    }
    EXPECT_GT(parsed, 0u);
}

TEST(PeImage, LyingHeadersAreRefusedOrClipped) {
    constexpr size_t kOptional = 0x80 + 24;
    constexpr size_t kSection = kOptional + 0xF0;
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
        bool parses;
    };
    const std::vector<Case> cases = {
        {"e_lfanew past the end", 0x3C, 0xFFFFFFF0, false},
        {"too many sections", 0x80 + 6, 0xFFFF, false},
        {"huge image", kOptional + 56, 0xFFFFF000, false},
        {"raw data past the end", kSection + 20, 0x7FFFFFFF, true},
        {"raw size past the end", kSection + 16, 0x7FFFFFFF, true},
        {"section past the image", kSection + 12, 0x7FFFF000, true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = SampleImage();
        if (c.offset == 0x80 + 6) {
            Put<uint16_t>(bytes, c.offset, static_cast<uint16_t>(c.value));
        } else {
            Put<uint32_t>(bytes, c.offset, c.value);
        }
        const ByteView file(bytes.data(), bytes.size());
        const auto image = detail::ParsePeImage(file);
        EXPECT_EQ(image.has_value(), c.parses) << c.what;
        if (image) {
            EXPECT_EQ(detail::LoadedLayout(file, *image).size(), image->sizeOfImage) << c.what;
        }
    }
}

}  // namespace
}  // namespace qv::sim::testing
