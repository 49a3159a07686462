#include "platform/sim/SimLastError.h"

#include <cerrno>

#include "platform/sim/SimState.h"

namespace qv::sim {

namespace detail {

namespace {
thread_local uint32_t t_lastError = 0;
}

void SetLastError(uint32_t code) { t_lastError = code; }

uint32_t LastError() { return t_lastError; }

uint32_t ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return kErrorFileNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EISDIR:
        case EACCES:
        case EPERM:
            return kErrorAccessDenied;
        default:
            return kErrorInvalidParameter;
    }
}

}  // namespace detail

uint32_t SimMachine::GetLastError() { return detail::LastError(); }

}  // namespace qv::sim
