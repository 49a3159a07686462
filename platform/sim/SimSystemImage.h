// In-memory images of the system libraries the tool looks names up in
// ("kernel32.dll", "ntdll.dll"): a minimal PE32+ in loaded layout whose
// export directory names the given functions, each a ret instruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv::sim::detail {

inline constexpr uint32_t kSystemImageSize = 0x2000;
// Room left after each module of the tool's own process: real modules sit on
// 64 KB boundaries, so the byte after one is never the first of the next,
// which heap blocks of one size class could otherwise be.
inline constexpr size_t kOwnModuleGap = 0x10000;

std::unique_ptr<uint8_t[]> BuildSystemImage(const std::string& dllName, std::vector<std::string> exports);

}  // namespace qv::sim::detail
