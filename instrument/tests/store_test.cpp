#include <gtest/gtest.h>

#include <cstring>

#include "firmware_requests.h"
#include "instrument/firmware.h"
#include "instrument/sample_content.h"
#include "instrument/sample_program.h"

namespace instrument {
namespace {

using namespace wire_test;

Bytes UserUpload(const char* name, const char* extra, std::uint8_t last) {
    Bytes upload(kUserUploadSize, 0);
    std::memcpy(upload.data(), name, std::strlen(name));
    std::memcpy(upload.data() + 26, extra, std::strlen(extra));
    for (std::size_t i = 39; i < kUserUploadSize; ++i) upload[i] = static_cast<std::uint8_t>(i);
    upload[55] = last;
    return upload;
}

std::vector<std::uint16_t> List(Firmware& firmware, std::uint16_t collection) {
    const Bytes bytes = Record(firmware, 66, {collection, 0});
    std::vector<std::uint16_t> handles;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        handles.push_back(static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return handles;
}

TEST(SampleContent, HoldsUsersFoldersProtocolsRunsAndHeadsWithNames) {
    Firmware firmware;
    EXPECT_EQ(Call(firmware, 68, {0x4001, 0}), 3u);
    EXPECT_EQ(Call(firmware, 68, {0x4002, 0}), 3u);
    EXPECT_EQ(Call(firmware, 68, {0x4003, 0}), 4u);
    EXPECT_EQ(Call(firmware, 68, {0x4006, 0}), 12u);
    EXPECT_EQ(List(firmware, 0x4001), (std::vector<std::uint16_t>{0x1000, 0x1001, 0x1002}));
    EXPECT_EQ(List(firmware, 0x4006).back(), 0x700B);

    const Bytes runName = Record(firmware, 62, {0x700B});
    ASSERT_FALSE(runName.empty());
    EXPECT_EQ(runName.back(), 0);
    EXPECT_EQ(Text(runName), "RUN 0012  2026-11-30 14:05  SYBR qPCR");
    EXPECT_EQ(Text(Record(firmware, 62, {0x1001})), "LAB TECH");
    EXPECT_EQ(Text(Record(firmware, 62, {0x2001})), "QPCR ASSAYS");
    EXPECT_EQ(Text(Record(firmware, 62, {0x3001})), "SYBR QPCR 40X");
    EXPECT_EQ(Text(Record(firmware, 91, {0})), "ZT-96-004217");
    for (std::uint16_t unknown : {0x700C, 0x1FFF, 0x5000, 0x6000, 0x0000}) {
        EXPECT_EQ(Call(firmware, 62, {unknown}), 0u) << std::hex << unknown;
        EXPECT_EQ(Call(firmware, 69, {unknown}), 0u) << std::hex << unknown;
    }
    EXPECT_EQ(Call(firmware, 69, {0x3002}), 3u);
    EXPECT_EQ(Call(firmware, 68, {0x4007, 0}), 0u);
    EXPECT_EQ(Call(firmware, 66, {0x4007, 0}), 0u);
    EXPECT_EQ(Call(firmware, 67, {0}), 19u);  // the head status records' lengths
    EXPECT_EQ(Call(firmware, 96, {0}), 24u);
}

// Walks a first-form encoding as the host decodes it; returns the bytes consumed.
std::size_t WalkFirstForm(const Bytes& b) {
    std::size_t at = 0;
    while (b.at(at) != 0) ++at;
    ++at;
    const int steps = b.at(at++);
    for (int s = 0; s < steps; ++s) {
        if (b.at(at++) & 0x80) ++at;
        const int segments = b.at(at++) & 0x0F;
        for (int k = 0; k < segments; ++k) {
            const int w1 = b.at(at) | b.at(at + 1) << 8;
            at += 2 + (w1 & 0x8000 ? 2 : 0) + (w1 & 0x4000 ? 4 : 0);
            const int w2 = b.at(at) | b.at(at + 1) << 8;
            at += 2 + (w2 & 0x8000 ? 4 : 0) + (w2 & 0x4000 ? 1 : 0);
        }
    }
    return at;
}

TEST(SampleContent, ProtocolEncodingsHaveTheExactLengthOfTheirContent) {
    for (const SampleProgram& program : SamplePrograms()) {
        const Bytes first = EncodeFirstForm(program);
        EXPECT_EQ(WalkFirstForm(first), first.size()) << program.name;
        std::size_t second = std::strlen(program.name) + 2 + 1;
        for (const ProgramStep& step : program.steps) second += 4 + 15 * step.segments.size();
        EXPECT_EQ(EncodeSecondForm(program).size(), second) << program.name;
    }
}

TEST(Store, UserInsertLookupGetDelete) {
    Firmware firmware;
    Upload(firmware, UserUpload("NIGHT SHIFT OPERATOR", "Bench 4", 0x5A));
    const std::uint32_t handle = Call(firmware, 57, {7});
    EXPECT_EQ(handle, 0x1003u);

    UploadText(firmware, "NIGHT SHIFT OPERATOR");
    EXPECT_EQ(Call(firmware, 56), handle);
    UploadText(firmware, "NIGHT");
    EXPECT_EQ(Call(firmware, 56), 0u);

    const Bytes user = Record(firmware, 63, {handle});
    ASSERT_EQ(user.size(), kUserReplySize);
    EXPECT_EQ(std::string(user.begin(), user.begin() + 13), "NIGHT SHIFT O");
    EXPECT_EQ(std::string(user.begin() + 13, user.begin() + 20), "Bench 4");
    EXPECT_EQ(user[26], 39);  // word0's low byte, upload offset 39
    EXPECT_EQ(user[42], 0x5A);

    Upload(firmware, UserUpload("NIGHT SHIFT OPERATOR", "", 0));
    EXPECT_EQ(Call(firmware, 57, {0}), 0u) << "duplicate name";
    Upload(firmware, Bytes(40, 'A'));
    EXPECT_EQ(Call(firmware, 57, {0}), 0u) << "short upload";

    EXPECT_EQ(Call(firmware, 70, {handle}), 1u);
    EXPECT_EQ(Call(firmware, 70, {handle}), 0u);
    EXPECT_EQ(Call(firmware, 68, {0x4001, 0}), 3u);
    EXPECT_EQ(List(firmware, 0x4001).size(), 3u);
    EXPECT_EQ(Call(firmware, 62, {handle}), 0u);
    UploadText(firmware, "NIGHT SHIFT OPERATOR");
    EXPECT_EQ(Call(firmware, 56), 0u);
}

TEST(Store, FolderInsertTakesTwentyFiveBytes) {
    Firmware firmware;
    Bytes name(kFolderNameSize, 0xEE);
    std::memcpy(name.data(), "SEQUENCING\0", 11);
    Upload(firmware, name);
    const std::uint32_t handle = Call(firmware, 58, {1, 2});
    EXPECT_EQ(handle, 0x2003u);
    EXPECT_EQ(Record(firmware, 64, {handle}), name);
    UploadText(firmware, "SEQUENCING");
    EXPECT_EQ(Call(firmware, 54), handle);
    Upload(firmware, Bytes(10, 'Q'));
    EXPECT_EQ(Call(firmware, 58, {0, 0}), 0u) << "short upload";
}

TEST(Store, ProtocolsKeepTheirEncodingsAsUploaded) {
    Firmware firmware;
    const Bytes first = {0x41, 0x42, 0x00, 0x01, 0x03, 0x01, 0xB6, 0x03, 0x1E, 0x00};
    Upload(firmware, first);
    const std::uint32_t handle = Call(firmware, 59, {1, 2});
    EXPECT_EQ(handle, 0x3004u);
    EXPECT_EQ(Record(firmware, 65, {handle}), first);
    EXPECT_EQ(Call(firmware, 93, {handle}), 0u);
    UploadText(firmware, "AB");
    EXPECT_EQ(Call(firmware, 55), handle);

    const Bytes second = {'A', 'C', 0, 0, 7};
    Upload(firmware, second);
    EXPECT_EQ(Call(firmware, 94, {handle}), 1u);
    EXPECT_EQ(Record(firmware, 93, {handle}), second);
    EXPECT_EQ(Call(firmware, 65, {handle}), 0u) << "stale first form is dropped";
    EXPECT_EQ(Text(Record(firmware, 62, {handle})), "AC");

    Upload(firmware, second);
    EXPECT_EQ(Call(firmware, 97, {0, 0}), 0u) << "duplicate name";
    Upload(firmware, Bytes(30, 'N'));
    EXPECT_EQ(Call(firmware, 59, {0, 0}), 0u) << "name without terminator";
    Upload(firmware, first);
    EXPECT_EQ(Call(firmware, 60, {0x3FFF}), 0u);
    Upload(firmware, first);
    EXPECT_NE(Call(firmware, 61, {1, 1}), 0u);
    EXPECT_EQ(Call(firmware, 61, {1, 1}), 0u) << "nothing uploaded since";
}

}  // namespace
}  // namespace instrument
