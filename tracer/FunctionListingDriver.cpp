// The function listing on the target: the tracer finds the function, reads
// its bytes as its own code has them and answers the listing's notes from
// its module list, its symbol lookups and the call reports' rendering.
#include <optional>
#include <string>
#include <vector>

#include "disasm/FunctionListing.h"
#include "tracer/DeamonThread.h"
#include "core/ProcessHandle.h"
#include "core/TargetAccess.h"
#include "core/ValueRendering.h"

namespace qv {

namespace {

// A symbol's size comes from a file that may be damaged: the function must
// lie inside the module that holds its first byte.
bool FitsItsModule(CDeamonThread& tracer, uint64_t address, uint64_t size) {
    const std::optional<MODULEINFOEX> module = tracer.CopyModuleHolding(address);
    return module && size <= module->nBase + module->nSize - address;
}

class TracerListingNotes final : public IListingNotes {
public:
    TracerListingNotes(CDeamonThread& tracer, Handle process, uint64_t functionAddress)
        : m_tracer(tracer), m_process(process), m_highHalf(functionAddress & ~uint64_t{0xFFFFFFFF}) {}

    std::optional<std::string> CallTargetName(uint64_t address) override {
        // The listing's addresses are 32 bits wide; in a module loaded above
        // 4 GB a target is found with the function's own upper half.
        std::optional<MODULEINFOEX> module = m_tracer.CopyModuleHolding(address);
        if (!module && m_highHalf != 0) {
            address |= m_highHalf;
            module = m_tracer.CopyModuleHolding(address);
        }
        if (!module) return std::nullopt;
        return m_tracer.ResolveSymbol(module->nBase, module->pszName, address, nullptr).value_or(std::string());
    }

    std::string MemoryValue(uint64_t address) override {
        return RenderValue(m_process, address, 0, 1, false);
    }

private:
    CDeamonThread& m_tracer;
    Handle m_process;
    uint64_t m_highHalf;
};

}  // namespace

void CDeamonThread::DisassembleFunction(const std::string& moduleName, const std::string& functionName) {
    const std::optional<MODULEINFOEX> module = CopyModule(moduleName);
    if (!module) return;
    const ProcessHandle process(m_nProcessId);
    if (process.get() == kNullHandle) return;
    uint64_t size = 0;
    const uint64_t address = ResolveSymbol(module->nBase, moduleName, functionName, &size);
    if (address == 0 || size == 0 || !FitsItsModule(*this, address, size) ||
        !IsTargetReadable(process.get(), address, static_cast<size_t>(size))) {
        Log("Function %s!%s not found! \r\n", moduleName.c_str(), functionName.c_str());
        return;
    }
    Log("Disassembling %s!%s \r\n", moduleName.c_str(), functionName.c_str());
    std::vector<uint8_t> code(static_cast<size_t>(size));
    if (!ReadOriginalMemory(process.get(), address, code.data(), code.size())) return;
    // The notes' reads see the original code too.
    const ScopedTargetReader reader([this](Handle target, uint64_t at, void* buffer, size_t length) {
        return ReadOriginalMemory(target, at, buffer, length);
    });
    TracerListingNotes notes(*this, process.get(), address);
    ListFunction(ByteView(code.data(), code.size()), static_cast<uint32_t>(address), &notes,
                 [this](const std::string& line) { Log("%s", line.c_str()); });
}

}  // namespace qv
