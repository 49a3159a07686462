// bench_disasm [ELF32 FILE...]: decodes the executable sections of 32-bit
// code (default /lib32/libc.so.6) into text with this decoder and with
// Capstone, in the same run, and prints MB/s and instructions/s for each.
// Figures only; it asserts nothing.
#include <capstone/capstone.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "disasm/Disasm.h"
#include "tests/unit/disasm/Elf32Sections.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double seconds = 0;
    uint64_t bytes = 0;
    uint64_t instructions = 0;
    uint64_t checksum = 0;  // keeps the work observable
};

// Walks every section once, as the function listing does.
void DecodeOurs(const std::vector<qv::test::CodeSection>& sections, Figures& f) {
    qv::DISASMLINE line;
    for (const auto& section : sections) {
        line.dwAddress = section.address;
        const uint32_t size = static_cast<uint32_t>(section.bytes.size());
        for (uint32_t offset = 0; offset < size; ++offset) {
            qv::ResetDisasmLine(line);
            qv::DisassembleInstruction(line, section.bytes, offset);
            line.dwAddress += line.nLength + line.nPrefixes;
            f.checksum += static_cast<unsigned char>(line.szText[0]) + line.nLength;
            ++f.instructions;
        }
        f.bytes += size;
    }
}

// Capstone's fastest text path: one reusable instruction, details off.
void DecodeCapstone(csh handle, cs_insn* insn, const std::vector<qv::test::CodeSection>& sections, Figures& f) {
    for (const auto& section : sections) {
        const uint8_t* code = section.bytes.data();
        size_t left = section.bytes.size();
        uint64_t address = section.address;
        while (left > 0) {
            if (cs_disasm_iter(handle, &code, &left, &address, insn)) {
                f.checksum += static_cast<unsigned char>(insn->mnemonic[0]) + static_cast<unsigned char>(insn->op_str[0]);
            } else {
                ++code;
                --left;
                ++address;
            }
            ++f.instructions;
        }
        f.bytes += section.bytes.size();
    }
}

template <typename Pass>
Figures Measure(Pass pass) {
    Figures total;
    const auto start = Clock::now();
    // Repeat the whole set until at least two seconds have passed.
    do {
        pass(total);
        total.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (total.seconds < 2.0);
    return total;
}

void Print(const char* name, const Figures& f) {
    std::printf("%-10s %8.1f MB/s %10.2f M instructions/s  (%llu instructions in %.2f s, checksum %llu)\n", name,
                f.bytes / f.seconds / 1e6, f.instructions / f.seconds / 1e6,
                static_cast<unsigned long long>(f.instructions), f.seconds,
                static_cast<unsigned long long>(f.checksum));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    if (files.empty()) files.emplace_back("/lib32/libc.so.6");

    std::vector<std::vector<uint8_t>> contents;
    contents.reserve(files.size());
    std::vector<qv::test::CodeSection> sections;
    uint64_t codeBytes = 0;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        contents.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const auto& s : qv::test::ExecutableSections(qv::ByteView(contents.back().data(), contents.back().size()))) {
            sections.push_back(s);
            codeBytes += s.bytes.size();
        }
    }
    if (sections.empty()) {
        std::fprintf(stderr, "bench_disasm: no 32-bit code sections found\n");
        return 1;
    }
    std::printf("%zu code sections, %llu bytes\n", sections.size(), static_cast<unsigned long long>(codeBytes));

    const Figures ours = Measure([&](Figures& f) { DecodeOurs(sections, f); });
    Print("quorvane", ours);

    csh handle = 0;
    if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle) != CS_ERR_OK) {
        std::fprintf(stderr, "bench_disasm: capstone failed to open\n");
        return 1;
    }
    cs_insn* insn = cs_malloc(handle);
    const Figures reference = Measure([&](Figures& f) { DecodeCapstone(handle, insn, sections, f); });
    cs_free(insn, 1);
    cs_close(&handle);
    Print("capstone", reference);
    std::printf("ratio      %.2fx the bytes per second of capstone\n",
                (ours.bytes / ours.seconds) / (reference.bytes / reference.seconds));
    return 0;
}
