// Decodes arbitrary bytes to their end the way the function listing walks a
// buffer, and traps when a record breaks the decoder's promises.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "disasm/Disasm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const qv::ByteView code(data, size);
    qv::DISASMLINE line;
    line.dwAddress = size ? static_cast<uint32_t>(data[0]) << 24 : 0;
    for (uint32_t offset = 0; offset < size; ++offset) {
        qv::ResetDisasmLine(line);
        const uint32_t start = offset;
        qv::DisassembleInstruction(line, code, offset);
        const unsigned total = line.nLength + line.nPrefixes;
        if (total < 1 || offset != start + total - 1 || offset >= size) __builtin_trap();
        if (!std::memchr(line.szText, 0, sizeof line.szText) || !std::memchr(line.szComment, 0, sizeof line.szComment)) {
            __builtin_trap();
        }
        line.dwAddress += total;
    }
    return 0;
}
