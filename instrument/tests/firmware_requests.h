// Builds requests to the firmware from the hand-written command shapes, so
// tests speak the wire format without borrowing the firmware's own layouts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "command_shapes.h"
#include "instrument/firmware.h"

namespace instrument::wire_test {

using Bytes = std::vector<std::uint8_t>;

// What the instrument documents of itself, written again here so that a
// changed firmware constant fails the tests instead of moving with them.
inline constexpr std::uint32_t kRamStart = 0x20000000;  // 64 KiB of memory from here
inline constexpr std::uint32_t kRamEnd = 0x20010000;
inline constexpr std::uint32_t kTransferBuffer = 0x20008000;  // slave parameter 4
inline constexpr std::uint32_t kTransferBytes = 0x1000;       // slave parameter 5
inline constexpr char kSerial[] = "ZT-96-004217";
inline constexpr std::uint16_t kRuns = 12;            // the sample runs
inline constexpr std::uint16_t kRunWithoutLines = 5;  // aborted: its reports are empty
inline constexpr std::uint16_t kLongRun = 9;          // its reports have 4000 lines
inline constexpr std::uint16_t kLongRunLines = 4000;

inline Bytes Request(std::uint8_t command, std::initializer_list<std::uint32_t> args = {}) {
    std::uint32_t values[3] = {};
    std::copy_n(args.begin(), std::min<std::size_t>(args.size(), 3), values);
    return witness::RequestBytes(command, values);
}

inline Bytes BlockRequest(std::uint8_t command, std::uint32_t address, std::size_t n,
                          const Bytes& data = {}) {
    Bytes request(7 + data.size());
    request[0] = command;
    for (int i = 0; i < 4; ++i) request[1 + i] = static_cast<std::uint8_t>(address >> (24 - 8 * i));
    request[5] = static_cast<std::uint8_t>(n >> 8);
    request[6] = static_cast<std::uint8_t>(n);
    std::copy(data.begin(), data.end(), request.begin() + 7);
    return request;
}

inline Reply Send(Firmware& firmware, const Bytes& request) {
    Reply reply;
    firmware.Execute(request.data(), request.size(), reply);
    return reply;
}

// Result of a numbered command, most significant byte first.
inline std::uint32_t Call(Firmware& firmware, std::uint8_t command,
                          std::initializer_list<std::uint32_t> args = {}) {
    const Reply reply = Send(firmware, Request(command, args));
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < reply.length; ++i) value = (value << 8) | reply.bytes[i];
    return reply.accepted ? value : 0xDEADBEEF;
}

inline void Upload(Firmware& firmware, const Bytes& data) {
    constexpr std::size_t kChunk = 249;  // the most a block write carries
    for (std::size_t at = 0; at < data.size(); at += kChunk) {
        const std::size_t n = std::min(kChunk, data.size() - at);
        Bytes chunk(data.begin() + static_cast<std::ptrdiff_t>(at),
                    data.begin() + static_cast<std::ptrdiff_t>(at + n));
        Send(firmware, BlockRequest(0, kTransferBuffer + static_cast<std::uint32_t>(at), n, chunk));
    }
}

inline Bytes UploadText(Firmware& firmware, const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    Upload(firmware, bytes);
    return bytes;
}

// A record command's answer and the bytes it placed in the transfer buffer.
inline Bytes Record(Firmware& firmware, std::uint8_t command,
                    std::initializer_list<std::uint32_t> args) {
    const std::uint32_t length = Call(firmware, command, args);
    if (length == 0 || length > kTransferBytes) return {};
    const std::uint8_t* at = firmware.MemoryAt(kTransferBuffer, length);
    return Bytes(at, at + length);
}

inline std::string Text(const Bytes& bytes) {
    return bytes.empty() ? std::string() : std::string(bytes.begin(), bytes.end() - 1);
}

}  // namespace instrument::wire_test
