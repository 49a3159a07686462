// The tracer's side of the symbol file: which file serves a module, and the
// lookup's messages in the debug mode.
#include <optional>
#include <string>

#include "symbols/SymbolFileCache.h"
#include "tracer/DeamonThread.h"
#include "tracer/OptionFlags.h"
#include "tracer/TargetAccess.h"

namespace qv {

namespace {

struct OpenedForModule {
    std::shared_ptr<const SymbolTable> table;
    SymbolFileContext context;
};

// Nothing (and no message) when the target isn't the server or its home is
// gone; otherwise the open file or the failure's message.
std::optional<OpenedForModule> OpenForModule(const CDeamonThread& tracer, uint64_t moduleBase,
                                             const std::string& moduleName, SymbolMessages& messages) {
    if (!tracer.m_bOracleFound || !DirectoryExists(tracer.m_szOracleHome)) return std::nullopt;
    const bool hasTimeStamp = tracer.m_nOracleVersion >= 11;
    OpenedForModule opened;
    opened.context.path = LocateSymbolFile(tracer.m_szOracleHome, moduleName);
    auto table = OpenSymbolFile(opened.context.path, hasTimeStamp, messages);
    if (!table) return std::nullopt;
    opened.table = std::move(*table);
    opened.context.moduleName = moduleName;
    opened.context.moduleBase = moduleBase;
    if (opened.table) {
        if (hasTimeStamp) opened.context.imageTimeStamp = GetImageTimeStamp(moduleName);
        opened.context.imageSize = GetImageSize(moduleName);
    }
    return opened;
}

void LogMessages(CDeamonThread& tracer, const SymbolMessages& messages) {
    if (!g_bDebug) return;
    for (const std::string& message : messages) tracer.Log("%s", message.c_str());
}

}  // namespace

uint64_t CDeamonThread::LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName,
                                         const std::string& functionName, uint64_t* size) {
    SymbolMessages messages;
    uint64_t address = 0;
    if (const auto opened = OpenForModule(*this, moduleBase, moduleName, messages)) {
        address = LookupSymbolName(opened->table.get(), opened->context, functionName, size, messages);
    }
    LogMessages(*this, messages);
    return address;
}

std::optional<std::string> CDeamonThread::LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName,
                                                           uint64_t address, uint64_t* size) {
    SymbolMessages messages;
    std::optional<std::string> text;
    if (const auto opened = OpenForModule(*this, moduleBase, moduleName, messages)) {
        text = LookupSymbolAddress(opened->table.get(), opened->context, address, size, messages);
    }
    LogMessages(*this, messages);
    return text;
}

}  // namespace qv
