#include "memory_transfer.h"

#include <cstring>

#include "command_table.h"
#include "engine.h"
#include "request.h"

namespace quillsan {
namespace {

std::uint32_t g_transferBufferAddress = 0;  // 0: not yet fetched
std::uint8_t g_staging[kStagingBytes];
std::uint16_t g_stagingPosition = 0;

Request BlockRequest(std::uint8_t command, std::uint32_t address, std::size_t length) {
    Request request{command};
    request.Put(address, 4);
    request.Put(static_cast<std::uint32_t>(length), 2);
    return request;
}

bool WriteMemoryChunk(const std::uint8_t* data, std::uint32_t address, std::size_t length) {
    Request request = BlockRequest(kBlockWriteCommand, address, length);
    request.Append(data, length);
    if (!Exchange(request, 0)) {
        SetLinkError(kBlockWriteFailed);
        return false;
    }
    return true;
}

bool ReadMemoryChunk(std::uint32_t address, std::uint8_t* buffer, std::size_t length) {
    if (!ExchangeInto(BlockRequest(kBlockReadCommand, address, length), buffer, length)) {
        SetLinkError(kBlockReadFailed);
        return false;
    }
    return true;
}

// The address is fetched at the first transfer and kept; a failed fetch gives
// 0, so the next transfer fetches again.
bool TransferBufferReady() {
    if (g_transferBufferAddress == 0) {
        g_transferBufferAddress = RemoteCall(2, kTransferBufferParameter, 0);
    }
    return !LinkErrorPending();
}

}  // namespace

// A failed chunk is recorded by the chunk and again here: the log keeps both lines.
bool WriteInstrumentMemory(const std::uint8_t* data, std::uint32_t address, std::uint32_t length) {
    std::size_t remaining = length & 0xFFFFu;
    while (remaining > 0) {
        const std::size_t chunk = remaining < kWriteChunkBytes ? remaining : kWriteChunkBytes;
        if (!WriteMemoryChunk(data, address, chunk)) {
            SetLinkError(kBlockWriteFailed);
            return false;
        }
        data += chunk;
        address += static_cast<std::uint32_t>(chunk);
        remaining -= chunk;
    }
    return true;
}

bool ReadInstrumentMemory(std::uint32_t address, std::uint8_t* buffer, std::uint32_t length) {
    std::size_t remaining = length & 0xFFFFu;
    while (remaining > 0) {
        const std::size_t chunk = remaining < kReadChunkBytes ? remaining : kReadChunkBytes;
        if (!ReadMemoryChunk(address, buffer, chunk)) {
            SetLinkError(kBlockReadFailed);
            return false;
        }
        buffer += chunk;
        address += static_cast<std::uint32_t>(chunk);
        remaining -= chunk;
    }
    return true;
}

bool UploadToTransferBuffer(std::uint32_t length, const std::uint8_t* data) {
    return TransferBufferReady() && WriteInstrumentMemory(data, g_transferBufferAddress, length);
}

bool DownloadFromTransferBuffer(std::uint32_t length, std::uint8_t* buffer) {
    return TransferBufferReady() && ReadInstrumentMemory(g_transferBufferAddress, buffer, length);
}

bool UploadString(const char* text) {
    const std::size_t length = std::strlen(text) + 1;
    // Lengths travel in 16 bits; a longer text would arrive cut and unterminated.
    // Refused as unsent, so the result is not taken for the instrument's answer.
    if (length > 0xFFFFu) {
        SetLinkError(kSendFailed);
        return false;
    }
    return UploadToTransferBuffer(static_cast<std::uint32_t>(length),
                                  reinterpret_cast<const std::uint8_t*>(text));
}

bool UploadFolderName(const char* name) {
    return UploadToTransferBuffer(kFolderNameBytes, reinterpret_cast<const std::uint8_t*>(name));
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

bool UploadStaging() {
    return UploadToTransferBuffer(g_stagingPosition, g_staging);
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
