#include "virtual_hid_interfaces.h"

#include <cstdio>

#include "clock.h"
#include "virtual_link.h"

namespace quillsan::platform {
namespace {

constexpr const char* kPathPrefix = "virtual-hid#";

bool Ok(instrument::HidResult result) {
    return result == instrument::HidResult::kOk;
}

}  // namespace

instrument::HidFrontEnd& VirtualHidInterfaces::Device() {
    return ConnectedInstrument().hid();
}

std::uint32_t VirtualHidInterfaces::Id(HidHandle handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

HidStatus VirtualHidInterfaces::ToStatus(instrument::HidResult result) {
    switch (result) {
        case instrument::HidResult::kOk:
            return HidStatus::kOk;
        case instrument::HidResult::kNoReport:
            return HidStatus::kPending;
        case instrument::HidResult::kNotConnected:
            return HidStatus::kNotConnected;
        case instrument::HidResult::kFailed:
            break;
    }
    return HidStatus::kFailed;
}

bool VirtualHidInterfaces::OpenInterfaceSet() {
    return Device().Enumerate(present_);
}

bool VirtualHidInterfaces::InterfacePath(std::uint32_t index, std::string& path) {
    if (index >= present_.size()) return false;
    path = kPathPrefix + std::to_string(present_[index]);
    return true;
}

void VirtualHidInterfaces::CloseInterfaceSet() {
    present_.clear();
}

HidHandle VirtualHidInterfaces::Open(const std::string& path) {
    unsigned long index = 0;
    if (std::sscanf(path.c_str(), "virtual-hid#%lu", &index) != 1) return nullptr;
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the seam's handle carries the device number
    return reinterpret_cast<HidHandle>(static_cast<std::uintptr_t>(Device().Open(index)));
}

void VirtualHidInterfaces::Close(HidHandle handle) {
    Device().Close(Id(handle));
}

bool VirtualHidInterfaces::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    return Ok(Device().Attributes(Id(handle), attributes.vendorId, attributes.productId,
                                  attributes.releaseNumber));
}

bool VirtualHidInterfaces::GetInputBufferCount(HidHandle handle, std::uint32_t& count) {
    return Ok(Device().GetInputBuffers(Id(handle), count));
}

bool VirtualHidInterfaces::SetInputBufferCount(HidHandle handle, std::uint32_t count) {
    return Ok(Device().SetInputBuffers(Id(handle), count));
}

bool VirtualHidInterfaces::GetIndexedString(HidHandle handle, std::uint32_t index, char16_t* text,
                                            std::size_t bytes) {
    return Ok(Device().String(Id(handle), index, text, bytes / sizeof(char16_t)));
}

bool VirtualHidInterfaces::FlushInputQueue(HidHandle handle) {
    return Ok(Device().Flush(Id(handle), MonotonicMs()));
}

}  // namespace quillsan::platform
