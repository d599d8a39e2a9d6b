// The remote call engine: builds request packets from the command descriptor
// table, exchanges them over the active transport and keeps the sticky link error.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan {

enum LinkError : std::int32_t {
    kNoError = 0,
    kSendFailed = 1,
    kNoValidReply = 6,
    kBlockWriteFailed = 8,
    kBlockReadFailed = 9,
};

inline constexpr std::size_t kMaxRequestBytes = 256;
inline constexpr std::size_t kPacketBufferBytes = 512;

struct LinkState {
    std::uint32_t value = 0;  // argument being marshalled; after an exchange, the result
    std::int32_t linkError = kNoError;
    std::int16_t currentCommand = 0;  // printed in the link error log line
    std::uint8_t packet[kPacketBufferBytes] = {};
    std::uint32_t writePosition = 0;
};

LinkState& Link();

std::uint32_t RemoteCall(std::uint32_t command, std::uint32_t argument1 = 0,
                         std::uint32_t argument2 = 0, std::uint32_t argument3 = 0);
void SetCurrentCommand(std::int16_t command);
void BeginRequest(std::uint8_t command);
void PutValue(int width);
bool Exchange(std::size_t replyLength);
bool ExchangeInto(std::uint8_t* buffer, std::size_t length);
bool PutDataAndExchange(const std::uint8_t* data, std::size_t length);
void SetLinkError(std::int32_t code);

}  // namespace quillsan
