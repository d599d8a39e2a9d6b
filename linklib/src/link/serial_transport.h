// The serial side of the link: COM port set-up, echo framing and time-outs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan {

inline constexpr int kReadBudgetCalls = 1000;      // 1000 reads of at most 10 ms: ~10 s
inline constexpr int kIdleWriteBudgetCalls = 500;  // 500 writes of at most 10 ms: ~5 s
inline constexpr std::uint32_t kQueueBytes = 512;
inline constexpr std::uint32_t kCtsDsrEventMask = 0x18;

bool OpenCommPort(std::uint32_t baudRate, std::uint32_t portIndex);
void CloseCommPort();
bool SerialSend(const std::uint8_t* bytes, std::size_t length);
bool SerialReceive(std::uint8_t* destination, std::uint8_t command, std::size_t length);
void DrainInput();
bool SerialPortReady();

}  // namespace quillsan
