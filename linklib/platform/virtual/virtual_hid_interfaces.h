// What every HidHost over the in-process virtual instrument shares: the
// interfaces are the instrument's, found, opened and asked by handle. How
// reports move (and what they cost in time) is left to the host built on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid_host.h"
#include "instrument/hid_front_end.h"

namespace quillsan::platform {

class VirtualHidInterfaces : public HidHost {
  public:
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
    // The host's own queue: no bus traffic.
    bool FlushInputQueue(HidHandle handle) override;

  protected:
    static instrument::HidFrontEnd& Device();
    static std::uint32_t Id(HidHandle handle);
    static HidStatus ToStatus(instrument::HidResult result);

  private:
    std::vector<std::size_t> present_;
};

}  // namespace quillsan::platform
