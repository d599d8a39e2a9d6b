// Both protocol encodings byte for byte, and what each side refuses.
#include "protocol_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "case_names.h"
#include "memory_transfer.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;
using Wire = std::vector<std::uint8_t>;

ProtocolRecord OneStepAB() {
    ProtocolRecord record{};
    std::strcpy(record.name, "AB");
    record.stepCount = 1;
    record.steps[0] = ProtocolStep{3, 1, 0, 0, {{0x81, 1, 0, 0, 30, 950, 0x8028, 0, 0}}};
    return record;
}

ProtocolRecord2 OneStepAB2() {
    ProtocolRecord2 record{};
    std::strcpy(record.name, "AB");
    record.stepCount = 1;
    record.steps[0] = ProtocolStep2{3, 1, 0, {{1, 2, 3, 4, 30, 950, 0x8028, 0, 0}}};
    return record;
}

template <typename Record>
Wire Encode(const Record& record) {
    std::uint8_t out[kStagingBytes];
    std::size_t n = 0;
    if constexpr (std::is_same_v<Record, ProtocolRecord>) {
        n = EncodeProtocol(out, record);
    } else {
        n = EncodeProtocol2(out, record);
    }
    return Wire(out, out + n);
}

// `head`, then zero bytes up to `size`: enough for what the counts in it announce.
Wire ZeroFilled(Wire head, std::size_t size) {
    head.resize(size, 0);
    return head;
}

// OneStepAB() or OneStepAB2() with a change, and its whole encoding; none if refused.
template <typename Record>
struct EncodeCase {
    const char* name;
    void (*change)(Record&);
    Wire bytes;
};

class FirstFormEncoding : public ::testing::TestWithParam<EncodeCase<ProtocolRecord>> {};
class SecondFormEncoding : public ::testing::TestWithParam<EncodeCase<ProtocolRecord2>> {};

TEST_P(FirstFormEncoding, IsByteForByteOrRefused) {
    auto record = OneStepAB();
    GetParam().change(record);
    EXPECT_EQ(Encode(record), GetParam().bytes);
}

TEST_P(SecondFormEncoding, IsByteForByteOrRefused) {
    auto record = OneStepAB2();
    GetParam().change(record);
    EXPECT_EQ(Encode(record), GetParam().bytes);
}

using First = ProtocolRecord;
using Second = ProtocolRecord2;
// clang-format off
INSTANTIATE_TEST_SUITE_P(FirstForm, FirstFormEncoding, ::testing::Values(
    EncodeCase<First>{"MinimalSegment", [](First&) {},
                      {0x41, 0x42, 0x00, 0x01, 0x03, 0x01, 0xB6, 0x03, 0x1E, 0x00}},
    EncodeCase<First>{"StepByte", [](First& r) { r.steps[0].stepByte = 7; },
                      {0x41, 0x42, 0x00, 0x01, 0x83, 0x07, 0x01, 0xB6, 0x03, 0x1E, 0x00}},
    EncodeCase<First>{"NoSteps", [](First& r) { r.stepCount = 0; }, {0x41, 0x42, 0x00, 0x00}},
    EncodeCase<First>{"NameCutAt25", [](First& r) {
                          std::memset(r.name, 'Q', 26);  // byte 25 is not read
                          r.stepCount = 0;
                      }, ZeroFilled(Wire(25, 'Q'), 27)},
    EncodeCase<First>{"StepCount10", [](First& r) { r.stepCount = 10; }, {}},
    EncodeCase<First>{"SegmentCount10", [](First& r) { r.steps[0].segmentInfo = 0xFA; }, {}},
    EncodeCase<First>{"F4096", [](First& r) { r.steps[0].segments[0].f = 4096; }, {}},
    EncodeCase<First>{"StepValue128", [](First& r) { r.steps[0].stepValue = 128; }, {}}),
    test_support::ByCaseName{});

INSTANTIATE_TEST_SUITE_P(SecondForm, SecondFormEncoding, ::testing::Values(
    EncodeCase<Second>{"EveryField", [](Second&) {},
                       {0x41, 0x42, 0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00,
                        0x03, 0x00, 0x04, 0x00, 0x1E, 0x00, 0xB6, 0x03, 0x28, 0x80, 0x00, 0x00}},
    EncodeCase<Second>{"NoStepsButTheTail", [](Second& r) {
                           r.stepCount = 0;
                           r.tailByte = 0x42;
                       }, {0x41, 0x42, 0x00, 0x00, 0x42}},
    EncodeCase<Second>{"StepCount10", [](Second& r) { r.stepCount = 10; }, {}},
    EncodeCase<Second>{"SegmentCount10", [](Second& r) { r.steps[0].segmentCount = 10; }, {}}),
    test_support::ByCaseName{});
// clang-format on

TEST(FirstForm, FullSegmentTravelsInFifteenBytesAndReadsBack) {
    auto record = OneStepAB();
    record.steps[0].segmentInfo = 0xF1;  // the upper bits travel unchanged
    record.steps[0].segments[0] = ProtocolSegment{2, 5, 0xFFF6, 5, 0xFFFF, 600, 0x0014, 1, 0};
    const Wire bytes = Encode(record);
    const Wire segment(bytes.begin() + 6, bytes.end());
    EXPECT_EQ(segment, (Wire{0x58, 0xC2, 0x14, 0x00, 0xF6, 0xFF, 0x02, 0x05, 0xFF, 0xDF, 0x05, 0x00,
                             0x02, 0x05, 0x01}));
    ProtocolRecord back;
    ASSERT_EQ(DecodeProtocol(back, bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0);
}

TEST(FirstForm, AbsentFieldsReadBackNormalised) {
    auto record = OneStepAB();
    // a: b, c and d absent and do not travel; e above 8191; g's bit 15: absent
    record.steps[0].segments[0] = ProtocolSegment{0xC5, 9, 1234, 99, 9000, 950, 0x9999, 0, 0};
    const Wire bytes = Encode(record);
    ProtocolRecord back;
    ASSERT_NE(DecodeProtocol(back, bytes.data(), bytes.size()), 0u);
    const ProtocolSegment expected{0x81, 1, 0, 0, 0xFFFF, 950, 0x8028, 0, 0};
    EXPECT_EQ(std::memcmp(&back.steps[0].segments[0], &expected, sizeof expected), 0);
}

struct DecodeCase {
    const char* name;
    bool secondForm;
    Wire bytes;
};

class DecoderRefuses : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecoderRefuses, AndNeverReadsPastTheAnnouncedLength) {
    const Wire& bytes = GetParam().bytes;  // exactly sized: no slack for the sanitizer
    ProtocolRecord first;
    ProtocolRecord2 second;
    EXPECT_EQ(GetParam().secondForm ? DecodeProtocol2(second, bytes.data(), bytes.size())
                                    : DecodeProtocol(first, bytes.data(), bytes.size()),
              0u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(BothForms, DecoderRefuses, ::testing::Values(
    DecodeCase{"FirstNameWithoutTerminator", false, Wire(26, 'X')},
    DecodeCase{"FirstStepCount10", false, {'A', 0, 10}},
    DecodeCase{"FirstSegmentCount10", false, {'A', 0, 1, 3, 0x0A}},
    DecodeCase{"FirstEndsInTheName", false, {'A', 'B'}},
    DecodeCase{"FirstEndsBeforeStepCount", false, {'A', 0}},
    DecodeCase{"FirstEndsInASegment", false, {'A', 0, 1, 3, 1, 0xB6, 0x03, 0x1E}},
    DecodeCase{"FirstEndsBeforeOptionalG", false, {'A', 0, 1, 3, 1, 0xB6, 0x83}},
    DecodeCase{"FirstMissingSecondStep", false, {'A', 0, 2, 3, 0}},
    DecodeCase{"SecondNameWithoutTerminator", true, Wire(27, 'X')},
    DecodeCase{"SecondStepCount10", true, ZeroFilled({0, 10}, 2 + 10 * 4 + 1)},
    DecodeCase{"SecondSegmentCount10", true, ZeroFilled({0, 1, 3, 0, 10, 0}, 6 + 10 * 15 + 1)},
    DecodeCase{"SecondMissingTail", true, {0, 0}},
    DecodeCase{"SecondEndsInASegment", true, {0, 1, 3, 0, 1, 0, 1, 0, 2, 0}}),
    test_support::ByCaseName{});
// clang-format on

TEST(FirstForm, RefusedStepCountLeavesNameAndCount) {
    const Wire bytes = {'R', 'U', 'N', 0, 10, 1, 2, 3};
    ProtocolRecord record;
    std::memset(&record, 0xEE, sizeof record);
    EXPECT_EQ(DecodeProtocol(record, bytes.data(), bytes.size()), 0u);
    EXPECT_STREQ(record.name, "RUN");
    EXPECT_EQ(record.stepCount, 10);
    EXPECT_EQ(record.steps[0].stepValue, 0);
}

TEST(SecondForm, ClampedValueAndTailTravelAndUnusedStepSlotsReadBackZero) {
    auto record = OneStepAB2();
    record.steps[0].segments[0].e = 0xFFFF;
    record.steps[0].segments[0].h = 5;
    record.tailByte = 9;
    const Wire bytes = Encode(record);
    EXPECT_EQ(bytes,
              (Wire{0x41, 0x42, 0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00,
                    0x03, 0x00, 0x04, 0x00, 0xFF, 0x1F, 0xB6, 0x03, 0x28, 0x80, 0x05, 0x09}));
    ProtocolRecord2 back;
    std::memset(&back, 0xEE, sizeof back);
    ASSERT_EQ(DecodeProtocol2(back, bytes.data(), bytes.size()), 1u);
    EXPECT_EQ(back.steps[0].segments[0].e, 8191);
    EXPECT_EQ(back.tailByte, 9);
    const auto* slots = reinterpret_cast<const std::uint8_t*>(&back.steps[1]);
    EXPECT_EQ(Wire(slots, slots + 8 * sizeof(ProtocolStep2)), Wire(8 * sizeof(ProtocolStep2), 0));
}

}  // namespace
}  // namespace quillsan::test
