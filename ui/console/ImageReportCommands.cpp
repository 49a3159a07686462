// The report rows, on the file of the traced process's first module.
#include <string>

#include "symbols/ModuleList.h"
#include "tracer/DeamonThread.h"
#include "tracer/PeImage.h"
#include "tracer/TargetAccess.h"
#include "ui/console/CommandActions.h"

namespace qv::console {

namespace {

std::optional<std::string> TracedImagePath(const CommandCall& call) {
    std::string path;
    if (!GetProcessImagePath(call.session.pTracer->m_nProcessId, path, kMaxPathChars)) return std::nullopt;
    return path;
}

}  // namespace

void ReportImage(const CommandRow& row, const CommandCall& call) {
    const std::optional<std::string> path = TracedImagePath(call);
    if (!path) return;
    MAPPEDFILE mapping;
    if (!MapFileReadOnly(*path, mapping)) return;
    for (const auto report : row.imageReports) {
        if (report) report(mapping.View(), call.session.pLogWindow);
    }
    UnmapFile(mapping);
}

void ReportImageFile(const CommandRow& row, const CommandCall& call) {
    if (const std::optional<std::string> path = TracedImagePath(call)) row.pathReport(*path, call.session.pLogWindow);
}

}  // namespace qv::console
