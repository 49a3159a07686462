// "$locate$" and the function listing: names and addresses of the target
// through the tracer's module list and symbol lookups, which run on copies
// of the module records.
#include <optional>
#include <string>

#include "symbols/ModuleList.h"
#include "tracer/DeamonThread.h"
#include "core/StringFormat.h"
#include "ui/console/CommandActions.h"
#include "ui/console/ConsoleArguments.h"

namespace qv::console {

void LocateSymbol(const CommandRow&, const CommandCall& call) {
    CDeamonThread& tracer = *call.session.pTracer;
    const QualifiedName target = SplitModuleName(call.argument);
    if (const std::optional<uint64_t> address = ReadConsoleAddress(target.name)) {
        const auto module = tracer.CopyModuleHolding(*address);
        if (!module) return;
        if (const auto name = tracer.ResolveSymbol(module->nBase, module->pszName, *address, nullptr)) {
            WriteConsoleLine(call.session, *name + "\r\n");
        }
        return;
    }
    const auto module = tracer.CopyModule(target.module);
    if (!module) return;
    const uint64_t address = tracer.ResolveSymbol(module->nBase, module->pszName, target.name, nullptr);
    WriteConsoleLine(call.session, FormatString("0x%08x\r\n", static_cast<uint32_t>(address)));
}

void ListFunction(const ConsoleSession& session, const std::string& text) {
    const QualifiedName function = SplitModuleName(text);
    session.pTracer->DisassembleFunction(function.module, function.name);
}

}  // namespace qv::console
