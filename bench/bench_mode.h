// The benchmarks' one option: --short runs a brief version for CI, whose limits
// are twice as generous because CI machines are noisy. The full figures come
// from the full run (bench/run.sh).
#pragma once

#include <cstring>

namespace bench {

struct Mode {
    bool isShort = false;
    double slack = 1.0;  // the factor every limit is multiplied by
};

// Takes --short out of argv (so Google Benchmark never sees it) and gives the mode.
inline Mode TakeMode(int& argc, char** argv) {
    Mode mode;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0) {
            mode = {true, 2.0};
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return mode;
}

}  // namespace bench
