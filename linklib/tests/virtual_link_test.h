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

#include "engine.h"
#include "instrument/virtual_instrument.h"
#include "quillsan.h"
#include "request.h"
#include "scratch_directory.h"
#include "serial_transport.h"

namespace quillsan::test {

inline std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> bytes) {
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

// A serial link to the in-process virtual instrument, with nothing pending.
class VirtualLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument::SharedInstrument().Reset();
        ASSERT_EQ(InitRemoteComm(9600, 0), 1u);
        ClearRemoteError();
    }
    void TearDown() override {
        ClearRemoteError();
        CloseCommPort();
        instrument::SharedInstrument().Reset();
    }
    instrument::SerialFrontEnd& line() { return instrument::SharedInstrument().serial(); }
    std::vector<std::uint8_t> LastRequest() { return Bytes(line().LastRequest()); }

    ScratchDirectory scratch_;
};

}  // namespace quillsan::test
