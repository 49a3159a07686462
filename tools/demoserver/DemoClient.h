// The client side of the demo server's control folder (see README.md):
// start the server from its installed home, send requests, wait for their
// answers with time-outs, and kill it at the end whatever happens. Used by
// the end-to-end tests and the demo program.
#pragma once

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/win32/WinApi.h"

namespace demo {

// ---- paths ----

inline std::string ParentOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

inline std::string OwnFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ParentOf(path);
}

// The build installs the server home beside bin/: <build>/server-home.
inline std::string ServerHome() { return ParentOf(OwnFolder()) + "\\server-home"; }

// The whole file; nullopt when it can't be opened (yet).
inline std::optional<std::string> ReadFileIfOpen(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string ReadWholeFile(const std::string& path) { return ReadFileIfOpen(path).value_or(""); }

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Puts the server's BIN folder in front of this process's PATH: a lookup of
// the bare name ORACLE.EXE through the image search order then finds it, as
// on a real installation; the server inherits the same PATH.
inline void PutServerBinOnPath(const std::string& home) {
    char current[32767] = {};
    GetEnvironmentVariableA("PATH", current, sizeof(current));
    const std::string path = home + "\\BIN;" + current;
    SetEnvironmentVariableA("PATH", path.c_str());
}

// Ties process to this program: it ends with it, even when this program
// crashes, since the last handle of a kill-on-close job closes with the
// process. The job's handle (closing it ends process), or null.
inline HANDLE EndWithThisProcess(HANDLE process) {
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    AssignProcessToJobObject(job, process);
    return job;
}

// ---- the demo server ----

class DemoServer {
public:
    DemoServer() = default;
    ~DemoServer() { Kill(); }
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Starts <home>\BIN\ORACLE.EXE with its home as current directory and a
    // control folder of its own; true once it answered its first request.
    bool Start(int workers = 2, DWORD readyTimeoutMs = 30000) {
        m_home = ServerHome();
        PutServerBinOnPath(m_home);
        const std::string controls = m_home + "\\control";
        CreateDirectoryA(controls.c_str(), nullptr);
        m_control = controls + "\\client-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount64());
        CreateDirectoryA(m_control.c_str(), nullptr);
        ClearControlFolder();
        const std::string exe = m_home + "\\BIN\\ORACLE.EXE";
        std::string commandLine =
            "\"" + exe + "\" --control \"" + m_control + "\" --workers " + std::to_string(workers);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        // No console of its own: a window-less caller (the dialog) gets no
        // stray console window.
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            m_home.c_str(), &startup, &info)) {
            std::fprintf(stderr, "cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
            return false;
        }
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_job = EndWithThisProcess(m_process);
        m_pid = info.dwProcessId;
        return Request("info", "", readyTimeoutMs).has_value();
    }

    // Sends a request and waits for its answer; nullopt on time-out or when
    // the server is gone.
    std::optional<std::string> Request(const std::string& verb, const std::string& body, DWORD timeoutMs) {
        const std::string id = Send(verb, body);
        return Await(id, timeoutMs);
    }

    // Sends a request without waiting; returns its id for Await.
    std::string Send(const std::string& verb, const std::string& body) {
        const std::string id = std::to_string(++m_nextId);
        const std::string temporary = m_control + "\\" + verb + "-" + id + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << body;
        }
        MoveFileExA(temporary.c_str(), (m_control + "\\" + verb + "-" + id + ".txt").c_str(),
                    MOVEFILE_REPLACE_EXISTING);
        return id;
    }

    std::optional<std::string> Await(const std::string& id, DWORD timeoutMs) {
        const std::string answer = m_control + "\\done-" + id + ".txt";
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        for (;;) {
            // Every answer has text: one that reads empty or can't be opened
            // yet is read again at the next look.
            if (FileExists(answer)) {
                const auto text = ReadFileIfOpen(answer);
                if (text && !text->empty()) {
                    DeleteFileA(answer.c_str());
                    return text;
                }
            }
            if (!IsRunning() || GetTickCount64() >= deadline) return std::nullopt;
            Sleep(20);
        }
    }

    bool IsRunning() const { return m_process != nullptr && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

    // Asks the server to quit; its exit code, or nullopt when it didn't end
    // in time.
    std::optional<DWORD> Quit(DWORD timeoutMs) {
        if (!Request("quit", "", timeoutMs)) return std::nullopt;
        if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        return code;
    }

    void Kill() {
        if (m_process == nullptr) return;
        if (IsRunning()) {
            TerminateProcess(m_process, 9);
            WaitForSingleObject(m_process, 10000);
        }
        CloseHandle(m_process);
        m_process = nullptr;
        if (m_job != nullptr) CloseHandle(m_job);
        m_job = nullptr;
        ClearControlFolder();
        RemoveDirectoryA(m_control.c_str());
    }

    DWORD Pid() const { return m_pid; }
    const std::string& Home() const { return m_home; }

private:
    void ClearControlFolder() {
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((m_control + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileA((m_control + "\\" + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found) != FALSE);
        FindClose(search);
    }

    std::string m_home;
    std::string m_control;
    HANDLE m_process = nullptr;
    HANDLE m_job = nullptr;
    DWORD m_pid = 0;
    int m_nextId = 0;
};

// ---- answers ----

// The number after "<name> " on a line of an answer; nullopt when absent.
inline std::optional<unsigned long long> AnswerValue(const std::string& answer, const std::string& name) {
    std::istringstream lines(answer);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, name.size() + 1, name + " ") != 0) continue;
        return std::stoull(line.substr(name.size() + 1), nullptr, 0);
    }
    return std::nullopt;
}

inline bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace demo
