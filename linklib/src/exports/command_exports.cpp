// The exports that are one remote call each, and the identity texts of the
// library and of the instrument's firmware.
#include <cstdio>
#include <cstring>

#include "engine.h"
#include "library_version.h"
#include "link_error.h"
#include "memory_transfer.h"
#include "quillsan.h"
#include "result_forms.h"
#include "text_copy.h"

using namespace quillsan;

namespace {

constexpr const char* kDllName = "QUILLSAN.DLL";
constexpr std::uint32_t kDllNameBytes = 13;  // with its terminator

}  // namespace

extern "C" {

uint32_t QUILLSAN_CALL GetSlaveParameter(uint32_t parameter, uint32_t second) {
    return RemoteCall(2, Low8(parameter), Low8(second));
}

uint32_t QUILLSAN_CALL SetSlaveParameter(uint32_t parameter, uint32_t value1, uint32_t value2) {
    return RemoteCall(3, Low8(parameter), Low16(value1), Low16(value2));
}

uint32_t QUILLSAN_CALL GetInstrumentStatus(void) {
    return RemoteCall(72);
}

uint32_t QUILLSAN_CALL InstrumentControl(uint32_t argument1, uint32_t argument2,
                                         uint32_t argument3) {
    return RemoteCall(71, Low8(argument1), Low8(argument2), Low16(argument3));
}

uint32_t QUILLSAN_CALL ClearRunProtocol(uint32_t argument1, uint32_t argument2) {
    return RemoteCall(73, Low8(argument1), Low8(argument2));
}

uint32_t QUILLSAN_CALL ReadADTab(uint32_t index) {
    return RemoteCall(31, Low8(index));
}

uint32_t QUILLSAN_CALL ReadADTabLong(uint32_t index) {
    return ReadADTab(index) & 0xFFFFu;
}

uint32_t QUILLSAN_CALL ReadTempTab(uint32_t index) {
    return RemoteCall(84, Low8(index));
}

uint32_t QUILLSAN_CALL GetDLLName(char* buffer) {
    std::memcpy(buffer, kDllName, kDllNameBytes);
    return kDllNameBytes;
}

uint32_t QUILLSAN_CALL GetDLLName2(char* buffer, uint32_t size) {
    BoundedTextCopy(buffer, size, kDllName);
    return AtMost(kDllNameBytes, size);
}

uint32_t QUILLSAN_CALL GetDLLVersion(char* buffer, uint32_t size) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "QUILLSAN.DLL Version %s", kLibraryVersion);
    BoundedTextCopy(buffer, size, text);
    return AtMost(static_cast<std::uint32_t>(length), size);
}

uint32_t QUILLSAN_CALL GetPCRVersion(char* buffer, uint32_t size) {
    const std::uint32_t version = GetSlaveParameter(0, 0);
    if (LinkErrorPending()) return 0;
    char text[64];
    const int length = std::snprintf(text, sizeof text, "Pelmark Version %u.%03u",
                                     (version / 1000u) % 65536u, version % 1000u);
    BoundedTextCopy(buffer, size, text);
    return AtMost(static_cast<std::uint32_t>(length) + 1, size);
}

uint32_t QUILLSAN_CALL GetPCRSerNum(char* buffer, uint32_t size) {
    constexpr std::uint8_t kSerialNumberCommand = 91;
    const std::uint32_t length = DownloadRecord(kSerialNumberCommand, 0);
    if (length == 0) return 0;
    // Only the downloaded bytes count: a text without terminator ends with them.
    char text[kStagingBytes + 1];
    std::memcpy(text, StagingBuffer(), length);
    text[length] = '\0';
    BoundedTextCopy(buffer, size, text);
    return AtMost(length, size);
}

}  // extern "C"
