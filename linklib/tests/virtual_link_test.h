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
#include "scratch_directory.h"
#include "instrument/virtual_instrument.h"
#include "quillsan.h"
#include "serial_transport.h"

namespace quillsan::test {

inline std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

// Starts a block request: command, 4-byte address and 2-byte length.
inline void BeginBlockRequest(std::uint8_t command, std::uint32_t address, std::uint32_t length) {
    BeginRequest(command);
    Link().value = address;
    PutValue(4);
    Link().value = length;
    PutValue(2);
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
