// Bounded little-endian reading and writing for the protocol encodings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quillsan {

class ByteWriter {
  public:
    explicit ByteWriter(std::uint8_t* out) : out_(out) {}
    void Byte(std::uint8_t value) { out_[size_++] = value; }
    void Word(std::uint16_t value) {
        Byte(static_cast<std::uint8_t>(value));
        Byte(static_cast<std::uint8_t>(value >> 8));
    }
    std::size_t size() const { return size_; }

  private:
    std::uint8_t* out_;
    std::size_t size_ = 0;
};

// Reads never pass `limit`; a read past it yields 0 and marks the reader overrun.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* in, std::size_t limit) : in_(in), limit_(limit) {}
    std::uint8_t Byte() {
        if (used_ >= limit_) {
            overrun_ = true;
            return 0;
        }
        return in_[used_++];
    }
    std::uint16_t Word() {
        const std::uint8_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    bool overrun() const { return overrun_; }
    std::size_t used() const { return used_; }

  private:
    const std::uint8_t* in_;
    std::size_t limit_;
    std::size_t used_ = 0;
    bool overrun_ = false;
};

inline constexpr std::size_t kNameCharacters = 25;

// The name: its characters up to the terminator, at most 25, then a zero byte.
inline void WriteName(ByteWriter& out, const char* name) {
    for (std::size_t i = 0; i < kNameCharacters; ++i) {
        out.Byte(static_cast<std::uint8_t>(name[i]));
        if (name[i] == '\0') return;
    }
    out.Byte(0);
}

// Copies the name into a 26-byte field; false when 25 characters are not
// followed by a zero byte (or the source ends first).
inline bool ReadName(ByteReader& in, char* name) {
    for (std::size_t i = 0; i <= kNameCharacters; ++i) {
        name[i] = static_cast<char>(in.Byte());
        if (in.overrun()) return false;
        if (name[i] == '\0') return true;
    }
    return false;
}

}  // namespace quillsan
