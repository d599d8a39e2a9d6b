// Protocols through the loaded library: the bytes the instrument receives,
// refusals that send nothing, and random records read back unchanged but for
// the normalisations of each encoding.
#include <cstring>
#include <random>

#include "case_names.h"
#include "dll_support.h"
#include "instrument/item_store.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;

class ProtocolTest : public VirtualDllTest {
  protected:
    // Handle of a sample protocol to store onto.
    std::uint32_t SampleHandle() { return dll_.GetProtocolHandle("STANDARD PCR 35X"); }
};

ProtocolRecord MinimalAB() {
    ProtocolRecord record;
    std::memset(&record, 0, sizeof record);
    std::strcpy(record.name, "AB");
    record.stepCount = 1;
    record.steps[0] = ProtocolStep{3, 1, 0, 0, {{0x81, 1, 0, 0, 30, 950, 0x8028, 0, 0}}};
    return record;
}

TEST_F(ProtocolTest, InsertUploadsTheEncodingThenSendsTheCommand) {
    const ProtocolRecord record = MinimalAB();
    const std::uint32_t handle = dll_.InsertProtocol(&record, 0x0102, 0x0304);
    ASSERT_NE(handle, 0xFFFFu);
    const Requests writes = Sent(0);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(Wire(writes[0].begin() + 7, writes[0].end()),
              (Wire{0x41, 0x42, 0x00, 0x01, 0x03, 0x01, 0xB6, 0x03, 0x1E, 0x00}));
    EXPECT_EQ(requests_.back(), (Wire{59, 0x01, 0x02, 0x03, 0x04}));
    ProtocolRecord back;
    ASSERT_EQ(dll_.GetProtocol(&back, handle), 1u);
    EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0);
}

struct RefusedCall {
    const char* name;
    std::uint32_t (*call)(Dll&, const ProtocolRecord&);
    std::uint32_t failure;
};

class RefusedProtocol : public ProtocolTest, public ::testing::WithParamInterface<RefusedCall> {};

TEST_P(RefusedProtocol, SendsNothingAndSetsLinkErrorOne) {
    ProtocolRecord record = MinimalAB();
    record.steps[0].segments[0].f = 5000;
    EXPECT_EQ(GetParam().call(dll_, record), GetParam().failure);
    EXPECT_TRUE(requests_.empty());
    EXPECT_EQ(dll_.GetRemoteError(), 1) << "nothing was sent";
}

INSTANTIATE_TEST_SUITE_P(
    Protocol, RefusedProtocol,
    ::testing::Values(
        RefusedCall{"Insert",
                    [](Dll& d, const ProtocolRecord& r) { return d.InsertProtocol(&r, 1, 2); },
                    0xFFFF},
        RefusedCall{"Store",
                    [](Dll& d, const ProtocolRecord& r) { return d.StoreProtocol(&r, 0x3000); }, 0},
        RefusedCall{"StoreRun",
                    [](Dll& d, const ProtocolRecord& r) { return d.StoreRunProtocol(&r, 1, 2); },
                    0},
        // 65535 characters and a terminator do not fit a 16-bit length.
        RefusedCall{"LongName",
                    [](Dll& d, const ProtocolRecord&) {
                        return d.GetProtocolHandle(std::string(65535, 'N').c_str());
                    },
                    0xFFFF}),
    test_support::ByCaseName{});

TEST_F(ProtocolTest, SecondFormRefusalSendsNothing) {
    ProtocolRecord2 record{};
    std::strcpy(record.name, "X");
    record.stepCount = 1;
    record.steps[0].segmentCount = 12;
    EXPECT_EQ(dll_.InsertProtocol2(&record, 1, 2), 0xFFFFu);
    EXPECT_EQ(dll_.StoreProtocol2(&record, 0x3000), 0u);
    EXPECT_EQ(dll_.StoreRunProtocol2(&record, 1, 1), 0u);
    EXPECT_TRUE(requests_.empty());
    EXPECT_EQ(dll_.GetRemoteError(), 1);
}

TEST_F(ProtocolTest, StoresSendTheirValuesCutToWidth) {
    const ProtocolRecord record = MinimalAB();
    EXPECT_EQ(dll_.StoreProtocol(&record, SampleHandle()), 1u);
    EXPECT_EQ(requests_.back(), (Wire{60, 0x30, 0x00}));
    EXPECT_EQ(dll_.StoreRunProtocol(&record, 0x102, 0x304), 1u);
    EXPECT_EQ(requests_.back(), (Wire{61, 0x02, 0x04}));
    EXPECT_EQ(dll_.StoreProtocol(&record, 0x3FFF), 0u) << "the instrument answers 0";
}

TEST_F(ProtocolTest, DecoderRefusesAnEncodingLongerThanAnnounced) {
    ProtocolRecord record;
    const std::uint32_t handle = SampleHandle();
    ASSERT_EQ(dll_.GetProtocol(&record, handle), 1u);
    firmware().ForceNextAnswer(65, 10);  // the real encoding is longer
    EXPECT_EQ(dll_.GetProtocol(&record, handle), 0u);
    EXPECT_EQ(dll_.GetRemoteError(), 0);
}

TEST_F(ProtocolTest, SampleProtocolsReadInBothForms) {
    std::uint16_t list[16] = {};
    const std::uint32_t count = dll_.GetItemList(list, instrument::kProtocolCollection, 0);
    ASSERT_GE(count, 1u);
    for (std::uint32_t i = 0; i < count; ++i) {
        ProtocolRecord first;
        ProtocolRecord2 second;
        ASSERT_EQ(dll_.GetProtocol(&first, list[i]), 1u) << list[i];
        ASSERT_EQ(dll_.GetProtocol2(&second, list[i]), 1u) << list[i];
        EXPECT_STREQ(first.name, second.name);
        EXPECT_GE(first.stepCount, 3);
        EXPECT_EQ(first.stepCount, second.stepCount);
    }
}

// Random records within the limits of the first form, and what reading back makes of them.
class RandomRecords {
  public:
    explicit RandomRecords(std::uint32_t start) : random_(start) {}

    std::uint16_t Word() { return static_cast<std::uint16_t>(random_()); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(random_()); }
    std::size_t Below(std::size_t n) { return random_() % n; }

    void Name(char* name) {
        const std::size_t length = 1 + Below(25);
        for (std::size_t i = 0; i < length; ++i) name[i] = static_cast<char>(1 + Below(255));
        if (length < 26) name[length] = '\0';
    }

    ProtocolRecord First() {
        ProtocolRecord r;
        std::memset(&r, 0, sizeof r);
        Name(r.name);
        r.stepCount = static_cast<std::uint8_t>(Below(10));
        for (std::size_t j = 0; j < r.stepCount; ++j) {
            ProtocolStep& step = r.steps[j];
            step.stepValue = Byte() & 0x7F;
            step.stepByte = Below(2) ? Byte() : 0;
            step.segmentInfo = static_cast<std::uint8_t>((Byte() & 0xF0) | Below(10));
            for (std::size_t k = 0; k < (step.segmentInfo & 0x0Fu); ++k) {
                ProtocolSegment& s = step.segments[k];
                s = ProtocolSegment{Byte(), Byte(),
                                    Word(), Word(),
                                    Word(), static_cast<std::uint16_t>(Word() & 0x0FFF),
                                    Word(), Below(2) ? Byte() : std::uint8_t{0},
                                    0};
            }
        }
        return r;
    }

    ProtocolRecord2 Second() {
        ProtocolRecord2 r;
        std::memset(&r, 0, sizeof r);
        Name(r.name);
        r.stepCount = static_cast<std::uint8_t>(Below(10));
        for (std::size_t j = 0; j < r.stepCount; ++j) {
            ProtocolStep2& step = r.steps[j];
            step.stepValue = Word();
            step.segmentCount = static_cast<std::uint8_t>(Below(10));
            step.stepByte = Byte();
            for (std::size_t k = 0; k < step.segmentCount; ++k) {
                step.segments[k] = ProtocolSegment2{Word(), Word(), Word(), Word(), Word(),
                                                    Word(), Word(), Byte(), 0};
            }
        }
        r.tailByte = Byte();
        return r;
    }

  private:
    std::mt19937 random_;
};

ProtocolRecord ReadBackOf(ProtocolRecord r) {
    if (std::strlen(r.name) > 25) r.name[25] = '\0';
    for (std::size_t j = 0; j < r.stepCount; ++j) {
        for (std::size_t k = 0; k < (r.steps[j].segmentInfo & 0x0Fu); ++k) {
            ProtocolSegment& s = r.steps[j].segments[k];
            if (s.a & 0x80) s = ProtocolSegment{0x81, 1, 0, 0, s.e, s.f, s.g, s.h, 0};
            if (s.g & 0x8000) s.g = 0x8028;
            if (s.e >= 8191) s.e = 0xFFFF;
        }
    }
    return r;
}

ProtocolRecord2 ReadBackOf(ProtocolRecord2 r) {
    if (strnlen(r.name, 26) > 25) r.name[25] = '\0';
    for (std::size_t j = 0; j < r.stepCount; ++j) {
        for (std::size_t k = 0; k < r.steps[j].segmentCount; ++k) {
            if (r.steps[j].segments[k].e > 8191) r.steps[j].segments[k].e = 8191;
        }
    }
    return r;
}

class RandomReadBack : public ProtocolTest {
  protected:
    // Stores 2000 records onto a sample protocol, each read back at once.
    template <typename Make, typename Store, typename Get>
    void StoreAndReadBack(Make make, Store store, Get get) {
        using Record = decltype(make());
        const std::uint32_t handle = SampleHandle();
        line().RecordRequests(nullptr);
        for (int i = 0; i < 2000; ++i) {
            const Record record = make();
            ASSERT_EQ((dll_.*store)(&record, handle), 1u) << "record " << i;
            Record back;
            ASSERT_EQ((dll_.*get)(&back, handle), 1u) << "record " << i;
            const Record expected = ReadBackOf(record);
            ASSERT_EQ(std::memcmp(&back, &expected, sizeof back), 0) << "record " << i;
        }
        EXPECT_EQ(dll_.GetRemoteError(), 0);
    }
};

TEST_F(RandomReadBack, ThousandsOfRecordsInTheFirstForm) {
    RandomRecords random(1009);
    StoreAndReadBack([&] { return random.First(); }, &Dll::StoreProtocol, &Dll::GetProtocol);
}

TEST_F(RandomReadBack, ThousandsOfRecordsInTheSecondForm) {
    RandomRecords random(2105);
    StoreAndReadBack([&] { return random.Second(); }, &Dll::StoreProtocol2, &Dll::GetProtocol2);
}

}  // namespace
}  // namespace quillsan::test
