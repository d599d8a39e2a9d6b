// HidHost on Linux hidraw. The sysfs and /dev roots can be given so that tests
// run over a fake tree; SystemHidHost() uses /sys and /dev.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid_host.h"

namespace quillsan::platform {

// Which call failed: EIO means a gone device only from a read or poll.
enum class HidrawCall { kReadOrPoll, kWriteOrIoctl };

// errno of a failed hidraw call in the transport's terms.
HidStatus StatusFromErrno(int error, HidrawCall call);

// What poll() said of a node, for a wait on `wanted` (POLLIN or POLLOUT).
HidStatus StatusFromPoll(short revents, short wanted);

class HidrawHost final : public HidHost {
  public:
    HidrawHost(std::string sysfsRoot, std::string devRoot);
    ~HidrawHost() override;

    void CreateRequestRecords() override;
    void ReleaseRequestRecords() override;
    bool OpenInterfaceSet() override;
    bool InterfacePath(std::uint32_t index, std::string& path) override;
    void CloseInterfaceSet() override;
    HidHandle Open(const std::string& path) override;
    void Close(HidHandle handle) override;
    bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
    bool GetInputBufferCount(HidHandle handle, std::uint32_t& count) override;
    bool SetInputBufferCount(HidHandle handle, std::uint32_t count) override;
    bool GetIndexedString(HidHandle handle, std::uint32_t index, char16_t* text,
                          std::size_t bytes) override;
    bool FlushInputQueue(HidHandle handle) override;
    HidStatus GetFeature(HidHandle handle, std::uint8_t* report, std::size_t size) override;
    HidRequest StartOutputReport(HidHandle handle, const std::uint8_t* report,
                                 std::size_t size) override;
    HidStatus AwaitOutputReport(std::uint32_t timeoutMs) override;
    HidRequest StartInputReport(HidHandle handle, std::uint8_t* report, std::size_t size) override;
    HidStatus AwaitInputReport(std::uint32_t timeoutMs) override;

    // Tests: a handle over an already open descriptor standing in for a hidraw
    // node called `name` (the sysfs entry the attributes and strings come from).
    HidHandle Adopt(int fd, const std::string& name);

  private:
    struct Request {
        int fd = -1;
        std::uint8_t* input = nullptr;
        const std::uint8_t* output = nullptr;
        std::size_t size = 0;
        bool completed = false;
        bool pending = false;
    };

    // The USB device and USB interface folders above a hidraw node, empty when absent.
    bool UsbFolders(const std::string& name, std::string& device, std::string& usbInterface) const;

    std::string sysfsRoot_;
    std::string devRoot_;
    std::vector<std::string> interfaces_;
    Request output_;
    Request input_;
};

}  // namespace quillsan::platform
