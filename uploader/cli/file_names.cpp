#include "file_names.h"

#include <map>

#include "report_files.h"

namespace brevalin::cli {
namespace {

// Windows opens a device for these, whatever follows the first dot.
bool WindowsDeviceName(const std::string& safe) {
    std::string stem = Folded(safe.substr(0, safe.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
           stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::vector<NamePlan> PlanNames(const std::vector<std::string>& oldestFirst) {
    std::vector<NamePlan> plans;
    std::map<std::string, int> seen;
    for (const std::string& name : oldestFirst) {
        NamePlan plan;
        plan.base = SafeFileName(name);
        if (plan.base.empty()) {
            plan.base = "unnamed";
            plan.bareAllowed = false;
        }
        plan.bareAllowed = plan.bareAllowed && !WindowsDeviceName(plan.base);
        plan.ordinal = ++seen[Folded(plan.base)];
        plans.push_back(plan);
    }
    return plans;
}

std::string Candidate(const NamePlan& plan, int n) {
    if (n == 1 && plan.bareAllowed) return plan.base;
    return plan.base + "~" + std::to_string(n);
}

std::string FileNameFor(const std::string& stem, bool validation) {
    return stem + (validation ? ".validation.txt" : ".run.txt");
}

}  // namespace brevalin::cli
