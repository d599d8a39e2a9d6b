#include "memory_transfer.h"

#include <cstring>

#include "command_table.h"
#include "engine.h"

namespace quillsan {
namespace {

std::uint32_t g_transferBufferAddress = 0;  // 0: not yet fetched
std::uint8_t g_staging[kStagingBytes];
std::uint16_t g_stagingPosition = 0;

void BeginBlockRequest(std::uint8_t command, std::uint32_t address, std::size_t length) {
    SetCurrentCommand(command);
    BeginRequest(command);
    Link().value = address;
    PutValue(4);
    Link().value = static_cast<std::uint32_t>(length);
    PutValue(2);
}

bool FetchTransferBufferAddressOnce() {
    if (g_transferBufferAddress == 0) {
        g_transferBufferAddress = RemoteCall(2, kTransferBufferParameter, 0);
    }
    return Link().linkError == kNoError;
}

}  // namespace

bool WriteMemoryChunk(const std::uint8_t* data, std::uint32_t address, std::size_t length) {
    BeginBlockRequest(kBlockWriteCommand, address, length);
    if (!PutDataAndExchange(data, length)) {
        SetLinkError(kBlockWriteFailed);
        return false;
    }
    return true;
}

bool ReadMemoryChunk(std::uint32_t address, std::uint8_t* buffer, std::size_t length) {
    BeginBlockRequest(kBlockReadCommand, address, length);
    if (!ExchangeInto(buffer, length)) {
        SetLinkError(kBlockReadFailed);
        return false;
    }
    return true;
}

void WriteInstrumentMemory(const std::uint8_t* data, std::uint32_t address, std::uint32_t length) {
    std::size_t remaining = length & 0xFFFFu;
    while (remaining > 0) {
        const std::size_t chunk = remaining < kWriteChunkBytes ? remaining : kWriteChunkBytes;
        if (!WriteMemoryChunk(data, address, chunk)) {
            SetLinkError(kBlockWriteFailed);
            return;
        }
        data += chunk;
        address += static_cast<std::uint32_t>(chunk);
        remaining -= chunk;
    }
}

void ReadInstrumentMemory(std::uint32_t address, std::uint8_t* buffer, std::uint32_t length) {
    std::size_t remaining = length & 0xFFFFu;
    while (remaining > 0) {
        const std::size_t chunk = remaining < kReadChunkBytes ? remaining : kReadChunkBytes;
        if (!ReadMemoryChunk(address, buffer, chunk)) {
            SetLinkError(kBlockReadFailed);
            return;
        }
        buffer += chunk;
        address += static_cast<std::uint32_t>(chunk);
        remaining -= chunk;
    }
}

int UploadToTransferBuffer(std::uint32_t length, const std::uint8_t* data) {
    if (!FetchTransferBufferAddressOnce()) return 0;
    WriteInstrumentMemory(data, g_transferBufferAddress, length);
    return Link().linkError == kNoError ? 1 : 0;
}

int DownloadFromTransferBuffer(std::uint32_t length, std::uint8_t* buffer) {
    if (!FetchTransferBufferAddressOnce()) return 0;
    ReadInstrumentMemory(g_transferBufferAddress, buffer, length);
    return Link().linkError == kNoError ? 1 : 0;
}

int UploadString(const char* text) {
    const std::size_t length = std::strlen(text) + 1;
    // Lengths travel in 16 bits; a longer text would arrive cut and unterminated.
    // Refused as unsent, so the result is not taken for the instrument's answer.
    if (length > 0xFFFFu) {
        SetLinkError(kSendFailed);
        return 0;
    }
    return UploadToTransferBuffer(static_cast<std::uint32_t>(length),
                                  reinterpret_cast<const std::uint8_t*>(text));
}

std::uint32_t UploadFolderName(const char* name) {
    return UploadToTransferBuffer(kFolderNameBytes, reinterpret_cast<const std::uint8_t*>(name))
               ? kFolderNameBytes
               : 0;
}

std::uint8_t* StagingBuffer() {
    return g_staging;
}

void ResetStaging() {
    g_stagingPosition = 0;
}

bool AppendStaging(std::size_t count, const void* source) {
    if (count > kStagingBytes - g_stagingPosition) return false;
    std::memcpy(g_staging + g_stagingPosition, source, count);
    g_stagingPosition = static_cast<std::uint16_t>(g_stagingPosition + count);
    return true;
}

std::uint32_t UploadStaging() {
    return UploadToTransferBuffer(g_stagingPosition, g_staging) ? g_stagingPosition : 0;
}

std::uint32_t DownloadRecord(std::uint8_t command, std::uint32_t argument1,
                             std::uint32_t argument2) {
    const std::uint32_t length = RemoteCall(command, argument1, argument2) & 0xFFFFu;
    if (length == 0) return 0;
    if (length > kStagingBytes) {
        // More than the staging buffer holds: refused before any byte moves.
        SetLinkError(kBlockReadFailed);
        return 0;
    }
    if (!DownloadFromTransferBuffer(length, g_staging)) return 0;
    std::memset(g_staging + length, 0, kStagingBytes - length);
    return length;
}

void ResetMemoryTransfer() {
    g_transferBufferAddress = 0;
    g_stagingPosition = 0;
    std::memset(g_staging, 0, sizeof g_staging);
}

}  // namespace quillsan
