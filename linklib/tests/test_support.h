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
#include "serial_transport.h"

namespace quillsan::test {

// Runs the test in a fresh directory so REMOTERR.LOG starts empty.
class ScratchDirectory {
  public:
    ScratchDirectory() {
        char pattern[] = "/tmp/quillsan-test-XXXXXX";
        path_ = mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string Log() const {
        std::ifstream in(path_ / "REMOTERR.LOG", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

inline std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
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
