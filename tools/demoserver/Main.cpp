// ORACLE.EXE, the demo database server: worker threads that call internal
// functions on request, a control folder for the requests, and a check of
// its own code bytes. See README.md for the protocol.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "Control.h"
#include "SelfCheck.h"
#include "Workers.h"
#include "Workload.h"

namespace demo {

namespace {

constexpr int kDefaultWorkers = 2;
constexpr int kMaxWorkers = 16;
constexpr long kMaxIterations = 10000000;
constexpr DWORD kPollMilliseconds = 50;
constexpr int kExitCodeChanged = 3;
constexpr int kExitCodeUsage = 2;

// A writable text of the server's, for memory writes from outside that the
// server then reads back (the "note" request); data, so its code check
// stays clean whatever is written here.
constexpr size_t kNoteSize = 16;
char g_note[kNoteSize] = "NOTE";

struct Server {
    std::string control;
    CodeSnapshot code;
    Workers* workers = nullptr;
    bool quitting = false;
    bool codeChanged = false;
};

std::string Hex(uintptr_t value) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string CheckCode(Server& server) {
    const auto differences = server.code.Differences();
    server.codeChanged = !differences.empty();
    std::ostringstream out;
    out << "check " << (differences.empty() ? "clean" : "changed") << ' ' << server.code.Size() << ' '
        << differences.size() << "\r\n";
    for (size_t offset : differences) out << Hex(offset) << "\r\n";
    return out.str();
}

std::string OnRun(Server& server, const std::string& body) {
    std::istringstream in(body);
    long iterations = 0;
    long threads = 0;
    if (!(in >> iterations >> threads) || iterations < 1 || iterations > kMaxIterations || threads < 1 ||
        threads > server.workers->Count()) {
        return "error run wants \"<iterations> <threads>\", threads 1.." + std::to_string(server.workers->Count()) +
               "\r\n";
    }
    uint64_t before[DEMO_FUNCTION_COUNT];
    for (int i = 0; i < DEMO_FUNCTION_COUNT; ++i) before[i] = DemoFunctionCalls(i);
    server.workers->Run(static_cast<int>(iterations), static_cast<int>(threads));
    std::ostringstream out;
    out << "run " << iterations << ' ' << threads << "\r\n";
    for (int i = 0; i < DEMO_FUNCTION_COUNT; ++i) {
        out << DemoFunctionName(i) << ' ' << DemoFunctionCalls(i) - before[i] << "\r\n";
    }
    return out.str();
}

std::string OnCheck(Server& server, const std::string&) { return CheckCode(server); }

std::string OnInfo(Server& server, const std::string&) {
    std::ostringstream out;
    out << "info " << GetCurrentProcessId() << ' ' << Hex(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)))
        << ' ' << server.workers->Count() << "\r\n";
    for (int i = 0; i < DEMO_FUNCTION_COUNT; ++i) {
        out << DemoFunctionName(i) << ' ' << Hex(DemoFunctionAddress(i)) << "\r\n";
    }
    out << "owner " << Hex(reinterpret_cast<uintptr_t>(DemoOwnerName())) << "\r\n";
    for (int i = 0; i < server.workers->Count(); ++i) out << "worker" << i << ' ' << server.workers->ThreadId(i) << "\r\n";
    // A string of the server's own, for memory reads by address.
    out << "text " << Hex(reinterpret_cast<uintptr_t>(DemoFunctionName(0))) << "\r\n";
    return out.str();
}

// The note's address and its text as the server reads it now: up to its
// first NUL, never past its end.
std::string OnNote(Server&, const std::string&) {
    const volatile char* note = g_note;
    std::string text;
    for (size_t i = 0; i < kNoteSize && note[i] != '\0'; ++i) text += note[i];
    return "note " + Hex(reinterpret_cast<uintptr_t>(g_note)) + ' ' + text + "\r\n";
}

std::string OnQuit(Server& server, const std::string&) {
    server.quitting = true;
    return CheckCode(server);
}

using Handler = std::string (*)(Server&, const std::string&);
const std::map<std::string, Handler> kHandlers = {
    {"run", &OnRun}, {"check", &OnCheck}, {"info", &OnInfo}, {"note", &OnNote}, {"quit", &OnQuit}};

// <home>\control, home being the folder above the executable's folder.
std::string DefaultControlFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string home(path);
    for (int level = 0; level < 2; ++level) {
        const size_t slash = home.find_last_of("\\/");
        home = slash == std::string::npos ? std::string(".") : home.substr(0, slash);
    }
    return home + "\\control";
}

int Serve(Server& server) {
    while (!server.quitting) {
        const auto request = TakeRequest(server.control);
        if (!request) {
            Sleep(kPollMilliseconds);
            continue;
        }
        const auto handler = kHandlers.find(request->verb);
        const std::string answer = handler != kHandlers.end()
                                       ? handler->second(server, request->body)
                                       : "error unknown request \"" + request->verb + "\"\r\n";
        WriteAnswer(server.control, request->id, answer);
    }
    return server.codeChanged ? kExitCodeChanged : 0;
}

}  // namespace

}  // namespace demo

int main(int argc, char** argv) {
    demo::Server server;
    server.control = demo::DefaultControlFolder();
    int workerCount = demo::kDefaultWorkers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--control") == 0 && i + 1 < argc) {
            server.control = argv[++i];
        } else if (std::strcmp(argv[i], "--workers") == 0 && i + 1 < argc) {
            workerCount = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: ORACLE.EXE [--control FOLDER] [--workers 1..%d]\n", demo::kMaxWorkers);
            return demo::kExitCodeUsage;
        }
    }
    if (workerCount < 1 || workerCount > demo::kMaxWorkers) {
        std::fprintf(stderr, "ORACLE.EXE: --workers wants 1..%d\n", demo::kMaxWorkers);
        return demo::kExitCodeUsage;
    }
    CreateDirectoryA(server.control.c_str(), nullptr);
    if (!server.code.Take(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)))) {
        std::fprintf(stderr, "ORACLE.EXE: no .text section in the own image\n");
        return 1;
    }
    demo::Workers workers(workerCount);
    server.workers = &workers;
    return demo::Serve(server);
}
