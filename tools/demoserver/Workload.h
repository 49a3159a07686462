/* The server's work: one iteration is a fixed tree of calls into internal
 * functions, so that a run of N iterations on T threads makes an exact,
 * known number of calls per function (README.md lists them). Every function
 * also counts its own calls, and a run reports the counts it measured.
 * Written in C, as the server's internal functions keep plain names in the
 * image's symbol table. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The counted functions, in report order. */
enum { DEMO_FUNCTION_COUNT = 8 };

/* One iteration of worker thread `worker`; returns its checksum. */
uint64_t DemoRunIteration(int worker, int iteration);

/* The name of counted function i and the calls it has made so far. */
const char* DemoFunctionName(int i);
uint64_t DemoFunctionCalls(int i);
/* The owner's name that TableName is given: a string allocated from the
 * top of the address space (above 4 GB on a 64-bit system). */
const char* DemoOwnerName(void);
/* Where counted function i starts in this process (orapls_execute: in
 * orapls11.dll). */
uintptr_t DemoFunctionAddress(int i);

#ifdef __cplusplus
}
#endif
