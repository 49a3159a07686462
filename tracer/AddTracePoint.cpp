// A trace point from its text: parse, resolve to an address in a module of
// the target, add to the breakpoint table.
#include <optional>
#include <string>

#include "core/OptionFlags.h"
#include "core/StringFormat.h"
#include "symbols/TracePointSyntax.h"
#include "tracer/DeamonThread.h"

namespace qv {

namespace {

struct ResolvedTarget {
    uint64_t moduleBase = 0;
    uint64_t address = 0;
    std::string displayName;
};

// The tables are read under the lock; the lookups run on copies outside it.
std::optional<MODULEINFOEX> ModuleHoldingFreeAddress(CDeamonThread& tracer, uint64_t address) {
    TableLock lock(tracer);
    if (tracer.m_arrBreakPoints.FindBreakPoint(address) >= 0) return std::nullopt;
    const int32_t index = tracer.m_arrModules.FindModuleByAddress(address);
    if (index < 0) return std::nullopt;
    return tracer.m_arrModules.GetAt(index);
}

std::optional<ResolvedTarget> ResolveByAddress(CDeamonThread& tracer, uint64_t address) {
    const auto found = ModuleHoldingFreeAddress(tracer, address);
    if (!found) return std::nullopt;
    const MODULEINFOEX& module = *found;
    ResolvedTarget target{module.nBase, address, {}};
    target.displayName = tracer.ResolveSymbol(module.nBase, module.pszName, address, nullptr)
                             .value_or(FormatString("0x%x", static_cast<uint32_t>(address)));
    return target;
}

std::optional<ResolvedTarget> ResolveByName(CDeamonThread& tracer, const TracePointSpec& spec) {
    const auto module = tracer.CopyModule(spec.module);
    if (!module) return std::nullopt;
    const uint64_t address = tracer.ResolveSymbol(module->nBase, spec.module, spec.body, nullptr);
    if (address == 0) return std::nullopt;
    return ResolvedTarget{module->nBase, address, spec.body};
}

}  // namespace

int32_t CDeamonThread::AddTracePoint(const std::string& specification) {
    const TracePointParse parse = ParseTracePointSpec(specification);
    if (!parse.spec) return -1;
    const TracePointSpec& spec = *parse.spec;

    const std::optional<uint64_t> address = ReadHexAddress(spec.body);
    std::optional<ResolvedTarget> target = address ? ResolveByAddress(*this, *address) : ResolveByName(*this, spec);
    if (target && spec.offset > 0) {
        target->displayName = FormatString("%s+%d", target->displayName.c_str(), spec.offset);
        target->address += static_cast<uint64_t>(spec.offset);
    }
    TableLock lock(*this);
    // The taken-address check looks at the planted address, offset included,
    // so that a function and a place inside it can both be traced.
    if (target && m_arrBreakPoints.FindBreakPoint(target->address) >= 0) target.reset();
    if (!target) {
        if (g_bDebug) Log("Looking for %s failed!\r\n", spec.body.c_str());
        return -1;
    }
    const int32_t index = m_arrBreakPoints.AddBreakPoint(target->moduleBase, target->address, target->displayName,
                                                         spec.args, spec.stackDepth, true, true);
    if (index >= 0 && (g_bDetail || g_bDebug)) {
        Log("New BT: %s(0x%x)\r\n", target->displayName.c_str(), static_cast<uint32_t>(target->address));
    }
    return index;
}

}  // namespace qv
