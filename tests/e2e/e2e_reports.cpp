// Call and return reports of the real engine in the demo server under Wine:
// Stat Only off, return catching on with the detailed return line, two
// workers calling the traced functions at once. The "User call" lines per
// function and thread equal the server's own counts, each with the thread
// id of a worker and a return address in the calling function; the call
// stacks name the callers through ORACLE.SYM; the arguments are the values
// the server passed (one of them a string above 4 GB); every call is
// matched by one return line with the value the server returned, the
// recursion's included. After Stop the code is as it was and the server
// runs on.
#include <cstdio>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/OptionFlags.h"
#include "framework/headless/TextLogWindow.h"
#include "platform/win32/Win32Platform.h"
#include "tests/e2e/E2eHarness.h"
#include "tracer/DeamonThread.h"
#include "tracer/TraceSession.h"

namespace {

constexpr DWORD kAnswerMs = 300000;
constexpr DWORD kCompleteMs = 60000;
constexpr int kIterations = 6;
constexpr int kThreads = 2;
constexpr int kChecksumDepth = 3;

const char* const kStatements[] = {"SELECT ENAME FROM EMP", "UPDATE DEPT SET LOC = 'X'",
                                   "DELETE FROM BONUS WHERE SAL < 100"};
const char* const kTracePoints =
    "ParseStatement*3 (0,0,0,0,0*1,0)\n"
    "TableName (0,0,0,0,0*1,0)\n"
    "ComputeChecksum*2\n"
    "CommitTransaction\n"
    "ProcessRequest\n";
const char* const kFunctions[] = {"ParseStatement", "TableName", "ComputeChecksum", "CommitTransaction",
                                  "ProcessRequest"};

// The server's own arithmetic, to know what each call returned.
unsigned long long Checksum(unsigned long long seed, int depth, std::multiset<uint32_t>& returned) {
    unsigned long long value;
    if (depth == 0) {
        value = seed ^ 0x5A5A5A5Aull;
    } else {
        const unsigned long long inner = Checksum(seed * 31 + static_cast<unsigned long long>(depth), depth - 1, returned);
        value = (inner << 1) ^ (inner >> 7) ^ static_cast<unsigned long long>(depth);
    }
    returned.insert(static_cast<uint32_t>(value));
    return value;
}

int Words(const std::string& statement) {
    int words = 1;
    for (const char c : statement) words += c == ' ' ? 1 : 0;
    return words;
}

// What each traced function returns over the run (low 32 bits).
std::map<std::string, std::multiset<uint32_t>> ExpectedReturns() {
    std::map<std::string, std::multiset<uint32_t>> expected;
    for (int worker = 0; worker < kThreads; ++worker) {
        for (int i = 0; i < kIterations; ++i) {
            const std::string statement = kStatements[i % 3];
            const int words = Words(statement);
            expected["ParseStatement"].insert(static_cast<uint32_t>(words));
            const unsigned long long checksum =
                Checksum(static_cast<unsigned long long>(i), kChecksumDepth, expected["ComputeChecksum"]);
            const int rowLength = static_cast<int>(("EMP:" + std::to_string(i * 10L + worker)).size());
            const int executed = rowLength + worker;
            const int table = i % 2 == 0 ? 3 : 4;
            const int commit = (checksum + static_cast<unsigned long long>(worker)) % 2 == 0 ? 1 : 0;
            expected["CommitTransaction"].insert(static_cast<uint32_t>(commit));
            expected["ProcessRequest"].insert(
                static_cast<uint32_t>(checksum + static_cast<unsigned long long>(words + rowLength + executed + table + commit)));
        }
    }
    return expected;
}

// One "User call" and the lines written with it.
struct CallBlock {
    std::string function;
    unsigned long returnAddress = 0;
    unsigned long threadId = 0;
    std::string stackHeader;
    std::vector<std::string> frames;
    std::vector<std::string> arguments;
};

struct Report {
    std::vector<CallBlock> calls;
    std::map<std::string, std::multiset<uint32_t>> returns;
    std::map<std::string, std::multiset<std::string>> returnTexts;
    size_t unparsed = 0;
};

Report ParseReport(const std::string& log) {
    static const std::regex callLine(
        R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\]User call: (\w+) \(Return Addr: 0x([0-9a-f]{8}); TID: (\d+)\) )");
    static const std::regex returnLine(
        R"(\t(\w+) return at 0x[0-9a-f]{8} with value: 0x[0-9a-f]{8}:([0-9a-f]{8})\(=>(.*)\)\[0{20}\] )");
    Report report;
    bool inArguments = false;
    for (std::string line : e2e::SplitLines(log)) {
        if (line.ends_with("\r\n")) line.resize(line.size() - 2);
        std::smatch match;
        if (std::regex_match(line, match, callLine)) {
            CallBlock block;
            block.function = match[1];
            block.returnAddress = std::stoul(match[2], nullptr, 16);
            block.threadId = std::stoul(match[3]);
            report.calls.push_back(block);
            inArguments = false;
        } else if (std::regex_match(line, match, returnLine)) {
            report.returns[match[1]].insert(static_cast<uint32_t>(std::stoul(match[2], nullptr, 16)));
            report.returnTexts[match[1]].insert(match[3]);
        } else if (!report.calls.empty() && line.rfind("\tCall Stacks(", 0) == 0) {
            report.calls.back().stackHeader = line;
        } else if (!report.calls.empty() && line.rfind("\t[Args(", 0) == 0) {
            inArguments = true;
        } else if (!report.calls.empty() && line.rfind("\t\t", 0) == 0) {
            (inArguments ? report.calls.back().arguments : report.calls.back().frames).push_back(line.substr(2));
        } else {
            ++report.unparsed;
        }
    }
    return report;
}

void CheckCalls(const Report& report, const std::string& run, const std::set<unsigned long>& workers,
                const std::string& owner) {
    std::map<std::string, std::map<unsigned long, unsigned long long>> perThread;
    for (const CallBlock& call : report.calls) ++perThread[call.function][call.threadId];
    for (const char* function : kFunctions) {
        const unsigned long long served = e2e::AnswerValue(run, function).value_or(0);
        e2e::Note("%-18s server calls %4llu, user call lines per thread:", function, served);
        E2E_CHECK(perThread[function].size() == workers.size());
        for (const auto& [thread, count] : perThread[function]) {
            e2e::Note("    thread %5lu: %4llu", thread, count);
            E2E_CHECK(workers.count(thread) == 1);
            E2E_CHECK(count * kThreads == served);
        }
    }
    std::multiset<std::string> statements;
    std::multiset<std::string> lengths;
    size_t ownerArguments = 0;
    for (const CallBlock& call : report.calls) {
        if (call.function == "ParseStatement") {
            E2E_CHECK(call.stackHeader == "\tCall Stacks(3):");
            E2E_CHECK(call.frames.size() == 3);
            // The caller, named through the symbol file.
            E2E_CHECK(call.frames.size() > 1 && call.frames[1].find("(ORACLE.EXE!ProcessRequest+") != std::string::npos);
            E2E_CHECK(call.arguments.size() == 6);
            if (call.arguments.size() == 6) {
                statements.insert(call.arguments[4]);
                lengths.insert(call.arguments[5]);
            }
        } else if (call.function == "ComputeChecksum") {
            E2E_CHECK(call.stackHeader == "\tCall Stacks(2):");
            E2E_CHECK(call.frames.size() == 2);
            E2E_CHECK(call.frames.size() == 2 && (call.frames[1].find("(ORACLE.EXE!ProcessRequest+") != std::string::npos ||
                                                  call.frames[1].find("(ORACLE.EXE!ComputeChecksum+") != std::string::npos));
        } else if (call.function == "TableName") {
            E2E_CHECK(call.arguments.size() == 6);
            if (call.arguments.size() == 6 && call.arguments[4] == owner + "(=>\"SCOTT\")") ++ownerArguments;
        } else {
            E2E_CHECK(call.stackHeader.empty() && call.frames.empty() && call.arguments.empty());
        }
    }
    const size_t each = kIterations * kThreads / 3;
    for (const char* statement : kStatements) {
        char length[16];
        std::snprintf(length, sizeof length, "0x%zx", std::strlen(statement));
        const std::string followed = std::string("(=>\"") + statement + "\")";
        size_t seen = 0;
        for (const std::string& text : statements) {
            if (text.size() > followed.size() && text.ends_with(followed)) ++seen;
        }
        E2E_CHECK(seen == each);
        E2E_CHECK(lengths.count(length) == each);
    }
    e2e::Note("owner argument %s followed in %zu of %d calls", owner.c_str(), ownerArguments, kIterations * kThreads);
    E2E_CHECK(ownerArguments == static_cast<size_t>(kIterations * kThreads));
}

// The return addresses lie in the calling functions.
void CheckReturnAddresses(qv::CDeamonThread& tracer, const Report& report, unsigned long long imageBase) {
    std::map<unsigned long, std::string> names;
    for (const CallBlock& call : report.calls) {
        if (names.count(call.returnAddress) != 0) continue;
        names[call.returnAddress] =
            tracer.ResolveSymbol(imageBase, "ORACLE.EXE", call.returnAddress, nullptr).value_or("?");
    }
    for (const CallBlock& call : report.calls) {
        const std::string& name = names[call.returnAddress];
        const bool inCaller = call.function == "ProcessRequest"
                                  ? name.rfind("ORACLE.EXE!DemoRunIteration+", 0) == 0
                                  : name.rfind("ORACLE.EXE!ProcessRequest+", 0) == 0 ||
                                        (call.function == "ComputeChecksum" &&
                                         name.rfind("ORACLE.EXE!ComputeChecksum+", 0) == 0);
        if (!inCaller) e2e::Note("%s returns to 0x%08lx (%s)", call.function.c_str(), call.returnAddress, name.c_str());
        E2E_CHECK(inCaller);
    }
}

void CheckReturns(const Report& report) {
    const auto expected = ExpectedReturns();
    for (const auto& [function, values] : expected) {
        e2e::Note("%-18s %zu return lines, %zu expected", function.c_str(), report.returns.count(function) ? report.returns.at(function).size() : 0, values.size());
        E2E_CHECK(report.returns.count(function) == 1 && report.returns.at(function) == values);
    }
    // TableName returns a pointer to its table's name.
    std::multiset<std::string> tables;
    for (int i = 0; i < kThreads * kIterations; ++i) tables.insert(i % 2 == 0 ? "\"EMP\"" : "\"DEPT\"");
    E2E_CHECK(report.returnTexts.count("TableName") == 1 && report.returnTexts.at("TableName") == tables);
    // A zero return leaves the value text empty.
    const auto& commits = report.returnTexts.count("CommitTransaction") ? report.returnTexts.at("CommitTransaction")
                                                                          : std::multiset<std::string>{};
    E2E_CHECK(commits.count("") == expected.at("CommitTransaction").count(0));
}

}  // namespace

int main() {
    qv::win32::Win32Platform platform;
    qv::SetPlatform(&platform);
    e2e::DemoServer server;
    if (!server.Start(kThreads)) {
        E2E_CHECK(!"the demo server started");
        return e2e::Checks().Finish("e2e_reports");
    }
    const std::string info = server.Request("info", "", kAnswerMs).value_or("");
    std::set<unsigned long> workers;
    for (int i = 0; i < kThreads; ++i) {
        const auto id = e2e::AnswerValue(info, "worker" + std::to_string(i));
        E2E_CHECK(id.has_value());
        workers.insert(static_cast<unsigned long>(id.value_or(0)));
    }
    const auto owner = e2e::AnswerValue(info, "owner");
    char ownerText[32];
    std::snprintf(ownerText, sizeof ownerText, "0x%llx", owner.value_or(0));
    e2e::Note("owner's name at %s", ownerText);
    E2E_CHECK(owner.value_or(0) > 0xFFFFFFFFull);
    e2e::EnterWorkFolder("e2e_reports", kTracePoints);

    qv::CTextLogWindow window;
    qv::AfxSetMainWnd(&window);
    qv::g_bStatOnly = false;
    qv::g_bDetectRet = true;
    qv::g_bDetail = true;
    qv::CDeamonThread* tracer = qv::StartTraceSession(server.Pid(), 0);
    E2E_CHECK(e2e::WaitForText(window, "Initializing complete!\r\n", kCompleteMs));
    e2e::Note("%s", window.Text().c_str());
    window.Clear();

    const ULONGLONG start = GetTickCount64();
    const auto run = server.Request("run", std::to_string(kIterations) + " " + std::to_string(kThreads), kAnswerMs);
    e2e::Note("traced run in %llu ms", GetTickCount64() - start);
    E2E_CHECK(run.has_value());
    const std::string log = window.Text();
    // Kept beside the test for a look after a failure.
    if (std::FILE* file = std::fopen("report.log", "wb")) {
        std::fwrite(log.data(), 1, log.size(), file);
        std::fclose(file);
    }
    const Report report = ParseReport(log);
    if (report.unparsed != 0) e2e::Note("%zu lines not understood; the log:\n%s", report.unparsed, log.c_str());
    E2E_CHECK(report.unparsed == 0);
    CheckCalls(report, run.value_or(""), workers, ownerText);
    // The server is linked at a fixed base.
    CheckReturnAddresses(*tracer, report, 0x10000000);
    CheckReturns(report);

    qv::StopTraceSession(tracer);
    qv::AfxSetMainWnd(nullptr);

    E2E_CHECK(server.IsRunning());
    E2E_CHECK(e2e::StartsWith(server.Request("check", "", kAnswerMs).value_or(""), "check clean "));
    const auto after = server.Request("run", std::to_string(kIterations) + " " + std::to_string(kThreads), kAnswerMs);
    E2E_CHECK(e2e::AnswerValue(after.value_or(""), "ProcessRequest").value_or(0) == kIterations * kThreads);
    E2E_CHECK(server.Quit(kAnswerMs).value_or(1) == 0);
    return e2e::Checks().Finish("e2e_reports");
}
