#include "SelfCheck.h"

#include <windows.h>

#include <cstring>

namespace demo {

bool CodeSnapshot::Take(uintptr_t moduleBase) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(moduleBase);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(moduleBase + static_cast<uintptr_t>(dos->e_lfanew));
    if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (std::strncmp(reinterpret_cast<const char*>(section->Name), ".text", IMAGE_SIZEOF_SHORT_NAME) != 0) {
            continue;
        }
        m_live = reinterpret_cast<const uint8_t*>(moduleBase + section->VirtualAddress);
        m_copy.assign(m_live, m_live + section->Misc.VirtualSize);
        return true;
    }
    return false;
}

std::vector<size_t> CodeSnapshot::Differences() const {
    std::vector<size_t> offsets;
    for (size_t i = 0; i < m_copy.size(); ++i) {
        if (m_live[i] != m_copy[i]) offsets.push_back(i);
    }
    return offsets;
}

}  // namespace demo
