// SerialPort on Windows: a COM device opened exclusively, settings from a mode
// text, reads and writes bounded to 10 ms by the port's time-outs.
#include <windows.h>

#include <cstdio>

#include "never_destroyed.h"
#include "serial_port.h"

namespace quillsan::platform {
namespace {

IoStatus StatusOfLastError() {
    const DWORD error = GetLastError();
    return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_BAD_COMMAND ||
                   error == ERROR_OPERATION_ABORTED
               ? IoStatus::kNotConnected
               : IoStatus::kFailed;
}

class Win32SerialPort final : public SerialPort {
  public:
    void DeviceName(std::uint32_t comNumber, char* name, std::size_t size) const override {
        std::snprintf(name, size, "\\\\.\\COM%u", comNumber);
    }

    bool Open(std::uint32_t comNumber) override {
        if (handle_ != INVALID_HANDLE_VALUE) return false;
        char name[32];
        DeviceName(comNumber, name, sizeof name);
        handle_ = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle_ != INVALID_HANDLE_VALUE;
    }

    ConfigureFailures Configure(const LineSettings& settings) override {
        ConfigureFailures failed;
        DCB dcb{};
        if (!BuildLineSettings(settings, dcb)) {
            failed.buildLineSettings = true;
            return failed;
        }
        if (!SetTimeouts()) {
            failed.setTimeouts = true;
            return failed;
        }
        failed.applyLineSettings = SetCommState(handle_, &dcb) == FALSE;
        COMMPROP properties{};
        failed.readProperties = GetCommProperties(handle_, &properties) == FALSE;
        failed.setQueueSizes =
            SetupComm(handle_, settings.inputQueueBytes, settings.outputQueueBytes) == FALSE;
        failed.setEventMask = SetCommMask(handle_, settings.eventMask) == FALSE;
        return failed;
    }

    std::uint64_t HandleValue() const override {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle_));
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    void Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    IoStatus Read(std::uint8_t* data, std::size_t size, std::size_t& received) override {
        received = 0;
        if (handle_ == INVALID_HANDLE_VALUE) return IoStatus::kFailed;
        DWORD count = 0;
        if (!ReadFile(handle_, data, static_cast<DWORD>(size), &count, nullptr)) {
            return StatusOfLastError();
        }
        received = count;
        return IoStatus::kOk;
    }

    IoStatus Write(const std::uint8_t* data, std::size_t size, std::size_t& written) override {
        written = 0;
        if (handle_ == INVALID_HANDLE_VALUE) return IoStatus::kFailed;
        DWORD count = 0;
        if (!WriteFile(handle_, data, static_cast<DWORD>(size), &count, nullptr)) {
            return StatusOfLastError();
        }
        written = count;
        return IoStatus::kOk;
    }

  private:
    // The line settings from the mode text "COMn:baud,n,8,1".
    static bool BuildLineSettings(const LineSettings& settings, DCB& dcb) {
        char modeText[64];
        std::snprintf(modeText, sizeof modeText, "COM%u:%lu,n,8,1",
                      static_cast<unsigned>(settings.comNumber),
                      static_cast<unsigned long>(settings.baudRate));
        dcb.DCBlength = sizeof dcb;
        if (!BuildCommDCBA(modeText, &dcb)) return false;
        // No flow control of either kind.
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fBinary = TRUE;
        return true;
    }

    bool SetTimeouts() {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 10;
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = 10;
        return SetCommTimeouts(handle_, &timeouts) != FALSE;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

SerialPort& SystemSerialPort() {
    return NeverDestroyed<Win32SerialPort>();
}

}  // namespace quillsan::platform
