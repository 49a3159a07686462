// "$peek$" and "$poke$": the target's memory as its own code has it. Reads
// show the saved bytes under the tracer's breakpoints, and writes go
// through the breakpoint table, so neither a listing nor a later disarm
// sees or brings back a byte the user didn't.
#include <string>
#include <vector>

#include "tracer/DeamonThread.h"
#include "core/ProcessHandle.h"
#include "core/StringFormat.h"
#include "core/TargetAccess.h"
#include "core/ValueRendering.h"
#include "ui/console/CommandActions.h"
#include "ui/console/ConsoleArguments.h"

namespace qv::console {

namespace {

ScopedTargetReader OriginalCodeReader(CDeamonThread& tracer) {
    return ScopedTargetReader([&tracer](Handle process, uint64_t address, void* buffer, size_t size) {
        return tracer.ReadOriginalMemory(process, address, buffer, size);
    });
}

}  // namespace

void PeekMemory(const CommandRow&, const CommandCall& call) {
    const std::optional<PeekRequest> request = ParsePeek(call.argument);
    if (!request) return;
    CDeamonThread& tracer = *call.session.pTracer;
    const ProcessHandle process(tracer.m_nProcessId);
    if (process.get() == kNullHandle) return;
    const ScopedTargetReader reader = OriginalCodeReader(tracer);
    const std::string value = RenderValue(process.get(), request->address, request->size, request->depth, false);
    WriteConsoleLine(call.session, value + "\r\n");
}

void PokeMemory(const CommandRow&, const CommandCall& call) {
    const std::optional<PokeRequest> request = ParsePoke(call.argument);
    if (!request) return;
    CDeamonThread& tracer = *call.session.pTracer;
    const ProcessHandle process(tracer.m_nProcessId);
    if (process.get() == kNullHandle) return;
    std::string oldBytes;
    for (size_t i = 0; i < request->bytes.size(); ++i) {
        uint8_t old = 0;
        const bool read = tracer.ReadOriginalMemory(process.get(), request->address + i, &old, 1);
        oldBytes += read ? FormatString("%02x", old) : std::string("??");
    }
    // A byte that can't be written is passed over; the rest still go.
    for (size_t i = 0; i < request->bytes.size(); ++i) {
        tracer.WriteThroughBreakPoints(process.get(), request->address + i, request->bytes[i]);
    }
    WriteConsoleLine(call.session, FormatString("[0x%08x]: %s => %s \r\n", static_cast<uint32_t>(request->address),
                                                oldBytes.c_str(), request->typed.c_str()));
}

}  // namespace qv::console
