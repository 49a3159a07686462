// A function's code as a listing: one line per instruction with its
// address, its upper-cased text and a remark that names call targets and
// shows the memory the instruction refers to. The listing knows nothing of
// the target; what it can't see itself it asks of its notes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/ByteView.h"

namespace qv {

class IListingNotes {
public:
    virtual ~IListingNotes() = default;
    // Nothing when no module holds the address; otherwise the address's
    // module!function+offset text, empty when there is no name for it.
    virtual std::optional<std::string> CallTargetName(uint64_t address) = 0;
    // What is stored at the address, rendered as a call argument would be.
    virtual std::string MemoryValue(uint64_t address) = 0;
};

using ListingSink = std::function<void(const std::string& line)>;

// Lists code from its first byte to its end as if loaded at address. The
// last instruction may be cut off by the end of code; it is listed with the
// bytes that are there. Without notes the remark is the decoder's own.
void ListFunction(ByteView code, uint32_t address, IListingNotes* notes, const ListingSink& sink);

}  // namespace qv
