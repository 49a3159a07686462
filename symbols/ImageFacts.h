// The time stamp and size of a loaded module's image file, which a symbol
// file is checked against on every lookup. Reading them maps the whole image,
// and a call stack names a frame per lookup; a loaded image's file can't
// change while it is loaded, so a session reads them once per module.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace qv {

class ImageFactsCache {
public:
    // As GetImageTimeStamp and GetImageSize of the module's file; a failed
    // read (0) is not kept, so it is tried again next time.
    uint32_t TimeStamp(const std::string& moduleName, uint64_t moduleBase);
    uint32_t Size(const std::string& moduleName, uint64_t moduleBase);

private:
    struct Facts {
        std::optional<uint32_t> timeStamp;
        std::optional<uint32_t> size;
    };
    template <typename Member, typename Read>
    uint32_t Get(const std::string& moduleName, uint64_t moduleBase, Member member, Read read);

    std::mutex m_mutex;
    std::map<std::pair<std::string, uint64_t>, Facts> m_facts;
};

}  // namespace qv
