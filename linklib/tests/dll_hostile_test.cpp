// A hostile instrument: every record command announces an arbitrary length
// over arbitrary bytes. Each export must give one of its documented results and
// never touch memory outside what the caller handed it (the sanitizer build
// watches the guard bytes and every access).
#include <cstring>
#include <random>

#include "case_names.h"
#include "dll_support.h"

namespace quillsan::test {
namespace {

using test_support::PrintTo;
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
};

struct HostileCase {
    std::uint8_t command;
    std::uint32_t announced;
    std::string Name() const {
        return "command " + std::to_string(command) + " announcing " + std::to_string(announced);
    }
};

class HostileInstrument : public VirtualDllTest, public ::testing::WithParamInterface<HostileCase> {
  protected:
    void Scramble(std::uint32_t round) {
        std::mt19937 random(round * 7919u + GetParam().command);
        std::uint8_t* buffer = firmware().MemoryAt(instrument::kTransferBufferAddress,
                                                   instrument::kTransferBufferSize);
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
    // Hands an export a caller's buffer of N bytes and checks its guards.
    template <std::size_t N, typename T, typename Call>
    static std::uint32_t Into(Call call) {
        Guarded<N> buffer;
        const std::uint32_t result = call(reinterpret_cast<T*>(buffer.data));
        EXPECT_TRUE(buffer.Intact());
        return result;
    }
};

TEST_P(HostileInstrument, ExportsStayWithinTheirResultsAndBuffers) {
    for (std::uint32_t round = 0; round < 20; ++round) {
        Scramble(round);
        const std::uint16_t h = kUnknownHandle;
        std::uint32_t result = 0;
        std::uint32_t expected = Announced(1, 2048) ? 1u : 0u;  // whatever fits is taken
        switch (GetParam().command) {
            case 62:
                result = Into<2049, char>([&](char* p) { return dll_.GetItemName(p, h); });
                break;
            case 63:
                result = Into<sizeof(UserRecord), UserRecord>(
                    [&](UserRecord* p) { return dll_.GetUser(p, h) & 0xFFFF; });
                break;
            case 64:
                result = Into<25, char>([&](char* p) { return dll_.GetFolder(p, h) & 0xFFFF; });
                break;
            case 65:
                result = Into<sizeof(ProtocolRecord), ProtocolRecord>(
                    [&](ProtocolRecord* p) { return dll_.GetProtocol(p, h); });
                expected = Announced(10, 2048) ? 1u : 0u;
                break;
            case 66:
                result = Into<65536 * 2, std::uint16_t>(
                    [&](std::uint16_t* p) { return dll_.GetItemList(p, 0x4001, 0) & 0xFFFF; });
                expected = Announced(6, 7) ? 3u : 0u;  // the store holds three users
                break;
            case 67:
                result = Into<sizeof(HeadStatus), HeadStatus>(
                    [&](HeadStatus* p) { return dll_.GetHeadStatus(p, 0) & 0xFFFF; });
                break;
            case 91:
                result = Into<64, char>([&](char* p) { return dll_.GetPCRSerNum(p, 64) & 0xFFFF; });
                // a text is cut to the caller's 64 bytes
                if (expected != 0) expected = std::min(GetParam().announced & 0xFFFF, 64u);
                break;
            case 93:
                result = Into<sizeof(ProtocolRecord2), ProtocolRecord2>(
                    [&](ProtocolRecord2* p) { return dll_.GetProtocol2(p, h); });
                expected = Announced(24, 2048) ? 1u : 0u;
                break;
            case 96:
                result = Into<sizeof(HeadStatus2), HeadStatus2>(
                    [&](HeadStatus2* p) { return dll_.GetHeadStatus2(p, 0) & 0xFFFF; });
                break;
        }
        EXPECT_EQ(result, expected);
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
                         test_support::ByCaseName{});

}  // namespace
}  // namespace quillsan::test
