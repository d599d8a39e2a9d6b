// Block writes and reads of instrument memory, the instrument's transfer
// buffer, and the library's staging buffer in which records are built and received.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillsan {

inline constexpr std::size_t kWriteChunkBytes = 249;  // 7 header bytes + 249 = 256
inline constexpr std::size_t kReadChunkBytes = 254;   // echo + 254 + echo = 256 on the line
inline constexpr std::size_t kStagingBytes = 2048;
inline constexpr std::uint8_t kTransferBufferParameter = 4;
// A folder name travels as a fixed field of this many bytes, both ways.
inline constexpr std::uint32_t kFolderNameBytes = 25;

// Block writes and reads, chunk by chunk; false at the first chunk that fails
// (link error 8 or 9), the chunks before it done. Only the low 16 bits of length count.
bool WriteInstrumentMemory(const std::uint8_t* data, std::uint32_t address, std::uint32_t length);
bool ReadInstrumentMemory(std::uint32_t address, std::uint8_t* buffer, std::uint32_t length);

// Through the transfer buffer; false, with nothing moved, while a link error
// is pending (also one from fetching the buffer's address).
bool UploadToTransferBuffer(std::uint32_t length, const std::uint8_t* data);
bool DownloadFromTransferBuffer(std::uint32_t length, std::uint8_t* buffer);
// The text with its terminator.
bool UploadString(const char* text);
// kFolderNameBytes from the caller's field, whatever the text length.
bool UploadFolderName(const char* name);

std::uint8_t* StagingBuffer();
void ResetStaging();
// false (and nothing copied) when the data would run past the staging buffer.
bool AppendStaging(std::size_t count, const void* source);
// Uploads the bytes staged since ResetStaging.
bool UploadStaging();
// Runs a record command whose 2-byte answer is the length of the record it has
// placed in the transfer buffer, and downloads the record into the staging
// buffer. The length on success, 0 on failure. Staging bytes past the record
// read as zero, so no earlier record shows through a short one.
std::uint32_t DownloadRecord(std::uint8_t command, std::uint32_t argument1 = 0,
                             std::uint32_t argument2 = 0);

// Forgets the transfer buffer address and the staged bytes (see ResetLibraryState).
void ResetMemoryTransfer();

}  // namespace quillsan
