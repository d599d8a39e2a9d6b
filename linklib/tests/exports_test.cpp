// Identity texts and the thin command exports: result forms and bounded copies.
#include <cstring>

#include "case_names.h"
#include "instrument/fault_plan.h"
#include "virtual_link_test.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;
struct TextCase {
    const char* name;
    std::uint32_t (*call)(char*, std::uint32_t);
    std::uint32_t size;
    std::string written;  // exactly `size` bytes
    std::uint32_t result;
};

std::string Padded(const std::string& text, std::size_t size) {
    std::string out = text.substr(0, size == 0 ? 0 : size - 1);
    out.resize(size, '\0');
    return out;
}

// Over a link: the firmware's version text needs one.
class TextExport : public VirtualLinkTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextExport, FillsExactlySizeBytesAlwaysTerminated) {
    const TextCase& c = GetParam();
    char buffer[160];
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(c.call(buffer, c.size), c.result);
    EXPECT_EQ(std::string(buffer, c.size), c.written);
    EXPECT_EQ(static_cast<unsigned char>(buffer[c.size]), 0x5A) << "wrote past the buffer";
}

const std::string kVersion = "QUILLSAN.DLL Version 1.009";
const std::string kPcrVersion = "Pelmark Version 1.009";
std::uint32_t DllName(char* buffer, std::uint32_t) {
    return GetDLLName(buffer);
}

INSTANTIATE_TEST_SUITE_P(
    Exports, TextExport,
    ::testing::Values(TextCase{"VersionRoomy", GetDLLVersion, 100, Padded(kVersion, 100), 26},
                      TextCase{"VersionCut", GetDLLVersion, 10, Padded(kVersion, 10), 10},
                      TextCase{"VersionExact", GetDLLVersion, 26, Padded(kVersion, 26), 26},
                      TextCase{"VersionZero", GetDLLVersion, 0, "", 0},
                      TextCase{"Name13", GetDLLName2, 13, Padded("QUILLSAN.DLL", 13), 13},
                      TextCase{"Name14", GetDLLName2, 14, Padded("QUILLSAN.DLL", 14), 13},
                      TextCase{"Name5", GetDLLName2, 5, Padded("QUILLSAN.DLL", 5), 5},
                      TextCase{"NameZero", GetDLLName2, 0, "", 0},
                      TextCase{"NameAlways13", DllName, 13, Padded("QUILLSAN.DLL", 13), 13},
                      TextCase{"PcrVersion", GetPCRVersion, 64, Padded(kPcrVersion, 64), 22},
                      TextCase{"PcrVersionCut", GetPCRVersion, 8, Padded(kPcrVersion, 8), 8}),
    test_support::ByCaseName{});

class ThinExportTest : public VirtualLinkTest {};

TEST_F(ThinExportTest, PcrVersionLeavesTheBufferUntouchedWithALinkErrorPending) {
    line().Faults().dropReplies = 1;
    GetInstrumentStatus();
    char buffer[32];
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(GetPCRVersion(buffer, sizeof buffer), 0u);
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_EQ(buffer[31], 0x5A);
}

TEST_F(ThinExportTest, ArgumentsAreCutToTheirWidths) {
    InstrumentControl(0xFFFFFF01, 0x1202, 0xABCD0304);
    EXPECT_EQ(LastRequest(), (Wire{71, 0x01, 0x02, 0x03, 0x04}));
    ClearRunProtocol(0x1FF, 0x2FE);
    EXPECT_EQ(LastRequest(), (Wire{73, 0xFF, 0xFE}));
    SetSlaveParameter(0x116, 0x12345, 0xFFFF0001);
    EXPECT_EQ(LastRequest(), (Wire{3, 0x16, 0x23, 0x45, 0x00, 0x01}));
    EXPECT_EQ(GetRemoteError(), 0);
}

TEST_F(ThinExportTest, ReadADTabLongMatchesReadADTab) {
    for (std::uint32_t index : {0u, 1u, 77u, 255u}) {
        EXPECT_EQ(ReadADTabLong(index), ReadADTab(index)) << index;
    }
    EXPECT_EQ(GetRemoteError(), 0);
}

TEST_F(ThinExportTest, SetSlaveParameterReturnsZeroEitherWay) {
    EXPECT_EQ(SetSlaveParameter(9, 1, 2), 0u);
    EXPECT_EQ(GetRemoteError(), 0);
    line().Faults().dropReplies = 1;
    EXPECT_EQ(SetSlaveParameter(9, 1, 2), 0u);
    EXPECT_EQ(GetRemoteError(), kNoValidReply);
}

}  // namespace
}  // namespace quillsan::test
