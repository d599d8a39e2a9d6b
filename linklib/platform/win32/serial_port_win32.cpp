// SerialPort on Windows: a COM device opened exclusively, settings from a mode
// text, reads and writes bounded to 10 ms by the port's time-outs.
#include <windows.h>

#include <cstdio>
#include <new>

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

    bool BuildLineSettings(const char* modeText) override {
        dcb_ = DCB{};
        dcb_.DCBlength = sizeof dcb_;
        if (!BuildCommDCBA(modeText, &dcb_)) return false;
        // No flow control of either kind.
        dcb_.fOutxCtsFlow = FALSE;
        dcb_.fOutxDsrFlow = FALSE;
        dcb_.fDtrControl = DTR_CONTROL_ENABLE;
        dcb_.fRtsControl = RTS_CONTROL_ENABLE;
        dcb_.fOutX = FALSE;
        dcb_.fInX = FALSE;
        dcb_.fBinary = TRUE;
        return true;
    }

    bool SetTimeouts() override {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 10;
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = 10;
        return SetCommTimeouts(handle_, &timeouts) != FALSE;
    }

    bool ApplyLineSettings() override { return SetCommState(handle_, &dcb_) != FALSE; }

    bool ReadProperties() override {
        COMMPROP properties{};
        return GetCommProperties(handle_, &properties) != FALSE;
    }

    bool SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes) override {
        return SetupComm(handle_, inputBytes, outputBytes) != FALSE;
    }

    bool SetEventMask(std::uint32_t mask) override { return SetCommMask(handle_, mask) != FALSE; }

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
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DCB dcb_{};
};

}  // namespace

SerialPort& SystemSerialPort() {
    // Never destroyed: process detach closes the port after static destructors may have run.
    alignas(Win32SerialPort) static unsigned char storage[sizeof(Win32SerialPort)];
    static Win32SerialPort* port = new (storage) Win32SerialPort;
    return *port;
}

}  // namespace quillsan::platform
