// The calling host thread's error code after a failed call, as Windows keeps
// it per thread. Only failures set it.
#pragma once

#include <cstdint>

namespace qv::sim::detail {

inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInvalidAddress = 487;
inline constexpr uint32_t kErrorFileInvalid = 1006;

void SetLastError(uint32_t code);
uint32_t LastError();
// The Windows code for a failed host file call's errno.
uint32_t ErrorFromErrno(int error);

}  // namespace qv::sim::detail
