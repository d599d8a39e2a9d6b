// Save to File: the report list as the instrument's report file, with CR LF
// line ends, after the instrument confirms how many lines the report has.
#pragma once

#include <string>
#include <vector>

#include "dialogs.h"
#include "link_binding.h"

namespace brevalin {

// The report list's entries as they arrived.
struct ReportList {
    std::vector<std::string> lines;
    int abortLines = 0;  // Cancel Operation's lines among them, which are not the report's
    bool HasReportLines() const { return static_cast<int>(lines.size()) > abortLines; }
};

// Asks for a file and writes the list to it; every failure is told in a box.
void SaveReport(const ReportList& list, LinkLibrary& library, Dialogs& dialogs,
                ReconnectAnswers& answers);

}  // namespace brevalin
