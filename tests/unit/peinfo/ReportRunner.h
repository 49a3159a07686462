// Runs a report of the PE inspector on bytes and returns what it logged.
#pragma once

#include <string>
#include <vector>

#include "base/ByteView.h"
#include "framework/headless/TextLogWindow.h"

namespace qv::test {

template <typename Report>
std::string RunReport(Report report, const std::vector<uint8_t>& bytes) {
    CTextLogWindow window;
    report(ByteView(bytes.data(), bytes.size()), &window);
    return window.Text();
}

}  // namespace qv::test
