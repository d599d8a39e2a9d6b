// The instrument's serial line: collects request bytes, runs complete requests
// on the firmware and queues the framed reply with the time it is due.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "instrument/fault_plan.h"
#include "instrument/firmware.h"

namespace instrument {

inline constexpr std::uint8_t kRejectByte = 0xFF;
inline constexpr std::size_t kOutputRingSize = 4096;
// A request left unfinished this long is dropped so the line recovers.
inline constexpr std::uint64_t kPartialRequestTimeoutMs = 1000;

class SerialFrontEnd : private StrayByteSink {
  public:
    explicit SerialFrontEnd(Firmware& firmware);
    SerialFrontEnd(const SerialFrontEnd&) = delete;
    SerialFrontEnd& operator=(const SerialFrontEnd&) = delete;

    void Receive(const std::uint8_t* data, std::size_t length, std::uint64_t nowMs);
    std::size_t Transmit(std::uint8_t* out, std::size_t max, std::uint64_t nowMs);
    std::uint64_t NextOutputDue() const;  // UINT64_MAX when nothing is queued
    FaultPlan& Faults() { return faults_; }
    void Reset();

    std::uint64_t RequestCount() const { return requestCount_; }
    std::span<const std::uint8_t> LastRequest() const { return {lastRequest_, lastRequestLength_}; }
    std::uint64_t DroppedOutputBytes() const { return droppedOutput_; }
    // Tests: every complete request from now on is appended to `recorder` (null stops).
    void RecordRequests(std::vector<std::vector<std::uint8_t>>* recorder) { recorder_ = recorder; }

  private:
    struct QueuedByte {
        std::uint8_t value;
        std::uint64_t due;
    };

    void QueueStrayBytes(std::size_t count, std::uint64_t nowMs) override;
    void Queue(std::uint8_t value, std::uint64_t due);
    void Answer(std::uint64_t nowMs);
    void Reject(std::uint64_t nowMs);

    Firmware& firmware_;
    FaultPlan faults_;
    Reply reply_;
    std::uint8_t input_[kMaxRequestLength] = {};
    std::size_t inputLength_ = 0;
    std::uint64_t lastInputMs_ = 0;
    QueuedByte ring_[kOutputRingSize] = {};
    std::size_t ringStart_ = 0;
    std::size_t ringCount_ = 0;
    std::uint64_t droppedOutput_ = 0;
    std::uint8_t lastRequest_[kMaxRequestLength] = {};
    std::size_t lastRequestLength_ = 0;
    std::uint64_t requestCount_ = 0;
    std::vector<std::vector<std::uint8_t>>* recorder_ = nullptr;
};

}  // namespace instrument
