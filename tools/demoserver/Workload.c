#include "Workload.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "Orapls.h"

/* Internal functions: static, never inlined or cloned, so that each keeps a
 * real entry point and its own name in the image's symbol table. */
#define DEMO_INTERNAL static __attribute__((noinline, noclone, used))

enum {
    kProcessRequest,
    kParseStatement,
    kHashName,
    kComputeChecksum,
    kFormatRow,
    kCommitTransaction,
    kTableName,
    kOraplsExecute
};

static const char* const kFunctionNames[DEMO_FUNCTION_COUNT] = {
    "ProcessRequest", "ParseStatement", "HashName", "ComputeChecksum", "FormatRow", "CommitTransaction",
    "TableName", "orapls_execute"};

static volatile LONG64 g_calls[DEMO_FUNCTION_COUNT];
/* Keeps the hashes observable so the compiler can't drop the calls. */
static volatile uint32_t g_lastHash;
/* Keeps the register parameters used, so every call passes them. */
static volatile int g_lastCaller;

static const char* const kStatements[] = {"SELECT ENAME FROM EMP", "UPDATE DEPT SET LOC = 'X'",
                                          "DELETE FROM BONUS WHERE SAL < 100"};
enum { kStatementCount = 3, kChecksumDepth = 3 };

static const char* const kTables[] = {"EMP", "DEPT"};
static const char kOwner[] = "SCOTT";

static void Count(int function) { InterlockedIncrement64(&g_calls[function]); }

/* The owner's name, copied once into memory allocated from the top of the
 * address space: a string a tracer must follow above 4 GB. */
static INIT_ONCE g_ownerOnce = INIT_ONCE_STATIC_INIT;
static char* g_owner;

static BOOL CALLBACK AllocateOwner(PINIT_ONCE once, PVOID parameter, PVOID* context) {
    (void)once;
    (void)parameter;
    (void)context;
    g_owner = VirtualAlloc(NULL, 4096, MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN, PAGE_READWRITE);
    if (g_owner != NULL) memcpy(g_owner, kOwner, sizeof kOwner);
    return TRUE;
}

const char* DemoOwnerName(void) {
    InitOnceExecuteOnce(&g_ownerOnce, AllocateOwner, NULL, NULL);
    return g_owner != NULL ? g_owner : kOwner;
}

/* FNV-1a over a NUL-terminated name. */
DEMO_INTERNAL uint32_t HashName(const char* name) {
    uint32_t hash = 2166136261u;
    Count(kHashName);
    for (; *name != '\0'; ++name) hash = (hash ^ (uint8_t)*name) * 16777619u;
    return hash;
}

/* Hashes the statement's verb and its last word: always two calls of
 * HashName. Returns the number of words. The statement and its length are
 * the fifth and sixth parameters: the x64 convention passes them on the
 * stack, where a tracer finds them at the entry (the first four travel in
 * registers). */
DEMO_INTERNAL int ParseStatement(int worker, int iteration, int flags, int session, const char* statement,
                                 size_t length) {
    char verb[32] = {0};
    const char* space;
    const char* last;
    size_t verbLength;
    size_t i;
    int words = 1;
    Count(kParseStatement);
    g_lastCaller = worker ^ iteration ^ flags ^ session;
    space = memchr(statement, ' ', length);
    verbLength = space != NULL ? (size_t)(space - statement) : length;
    memcpy(verb, statement, verbLength < sizeof(verb) ? verbLength : sizeof(verb) - 1);
    last = strrchr(statement, ' ');
    g_lastHash = HashName(verb) ^ HashName(last != NULL ? last + 1 : statement);
    for (i = 0; i < length; ++i) words += statement[i] == ' ' ? 1 : 0;
    return words;
}

/* Recursive: depth d makes d + 1 calls in all. Not a tail call, so every
 * level keeps its own frame. */
DEMO_INTERNAL uint64_t ComputeChecksum(uint64_t seed, int depth) {
    uint64_t inner;
    Count(kComputeChecksum);
    if (depth == 0) return seed ^ 0x5A5A5A5Aull;
    inner = ComputeChecksum(seed * 31 + (uint64_t)depth, depth - 1);
    return (inner << 1) ^ (inner >> 7) ^ (uint64_t)depth;
}

/* Returns the length of the formatted row "<table>:<value>". The table
 * name and the value are the fifth and sixth parameters (on the stack). */
DEMO_INTERNAL int FormatRow(char* buffer, size_t size, int worker, int iteration, const char* table, long value) {
    Count(kFormatRow);
    g_lastCaller = worker ^ iteration;
    return snprintf(buffer, size, "%s:%ld", table, value);
}

/* Returns 1 (committed) for an even checksum plus worker, 0 otherwise. */
DEMO_INTERNAL int CommitTransaction(int worker, uint64_t checksum) {
    Count(kCommitTransaction);
    return (checksum + (uint64_t)worker) % 2 == 0 ? 1 : 0;
}

/* Returns the name of the table with the given id, a pointer to a string.
 * The owner's name and the id are the fifth and sixth parameters (on the
 * stack). */
DEMO_INTERNAL const char* TableName(int worker, int iteration, int flags, int session, const char* owner, long id) {
    Count(kTableName);
    g_lastCaller = worker ^ iteration ^ flags ^ session ^ (int)owner[0];
    return kTables[id % 2];
}

DEMO_INTERNAL uint64_t ProcessRequest(int worker, int iteration) {
    const char* statement = kStatements[iteration % kStatementCount];
    char row[64];
    int words;
    int rowLength;
    int executed;
    uint64_t checksum;
    const char* table;
    Count(kProcessRequest);
    words = ParseStatement(worker, iteration, 0, 0, statement, strlen(statement));
    checksum = ComputeChecksum((uint64_t)iteration, kChecksumDepth);
    rowLength = FormatRow(row, sizeof(row), worker, iteration, "EMP", (long)iteration * 10 + worker);
    Count(kOraplsExecute);
    executed = orapls_execute(row, worker);
    table = TableName(worker, iteration, 0, 0, DemoOwnerName(), iteration);
    return checksum + (uint64_t)(words + rowLength + executed + (int)strlen(table) + CommitTransaction(worker, checksum));
}

uint64_t DemoRunIteration(int worker, int iteration) { return ProcessRequest(worker, iteration); }

const char* DemoFunctionName(int i) { return kFunctionNames[i]; }

uint64_t DemoFunctionCalls(int i) { return (uint64_t)InterlockedCompareExchange64(&g_calls[i], 0, 0); }

uintptr_t DemoFunctionAddress(int i) {
    const uintptr_t addresses[DEMO_FUNCTION_COUNT] = {
        (uintptr_t)&ProcessRequest, (uintptr_t)&ParseStatement, (uintptr_t)&HashName,
        (uintptr_t)&ComputeChecksum, (uintptr_t)&FormatRow, (uintptr_t)&CommitTransaction,
        (uintptr_t)&TableName,    (uintptr_t)&orapls_execute};
    return addresses[i];
}
