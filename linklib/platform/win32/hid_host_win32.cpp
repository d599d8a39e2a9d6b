// HidHost on Windows: the HID class's interfaces through SetupDi, reports as
// overlapped requests on two request records with auto-reset completion events.
#include <windows.h>
// windows.h first: the HID and SetupDi headers build on its types. The HID
// header declares its functions without C linkage of its own.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <string>
#include <vector>

#include "hid_host.h"
#include "hid_request_record.h"
#include "never_destroyed.h"

namespace quillsan::platform {
namespace {

HANDLE Handle(HidHandle handle) {
    return static_cast<HANDLE>(handle);
}

HANDLE OpenShared(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
}

class Win32HidHost final : public HidHost {
  public:
    void CreateRequestRecords() override {
        output_.CreateCompletionEvent();
        input_.CreateCompletionEvent();
    }

    void ReleaseRequestRecords() override {
        input_.ReleaseCompletionEvent();
        output_.ReleaseCompletionEvent();
    }

    bool OpenInterfaceSet() override {
        paths_.clear();
        GUID hidClass;
        HidD_GetHidGuid(&hidClass);
        const HDEVINFO set = SetupDiGetClassDevsA(&hidClass, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set == INVALID_HANDLE_VALUE) return false;
        SP_DEVICE_INTERFACE_DATA member{};
        member.cbSize = sizeof member;
        for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &member);
             ++index) {
            std::string path;
            if (DetailPath(set, member, path) && !HeldBySystem(path)) paths_.push_back(path);
        }
        SetupDiDestroyDeviceInfoList(set);
        return true;
    }

    bool InterfacePath(std::uint32_t index, std::string& path) override {
        if (index >= paths_.size()) return false;
        path = paths_[index];
        return true;
    }

    void CloseInterfaceSet() override { paths_.clear(); }

    HidHandle Open(const std::string& path) override {
        const HANDLE handle = OpenShared(path);
        return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

    void Close(HidHandle handle) override {
        if (handle == nullptr) return;
        // Nothing of this device may still be in flight once its handle is gone.
        output_.Forget(Handle(handle));
        input_.Forget(Handle(handle));
        CloseHandle(Handle(handle));
    }

    bool GetAttributes(HidHandle handle, HidAttributes& attributes) override {
        HIDD_ATTRIBUTES read{};
        read.Size = sizeof read;
        if (!HidD_GetAttributes(Handle(handle), &read)) return false;
        attributes.vendorId = read.VendorID;
        attributes.productId = read.ProductID;
        attributes.releaseNumber = read.VersionNumber;
        return true;
    }

    bool GetInputBufferCount(HidHandle handle, std::uint32_t& count) override {
        ULONG buffers = 0;
        if (!HidD_GetNumInputBuffers(Handle(handle), &buffers)) return false;
        count = buffers;
        return true;
    }

    bool SetInputBufferCount(HidHandle handle, std::uint32_t count) override {
        return HidD_SetNumInputBuffers(Handle(handle), count) != FALSE;
    }

    bool GetIndexedString(HidHandle handle, std::uint32_t index, char16_t* text,
                          std::size_t bytes) override {
        return HidD_GetIndexedString(Handle(handle), index, text, static_cast<ULONG>(bytes)) !=
               FALSE;
    }

    bool FlushInputQueue(HidHandle handle) override {
        return HidD_FlushQueue(Handle(handle)) != FALSE;
    }

    HidStatus GetFeature(HidHandle handle, std::uint8_t* report, std::size_t size) override {
        report[0] = 0;
        if (HidD_GetFeature(Handle(handle), report, static_cast<ULONG>(size)))
            return HidStatus::kOk;
        return StatusOfError(GetLastError());
    }

    HidRequest StartOutputReport(HidHandle handle, const std::uint8_t* report,
                                 std::size_t size) override {
        OVERLAPPED* overlapped = output_.Begin(Handle(handle));
        return output_.Started(
            WriteFile(Handle(handle), report, static_cast<DWORD>(size), nullptr, overlapped));
    }

    HidStatus AwaitOutputReport(std::uint32_t timeoutMs) override {
        return output_.Await(timeoutMs);
    }

    HidRequest StartInputReport(HidHandle handle, std::uint8_t* report, std::size_t size) override {
        OVERLAPPED* overlapped = input_.Begin(Handle(handle));
        return input_.Started(
            ReadFile(Handle(handle), report, static_cast<DWORD>(size), nullptr, overlapped));
    }

    HidStatus AwaitInputReport(std::uint32_t timeoutMs) override { return input_.Await(timeoutMs); }

  private:
    // The detail record is sized by a first call, then read with its header size set.
    static bool DetailPath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& member, std::string& path) {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(set, &member, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return false;
        std::vector<char> block(required + 6, 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(set, &member, detail, required, nullptr, nullptr))
            return false;
        // The path is terminated within the record, and the extra bytes are zero anyway.
        path = detail->DevicePath;
        return true;
    }

    // Keyboards and mice are opened exclusively by the system; listing them would
    // end every search at the first of them, so they are left out of the set.
    static bool HeldBySystem(const std::string& path) {
        const HANDLE probe = OpenShared(path);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            return false;
        }
        const DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
    }

    HidRequestRecord output_;
    HidRequestRecord input_;
    std::vector<std::string> paths_;
};

}  // namespace

HidHost& SystemHidHost() {
    return NeverDestroyed<Win32HidHost>();
}

}  // namespace quillsan::platform
