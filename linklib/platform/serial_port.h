// Seam between the serial transport and the operating system. The transport
// holds the framing rules; a backend only opens, configures, reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan::platform {

enum class IoStatus {
    kOk,            // the call completed; the count says how many bytes moved (possibly none)
    kNotConnected,  // the device has gone away
    kFailed,        // no port, or any other failure
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // The name under which COM<comNumber> is opened on this platform.
    // Writes a terminated text of at most size bytes.
    virtual void DeviceName(std::uint32_t comNumber, char* name, std::size_t size) const = 0;
    // Opens the numbered port for reading and writing, exclusively, existing devices only.
    virtual bool Open(std::uint32_t comNumber) = 0;
    // Builds (does not yet apply) line settings from a mode text "COMn:baud,n,8,1".
    virtual bool BuildLineSettings(const char* modeText) = 0;
    // Reads return within 10 ms with what has arrived; writes return within 10 ms.
    virtual bool SetTimeouts() = 0;
    virtual bool ApplyLineSettings() = 0;
    virtual bool ReadProperties() = 0;
    virtual bool SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) = 0;
    virtual bool SetEventMask(std::uint32_t mask) = 0;
    // The platform's handle value, for the diagnostic log.
    virtual std::uint64_t HandleValue() const = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    // Waits at most 10 ms for input and returns what arrived, never more than size.
    virtual IoStatus Read(std::uint8_t* data, std::size_t size, std::size_t& received) = 0;
    // Waits at most 10 ms for room and writes what fits.
    virtual IoStatus Write(const std::uint8_t* data, std::size_t size, std::size_t& written) = 0;
};

// The backend of this build flavour (hardware or virtual), chosen at link time.
SerialPort& SystemSerialPort();

}  // namespace quillsan::platform
