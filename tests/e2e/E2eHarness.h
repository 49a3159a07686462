// A small harness for the Windows end-to-end programs: the demo server's
// client (tools/demoserver/DemoClient.h) and a pass/fail tally.
#pragma once

#include "framework/headless/TextLogWindow.h"
#include "platform/win32/WinApi.h"
#include "tools/demoserver/DemoClient.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace e2e {

using demo::AnswerValue;
using demo::DemoServer;
using demo::OwnFolder;
using demo::ReadWholeFile;
using demo::StartsWith;

// ---- checks ----

class Tally {
public:
    void Check(bool ok, const char* what, const char* file, int line) {
        if (ok) {
            ++m_passed;
            return;
        }
        ++m_failed;
        std::printf("FAIL %s:%d: %s\n", file, line, what);
        std::fflush(stdout);
    }
    bool Failed() const { return m_failed > 0; }
    // Prints "N passed, M failed"; the process exit code.
    int Finish(const char* name) const {
        std::printf("%s: %d passed, %d failed\n", name, m_passed, m_failed);
        std::fflush(stdout);
        return m_failed == 0 && m_passed > 0 ? 0 : 1;
    }

private:
    int m_passed = 0;
    int m_failed = 0;
};

inline Tally& Checks() {
    static Tally tally;
    return tally;
}

#define E2E_CHECK(condition) ::e2e::Checks().Check((condition), #condition, __FILE__, __LINE__)

inline void Note(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// ---- numbers as the log and the server's answers write them ----

// value with one printf conversion of an unsigned long long ("%llx", ...).
inline std::string Printed(const char* format, unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

inline std::string Hex(unsigned long long value) { return Printed("%llx", value); }
// The low 32 bits, as the console writes addresses: "0x%08x".
inline std::string Address32(unsigned long long value) { return Printed("0x%08llx", value & 0xFFFFFFFFull); }

// Waits until the window's log (anything with Text()) holds text; false on
// time-out.
template <typename Window>
bool WaitForText(const Window& window, const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (window.Text().find(text) == std::string::npos) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
    return true;
}

// The lines of a log, each with its "\r\n"; an unfinished last line as it is.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start + 2));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A private current directory, <own folder>\<name>.work, holding the
// TracePoints.txt the tracer will read (empty: no trace points).
inline void EnterWorkFolder(const std::string& name, const std::string& tracePoints) {
    const std::string work = OwnFolder() + "\\" + name + ".work";
    CreateDirectoryA(work.c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());
    if (std::FILE* file = std::fopen("TracePoints.txt", "wb")) {
        std::fputs(tracePoints.c_str(), file);
        std::fclose(file);
    }
}

}  // namespace e2e
