#include "serial_transport.h"

#include "command_table.h"
#include "diagnostic_log.h"
#include "library_version.h"
#include "request.h"
#include "serial_port.h"

namespace quillsan {
namespace {

bool g_portReady = false;  // set only once OpenCommPort has configured the port

platform::SerialPort& Port() {
    return platform::SystemSerialPort();
}

// The texts name the platform calls each step stands for.
void LogConfigureFailures(const platform::ConfigureFailures& failed) {
    if (failed.setTimeouts) LogLine("\nSetCommTimeouts failed\n");
    // The remaining settings are best effort: the port works with what it has.
    if (failed.applyLineSettings) LogLine("\nSetCommState failed \n");
    if (failed.readProperties) LogLine("\nGetCommProperties failed \n");
    if (failed.setQueueSizes) LogLine("\nSetUpComm failed \n");
    if (failed.setEventMask) LogLine("\nSetCommMask failed \n");
}

// Waits for one byte, spending one call of the budget per empty read.
bool ReadOneByte(std::uint8_t& byte, int& budget) {
    for (;;) {
        std::size_t received = 0;
        Port().Read(&byte, 1, received);
        if (received == 1) return true;
        if (--budget <= 0) return false;
    }
}

// The instrument echoes the command byte first; a byte that differs ends the receive.
bool ReadEcho(std::uint8_t command, int& budget) {
    std::uint8_t echo = 0;
    return ReadOneByte(echo, budget) && echo == command;
}

bool ReadReplyBytes(std::uint8_t* destination, std::size_t length, int& budget) {
    std::size_t have = 0;
    while (have < length) {
        std::size_t received = 0;
        Port().Read(destination + have, length - have, received);
        have += received;
        // Every call of this phase counts, including the one that completes it.
        if (--budget <= 0) return false;
    }
    return true;
}

}  // namespace

bool SerialPortReady() {
    return g_portReady;
}

bool OpenCommPort(std::uint32_t baudRate, std::uint32_t portIndex) {
    char timestamp[kTimestampSize];
    FormatTimestamp(timestamp);
    LogLineF("OpenCommPort called @%s (%s)\n", timestamp, kLibraryVersion);
    if (Port().IsOpen()) {
        LogLine("Calling CloseCommPort from OpenCommPort\n");
        CloseCommPort();
    }
    const std::uint32_t comNumber = portIndex + 1;
    char deviceName[128];
    Port().DeviceName(comNumber, deviceName, sizeof deviceName);
    LogLine(deviceName);
    if (!Port().Open(comNumber)) {
        LogLine("\nOpen comm port failed.\n");
        return false;
    }
    const platform::ConfigureFailures failed =
        Port().Configure({comNumber, baudRate, kQueueBytes, kQueueBytes, kCtsDsrEventMask});
    if (failed.buildLineSettings) {
        LogLine("\nBuildCommDCB error.\n");
        return false;
    }
    LogLineF("COM%u opened at baudrate %lu\n", comNumber, static_cast<unsigned long>(baudRate));
    LogConfigureFailures(failed);
    if (failed.setTimeouts) return false;
    g_portReady = true;
    LogLineF("Comm Handle is %u\n", static_cast<unsigned>(Port().HandleValue()));
    return true;
}

void CloseCommPort() {
    if (!Port().IsOpen()) return;
    char timestamp[kTimestampSize];
    FormatTimestamp(timestamp);
    LogLineF("Comm port closed @%s\n", timestamp);
    Port().Close();
    g_portReady = false;
}

void DrainInput() {
    std::uint8_t discarded = 0;
    for (;;) {
        std::size_t received = 0;
        if (Port().Read(&discarded, 1, received) != platform::IoStatus::kOk || received == 0)
            return;
    }
}

bool SerialSend(const std::uint8_t* bytes, std::size_t length) {
    if (length > kMaxRequestBytes || !g_portReady) return false;
    DrainInput();
    std::size_t sent = 0;
    int idleBudget = kIdleWriteBudgetCalls;
    while (sent < length) {
        std::size_t written = 0;
        if (Port().Write(bytes + sent, length - sent, written) != platform::IoStatus::kOk) {
            return false;
        }
        sent += written;
        // A port that keeps accepting nothing (stalled flow, vanished device) must not hang us.
        if (written == 0 && --idleBudget <= 0) return false;
    }
    return true;
}

bool SerialReceive(std::uint8_t* destination, std::uint8_t command, std::size_t length) {
    if (length > kMaxRequestBytes) return false;
    int budget = kReadBudgetCalls;
    if (!ReadEcho(command, budget)) return false;
    if (length > 0 && !ReadReplyBytes(destination, length, budget)) return false;
    const bool trailingEcho =
        length == 0 || command == kBlockWriteCommand || command == kBlockReadCommand;
    return !trailingEcho || ReadEcho(command, budget);
}

}  // namespace quillsan
