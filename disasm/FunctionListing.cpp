#include "disasm/FunctionListing.h"

#include <cstdio>
#include <string_view>

#include "disasm/Disasm.h"
#include "base/AsciiText.h"

namespace qv {

namespace {

// Only values from here up are taken for addresses in an immediate operand;
// smaller ones are counts and offsets.
constexpr uint64_t kLowestImmediateAddress = 0x8000;
constexpr std::string_view kCallWord = "CALL ";

void UpperCase(char* text) {
    for (; *text; ++text) *text = AsciiUpper(*text);
}

void AppendCallTargetNote(std::string_view text, IListingNotes& notes, std::string& remark) {
    if (text.substr(0, kCallWord.size()) != kCallWord) return;
    const uint64_t target = ReadHexPrefix(TrimBlanks(text.substr(kCallWord.size()))).value;
    if (target == 0) return;
    const std::optional<std::string> name = notes.CallTargetName(target);
    if (!name) return;
    remark += ' ';
    remark += *name;
}

void AppendMemoryNote(std::string_view operand, IListingNotes& notes, std::string& remark, uint64_t lowest) {
    const std::optional<uint64_t> address = ReadWholeHex(TrimBlanks(operand), false);
    if (!address || *address == 0 || *address < lowest) return;
    remark += ' ';
    remark += notes.MemoryValue(*address);
}

void AppendBracketNotes(std::string_view text, IListingNotes& notes, std::string& remark) {
    size_t open = text.find('[');
    size_t close = text.find(']');
    while (open != std::string_view::npos && open > 0 && close != std::string_view::npos && close > open) {
        AppendMemoryNote(text.substr(open + 1, close - open - 1), notes, remark, 1);
        open = text.find('[', close + 1);
        close = text.find(']', close + 1);
    }
}

void AppendImmediateNote(std::string_view text, IListingNotes& notes, std::string& remark) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos || comma == 0) return;
    AppendMemoryNote(text.substr(comma + 1), notes, remark, kLowestImmediateAddress);
}

std::string ListingLine(uint32_t address, const char* text, const std::string& remark) {
    constexpr const char* kFormat = "  %08X:\t%s\t; %s\r\n";
    const int length = std::snprintf(nullptr, 0, kFormat, address, text, remark.c_str());
    std::string line(static_cast<size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(line.data(), line.size() + 1, kFormat, address, text, remark.c_str());
    return line;
}

}  // namespace

void ListFunction(ByteView code, uint32_t address, IListingNotes* notes, const ListingSink& sink) {
    DISASMLINE line;
    line.dwAddress = address;
    ResetDisasmLine(line);
    for (uint32_t offset = 0; offset < code.size(); ++offset) {
        DisassembleInstruction(line, code, offset);
        UpperCase(line.szText);
        std::string remark = line.szComment;
        if (notes) {
            const std::string_view text = line.szText;
            AppendCallTargetNote(text, *notes, remark);
            AppendBracketNotes(text, *notes, remark);
            AppendImmediateNote(text, *notes, remark);
        }
        sink(ListingLine(line.dwAddress, line.szText, remark));
        line.dwAddress += line.nLength + line.nPrefixes;
        ResetDisasmLine(line);
    }
}

}  // namespace qv
