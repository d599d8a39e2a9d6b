// The QUILLSAN_VIRTUAL_* settings: what each accepts, and what it does to a
// fresh instrument.
#include "instrument/environment_control.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <string>

#include "case_names.h"
#include "firmware_requests.h"

namespace instrument {
namespace {

using test_support::PrintTo;
using namespace wire_test;

std::map<std::string, std::string> g_environment;

const char* Lookup(const char* name) {
    const auto found = g_environment.find(name);
    return found == g_environment.end() ? nullptr : found->second.c_str();
}

EnvironmentControl Read(std::map<std::string, std::string> environment, std::string& problems) {
    g_environment = std::move(environment);
    return ReadEnvironmentControl(&Lookup, problems);
}

// Applies the settings to the instrument; they must all be taken.
void Shape(VirtualInstrument& instrument, std::map<std::string, std::string> environment) {
    std::string problems;
    ApplyEnvironmentControl(Read(std::move(environment), problems), instrument);
    EXPECT_EQ(problems, "");
}

struct SettingCase {
    const char* variable;
    const char* value;
    bool accepted;
    std::string Name() const { return std::string(variable) + "=" + value; }
};

class EnvironmentSetting : public ::testing::TestWithParam<SettingCase> {};

TEST_P(EnvironmentSetting, IsTakenOnlyAsAWholeNumberInItsRange) {
    const SettingCase c = GetParam();
    std::string problems;
    const EnvironmentControl control = Read({{c.variable, c.value}}, problems);
    const bool taken = control.runs || control.reportLines || control.faultRatePercent ||
                       control.faultPlan || control.slowReplyMs || control.unplugAfter ||
                       control.unplugSearches || control.usbRelease || control.runNames;
    EXPECT_EQ(taken, c.accepted);
    EXPECT_EQ(problems.find(c.variable) != std::string::npos, !c.accepted) << problems;
}

INSTANTIATE_TEST_SUITE_P(
    Values, EnvironmentSetting,
    ::testing::Values(SettingCase{"QUILLSAN_VIRTUAL_RUNS", "4095", true},
                      SettingCase{"QUILLSAN_VIRTUAL_RUNS", "4096", false},
                      SettingCase{"QUILLSAN_VIRTUAL_RUNS", "12x", false},
                      SettingCase{"QUILLSAN_VIRTUAL_RUNS", "", false},
                      SettingCase{"QUILLSAN_VIRTUAL_REPORT_LINES", "0", false},
                      SettingCase{"QUILLSAN_VIRTUAL_FAULT_RATE", "101", false},
                      SettingCase{"QUILLSAN_VIRTUAL_FAULT_PLAN", "18446744073709551615", true},
                      SettingCase{"QUILLSAN_VIRTUAL_FAULT_PLAN", "18446744073709551616", false},
                      SettingCase{"QUILLSAN_VIRTUAL_SLOW_REPLY_MS", "10001", false},
                      SettingCase{"QUILLSAN_VIRTUAL_UNPLUG_AFTER", "0", false},
                      SettingCase{"QUILLSAN_VIRTUAL_UNPLUG_AFTER", "3", true},
                      SettingCase{"QUILLSAN_VIRTUAL_UNPLUG_SEARCHES", "1001", false},
                      SettingCase{"QUILLSAN_VIRTUAL_USB_RELEASE", "65536", false},
                      SettingCase{"QUILLSAN_VIRTUAL_USB_RELEASE", "0", true},
                      SettingCase{"QUILLSAN_VIRTUAL_RUN_NAMES", "/nonexistent/names", false},
                      SettingCase{"QUILLSAN_VIRTUAL_RUN_NAMES", "/dev/null", true}),
    test_support::ByCaseName{});

TEST(EnvironmentControl, ShapesRunsAndReports) {
    VirtualInstrument shaped;
    Shape(shaped, {{"QUILLSAN_VIRTUAL_RUNS", "14"}, {"QUILLSAN_VIRTUAL_REPORT_LINES", "7"}});
    Firmware& firmware = shaped.firmware();
    EXPECT_EQ(Call(firmware, 68, {0x4006, 0}), 14u);
    EXPECT_EQ(Text(Record(firmware, 62, {0x700D})), "RUN 14");
    EXPECT_EQ(Text(Record(firmware, 62, {0x7000})).rfind("RUN 0001", 0), 0u);
    Call(firmware, 3, {22, 0x700D, 1});
    EXPECT_EQ(Call(firmware, 68, {0x4007, 0}), 7u);

    Shape(shaped, {{"QUILLSAN_VIRTUAL_RUNS", "0"}});
    EXPECT_EQ(Call(firmware, 68, {0x4006, 0}), 0u);

    // Names from a file, escapes undone; a Windows line end is no part of a name.
    char path[] = "/tmp/run-names-XXXXXX";
    ASSERT_EQ(close(mkstemp(path)), 0);
    std::ofstream(path) << "X\r\n\nX #1\nA\\x41\\n\\tB\\\\\n";
    Shape(shaped, {{"QUILLSAN_VIRTUAL_RUN_NAMES", path}});
    unlink(path);
    EXPECT_EQ(Call(firmware, 68, {0x4006, 0}), 4u);
    EXPECT_EQ(Text(Record(firmware, 62, {0x7000})), "X");
    EXPECT_EQ(Record(firmware, 62, {0x7001}).size(), 1u);  // the empty name: its terminator
    EXPECT_EQ(Text(Record(firmware, 62, {0x7002})), "X #1");
    EXPECT_EQ(Text(Record(firmware, 62, {0x7003})), "AA\n\tB\\");
    Shape(shaped, {{"QUILLSAN_VIRTUAL_RUNS", "4"}, {"QUILLSAN_VIRTUAL_RUN_NAMES", "/dev/null"}});
    EXPECT_EQ(Call(firmware, 68, {0x4006, 0}), 4u);
}

// Back at the second search: the first still misses it.
TEST(EnvironmentControl, UnplugsAfterNExchangesAndIsBackAtALaterSearch) {
    VirtualInstrument shaped;
    Shape(shaped,
          {{"QUILLSAN_VIRTUAL_UNPLUG_AFTER", "2"}, {"QUILLSAN_VIRTUAL_UNPLUG_SEARCHES", "1"}});
    HidFrontEnd& hid = shaped.hid();
    const std::uint32_t handle = hid.Open(hid.InstrumentIndex());
    std::uint8_t report[257] = {0, 72};
    EXPECT_EQ(hid.WriteOutput(handle, report, sizeof report, 0), HidResult::kOk);
    EXPECT_EQ(hid.WriteOutput(handle, report, sizeof report, 0), HidResult::kOk);
    EXPECT_EQ(hid.WriteOutput(handle, report, sizeof report, 0), HidResult::kNotConnected);
    std::vector<std::size_t> present;
    ASSERT_TRUE(hid.Enumerate(present));
    EXPECT_EQ(present.size(), 1u);
    ASSERT_TRUE(hid.Enumerate(present));
    EXPECT_EQ(present.size(), 2u);
}

TEST(EnvironmentControl, SlowReplyTakesRealTime) {
    VirtualInstrument shaped;
    Shape(shaped, {{"QUILLSAN_VIRTUAL_SLOW_REPLY_MS", "30"}});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Call(shaped.firmware(), 2, {0, 0}), 1009u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace instrument
