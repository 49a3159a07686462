// The console of the real dialog under Wine, worked from outside by window
// messages only: commands typed into the command box and run by its button
// while the demo server is traced. Trace points listed, added, hit,
// disabled, enabled and deleted; a string of the server read by address; a
// data text of the server poked, read back by the console and by the server
// itself; symbols and the headers report checked against the offline
// companion on the same files; a traced function listed from its real first
// instruction with its call targets named through the symbol file. After
// Stop the server's code is as it was and it still serves.
#include <cstdio>
#include <string>
#include <vector>

#include "base/PeImage.h"
#include "core/MappedFile.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/DialogSession.h"

namespace {

constexpr DWORD kAnswerMs = 300000;
constexpr DWORD kCliMs = 60000;

using e2e::Address32;
using e2e::Hex;

// As the listing writes addresses.
std::string Upper8(unsigned long long value) { return e2e::Printed("%08llX", value & 0xFFFFFFFFull); }

// Runs bin\quorvane-cli.exe with args; what it wrote to its stdout, or ""
// when it could not start, failed or did not end in time.
std::string RunCli(const std::string& args) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = e2e::OwnFolder() + "\\quorvane-cli.exe";
    std::string commandLine = "\"" + exe + "\" " + args;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    const bool started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &info);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return {};
    }
    std::string output;
    char chunk[4096];
    DWORD got = 0;
    const ULONGLONG deadline = GetTickCount64() + kCliMs;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) break;  // the writer is gone
        if (available > 0 && ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            output.append(chunk, got);
            continue;
        }
        if (WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0 || GetTickCount64() >= deadline) break;
    }
    if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, 5000);
    // The writer is gone now: what is left in the pipe reads without waiting.
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(readEnd);
    return code == 0 ? output : std::string();
}

// The command box and its button, as a user types and clicks.
class Console {
public:
    explicit Console(uidriver::DialogDriver& driver) : m_driver(driver) {}

    // Runs a command; what it wrote to the log.
    std::string Run(const std::string& text) { return Logged([&] { m_driver.SetText(IDC_COMMAND, text); }, text); }
    // Clicks Report; what it wrote.
    std::string Report() {
        return Logged([] {}, "(Report)", IDC_REPORT);
    }

private:
    template <typename Prepare>
    std::string Logged(Prepare prepare, const std::string& what, int button = IDC_DISASSEMBLE) {
        const size_t before = m_driver.Log().size();
        prepare();
        if (!m_driver.Press(button)) {
            e2e::Note("> %s: the dialog did not answer", what.c_str());
            return "(no answer)";
        }
        const std::string log = m_driver.Log();
        const std::string written = before < log.size() ? log.substr(before) : std::string();
        e2e::Note("> %s\n%s", what.c_str(), written.substr(0, 800).c_str());
        return written;
    }

    uidriver::DialogDriver& m_driver;
};

// The first bytes of a function as the server's file holds them.
std::string FileBytes(const std::string& path, unsigned long long imageBase, unsigned long long address,
                      size_t count, unsigned long long* fileOffset) {
    qv::MAPPEDFILE mapping;
    if (!qv::MapFileReadOnly(path, mapping)) return {};
    const qv::ByteView image = mapping.View();
    std::string bytes;
    const auto nt = qv::GetNtHeaders(image);
    const auto offset = nt ? qv::RvaToVa(image, *nt, static_cast<uint32_t>(address - imageBase)) : std::nullopt;
    if (offset) {
        *fileOffset = *offset;
        for (size_t i = 0; i < count; ++i) {
            if (const auto byte = image.Get<uint8_t>(*offset + i)) bytes += static_cast<char>(*byte);
        }
    }
    qv::UnmapFile(mapping);
    return bytes;
}

// The part of a listing line before its remark: address and text.
std::string BeforeRemark(const std::string& line) { return line.substr(0, line.find("\t;")); }

bool HasCallTo(const std::vector<std::string>& lines, unsigned long long target, const std::string& name) {
    for (const std::string& line : lines) {
        if (line.find("\tCALL ") != std::string::npos && line.find(Upper8(target)) != std::string::npos &&
            line.find(" ORACLE.EXE!" + name + "+0") != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start()) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_dialog_console");
    }
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");
    const auto address = [&](const char* name) { return e2e::AnswerValue(info, name).value_or(0); };
    const unsigned long long imageBase = std::stoull(info.substr(info.find(' ', 5) + 1), nullptr, 0);
    const unsigned long long processRequest = address("ProcessRequest");
    const unsigned long long computeChecksum = address("ComputeChecksum");
    const unsigned long long hashName = address("HashName");
    const unsigned long long text = address("text");
    const unsigned long long note = e2e::AnswerValue(server.Request("note", "", kAnswerMs).value_or(""), "note")
                                        .value_or(0);
    E2E_CHECK(processRequest != 0 && computeChecksum != 0 && hashName != 0 && text != 0 && note != 0);
    const std::string exe = server.Home() + "\\BIN\\ORACLE.EXE";
    const std::string symbols = server.Home() + "\\RDBMS\\ADMIN\\ORACLE.SYM";

    e2e::DialogSession dialog;
    E2E_CHECK(dialog.Start("e2e_dialog_console", "ProcessRequest\nComputeChecksum\n", ""));
    E2E_CHECK(dialog.Trace(server.Pid()));
    E2E_CHECK(dialog.Driver().IsChecked(IDC_STATONLY));
    Console console(dialog.Driver());

    // The file's trace points, then one added from the box, armed at once
    // and counted as the server counts its own calls.
    const std::string listed = "#0: ProcessRequest*0[" + Address32(processRequest) + "] () Enabled\r\n" +
                               "#1: ComputeChecksum*0[" + Address32(computeChecksum) + "] () Enabled\r\n";
    E2E_CHECK(console.Run("$listbt$") == listed);
    E2E_CHECK(console.Run("$addbt$ HashName") == "");
    E2E_CHECK(console.Run("$listbt$") == listed + "#2: HashName*0[" + Address32(hashName) + "] () Enabled\r\n");
    const std::string run = server.Request("run", "5 2", kAnswerMs).value_or("");
    E2E_CHECK(e2e::AnswerValue(run, "HashName").value_or(0) == 20);
    std::string report = console.Report();
    E2E_CHECK(report.find("\t HashName (20)\r\n") != std::string::npos);
    E2E_CHECK(report.find("\t ProcessRequest (10)\r\n") != std::string::npos);

    // Disabled, it counts no more while the others go on.
    E2E_CHECK(console.Run("$disablebt$ 2") == "");
    E2E_CHECK(console.Run("$listbt$") == listed + "#2: HashName*0[" + Address32(hashName) + "] () Disabled\r\n");
    E2E_CHECK(server.Request("run", "5 2", kAnswerMs).has_value());
    report = console.Report();
    E2E_CHECK(report.find("\t HashName (20)\r\n") != std::string::npos);
    E2E_CHECK(report.find("\t ProcessRequest (20)\r\n") != std::string::npos);

    // Enabled again it counts on; deleted, it leaves the table (and the
    // server's code, which the check after Stop shows).
    E2E_CHECK(console.Run("$enablebt$ 2") == "");
    const std::string again = server.Request("run", "5 2", kAnswerMs).value_or("");
    e2e::Note("run after enable: %s", again.c_str());
    E2E_CHECK(e2e::AnswerValue(again, "HashName").value_or(0) == 20);
    E2E_CHECK(console.Report().find("\t HashName (40)\r\n") != std::string::npos);
    E2E_CHECK(console.Run("$deletebt$ 2") == "");
    E2E_CHECK(console.Run("$listbt$") == listed);

    // Memory by address: a string of the server's; its note written, read
    // back by the console and by the server, and put back.
    E2E_CHECK(console.Run("$peek$ " + Hex(text)) == "\"ProcessRequest\"\r\n");
    E2E_CHECK(console.Run("$peek$ " + Hex(note)) == "\"NOTE\"\r\n");
    E2E_CHECK(console.Run("$poke$ " + Hex(note) + " 4d454d4f") == "[" + Address32(note) + "]: 4e4f5445 => 4d454d4f \r\n");
    E2E_CHECK(console.Run("$peek$ " + Hex(note)) == "\"MEMO\"\r\n");
    E2E_CHECK(server.Request("note", "", kAnswerMs).value_or("") == e2e::Printed("note 0x%llX", note) + " MEMO\r\n");
    console.Run("$poke$ " + Hex(note) + " 4e4f5445");
    E2E_CHECK(server.Request("note", "", kAnswerMs).value_or("") == e2e::Printed("note 0x%llX", note) + " NOTE\r\n");

    // Symbols both ways, as the offline lookup finds them in the same file.
    const std::string symbolArgs = "sym \"" + symbols + "\" --image \"" + exe + "\" --base " + Hex(imageBase);
    const std::string byName = RunCli(symbolArgs + " --name HashName");
    E2E_CHECK(!byName.empty() && console.Run("$locate$ HashName") ==
                                     Address32(std::stoull(byName.substr(0, byName.find(' ')), nullptr, 16)) + "\r\n");
    const std::string byAddress = RunCli(symbolArgs + " --address " + Hex(hashName + 4));
    E2E_CHECK(byAddress == "ORACLE.EXE!HashName+4\r\n" && console.Run("$locate$ " + Hex(hashName + 4)) == byAddress);

    // The headers report of the traced file, byte for byte.
    const std::string headers = RunCli("pe procinfo \"" + exe + "\"");
    E2E_CHECK(!headers.empty() && console.Run("$procinfo$") == headers);

    // A traced function reads and lists as the file's code, not the 0xCC
    // planted at its entry, and its calls are named through the symbol file.
    unsigned long long offset = 0;
    const std::string entry = FileBytes(exe, imageBase, processRequest, 16, &offset);
    E2E_CHECK(entry.size() == 16 && static_cast<unsigned char>(entry[0]) != 0xCC);
    E2E_CHECK(console.Run("$peek$ " + Hex(processRequest) + " 1") ==
              e2e::Printed("0x%02llx\r\n", static_cast<unsigned char>(entry[0])));
    const std::vector<std::string> listing = e2e::SplitLines(console.Run("ProcessRequest"));
    const std::vector<std::string> decoded = e2e::SplitLines(
        RunCli("disasm \"" + exe + "\" --offset " + std::to_string(offset) + " --length 16 --address " +
               Hex(processRequest)));
    E2E_CHECK(listing.size() > 2 && listing[0] == "Disassembling ORACLE.EXE!ProcessRequest \r\n");
    E2E_CHECK(listing.size() > 2 && !decoded.empty() && e2e::StartsWith(listing[1], "  " + Upper8(processRequest)) &&
              BeforeRemark(listing[1]) == BeforeRemark(decoded[0]));
    for (const char* callee : {"ParseStatement", "ComputeChecksum", "FormatRow", "TableName", "CommitTransaction"}) {
        const bool named = HasCallTo(listing, address(callee), callee);
        if (!named) e2e::Note("no named call to %s", callee);
        E2E_CHECK(named);
    }

    E2E_CHECK(dialog.Stop());
    e2e::CheckServerClean(server, kAnswerMs);
    const std::string after = server.Request("run", "3 1", kAnswerMs).value_or("");
    E2E_CHECK(e2e::AnswerValue(after, "HashName").value_or(0) == 6 &&
              e2e::AnswerValue(after, "ComputeChecksum").value_or(0) == 12);
    E2E_CHECK(dialog.Exit() == 0);
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_dialog_console");
}
