// The real dialog in a process of its own, for the end-to-end programs that
// work it by window messages only (tools/uidriver): Quorvane.exe started in
// a work folder of the test's (TracePoints.txt, Config.ini), its dialog
// found, traced and stopped as a user's clicks do, and closed at the end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "tests/e2e/E2eHarness.h"
#include "tools/uidriver/DialogDriver.h"
#include "ui/Resource.h"

namespace e2e {

// The counts of a report's lines "\t <name> (<hits>)", by the name after
// any "module!"; a name listed twice keeps its first count.
inline std::map<std::string, unsigned long long> ReportCounts(const std::string& report) {
    std::map<std::string, unsigned long long> counts;
    for (const std::string& line : SplitLines(report)) {
        const size_t open = line.rfind(" (");
        if (!StartsWith(line, "\t ") || open == std::string::npos) continue;
        std::string name = line.substr(2, open - 2);
        if (const size_t bang = name.find('!'); bang != std::string::npos) name = name.substr(bang + 1);
        counts.emplace(name, std::stoull(line.substr(open + 2)));
    }
    return counts;
}

class DialogSession {
public:
    DialogSession() = default;
    ~DialogSession() { Close(); }
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    // Starts Quorvane.exe (beside this program) in <own folder>\<name>.work
    // holding tracePoints and config; true once its dialog shows.
    bool Start(const std::string& name, const std::string& tracePoints, const std::string& config,
               DWORD timeoutMs = 60000) {
        EnterWorkFolder(name, tracePoints);
        if (std::FILE* file = std::fopen("Config.ini", "wb")) {
            std::fputs(config.c_str(), file);
            std::fclose(file);
        }
        char folder[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof folder, folder);
        m_folder = folder;
        const std::string exe = OwnFolder() + "\\Quorvane.exe";
        std::string commandLine = "\"" + exe + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(),
                            &startup, &info)) {
            std::fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
            return false;
        }
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_job = demo::EndWithThisProcess(m_process);
        return m_driver.WaitForDialog(static_cast<int>(timeoutMs));
    }

    uidriver::DialogDriver& Driver() { return m_driver; }
    HANDLE Process() const { return m_process; }
    const std::string& Folder() const { return m_folder; }

    // Selects the process's row and clicks Trace; true once the tracer says
    // it is attached and armed.
    bool Trace(uint32_t processId, DWORD timeoutMs = 60000) {
        const size_t logged = m_driver.Log().size();
        if (!m_driver.SelectRow(IDC_PROCESSLIST, std::to_string(processId), 10000)) return false;
        if (!m_driver.Click(IDC_TRACE)) return false;
        return WaitFor([&] { return m_driver.Log().find("Initializing complete!", logged) != std::string::npos; },
                       timeoutMs);
    }

    // Clicks Stop; true once Trace can be clicked again (the tracer ended).
    bool Stop(DWORD timeoutMs = 60000) {
        return m_driver.Click(IDC_STOP) && WaitFor([&] { return m_driver.IsEnabled(IDC_TRACE); }, timeoutMs);
    }

    // Clicks Report; its text from the title to the end of its "Total:"
    // line once that shows, or "" when it didn't within timeoutMs.
    std::string Report(DWORD timeoutMs = 30000) {
        const size_t from = m_driver.Log().size();
        if (!m_driver.Click(IDC_REPORT)) return std::string();
        std::string report;
        WaitFor(
            [&] {
                const std::string log = m_driver.Log();
                const size_t start = log.find("Breakpoints Statistics Report", from);
                if (start == std::string::npos) return false;
                const size_t total = log.find("Total:", start);
                const size_t end = total == std::string::npos ? total : log.find("\r\n", total);
                if (end == std::string::npos) return false;
                report = log.substr(start, end + 2 - start);
                return true;
            },
            timeoutMs);
        return report;
    }

    // Clicks Exit; the program's exit code once it ended, or -1.
    long Exit(DWORD timeoutMs = 60000) {
        if (m_process == nullptr || !m_driver.Click(IDC_EXIT) ||
            WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        CloseHandle(m_process);
        m_process = nullptr;
        return static_cast<long>(code);
    }

private:
    template <typename Done>
    static bool WaitFor(Done done, DWORD timeoutMs) {
        return uidriver::WaitFor(done, static_cast<int>(timeoutMs));
    }

    // A program the test did not end by Exit is ended here.
    void Close() {
        if (m_process != nullptr && Exit(10000) < 0 && m_process != nullptr) {
            TerminateProcess(m_process, 1);
            CloseHandle(m_process);
            m_process = nullptr;
        }
        if (m_job != nullptr) CloseHandle(m_job);
        m_job = nullptr;
    }

    uidriver::DialogDriver m_driver;
    HANDLE m_process = nullptr;
    HANDLE m_job = nullptr;
    std::string m_folder;
};

// After a trace has ended: the server runs on, and its code is as it was
// (every breakpoint byte restored).
inline void CheckServerClean(DemoServer& server, DWORD timeoutMs) {
    E2E_CHECK(server.IsRunning());
    E2E_CHECK(StartsWith(server.Request("check", "", timeoutMs).value_or(""), "check clean "));
}

}  // namespace e2e
