// A request packet as a value: the command byte, then arguments most
// significant byte first, then any data unchanged. Building one touches no
// link state; the engine sends it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillsan {

inline constexpr std::size_t kMaxRequestBytes = 256;

class Request {
  public:
    explicit Request(std::uint8_t command) { bytes_[0] = command; }

    // The low `width` bytes of value, most significant first.
    void Put(std::uint32_t value, int width) {
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
            PutByte(static_cast<std::uint8_t>(value >> shift));
        }
    }

    void Append(const std::uint8_t* data, std::size_t length) {
        if (length > kMaxRequestBytes - size_) {
            oversized_ = true;
            return;
        }
        std::memcpy(bytes_ + size_, data, length);
        size_ += length;
    }

    std::uint8_t command() const { return bytes_[0]; }
    const std::uint8_t* bytes() const { return bytes_; }
    std::size_t size() const { return size_; }
    // More was put than a request carries: the engine refuses it unsent.
    bool oversized() const { return oversized_; }

  private:
    void PutByte(std::uint8_t byte) {
        if (size_ >= kMaxRequestBytes) {
            oversized_ = true;
            return;
        }
        bytes_[size_++] = byte;
    }

    std::uint8_t bytes_[kMaxRequestBytes];  // only the first size_ bytes are ever read
    std::size_t size_ = 1;
    bool oversized_ = false;
};

}  // namespace quillsan
