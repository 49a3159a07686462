// The symbol file reader on arbitrary bytes: parse with both header layouts,
// then look up names and addresses taken from the file itself.
#include <cstddef>
#include <cstdint>

#include "symbols/SymbolFile.h"

namespace {

void Exercise(const qv::SymbolTable& table, uint64_t base, uint32_t imageSize) {
    qv::SymbolFileContext context;
    context.path = "ORACLE.SYM";
    context.moduleName = "ORACLE.EXE";
    context.moduleBase = base;
    context.imageSize = imageSize;
    context.imageTimeStamp = static_cast<uint32_t>(table.TimeStamp());
    const uint32_t probes = table.Count() < 8 ? table.Count() : 8;
    for (uint32_t i = 0; i < probes; ++i) {
        qv::SymbolMessages messages;
        uint64_t size = 0;
        qv::LookupSymbolName(&table, context, table.Name(i), &size, messages);
        const uint64_t address = qv::RebaseSymbolValue(table.Value(i), base);
        for (uint64_t delta : {uint64_t{0}, uint64_t{1}, ~uint64_t{0}}) {
            qv::LookupSymbolAddress(&table, context, address + delta, &size, messages);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const qv::ByteView file(data, size);
    for (bool hasTimeStamp : {false, true}) {
        const auto table = qv::SymbolTable::Parse(file, hasTimeStamp);
        if (!table) continue;
        Exercise(*table, 0x400000, 0x100000);
        Exercise(*table, 0xFFFFFFFFFFFFF000ULL, 0xFFFFFFFF);
    }
    return 0;
}
