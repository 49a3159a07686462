// Walks the code sections of the 32-bit system libraries with this decoder
// and with Capstone side by side. Instruction boundaries must agree, except
// for the encodings listed in kDeliberate, each with its reason; after such
// an instruction both walks continue at Capstone's next boundary.
#include <capstone/capstone.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "disasm/Disasm.h"
#include "tests/unit/disasm/Elf32Sections.h"

namespace qv::test {
namespace {

// The legacy prefixes and the opcode bytes behind them.
struct Encoding {
    bool repeatedPrefix = false;   // two prefixes of one kind
    bool repeat = false;           // F2h or F3h present
    bool repeatLast = false;       // ... and right before the opcode
    bool operand16 = false;
    uint8_t opcode = 0;
    uint8_t second = 0;            // after 0Fh
    uint8_t modrm = 0;             // byte after the opcode (or second byte)
};

Encoding Parse(const uint8_t* bytes, size_t size) {
    Encoding e;
    std::set<int> kinds;
    size_t i = 0;
    for (; i < size; ++i) {
        int kind;
        switch (bytes[i]) {
            case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65: kind = 0; break;
            case 0x66: kind = 1; e.operand16 = true; break;
            case 0x67: kind = 2; break;
            case 0xF0: kind = 3; break;
            case 0xF2: case 0xF3: kind = 4; break;
            default: kind = -1; break;
        }
        if (kind < 0) break;
        if (!kinds.insert(kind).second) e.repeatedPrefix = true;
        if (kind == 4) e.repeat = true;
        e.repeatLast = kind == 4;
    }
    auto at = [&](size_t k) -> uint8_t { return k < size ? bytes[k] : 0; };
    e.opcode = at(i);
    e.second = at(i + 1);
    e.modrm = e.opcode == 0x0F ? at(i + 2) : at(i + 1);
    return e;
}

bool IsString(uint8_t op) { return (op >= 0xA4 && op <= 0xA7) || (op >= 0xAA && op <= 0xAF); }
bool IsScalar(uint8_t second) {
    static const std::set<uint8_t> kScalar = {0x10, 0x11, 0x2A, 0x2C, 0x2D, 0x51, 0x52, 0x53,
                                              0x58, 0x59, 0x5C, 0x5D, 0x5E, 0x5F, 0xC2};
    return kScalar.count(second) != 0;
}
bool Undefined0F(uint8_t second) {
    static const std::set<uint8_t> kUndefined = [] {
        std::set<uint8_t> s = {0x04, 0x0A, 0x0C, 0x0F, 0x2B, 0x5A, 0x5B, 0x6C, 0x6D, 0x73, 0xA6, 0xA7,
                               0xB8, 0xB9, 0xC3, 0xD0, 0xD4, 0xD6, 0xE6, 0xF0, 0xF4, 0xFB, 0xFF};
        for (int b = 0x19; b <= 0x1F; ++b) s.insert(static_cast<uint8_t>(b));
        for (int b = 0x24; b <= 0x27; ++b) s.insert(static_cast<uint8_t>(b));
        for (int b = 0x36; b <= 0x3F; ++b) s.insert(static_cast<uint8_t>(b));
        for (int b = 0x78; b <= 0x7D; ++b) s.insert(static_cast<uint8_t>(b));
        return s;
    }();
    return kUndefined.count(second) != 0;
}
bool Memory(uint8_t modrm) { return (modrm >> 6) != 3; }

struct Deliberate {
    const char* reason;
    bool (*matches)(const Encoding&);
};

// Encodings where a different boundary is intended, with the reason.
const Deliberate kDeliberate[] = {
    {"second prefix of one kind: a one-byte error record",
     [](const Encoding& e) { return e.repeatedPrefix; }},
    {"F2h/F3h before anything but a string or scalar SSE opcode: a one-byte error record",
     [](const Encoding& e) {
         return e.repeat && !(e.repeatLast && (IsString(e.opcode) || (e.opcode == 0x0F && IsScalar(e.second))));
     }},
    {"0Fh second byte left undefined (\"???\", two bytes): later extensions such as hint nops, 0F38/0F3A",
     [](const Encoding& e) { return e.opcode == 0x0F && Undefined0F(e.second); }},
    {"register-only 0Fh opcode with a memory operand (\"???\", two bytes)",
     [](const Encoding& e) {
         const bool regOnly = (e.second >= 0x20 && e.second <= 0x23) || e.second == 0x50 || e.second == 0x71 ||
                              e.second == 0x72 || e.second == 0xBA;
         return e.opcode == 0x0F && regOnly && Memory(e.modrm);
     }},
    {"cmpxchg8b is decoded only with mod 0",
     [](const Encoding& e) { return e.opcode == 0x0F && e.second == 0xC7 && (e.modrm >> 6) != 0; }},
    {"66h 0Fh 80h-8Fh: the near jump keeps its 32-bit displacement",
     [](const Encoding& e) { return e.operand16 && e.opcode == 0x0F && (e.second & 0xF0) == 0x80; }},
    {"C4h/C5h/62h with a register operand: VEX/EVEX encodings of later extensions",
     [](const Encoding& e) { return (e.opcode == 0xC4 || e.opcode == 0xC5 || e.opcode == 0x62) && !Memory(e.modrm); }},
};

const char* DeliberateReason(const uint8_t* bytes, size_t size) {
    const Encoding e = Parse(bytes, size);
    for (const Deliberate& d : kDeliberate) {
        if (d.matches(e)) return d.reason;
    }
    return nullptr;
}

std::string Hex(const uint8_t* bytes, size_t size) {
    std::ostringstream out;
    for (size_t i = 0; i < size; ++i) out << std::hex << (bytes[i] < 16 ? "0" : "") << int{bytes[i]} << ' ';
    return out.str();
}

std::vector<std::filesystem::path> Libraries() {
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator("/lib32", ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (it->is_regular_file() && !it->is_symlink()) out.push_back(it->path());
    }
    return out;
}

bool MarkedInvalid(const DISASMLINE& line) {
    const std::string text = line.szText;
    const std::string comment = line.szComment;
    return text.empty() || text.rfind("???", 0) == 0 || comment.find("Invalid") != std::string::npos ||
           comment.find("Illegal") != std::string::npos;
}

struct Totals {
    uint64_t instructions = 0;
    uint64_t agreed = 0;
    uint64_t referenceInvalid = 0;
    std::map<std::string, uint64_t> deliberate;
    std::vector<std::string> disagreements;
};

void WalkSection(csh handle, const CodeSection& section, const std::string& where, Totals& totals) {
    cs_insn* insn = cs_malloc(handle);
    DISASMLINE line;
    uint32_t offset = 0;
    const uint32_t size = static_cast<uint32_t>(section.bytes.size());
    while (offset < size) {
        line.dwAddress = section.address + offset;
        ResetDisasmLine(line);
        uint32_t end = offset;
        DisassembleInstruction(line, section.bytes, end);
        const uint32_t ours = line.nLength + line.nPrefixes;

        const uint8_t* code = section.bytes.data() + offset;
        size_t left = size - offset;
        uint64_t address = section.address + offset;
        ++totals.instructions;
        if (!cs_disasm_iter(handle, &code, &left, &address, insn)) {
            // Bytes the reference won't decode must be marked here too; both
            // walks then step one byte.
            ++totals.referenceInvalid;
            if (!MarkedInvalid(line) && totals.disagreements.size() < 40) {
                totals.disagreements.push_back(where + ": reference rejects " +
                                               Hex(section.bytes.data() + offset, std::min<uint32_t>(8, size - offset)) +
                                               "ours \"" + line.szText + "\"");
            }
            offset += 1;
            continue;
        }
        const uint8_t* start = section.bytes.data() + offset;
        if (insn->size == ours) {
            ++totals.agreed;
        } else if (const char* reason = DeliberateReason(start, insn->size)) {
            ++totals.deliberate[reason];
        } else if (totals.disagreements.size() < 40) {
            std::ostringstream out;
            out << where << " +" << std::hex << offset << ": " << Hex(start, insn->size) << "reference " << insn->mnemonic
                << ' ' << insn->op_str << " (" << std::dec << int{insn->size} << "), ours \"" << line.szText << "\" ("
                << ours << ")";
            totals.disagreements.push_back(out.str());
        }
        offset += insn->size;
    }
    cs_free(insn, 1);
}

TEST(CapstoneDifferential, BoundariesAgreeOnSystemLibraries) {
    ASSERT_TRUE(std::filesystem::exists("/lib32/libc.so.6")) << "needs Debian's libc6-i386";
    csh handle = 0;
    ASSERT_EQ(cs_open(CS_ARCH_X86, CS_MODE_32, &handle), CS_ERR_OK);
    Totals totals;
    size_t files = 0;
    for (const std::filesystem::path& path : Libraries()) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::vector<CodeSection> sections = ExecutableSections(ByteView(data.data(), data.size()));
        if (sections.empty()) continue;
        ++files;
        for (const CodeSection& section : sections) WalkSection(handle, section, path.filename().string(), totals);
    }
    cs_close(&handle);

    std::cout << files << " libraries, " << totals.instructions << " instructions, " << totals.agreed
              << " boundaries agree, " << totals.referenceInvalid << " bytes the reference rejects\n";
    for (const auto& [reason, count] : totals.deliberate) std::cout << "  deliberate: " << count << "  " << reason << "\n";
    EXPECT_GT(files, 1u);
    EXPECT_GT(totals.agreed, totals.instructions * 9 / 10);
    for (const std::string& d : totals.disagreements) ADD_FAILURE() << d;
}

}  // namespace
}  // namespace qv::test
