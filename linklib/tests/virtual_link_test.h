// Shared fixtures: a private working directory for the log, and a fresh
// virtual link for each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "clock.h"
#include "engine.h"
#include "instrument/virtual_instrument.h"
#include "quillsan.h"
#include "request.h"
#include "scratch_directory.h"
#include "serial_transport.h"

namespace quillsan::test {

using Wire = std::vector<std::uint8_t>;

inline Wire Bytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

// A block request: command, 4-byte address, 2-byte length and any data.
inline Request BlockRequest(std::uint8_t command, std::uint32_t address, std::uint32_t length,
                            const std::uint8_t* data = nullptr) {
    Request request{command};
    request.Put(address, 4);
    request.Put(length, 2);
    if (data != nullptr) request.Append(data, length);
    return request;
}

// Virtual milliseconds the call spends.
template <typename F>
std::uint64_t Elapsed(F call) {
    const std::uint64_t start = platform::MonotonicMs();
    call();
    return platform::MonotonicMs() - start;
}

// A serial link to the in-process virtual instrument, with nothing pending
// (fresh_state.cpp has reset the library and the instrument before each test).
class VirtualLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitRemoteComm(9600, 0), 1u);
        ClearRemoteError();
    }
    instrument::SerialFrontEnd& line() { return instrument::SharedInstrument().serial(); }
    Wire LastRequest() { return Bytes(line().LastRequest()); }

    ScratchDirectory scratch_;
};

}  // namespace quillsan::test
