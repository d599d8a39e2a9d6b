// export-all's file names: a run's safe name, with "~n" where that alone
// would meet another run's name. The safe name never holds '~', so no run's
// own name can produce a suffixed one.
#pragma once

#include <string>
#include <vector>

namespace brevalin::cli {

struct NamePlan {
    std::string base;         // the safe name, "unnamed" for a run without one
    bool bareAllowed = true;  // false: empty, or a device name on Windows
    int ordinal = 1;          // 1 for the oldest run with this name, then 2, 3, ...
};

// The plan of each run, `oldestFirst` as the instrument names them. Names
// that make the same safe name, or differ from it only in letter case, are
// numbered from the oldest, so that newer runs do not move older ones' names.
std::vector<NamePlan> PlanNames(const std::vector<std::string>& oldestFirst);

// The n-th name of a plan's family: n = 1 is the bare name where allowed.
std::string Candidate(const NamePlan& plan, int n);

std::string FileNameFor(const std::string& stem, bool validation);

// A name as a case-blind file system compares it.
std::string Folded(const std::string& name);

}  // namespace brevalin::cli
