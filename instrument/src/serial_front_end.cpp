#include "instrument/serial_front_end.h"

#include <cstring>

namespace instrument {

SerialFrontEnd::SerialFrontEnd(Firmware& firmware) : firmware_(firmware), faults_(this) {}

void SerialFrontEnd::Reset() {
    inputLength_ = 0;
    ringStart_ = 0;
    ringCount_ = 0;
    lastRequestLength_ = 0;
    requestCount_ = 0;
    faults_.Reset();
}

void SerialFrontEnd::Receive(const std::uint8_t* data, std::size_t length, std::uint64_t nowMs) {
    if (data == nullptr || length == 0) return;
    if (inputLength_ > 0 && nowMs - lastInputMs_ > kPartialRequestTimeoutMs) inputLength_ = 0;
    lastInputMs_ = nowMs;
    for (std::size_t i = 0; i < length; ++i) {
        input_[inputLength_++] = data[i];
        const std::size_t need = Firmware::RequestLength(input_, inputLength_);
        if (need == Firmware::kUnknownRequest || (need == 0 && inputLength_ == kMaxRequestLength)) {
            // Drop the rest of this chunk too: the host drains before its next request.
            Reject(nowMs);
            return;
        }
        if (need != 0 && inputLength_ == need) Answer(nowMs);
    }
}

void SerialFrontEnd::Reject(std::uint64_t nowMs) {
    inputLength_ = 0;
    Queue(kRejectByte, nowMs);
}

void SerialFrontEnd::Answer(std::uint64_t nowMs) {
    ++requestCount_;
    std::memcpy(lastRequest_, input_, inputLength_);
    if (recorder_ != nullptr) recorder_->emplace_back(input_, input_ + inputLength_);
    lastRequestLength_ = inputLength_;
    firmware_.Execute(input_, inputLength_, reply_);
    const std::uint8_t command = input_[0];
    inputLength_ = 0;
    if (!reply_.accepted) {
        Queue(kRejectByte, nowMs);
        return;
    }
    const bool owesTrailingEcho = reply_.length == 0 || command <= 1;
    const ReplyFaults faults = faults_.NextReply(owesTrailingEcho);
    if (faults.drop) return;
    const std::uint64_t due = nowMs + faults.delayMs;
    for (std::size_t i = 0; i < faults.strayBytes; ++i) Queue(kStrayByte, due);
    Queue(faults.wrongEcho ? static_cast<std::uint8_t>(command ^ 0x80) : command, due);
    for (std::size_t i = 0; i < reply_.length; ++i) Queue(reply_.bytes[i], due);
    if (owesTrailingEcho && !faults.omitTrailingEcho) Queue(command, due);
}

void SerialFrontEnd::QueueStrayBytes(std::size_t count, std::uint64_t nowMs) {
    for (std::size_t i = 0; i < count; ++i) Queue(kStrayByte, nowMs);
}

void SerialFrontEnd::Queue(std::uint8_t value, std::uint64_t due) {
    if (ringCount_ == kOutputRingSize) {
        ++droppedOutput_;
        return;
    }
    ring_[(ringStart_ + ringCount_) % kOutputRingSize] = {value, due};
    ++ringCount_;
}

std::size_t SerialFrontEnd::Transmit(std::uint8_t* out, std::size_t max, std::uint64_t nowMs) {
    std::size_t sent = 0;
    while (sent < max && ringCount_ > 0 && ring_[ringStart_].due <= nowMs) {
        out[sent++] = ring_[ringStart_].value;
        ringStart_ = (ringStart_ + 1) % kOutputRingSize;
        --ringCount_;
    }
    return sent;
}

std::uint64_t SerialFrontEnd::NextOutputDue() const {
    return ringCount_ > 0 ? ring_[ringStart_].due : UINT64_MAX;
}

}  // namespace instrument
