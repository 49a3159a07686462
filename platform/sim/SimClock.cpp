// Virtual time: a millisecond count that only moves when asked (idle debug
// waits, timed object waits, sleeps, the test). The local date is the epoch
// plus that count; the machine's time zone is UTC until a test sets a bias.
#include <limits>

#include "base/CivilDate.h"
#include "platform/sim/SimState.h"

namespace qv::sim {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
// 1601-01-01 (the file time epoch) to 1970-01-01, in milliseconds.
constexpr int64_t kFileTimeEpochMs = 11'644'473'600'000;
constexpr int64_t kFileTimeUnitsPerMs = 10'000;
constexpr int64_t kPerformanceFrequency = 10'000'000;

SystemTime CivilFromMs(int64_t ms) {
    int64_t days = ms / kMsPerDay;
    int64_t rest = ms % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(z - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2);

    SystemTime time;
    time.wYear = static_cast<uint16_t>(year);
    time.wMonth = static_cast<uint16_t>(month);
    time.wDay = static_cast<uint16_t>(day);
    time.wDayOfWeek = static_cast<uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    time.wHour = static_cast<uint16_t>(rest / 3'600'000);
    time.wMinute = static_cast<uint16_t>(rest / 60'000 % 60);
    time.wSecond = static_cast<uint16_t>(rest / 1000 % 60);
    time.wMilliseconds = static_cast<uint16_t>(rest % 1000);
    return time;
}

int64_t MsFromCivil(const SystemTime& time) {
    return DaysFromCivil(time.wYear, time.wMonth, time.wDay) * kMsPerDay + int64_t{time.wHour} * 3'600'000 +
           int64_t{time.wMinute} * 60'000 + int64_t{time.wSecond} * 1000 + time.wMilliseconds;
}

}  // namespace

namespace detail {

void InitClock(State& state) {
    SystemTime start;
    start.wYear = 2026;
    start.wMonth = 1;
    start.wDay = 2;
    start.wHour = 3;
    start.wMinute = 4;
    start.wSecond = 5;
    start.wMilliseconds = 678;
    state.utcEpochMs = MsFromCivil(start);
}

FileTime State::NowFileTime() const {
    return static_cast<FileTime>((utcEpochMs + static_cast<int64_t>(virtualMs) + kFileTimeEpochMs) *
                                 kFileTimeUnitsPerMs);
}

}  // namespace detail

uint64_t SimMachine::VirtualMilliseconds() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->virtualMs;
}

void SimMachine::AdvanceClock(uint64_t milliseconds) {
    std::lock_guard lock(m_state->mutex);
    m_state->virtualMs += milliseconds;
    m_state->NotifyChange();
}

void SimMachine::SetLocalTime(const SystemTime& time) {
    std::lock_guard lock(m_state->mutex);
    m_state->utcEpochMs = MsFromCivil(time) + int64_t{m_state->systemBiasSeconds} * 1000 -
                          static_cast<int64_t>(m_state->virtualMs);
}

void SimMachine::SetTimeZoneBias(int32_t systemBiasSeconds, int32_t runtimeBiasSeconds) {
    std::lock_guard lock(m_state->mutex);
    m_state->systemBiasSeconds = systemBiasSeconds;
    m_state->runtimeBiasSeconds = runtimeBiasSeconds;
}

FileTime SimMachine::CurrentFileTime() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->NowFileTime();
}

SystemTime SimMachine::GetLocalTime() {
    std::lock_guard lock(m_state->mutex);
    return CivilFromMs(m_state->utcEpochMs + static_cast<int64_t>(m_state->virtualMs) -
                       int64_t{m_state->systemBiasSeconds} * 1000);
}

SystemTime SimMachine::GetSystemTime() {
    std::lock_guard lock(m_state->mutex);
    return CivilFromMs(m_state->utcEpochMs + static_cast<int64_t>(m_state->virtualMs));
}

std::optional<FileTime> SimMachine::FileTimeToLocalFileTime(FileTime utc) {
    std::lock_guard lock(m_state->mutex);
    const int64_t local = static_cast<int64_t>(utc) - int64_t{m_state->systemBiasSeconds} * 1000 * kFileTimeUnitsPerMs;
    if (utc > static_cast<FileTime>(std::numeric_limits<int64_t>::max()) || local < 0) return std::nullopt;
    return static_cast<FileTime>(local);
}

int32_t SimMachine::GetRuntimeTimeZoneBias() {
    std::lock_guard lock(m_state->mutex);
    return m_state->runtimeBiasSeconds;
}

// The performance counter runs with the virtual clock at 10 MHz.
int64_t SimMachine::QueryPerformanceCounter() {
    std::lock_guard lock(m_state->mutex);
    return static_cast<int64_t>(m_state->virtualMs) * (kPerformanceFrequency / 1000);
}

int64_t SimMachine::QueryPerformanceFrequency() { return kPerformanceFrequency; }

}  // namespace qv::sim
