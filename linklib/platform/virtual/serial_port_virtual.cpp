// SerialPort of the virtual flavour: every COM port reaches the one in-process
// virtual instrument through its serial line front end.
#include <cstdio>

#include "clock.h"
#include "instrument/serial_front_end.h"
#include "never_destroyed.h"
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

    // Only the baud rate can be wrong: the in-process line has nothing to set.
    ConfigureFailures Configure(const LineSettings& settings) override {
        ConfigureFailures failed;
        failed.buildLineSettings = settings.baudRate == 0;
        return failed;
    }

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
    return NeverDestroyed<VirtualSerialPort>();
}

}  // namespace quillsan::platform
