// The server's worker threads, created at start and idle (blocked on an
// event, so they cause no debug events) until a run hands them iterations.
#pragma once

#include <windows.h>

#include <vector>

namespace demo {

class Workers {
public:
    explicit Workers(int count);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    int Count() const { return static_cast<int>(m_slots.size()); }
    DWORD ThreadId(int index) const { return m_slots[static_cast<size_t>(index)].threadId; }
    // Runs `iterations` iterations on each of the first `threads` workers and
    // waits until all of them are done.
    void Run(int iterations, int threads);

private:
    struct Slot {
        Workers* owner = nullptr;
        int index = 0;
        int iterations = 0;
        HANDLE start = nullptr;
        HANDLE done = nullptr;
        HANDLE thread = nullptr;
        DWORD threadId = 0;
    };
    static DWORD WINAPI ThreadMain(LPVOID parameter);

    std::vector<Slot> m_slots;
    volatile LONG m_stopping = 0;
};

}  // namespace demo
