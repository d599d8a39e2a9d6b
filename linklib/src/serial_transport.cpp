#include "serial_transport.h"

#include <cstdio>

#include "command_table.h"
#include "diagnostic_log.h"
#include "engine.h"
#include "library_version.h"
#include "serial_port.h"

namespace quillsan {
namespace {

bool g_portReady = false;  // set only once OpenCommPort has configured the port

platform::SerialPort& Port() {
    return platform::SystemSerialPort();
}

void LogWithTimestamp(const char* format) {
    char timestamp[kTimestampSize];
    FormatTimestamp(timestamp);
    WriteLogEntryF(kLogName, format, timestamp);
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
    WriteLogEntryF(kLogName, "OpenCommPort called @%s (%s)\n", timestamp, kLibraryVersion);
    if (Port().IsOpen()) {
        WriteLogEntry("Calling CloseCommPort from OpenCommPort\n", kLogName);
        CloseCommPort();
    }
    const std::uint32_t comNumber = portIndex + 1;
    char deviceName[128];
    Port().DeviceName(comNumber, deviceName, sizeof deviceName);
    WriteLogEntry(deviceName, kLogName);
    if (!Port().Open(comNumber)) {
        WriteLogEntry("\nOpen comm port failed.\n", kLogName);
        return false;
    }
    char modeText[64];
    std::snprintf(modeText, sizeof modeText, "COM%u:%lu,n,8,1", comNumber,
                  static_cast<unsigned long>(baudRate));
    if (!Port().BuildLineSettings(modeText)) {
        WriteLogEntry("\nBuildCommDCB error.\n", kLogName);
        return false;
    }
    WriteLogEntryF(kLogName, "COM%u opened at baudrate %lu\n", comNumber,
                   static_cast<unsigned long>(baudRate));
    if (!Port().SetTimeouts()) {
        WriteLogEntry("\nSetCommTimeouts failed\n", kLogName);
        return false;
    }
    // The remaining settings are best effort: the port works with what it has.
    if (!Port().ApplyLineSettings()) WriteLogEntry("\nSetCommState failed \n", kLogName);
    if (!Port().ReadProperties()) WriteLogEntry("\nGetCommProperties failed \n", kLogName);
    if (!Port().SetQueueSizes(kQueueBytes, kQueueBytes)) {
        WriteLogEntry("\nSetUpComm failed \n", kLogName);
    }
    if (!Port().SetEventMask(kCtsDsrEventMask)) WriteLogEntry("\nSetCommMask failed \n", kLogName);
    g_portReady = true;
    WriteLogEntryF(kLogName, "Comm Handle is %u\n", static_cast<unsigned>(Port().HandleValue()));
    return true;
}

void CloseCommPort() {
    if (!Port().IsOpen()) return;
    LogWithTimestamp("Comm port closed @%s\n");
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
