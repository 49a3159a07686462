// Lets the compiler check a printf-style function's arguments against its
// format, as it checks printf's own.
#pragma once

#if defined(__GNUC__)
#define QV_PRINTF_FORMAT(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#else
#define QV_PRINTF_FORMAT(fmtIndex, firstArg)
#endif
