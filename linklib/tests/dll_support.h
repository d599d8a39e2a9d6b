// QUILLSAN.DLL loaded with dlopen as a caller loads it, with every export
// resolved by name, and the test's own virtual instrument lent to the virtual flavour.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instrument/firmware.h"
#include "instrument/serial_front_end.h"
#include "instrument/virtual_instrument.h"
#include "lent_instrument.h"
#include "quillsan.h"
#include "quillsan_export_list.h"
#include "quillsan_loader.h"
#include "scratch_directory.h"

namespace quillsan::test {

using Wire = std::vector<std::uint8_t>;
using Requests = std::vector<Wire>;

using test_support::LentInstrument;

struct Dll {
    explicit Dll(const char* path) : handle(loader::Load(path)) {
        if (handle == nullptr) return;
#define QUILLSAN_RESOLVE(name) name = loader::Find<decltype(::name)>(handle, #name);
        QUILLSAN_EXPORTS(QUILLSAN_RESOLVE)
#undef QUILLSAN_RESOLVE
    }
    ~Dll() {
        Unload();
    }
    void Unload() {
        if (handle != nullptr) loader::Unload(handle);
        handle = nullptr;
    }
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;

    void* handle;
#define QUILLSAN_MEMBER(name) decltype(&::name) name = nullptr;
    QUILLSAN_EXPORTS(QUILLSAN_MEMBER)
#undef QUILLSAN_MEMBER
};

#if defined(QUILLSAN_VIRTUAL_DLL)
// A fresh load of the virtual flavour on a serial link to the lent instrument,
// recording every request the instrument receives.
class VirtualDllTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LentInstrument().Reset();
        ASSERT_NE(dll_.handle, nullptr) << loader::LoadError();
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
#endif

}  // namespace quillsan::test
