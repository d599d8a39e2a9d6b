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

// Always 8 data bits, no parity, 1 stop bit and no flow control; reads return
// within 10 ms with what has arrived, writes within 10 ms with what fitted.
struct LineSettings {
    std::uint32_t comNumber = 0;
    std::uint32_t baudRate = 0;
    std::uint32_t inputQueueBytes = 0;
    std::uint32_t outputQueueBytes = 0;
    std::uint32_t eventMask = 0;  // modem-line events to watch
};

// The steps of Configure that failed, in the order they run, so that the
// transport can log each as the platform's own call names it.
struct ConfigureFailures {
    bool buildLineSettings = false;  // ends the set-up
    bool setTimeouts = false;        // ends the set-up
    bool applyLineSettings = false;
    bool readProperties = false;
    bool setQueueSizes = false;
    bool setEventMask = false;
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // The name under which COM<comNumber> is opened on this platform.
    // Writes a terminated text of at most size bytes.
    virtual void DeviceName(std::uint32_t comNumber, char* name, std::size_t size) const = 0;
    // Opens the numbered port for reading and writing, exclusively, existing devices only.
    virtual bool Open(std::uint32_t comNumber) = 0;
    // Sets the open port up for the link. A failed build of the line settings
    // or of the time-outs ends it; the later steps are best effort and all run.
    virtual ConfigureFailures Configure(const LineSettings& settings) = 0;
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
