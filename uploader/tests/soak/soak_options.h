// What one soak run covers: links, fault rates, rounds and the plan number.
// CI runs the defaults; a person runs it longer from the command line or the
// environment (SOAK_ROUNDS, SOAK_RATES, SOAK_PLAN, SOAK_LINKS, SOAK_LINES).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brevalin::soak {

enum class Link { kSerial, kUsbFeature, kUsbInput };

struct Options {
    std::vector<Link> links = {Link::kUsbFeature, Link::kUsbInput, Link::kSerial};
    std::vector<int> ratesPercent = {5, 20};
    int rounds = 8;
    std::uint64_t planNumber = 1;
    int baseLines = 300;  // the shortest report of a round; the others are longer
};

// False with a message in `error` for an unknown option or a bad value.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);
const char* LinkName(Link link);
extern const char kUsage[];

}  // namespace brevalin::soak
