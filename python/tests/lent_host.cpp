// For the Python tests only: lends an instrument to the tests' build of the
// virtual QUILLSAN.DLL (build/lent-virtual) inside a Python process, and lets
// the tests reset it, inject serial faults and read the requests it received.
// Loaded with RTLD_GLOBAL before that library, which looks for
// QuillsanHostInstrument when it loads.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lent_instrument.h"

#define LENT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::vector<std::vector<std::uint8_t>> requests;

instrument::SerialFrontEnd& Line() {
    return test_support::LentInstrument().serial();
}

}  // namespace

// A fresh instrument (sample content, no faults) that records every request.
LENT_EXPORT void LentReset() {
    test_support::LentInstrument().Reset();
    requests.clear();
    Line().RecordRequests(&requests);
}

// The next `count` replies are dropped, after `clean` replies that are not.
LENT_EXPORT void LentDropReplies(int clean, int count) {
    Line().Faults().cleanRepliesFirst = clean;
    Line().Faults().dropReplies = count;
}

LENT_EXPORT int LentRequestCount() {
    return static_cast<int>(requests.size());
}

// Copies request `index` (at most `size` bytes); returns its length, or -1.
LENT_EXPORT int LentRequest(int index, std::uint8_t* out, int size) {
    if (index < 0 || static_cast<std::size_t>(index) >= requests.size() || size < 0) return -1;
    const std::vector<std::uint8_t>& request = requests[static_cast<std::size_t>(index)];
    std::memcpy(out, request.data(), std::min(request.size(), static_cast<std::size_t>(size)));
    return static_cast<int>(request.size());
}
