// A hostile instrument: every record command announces an arbitrary length
// over arbitrary bytes. Each export must give one of its documented results and
// never touch memory outside what the caller handed it (the sanitizer build
// watches the guard bytes and every access).
#include <cstring>
#include <random>

#include "dll_support.h"

namespace quillsan::test {
namespace {

constexpr std::uint8_t kGuard = 0xA7;
constexpr std::uint16_t kUnknownHandle = 0x0FFF;  // the instrument places nothing for it

constexpr std::uint8_t kProtocol[10] = {0x41, 0x42, 0x00, 0x01, 0x03, 0x01, 0xB6, 0x03, 0x1E, 0x00};
constexpr std::uint8_t kProtocol2[24] = {0x41, 0x42, 0x00, 0x01, 0x03, 0x00, 0x01, 0x00,
                                         0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00,
                                         0x1E, 0x00, 0xB6, 0x03, 0x28, 0x80, 0x00, 0x00};

// A caller's buffer with guard bytes on both sides.
template <std::size_t N>
struct Guarded {
    std::uint8_t before[64];
    std::uint8_t data[N];
    std::uint8_t after[64];
    Guarded() { std::memset(this, kGuard, sizeof *this); }
    bool Intact() const {
        for (std::size_t i = 0; i < 64; ++i) {
            if (before[i] != kGuard || after[i] != kGuard) return false;
        }
        return true;
    }
    template <typename T>
    T* As() {
        return reinterpret_cast<T*>(data);
    }
};

struct HostileCase {
    std::uint8_t command;
    std::uint32_t announced;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << "command " << int{c.command} << " announcing " << c.announced;
}

class HostileInstrument : public VirtualDllTest,
                          public ::testing::WithParamInterface<HostileCase> {
protected:
    void Scramble(std::uint32_t round) {
        std::mt19937 random(round * 7919u + GetParam().command);
        std::uint8_t* buffer =
            firmware().MemoryAt(instrument::kTransferBufferAddress, instrument::kTransferBufferSize);
        for (std::size_t i = 0; i < instrument::kTransferBufferSize; ++i) {
            buffer[i] = static_cast<std::uint8_t>(random());
        }
        // A protocol record opens with a valid encoding (name "AB", one step or
        // segment), so whether it decodes depends only on the announced length.
        if (GetParam().command == 65) std::memcpy(buffer, kProtocol, sizeof kProtocol);
        if (GetParam().command == 93) std::memcpy(buffer, kProtocol2, sizeof kProtocol2);
        firmware().ForceNextAnswer(GetParam().command, GetParam().announced);
        dll_.ClearRemoteError();
    }
    bool Announced(std::uint32_t low, std::uint32_t high) const {
        const std::uint32_t n = GetParam().announced & 0xFFFF;
        return n >= low && n <= high;
    }
    bool Fits() const { return Announced(1, 2048); }
};

TEST_P(HostileInstrument, ExportsStayWithinTheirResultsAndBuffers) {
    for (std::uint32_t round = 0; round < 20; ++round) {
        Scramble(round);
        switch (GetParam().command) {
            case 62: {
                Guarded<2049> name;
                const std::uint32_t r = dll_.GetItemName(name.As<char>(), kUnknownHandle);
                EXPECT_EQ(r, Fits() ? 1u : 0u);
                EXPECT_TRUE(name.Intact());
                break;
            }
            case 63: {
                Guarded<sizeof(UserRecord)> user;
                EXPECT_EQ(dll_.GetUser(user.As<UserRecord>(), kUnknownHandle) & 0xFFFF,
                          Fits() ? 1u : 0u);
                EXPECT_TRUE(user.Intact());
                break;
            }
            case 64: {
                Guarded<25> folder;
                EXPECT_EQ(dll_.GetFolder(folder.As<char>(), kUnknownHandle) & 0xFFFF,
                          Fits() ? 1u : 0u);
                EXPECT_TRUE(folder.Intact());
                break;
            }
            case 65: {
                Guarded<sizeof(ProtocolRecord)> record;
                EXPECT_EQ(dll_.GetProtocol(record.As<ProtocolRecord>(), kUnknownHandle),
                          Announced(10, 2048) ? 1u : 0u);
                EXPECT_TRUE(record.Intact());
                break;
            }
            case 66: {
                Guarded<65536 * 2> list;
                const std::uint32_t n =
                    dll_.GetItemList(list.As<std::uint16_t>(), 0x4001, 0) & 0xFFFF;
                EXPECT_EQ(n, Announced(6, 7) ? 3u : 0u);  // the store holds three users
                EXPECT_TRUE(list.Intact());
                break;
            }
            case 67: {
                Guarded<sizeof(HeadStatus)> status;
                EXPECT_EQ(dll_.GetHeadStatus(status.As<HeadStatus>(), 0) & 0xFFFF,
                          Fits() ? 1u : 0u);
                EXPECT_TRUE(status.Intact());
                break;
            }
            case 91: {
                Guarded<64> text;
                const std::uint32_t n = dll_.GetPCRSerNum(text.As<char>(), 64) & 0xFFFF;
                EXPECT_EQ(n, Fits() ? std::min<std::uint32_t>(GetParam().announced & 0xFFFF, 64) : 0u);
                EXPECT_TRUE(text.Intact());
                break;
            }
            case 93: {
                Guarded<sizeof(ProtocolRecord2)> record;
                EXPECT_EQ(dll_.GetProtocol2(record.As<ProtocolRecord2>(), kUnknownHandle),
                          Announced(24, 2048) ? 1u : 0u);
                EXPECT_TRUE(record.Intact());
                break;
            }
            case 96: {
                Guarded<sizeof(HeadStatus2)> status;
                EXPECT_EQ(dll_.GetHeadStatus2(status.As<HeadStatus2>(), 0) & 0xFFFF,
                          Fits() ? 1u : 0u);
                EXPECT_TRUE(status.Intact());
                break;
            }
        }
        const std::int32_t error = dll_.GetRemoteError();
        EXPECT_EQ(error, Announced(2049, 0xFFFF) ? 9 : 0) << "refusal only for what cannot fit";
    }
}

std::vector<HostileCase> AllCases() {
    std::vector<HostileCase> cases;
    for (std::uint8_t command : {62, 63, 64, 65, 66, 67, 91, 93, 96}) {
        for (std::uint32_t announced : {0u, 1u, 6u, 2047u, 2048u, 2049u, 65535u, 0x12345u}) {
            cases.push_back({command, announced});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AnyLength, HostileInstrument, ::testing::ValuesIn(AllCases()),
                         [](const auto& p) {
                             return "Command" + std::to_string(p.param.command) + "Announces" +
                                    std::to_string(p.param.announced);
                         });

}  // namespace
}  // namespace quillsan::test
