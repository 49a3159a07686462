// Times symbol file lookups by name and by address for a generated file of
// 200,000 symbols: the indexed reader (with its per-lookup checks and
// messages) against a plain front-to-back walk of the same bytes, in one run.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "symbols/SymbolFile.h"
#include "tests/unit/symbols/SymFileScan.h"
#include "tests/unit/symbols/SymFileWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kSymbols = 200000;
constexpr uint64_t kBase = 0x7FF6A0000000;
constexpr uint32_t kLinkTime = 0x5F000000;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Workload {
    std::vector<uint8_t> file;
    std::vector<std::string> names;
    std::vector<uint64_t> addresses;
    uint32_t imageSize = 0;
};

Workload MakeWorkload() {
    std::mt19937_64 random(42);
    Workload work;
    std::vector<qv::testing::SymEntry> symbols;
    uint64_t rva = 0x1000;
    for (size_t i = 0; i < kSymbols; ++i) {
        symbols.push_back({0x10000000 + rva, "kx" + std::to_string(random() % 100000) + "_" + std::to_string(i)});
        rva += 0x10 + (random() % 0x20) * 0x10;
    }
    work.imageSize = static_cast<uint32_t>(rva + 0x1000);
    work.file = qv::testing::WriteSymbolFile(symbols, kLinkTime);
    for (int i = 0; i < 4096; ++i) {
        work.names.push_back(symbols[random() % kSymbols].name);
        work.addresses.push_back(kBase + 0x1000 + random() % (rva - 0x1000));
    }
    return work;
}

// Lookups per second of one kind, running f over the prepared queries until
// at least minSeconds have passed.
template <typename F>
double Rate(size_t queries, double minSeconds, F&& f) {
    size_t done = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        f(done % queries);
        ++done;
        if (done % 64 == 0) elapsed = Seconds(start);
    } while (done % 64 != 0 || elapsed < minSeconds);
    return static_cast<double>(done) / elapsed;
}

}  // namespace

int main() {
    const Workload work = MakeWorkload();
    std::printf("symbol file: %zu symbols, %zu bytes\n", kSymbols, work.file.size());

    const auto buildStart = Clock::now();
    const auto table = qv::SymbolTable::Parse(qv::ByteView(work.file.data(), work.file.size()), true);
    table->Range(kBase, work.imageSize);
    std::printf("index build (parse + placement index): %.1f ms\n", Seconds(buildStart) * 1000);

    qv::SymbolFileContext context;
    context.path = "C:\\db\\RDBMS\\ADMIN\\ORACLE.SYM";
    context.moduleName = "ORACLE.EXE";
    context.moduleBase = kBase;
    context.imageSize = work.imageSize;
    context.imageTimeStamp = kLinkTime;
    const qv::testing::SymFileScan scan(work.file.data(), true, kBase, work.imageSize);

    uint64_t sink = 0;
    const double indexedByName = Rate(work.names.size(), 1.0, [&](size_t i) {
        qv::SymbolMessages messages;
        uint64_t length = 0;
        sink += qv::LookupSymbolName(table.get(), context, work.names[i], &length, messages);
    });
    const double indexedByAddress = Rate(work.addresses.size(), 1.0, [&](size_t i) {
        qv::SymbolMessages messages;
        sink += qv::LookupSymbolAddress(table.get(), context, work.addresses[i], nullptr, messages)->size();
    });
    const double scanByName = Rate(work.names.size(), 1.0, [&](size_t i) {
        sink += scan.ByName(work.names[i].c_str())->first;
    });
    const double scanByAddress = Rate(work.addresses.size(), 1.0, [&](size_t i) {
        sink += scan.ByAddress("ORACLE.EXE", work.addresses[i], nullptr)->size();
    });

    std::printf("%-10s %18s %18s %10s\n", "lookup", "indexed (/s)", "linear scan (/s)", "speed-up");
    std::printf("%-10s %18.0f %18.0f %9.0fx\n", "by name", indexedByName, scanByName, indexedByName / scanByName);
    std::printf("%-10s %18.0f %18.0f %9.0fx\n", "by address", indexedByAddress, scanByAddress,
                indexedByAddress / scanByAddress);
    std::printf("(checksum %llu)\n", static_cast<unsigned long long>(sink));
    return 0;
}
