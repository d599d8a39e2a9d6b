// SerialPort of the virtual flavour: every COM port reaches the one in-process
// virtual instrument through its serial line front end.
#include <cstdio>
#include <new>

#include "clock.h"
#include "instrument/serial_front_end.h"
#include "serial_port.h"
#include "virtual_clock.h"
#include "virtual_link.h"

namespace quillsan::platform {
namespace {

constexpr std::uint64_t kIoWaitMs = 10;
constexpr std::uint64_t kVirtualHandle = 0x1F4;

instrument::SerialFrontEnd& Line() {
    return ConnectedInstrument().serial();
}

class VirtualSerialPort final : public SerialPort {
  public:
    void DeviceName(std::uint32_t comNumber, char* name, std::size_t size) const override {
        std::snprintf(name, size, "\\\\.\\COM%u", comNumber);
    }

    bool Open(std::uint32_t comNumber) override {
        if (open_ || comNumber == 0) return false;
        open_ = true;
        return true;
    }

    bool BuildLineSettings(const char* modeText) override {
        unsigned comNumber = 0;
        unsigned long baud = 0;
        return std::sscanf(modeText, "COM%u:%lu,n,8,1", &comNumber, &baud) == 2 && baud > 0;
    }

    bool SetTimeouts() override { return open_; }
    bool ApplyLineSettings() override { return open_; }
    bool ReadProperties() override { return open_; }
    bool SetQueueSizes(std::uint32_t, std::uint32_t) override { return open_; }
    bool SetEventMask(std::uint32_t) override { return open_; }
    std::uint64_t HandleValue() const override { return open_ ? kVirtualHandle : 0; }
    bool IsOpen() const override { return open_; }
    void Close() override { open_ = false; }

    IoStatus Read(std::uint8_t* data, std::size_t size, std::size_t& received) override {
        received = 0;
        if (!open_) return IoStatus::kFailed;
        received = Line().Transmit(data, size, MonotonicMs());
        if (received > 0) return IoStatus::kOk;
        // Nothing yet: wait as a real port would, at most 10 ms, for output falling due.
        const std::uint64_t now = MonotonicMs();
        const std::uint64_t due = Line().NextOutputDue();
        if (due <= now + kIoWaitMs) {
            AdvanceVirtualClock(due > now ? due - now : 0);
            received = Line().Transmit(data, size, MonotonicMs());
        } else {
            AdvanceVirtualClock(kIoWaitMs);
        }
        return IoStatus::kOk;
    }

    IoStatus Write(const std::uint8_t* data, std::size_t size, std::size_t& written) override {
        written = 0;
        if (!open_) return IoStatus::kFailed;
        Line().Receive(data, size, MonotonicMs());
        written = size;
        return IoStatus::kOk;
    }

  private:
    bool open_ = false;
};

}  // namespace

SerialPort& SystemSerialPort() {
    alignas(VirtualSerialPort) static unsigned char storage[sizeof(VirtualSerialPort)];
    static VirtualSerialPort* port = new (storage) VirtualSerialPort;
    return *port;
}

}  // namespace quillsan::platform
