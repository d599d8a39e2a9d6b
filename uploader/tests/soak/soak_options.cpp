#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "soak.h"

namespace brevalin::soak {

const char kUsage[] =
    "usage: brevalin_soak [--rounds N] [--rates P[,P...]] [--plan N]\n"
    "                     [--links serial,feature,input] [--lines N]\n"
    "  --rounds N   rounds per link and rate (default 8)\n"
    "  --rates      percent of exchanges that get a fault (default 5,20)\n"
    "  --plan N     start value of the fault sequences (default 1)\n"
    "  --links      serial line, USB feature-report path, USB input-report path\n"
    "  --lines N    lines of the shortest report of a round (default 300)\n"
    "The environment variables SOAK_ROUNDS, SOAK_RATES, SOAK_PLAN, SOAK_LINKS and\n"
    "SOAK_LINES give the same values; options win.\n";

const char* LinkName(Link link) {
    switch (link) {
        case Link::kSerial:
            return "serial";
        case Link::kUsbFeature:
            return "usb-feature";
        case Link::kUsbInput:
            return "usb-input";
    }
    return "?";
}

namespace {

bool ParseNumber(const std::string& text, unsigned long long max, unsigned long long& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value <= max;
}

// Fills `list` from a comma-separated value, each part through `parse`; a
// bad part or an empty list is an error.
template <typename T, typename Parse>
bool ApplyList(const std::string& value, const char* bad, const char* none, std::vector<T>& list,
               std::string& error, Parse parse) {
    list.clear();
    std::stringstream stream(value);
    for (std::string part; std::getline(stream, part, ',');) {
        T item{};
        if (!parse(part, item)) {
            error = std::string(bad) + ": '" + part + "'";
            return false;
        }
        list.push_back(item);
    }
    if (list.empty()) error = none;
    return !list.empty();
}

bool Apply(const std::string& name, const std::string& value, Options& options,
           std::string& error) {
    unsigned long long number = 0;
    if (name == "rounds" || name == "plan" || name == "lines") {
        const unsigned long long max = name == "rounds" ? 100000 : name == "lines" ? 4000 : ~0ull;
        if (!ParseNumber(value, max, number) || (name != "plan" && number == 0)) {
            error = "bad value for " + name + ": '" + value + "'";
            return false;
        }
        if (name == "rounds") options.rounds = static_cast<int>(number);
        if (name == "plan") options.planNumber = number;
        if (name == "lines") options.baseLines = static_cast<int>(number);
        return true;
    }
    if (name == "rates") {
        return ApplyList(value, "bad rate", "no rates given", options.ratesPercent, error,
                         [&](const std::string& part, int& rate) {
                             rate = ParseNumber(part, 100, number) ? static_cast<int>(number) : -1;
                             return rate >= 0;
                         });
    }
    if (name == "links") {
        return ApplyList(value, "unknown link", "no links given", options.links, error,
                         [](const std::string& part, Link& link) {
                             link = part == "serial"    ? Link::kSerial
                                    : part == "feature" ? Link::kUsbFeature
                                                        : Link::kUsbInput;
                             return part == "serial" || part == "feature" || part == "input";
                         });
    }
    error = "unknown option --" + name;
    return false;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    const char* const names[] = {"rounds", "rates", "plan", "links", "lines"};
    for (const char* name : names) {
        std::string variable = std::string("SOAK_") + name;
        for (char& c : variable) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const char* value = std::getenv(variable.c_str());
        if (value != nullptr && *value != '\0' && !Apply(name, value, options, error)) {
            error = variable + ": " + error;
            return false;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option.rfind("--", 0) != 0 || i + 1 >= argc) {
            error = "expected an option with a value at '" + option + "'";
            return false;
        }
        if (!Apply(option.substr(2), argv[++i], options, error)) return false;
    }
    return true;
}

}  // namespace brevalin::soak
