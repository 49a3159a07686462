#include "monitor/SampleRates.h"

#include <cstdlib>

#include "core/StringFormat.h"
#include "framework/ListCtrl.h"

namespace qv {

namespace {

constexpr double kNanosecondsPerSecond = 1e9;
// 100-ns units to percent of nanoseconds.
constexpr double kPercentFactor = 10000.0;

}  // namespace

uint64_t ElapsedNanoseconds(int64_t prevTick, int64_t curTick, int64_t frequency) {
    if (frequency <= 0) return 0;
    const uint64_t ticks = static_cast<uint64_t>(curTick) - static_cast<uint64_t>(prevTick);
    const double elapsed = static_cast<double>(ticks) / static_cast<double>(frequency) * kNanosecondsPerSecond;
    // A counter that went backwards reads as a huge span; keep it in range.
    return elapsed >= 18e18 ? UINT64_MAX : static_cast<uint64_t>(elapsed);
}

double LoadPercent(FileTime cur, FileTime prev, uint64_t elapsed, uint32_t processors) {
    if (elapsed == 0) return 0;
    const auto used = static_cast<double>(static_cast<int64_t>(cur - prev));
    return used * kPercentFactor / static_cast<double>(elapsed) / static_cast<double>(processors == 0 ? 1 : processors);
}

double PerSecond(uint64_t cur, uint64_t prev, uint64_t elapsed) {
    if (elapsed == 0) return 0;
    return static_cast<double>(static_cast<int64_t>(cur - prev)) / (static_cast<double>(elapsed) / kNanosecondsPerSecond);
}

uint32_t RowId(const CListCtrl& list, int row) {
    return static_cast<uint32_t>(std::strtoul(list.GetItemText(row, 0).c_str(), nullptr, 10));
}

std::string LoadText(double load) { return FormatString("%5.2f", load); }

std::string CyclesText(uint64_t cycles) { return FormatString("%u", static_cast<uint32_t>(cycles)); }

std::string CyclesRateText(uint64_t cycles, double perSecond) {
    return FormatString("%u(%5.2f/s)", static_cast<uint32_t>(cycles), perSecond);
}

}  // namespace qv
