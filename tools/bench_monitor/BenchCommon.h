// What both monitor benchmarks share: a stopwatch, and the sort's
// comparison as a search of the list per call (each row found by its item
// data from the start), measured beside the one-pass table the list uses.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "monitor/ProcessMonitor.h"
#include "monitor/SortList.h"
#include "platform/Platform.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline int SearchingCompare(qv::LParam item1, qv::LParam item2, qv::LParam data) {
    const auto* list = reinterpret_cast<const qv::CSortList*>(data);
    qv::ListFindInfo find;
    find.lParam = item1;
    const int first = list->FindItem(find);
    find.lParam = item2;
    const int second = list->FindItem(find);
    if (first < 0 || second < 0) return 0;
    const int order = qv::CSortList::CompareTexts(qv::CSortList::ToLower(list->GetItemText(first, list->m_nSortColumn)),
                                                  qv::CSortList::ToLower(list->GetItemText(second, list->m_nSortColumn)));
    return list->m_bAscending ? order : -order;
}

// Times rounds of refresh (with its sort), of the sort alone and, when
// searching is set, of the searching sort; prints medians.
inline void Report(const char* what, qv::CProcessMonitor& monitor, qv::CSortList& list, int rounds, bool searching,
                   const std::function<void()>& beforeRound) {
    std::vector<double> sampling, refresh, sort, searchingSort;
    for (int round = 0; round < rounds; ++round) {
        beforeRound();
        qv::CProcessArray scratch;
        sampling.push_back(Milliseconds([&] { qv::SampleProcesses(qv::Platform(), scratch); }));
        refresh.push_back(Milliseconds([&] { monitor.RefreshProcessList(); }));
        sort.push_back(Milliseconds([&] { list.Sort(); }));
        if (searching) {
            searchingSort.push_back(
                Milliseconds([&] { list.SortItems(&SearchingCompare, reinterpret_cast<qv::LParam>(&list)); }));
        }
    }
    const double refreshMs = Median(refresh);
    const double sortMs = Median(sort);
    std::printf("%s: %d rows, column %d\n", what, list.GetItemCount(), list.m_nSortColumn);
    std::printf("  refresh + sort   %8.3f ms (median of %d)\n", refreshMs, rounds);
    std::printf("  sampling alone   %8.3f ms\n", Median(sampling));
    std::printf("  sort alone       %8.3f ms (%.0f%% of the refresh)\n", sortMs,
                refreshMs > 0 ? 100 * sortMs / refreshMs : 0.0);
    if (searching) {
        const double searchingMs = Median(searchingSort);
        std::printf("  searching sort   %8.3f ms (%.0fx the table's)\n", searchingMs,
                    sortMs > 0 ? searchingMs / sortMs : 0.0);
    }
}

}  // namespace bench
