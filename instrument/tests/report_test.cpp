#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "firmware_requests.h"
#include "instrument/firmware.h"
#include "instrument/sample_content.h"

namespace instrument {
namespace {

using namespace wire_test;

std::vector<std::string> FetchReport(Firmware& firmware, std::uint16_t run, int type) {
    Call(firmware, 3, {22, run, static_cast<std::uint32_t>(type)});
    const std::uint32_t count = Call(firmware, 68, {0x4007, 0});
    std::vector<std::string> lines;
    for (std::uint32_t n = 0; n < count; ++n) {
        const Bytes line = Record(firmware, 62, {0x6000 | n});
        EXPECT_FALSE(line.empty()) << "line " << n;
        if (line.empty()) break;
        EXPECT_EQ(line.back(), 0);
        EXPECT_LE(line.size(), 100u);
        EXPECT_EQ(std::count(line.begin(), line.end(), 0), 1) << "line " << n;
        lines.push_back(Text(line));
    }
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

TEST(Report, EveryRunAndTypeGivesWellFormedLines) {
    Firmware firmware;
    for (std::uint16_t run = 0; run < kRuns; ++run) {
        for (int type : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << "run " << run << " type " << type);
            const auto lines = FetchReport(firmware, 0x7000 | run, type);
            if (run == kRunWithoutLines) {
                EXPECT_TRUE(lines.empty());
                continue;
            }
            if (run == kLongRun) continue;  // checked on its own, it is long
            ASSERT_GT(lines.size(), 10u);
            EXPECT_NE(lines[0].find(type == 1 ? "VALIDATION REPORT" : "RUN REPORT"),
                      std::string::npos);
            EXPECT_TRUE(Contains(lines, kSerial));
            EXPECT_TRUE(Contains(lines, std::string("\x80") + "C"));  // degrees
            EXPECT_TRUE(Contains(lines, "PASSED") || Contains(lines, "DEVIATION"));
            EXPECT_EQ(lines.back(), "END OF REPORT");
        }
    }
}

TEST(Report, LongHoldRunHasThousandsOfLinesGeneratedQuickly) {
    Firmware firmware;
    const auto start = std::chrono::steady_clock::now();
    Call(firmware, 3, {22, 0x7000u | kLongRun, 0});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(10));
    EXPECT_EQ(Call(firmware, 68, {0x4007, 0}), kLongRunLines);
    EXPECT_EQ(Text(Record(firmware, 62, {0x6000u + kLongRunLines - 1})), "END OF REPORT");
    EXPECT_EQ(Call(firmware, 62, {0x6000u + kLongRunLines}), 0u);
    EXPECT_EQ(Call(firmware, 66, {0x4007, 0}), 0u) << "list exceeds the buffer";
}

TEST(Report, DeviationRunsSayWhereAndOthersPass) {
    Firmware firmware;
    EXPECT_TRUE(Contains(FetchReport(firmware, 0x7003, 0), "RESULT: 1 DEVIATION"));
    EXPECT_TRUE(Contains(FetchReport(firmware, 0x7003, 1), "DEVIATION"));
    EXPECT_TRUE(Contains(FetchReport(firmware, 0x7000, 1), "RESULT: PASSED"));
}

TEST(Report, UnknownRunGivesEmptyReportAndListFollowsCount) {
    Firmware firmware;
    FetchReport(firmware, 0x7001, 0);
    const std::uint32_t count = Call(firmware, 68, {0x4007, 0});
    EXPECT_EQ(Call(firmware, 66, {0x4007, 0}), 2 * count);
    EXPECT_EQ(firmware.MemoryAt(kTransferBuffer, 2)[1], 0x60);
    EXPECT_TRUE(FetchReport(firmware, 0x7000 | kRuns, 1).empty());
    EXPECT_TRUE(FetchReport(firmware, 0x1000, 1).empty());
}

}  // namespace
}  // namespace instrument
