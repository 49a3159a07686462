#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disasm/FunctionListing.h"

namespace qv::test {
namespace {

// Notes that name every address and say which ones were asked for.
class RecordingNotes final : public IListingNotes {
public:
    std::optional<std::string> CallTargetName(uint64_t address) override {
        calls.push_back(address);
        if (address == kUnknown) return std::nullopt;
        return "M!f+" + std::to_string(address);
    }
    std::string MemoryValue(uint64_t address) override {
        reads.push_back(address);
        return "<" + std::to_string(address) + ">";
    }
    static constexpr uint64_t kUnknown = 0x500000;
    std::vector<uint64_t> calls;
    std::vector<uint64_t> reads;
};

std::string List(const std::vector<uint8_t>& code, IListingNotes* notes) {
    std::string text;
    ListFunction(ByteView(code.data(), code.size()), 0x401000, notes, [&](const std::string& line) { text += line; });
    return text;
}

TEST(FunctionListingTest, NotesFollowCallsBracketsAndLargeImmediates) {
    RecordingNotes notes;
    const std::vector<uint8_t> code = {
        0xE8, 0xFB, 0xEF, 0x0F, 0x00,        // call 00500000: no module holds it
        0x68, 0x00, 0x10, 0x40, 0x00,        // push 00401000: not a call, no note
        0x8B, 0x04, 0x85, 0x00, 0x30, 0x40,  // mov eax, [eax*4+00403000]: not a plain address
        0x00,
        0x83, 0xC0, 0x10,                    // add eax, 10: too small for an address
        0x3D, 0x00, 0x80, 0x00, 0x00,        // cmp eax, 00008000: the smallest one taken
    };
    EXPECT_EQ(List(code, &notes),
              "  00401000:\tCALL 00500000\t; \r\n"
              "  00401005:\tPUSH 00401000\t; \r\n"
              "  0040100A:\tMOV EAX,DWORD PTR DS:[EAX*4+00403000]\t; \r\n"
              "  00401011:\tADD EAX, 10\t; \r\n"
              "  00401014:\tCMP EAX, 00008000\t;  <32768>\r\n");
    EXPECT_EQ(notes.calls, std::vector<uint64_t>{RecordingNotes::kUnknown});
    EXPECT_EQ(notes.reads, std::vector<uint64_t>{0x8000});
}

TEST(FunctionListingTest, WithoutNotesTheRemarkIsTheDecodersOwn) {
    EXPECT_EQ(List({0xC3, 0xE8, 0x01}, nullptr),
              "  00401000:\tRET\t; Pop IP\r\n"
              "  00401001:\tCALL 00401007\t; <Cut off at end of code>\r\n");
    EXPECT_EQ(List({}, nullptr), "");
}

}  // namespace
}  // namespace qv::test
