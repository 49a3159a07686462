// A small database server on the simulated machine: ORACLE.EXE in a server
// home (C:\db) with its marker file and symbol file, a few functions and
// some data. Shared by the console's tests and its fuzz target.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sim/SimMachine.h"
#include "tests/support/PeBuilder.h"
#include "tests/unit/symbols/SymFileWriter.h"

namespace qv::test {

inline constexpr uint32_t kServerLinkTime = 0x4A000000;
inline constexpr uint64_t kServerBase = 0x400000;
inline constexpr uint64_t kServerCode = 0x401000;
inline constexpr uint64_t kServerCodeSize = 0x2000;
inline constexpr uint64_t kServerData = 0x403000;
inline constexpr uint64_t kServerDataSize = 0x100;
inline constexpr uint64_t kKslget = 0x401000;
inline constexpr uint64_t kKslfre = 0x401080;
inline constexpr uint64_t kGreeting = 0x403000;
inline constexpr uint64_t kGreetingPointer = 0x403010;

// kslget: call kslfre; mov eax, [403000]; mov eax, 403000; mov eax, 10; ret
inline const std::vector<uint8_t> kKslgetCode = {0xE8, 0x7B, 0x00, 0x00, 0x00, 0xA1, 0x00, 0x30, 0x40, 0x00, 0xB8,
                                                 0x00, 0x30, 0x40, 0x00, 0xB8, 0x10, 0x00, 0x00, 0x00, 0xC3};
// kslfre: push rbp; ret; and then "cut", a call cut off by the next symbol.
inline const std::vector<uint8_t> kKslfreCode = {0x55, 0xC3, 0xE8, 0x00, 0x00};

inline const std::vector<testing::SymEntry> kServerSymbols = {
    {0x10001000, "kslget"}, {0x10001015, "kslget_end"}, {0x10001080, "kslfre"}, {0x10001082, "cut"},
    {0x10001085, "opiexe"}, {0x10001100, "beef"}};

inline std::vector<uint8_t> ServerCode() {
    std::vector<uint8_t> code(kServerCodeSize, 0x90);
    std::copy(kKslgetCode.begin(), kKslgetCode.end(), code.begin());
    std::copy(kKslfreCode.begin(), kKslfreCode.end(), code.begin() + (kKslfre - kServerCode));
    return code;
}

inline std::vector<uint8_t> ServerData() {
    std::vector<uint8_t> data(kServerDataSize, 0);
    const std::string greeting = "hello world";
    std::copy(greeting.begin(), greeting.end(), data.begin());
    const std::vector<uint8_t> pointer = {0x00, 0x30, 0x40, 0x00};
    std::copy(pointer.begin(), pointer.end(), data.begin() + (kGreetingPointer - kServerData));
    return data;
}

inline void WriteHostFile(sim::SimMachine& machine, const std::string& windowsPath, const std::vector<uint8_t>& bytes) {
    const auto path = machine.HostPath(windowsPath);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// Installs the server with the given symbols and starts it; its process id.
inline uint32_t InstallSimServer(sim::SimMachine& machine,
                                 const std::vector<testing::SymEntry>& symbols = kServerSymbols) {
    PeBuilder server;
    server.ImageBase(kServerBase).TimeDateStamp(kServerLinkTime);
    server.AddSection(".text", PeBuilder::kCode, ServerCode());
    server.AddSection(".data", PeBuilder::kData, ServerData());
    WriteHostFile(machine, "C:\\db\\BIN\\ORACLE.EXE", server.Build());
    WriteHostFile(machine, "C:\\db\\BIN\\orapls11.dll", {'x'});
    WriteHostFile(machine, "C:\\db\\BIN\\ORACLE.SYM", testing::WriteSymbolFile(symbols, kServerLinkTime + 60));
    machine.SetImageSearchPath({"C:\\db\\BIN"});
    return machine.CreateProcess("C:\\db\\BIN\\ORACLE.EXE");
}

}  // namespace qv::test
