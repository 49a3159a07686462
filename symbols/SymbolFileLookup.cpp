// The resolver's side of the symbol file: which file serves a module, and
// the lookup's messages.
#include <optional>
#include <string>

#include "core/TargetAccess.h"
#include "symbols/SymbolFileCache.h"
#include "symbols/SymbolResolver.h"

namespace qv {

namespace {

struct OpenedForModule {
    std::shared_ptr<const SymbolTable> table;
    SymbolFileContext context;
};

// Nothing (and no message) when the target isn't the server or its home is
// gone; otherwise the open file or the failure's message.
std::optional<OpenedForModule> OpenForModule(const SERVERINSTALLATION& installation, ImageFactsCache* imageFacts,
                                             uint64_t moduleBase, const std::string& moduleName,
                                             SymbolMessages& messages) {
    if (!installation.bFound || !DirectoryExists(installation.szHome)) return std::nullopt;
    const bool hasTimeStamp = installation.nVersion >= 11;
    OpenedForModule opened;
    opened.context.path = LocateSymbolFile(installation.szHome, moduleName);
    auto table = OpenSymbolFile(opened.context.path, hasTimeStamp, messages);
    if (!table) return std::nullopt;
    opened.table = std::move(*table);
    opened.context.moduleName = moduleName;
    opened.context.moduleBase = moduleBase;
    if (opened.table) {
        if (hasTimeStamp) {
            opened.context.imageTimeStamp =
                imageFacts ? imageFacts->TimeStamp(moduleName, moduleBase) : GetImageTimeStamp(moduleName);
        }
        opened.context.imageSize = imageFacts ? imageFacts->Size(moduleName, moduleBase) : GetImageSize(moduleName);
    }
    return opened;
}

void SendMessages(const SymbolMessageSink& sink, const SymbolMessages& messages) {
    for (const std::string& message : messages) sink(message);
}

}  // namespace

uint64_t SymbolResolver::LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName,
                                          const std::string& functionName, uint64_t* size) const {
    SymbolMessages messages;
    uint64_t address = 0;
    if (const auto opened = OpenForModule(m_installation, m_imageFacts, moduleBase, moduleName, messages)) {
        address = LookupSymbolName(opened->table.get(), opened->context, functionName, size, messages);
    }
    SendMessages(m_debug, messages);
    return address;
}

std::optional<std::string> SymbolResolver::LookupSymbolFile(uint64_t moduleBase, const std::string& moduleName,
                                                            uint64_t address, uint64_t* size) const {
    SymbolMessages messages;
    std::optional<std::string> text;
    if (const auto opened = OpenForModule(m_installation, m_imageFacts, moduleBase, moduleName, messages)) {
        text = LookupSymbolAddress(opened->table.get(), opened->context, address, size, messages);
    }
    SendMessages(m_debug, messages);
    return text;
}

}  // namespace qv
