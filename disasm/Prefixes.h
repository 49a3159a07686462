// Prefix bytes in front of the opcode.
#pragma once

#include "disasm/DecodeContext.h"

namespace qv::disasm {

// Reads the prefixes, writes their words ("lock ", "repe ", ...) into the
// text and leaves the cursor on the opcode. Returns false for a prefix
// error: then the comment holds the error text and the record is to cover
// the first byte only.
bool ReadPrefixes(DecodeContext& ctx);

// The second bytes of 0Fh that take the scalar SSE forms after F3h.
bool IsScalarSecondByte(uint8_t second);

}  // namespace qv::disasm
