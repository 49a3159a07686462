// The server's PL/SQL library (orapls11.dll): two exported functions, so a
// trace point can name a function through an export table.
#pragma once

#ifdef ORAPLS_BUILD
#define ORAPLS_API __declspec(dllexport)
#else
#define ORAPLS_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif
// Executes a block: returns the block's length plus flags.
ORAPLS_API int orapls_execute(const char* block, int flags);
// The library's major version.
ORAPLS_API int orapls_version(void);
#ifdef __cplusplus
}
#endif
