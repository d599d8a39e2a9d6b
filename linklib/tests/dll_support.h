// QUILLSAN.DLL loaded with dlopen as a caller loads it, with every export
// resolved by name, and the test's own virtual instrument lent to the virtual flavour.
#pragma once

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>
#include <vector>

#include "instrument/virtual_instrument.h"
#include "lent_instrument.h"
#include "quillsan.h"
#include "instrument/firmware.h"
#include "instrument/serial_front_end.h"
#include "scratch_directory.h"

#define QUILLSAN_EXPORTS(X)                                                                     \
    X(ClearRemoteError) X(ClearRunProtocol) X(DeleteItem) X(GetDLLName) X(GetFolder)            \
    X(GetFolderHandle) X(GetHeadStatus) X(GetInstrumentStatus) X(GetItemCount) X(GetItemList)   \
    X(GetItemName) X(GetItemType) X(GetProtocol) X(GetProtocolHandle) X(GetRemoteError)         \
    X(GetSlaveParameter) X(GetUser) X(GetUserHandle) X(InsertFolder) X(InsertProtocol)          \
    X(InsertUser) X(InstrumentControl) X(SetSlaveParameter) X(StoreProtocol)                    \
    X(StoreRunProtocol) X(InitRemoteComm) X(GetDLLVersion) X(GetPCRVersion) X(GetPCRSerNum)     \
    X(GetDLLName2) X(GetHeadStatus2) X(GetProtocol2) X(InsertProtocol2) X(StoreRunProtocol2)    \
    X(StoreProtocol2) X(ReadADTab) X(ReadTempTab) X(ReadADTabLong) X(FindHID) X(SendUSBPacket)  \
    X(GetUSBResponsePacket) X(bZtUsbConnected) X(GetUsbHandle)

namespace quillsan::test {

using Requests = std::vector<std::vector<std::uint8_t>>;

using test_support::LentInstrument;

#if defined(_WIN32)
inline void* LoadByPath(const char* path) { return LoadLibraryA(path); }
inline void* Symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
inline void Unload(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
inline std::string LoadError() { return "error " + std::to_string(GetLastError()); }
#else
inline void* LoadByPath(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
inline void* Symbol(void* library, const char* name) { return dlsym(library, name); }
inline void Unload(void* library) { dlclose(library); }
inline std::string LoadError() { return dlerror(); }
#endif

struct Dll {
    explicit Dll(const char* path) : handle(LoadByPath(path)) {
        if (handle == nullptr) return;
#define QUILLSAN_RESOLVE(name) name = reinterpret_cast<decltype(&::name)>(Symbol(handle, #name));
        QUILLSAN_EXPORTS(QUILLSAN_RESOLVE)
#undef QUILLSAN_RESOLVE
    }
    ~Dll() {
        if (handle != nullptr) Unload(handle);
    }
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;

    void* handle;
#define QUILLSAN_MEMBER(name) decltype(&::name) name = nullptr;
    QUILLSAN_EXPORTS(QUILLSAN_MEMBER)
#undef QUILLSAN_MEMBER
};

// A fresh load of the virtual flavour on a serial link to the lent instrument,
// recording every request the instrument receives.
class VirtualDllTest : public ::testing::Test {
protected:
    void SetUp() override {
        LentInstrument().Reset();
        ASSERT_NE(dll_.handle, nullptr) << LoadError();
        ASSERT_EQ(dll_.InitRemoteComm(9600, 0), 1u);
        line().RecordRequests(&requests_);
    }
    void TearDown() override { line().RecordRequests(nullptr); }

    instrument::SerialFrontEnd& line() { return LentInstrument().serial(); }
    instrument::Firmware& firmware() { return LentInstrument().firmware(); }
    // Requests with this command byte, in order.
    Requests Sent(std::uint8_t command) const {
        Requests out;
        for (const auto& request : requests_) {
            if (!request.empty() && request[0] == command) out.push_back(request);
        }
        return out;
    }

    ScratchDirectory scratch_;
    Dll dll_{QUILLSAN_VIRTUAL_DLL};
    Requests requests_;
};

}  // namespace quillsan::test
