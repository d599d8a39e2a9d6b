// HidHost on hidraw: enumeration from /sys/class/hidraw, the attributes and
// device strings from the USB device's sysfs attributes, reports through the
// /dev/hidrawN node with poll() against a monotonic deadline.
//
// Report layouts at the seam stay those of the instrument's reports whatever
// hidraw does with the report identifier byte: hidraw takes it as byte 0 of
// an output report and of a HIDIOCGFEATURE buffer (identifier 0 for a device
// without numbered reports, which the kernel strips before the transfer), but
// returns an input report of such a device WITHOUT it. Input reports are
// therefore read to byte 1 onward and byte 0 is set to identifier 0.
//
// hidraw's input queue cannot be shrunk: it keeps up to 64 reports per open
// file and drops the newest when full. A read therefore takes every report
// queued and keeps the newest, as the one-report queue the search asks for
// elsewhere would, so a status poll never sees a report many frames old.
#include "hid_host_hidraw.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "never_destroyed.h"

namespace quillsan::platform {
namespace {

struct HidrawDevice {
    int fd;
    std::string name;  // hidrawN
};

HidrawDevice* Device(HidHandle handle) {
    return static_cast<HidrawDevice*>(handle);
}

int Fd(HidHandle handle) {
    return handle != nullptr ? Device(handle)->fd : -1;
}

// Real time, whatever clock the rest of the library is given: poll() waits in real time.
std::uint64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return true;
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

bool HidrawNumber(const char* name, unsigned long& number) {
    if (std::strncmp(name, "hidraw", 6) != 0 || name[6] < '0' || name[6] > '9') return false;
    char* end = nullptr;
    number = std::strtoul(name + 6, &end, 10);
    return *end == '\0';
}

// Sysfs text is UTF-8; the seam carries UTF-16 code units. Malformed bytes become U+FFFD.
std::size_t Utf8ToUtf16(const std::string& text, char16_t* units, std::size_t maxUnits) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size() && count < maxUnits) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::uint32_t code = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = length == 1 ? lead < 0x80 : i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            code = 0xFFFD;
            length = 1;
        }
        i += length;
        if (code >= 0x10000) {
            if (count + 2 > maxUnits) break;
            code -= 0x10000;
            units[count++] = static_cast<char16_t>(0xD800 + (code >> 10));
            units[count++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            units[count++] = static_cast<char16_t>(code);
        }
    }
    return count;
}

// Reports hidraw holds per open file; a read never needs to take more to reach the newest.
constexpr int kHidrawQueueReports = 64;

// Waits for `events` on fd until the deadline, retrying EINTR. kOk when ready,
// kPending when the deadline passed, otherwise the failure.
HidStatus WaitReady(int fd, short events, std::uint64_t deadline) {
    for (;;) {
        const std::uint64_t now = NowMs();
        const int remaining =
            now >= deadline ? 0
                            : static_cast<int>(std::min<std::uint64_t>(deadline - now, INT_MAX));
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, remaining);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return StatusFromErrno(errno, HidrawCall::kReadOrPoll);
        }
        if (ready == 0) return HidStatus::kPending;
        return StatusFromPoll(entry.revents, events);
    }
}

ssize_t ReadOnce(int fd, std::uint8_t* into, std::size_t size) {
    ssize_t got;
    do {
        got = read(fd, into, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

// The newest queued input report, read to byte 1 onward; byte 0 is the
// identifier 0 hidraw leaves out. Older queued reports are passed over.
HidStatus ReadReport(int fd, std::uint8_t* report, std::size_t size) {
    if (size < 2) return HidStatus::kFailed;
    ssize_t got = ReadOnce(fd, report + 1, size - 1);
    if (got < 0) return StatusFromErrno(errno, HidrawCall::kReadOrPoll);
    // hidraw never ends a report stream while its device is there.
    if (got == 0) return HidStatus::kNotConnected;
    // Bounded: a device that keeps reporting cannot hold the caller here.
    std::uint8_t newer[4096];
    const std::size_t room = std::min(size - 1, sizeof newer);
    for (int extra = 0; extra < kHidrawQueueReports; ++extra) {
        const ssize_t more = ReadOnce(fd, newer, room);
        // An empty queue, or an error the next request will meet: keep what we have.
        if (more <= 0) break;
        std::memcpy(report + 1, newer, static_cast<std::size_t>(more));
        got = more;
    }
    report[0] = 0;
    // A shorter report leaves nothing of an earlier one behind.
    std::memset(report + 1 + got, 0, size - 1 - static_cast<std::size_t>(got));
    return HidStatus::kOk;
}

HidStatus WriteReport(int fd, const std::uint8_t* report, std::size_t size, std::size_t& written) {
    ssize_t put;
    do {
        put = write(fd, report, size);
    } while (put < 0 && errno == EINTR);
    if (put < 0) return StatusFromErrno(errno, HidrawCall::kWriteOrIoctl);
    written = static_cast<std::size_t>(put);
    return HidStatus::kOk;
}

}  // namespace

HidStatus StatusFromErrno(int error, HidrawCall call) {
    switch (error) {
        // The device has gone: ENODEV from write and ioctl, ESHUTDOWN from the
        // USB core, EIO from a read once the node has lost its device.
        case ENODEV:
        case ESHUTDOWN:
            return HidStatus::kNotConnected;
        case EIO:
            return call == HidrawCall::kReadOrPoll ? HidStatus::kNotConnected : HidStatus::kFailed;
        // A stall (EPIPE) or a transfer time-out leaves the device present: a plain failure.
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
            return HidStatus::kPending;
        default:
            return HidStatus::kFailed;
    }
}

HidStatus StatusFromPoll(short revents, short wanted) {
    // A device that answered and then left still has its answer queued: hidraw
    // reports POLLIN beside the hang-up until the queue is read empty.
    if ((wanted & POLLIN) != 0 && (revents & POLLIN) != 0) return HidStatus::kOk;
    // hidraw flags a node whose device has gone with POLLHUP and POLLERR.
    if ((revents & (POLLHUP | POLLERR)) != 0) return HidStatus::kNotConnected;
    if ((revents & POLLNVAL) != 0) return HidStatus::kFailed;
    return HidStatus::kOk;
}

HidrawHost::HidrawHost(std::string sysfsRoot, std::string devRoot)
    : sysfsRoot_(std::move(sysfsRoot)), devRoot_(std::move(devRoot)) {}

HidrawHost::~HidrawHost() = default;

// hidraw needs no completion events: requests are waited for with poll().
void HidrawHost::CreateRequestRecords() {
    output_ = {};
    input_ = {};
}

void HidrawHost::ReleaseRequestRecords() {
    output_ = {};
    input_ = {};
}

bool HidrawHost::OpenInterfaceSet() {
    interfaces_.clear();
    const std::string classDir = sysfsRoot_ + "/class/hidraw";
    DIR* dir = opendir(classDir.c_str());
    if (dir == nullptr) {
        // No hidraw class at all means no HID interface is present.
        return errno == ENOENT;
    }
    std::vector<std::pair<unsigned long, std::string>> found;
    while (const dirent* entry = readdir(dir)) {
        unsigned long number = 0;
        if (!HidrawNumber(entry->d_name, number)) continue;
        // Keyboards' and mice's nodes belong to root: listing nodes this process
        // may not open would end every search at the first of them.
        const std::string node = devRoot_ + "/" + entry->d_name;
        if (access(node.c_str(), R_OK | W_OK) != 0) continue;
        found.emplace_back(number, entry->d_name);
    }
    closedir(dir);
    std::sort(found.begin(), found.end());
    for (const auto& [number, name] : found) interfaces_.push_back(devRoot_ + "/" + name);
    return true;
}

bool HidrawHost::InterfacePath(std::uint32_t index, std::string& path) {
    if (index >= interfaces_.size()) return false;
    path = interfaces_[index];
    return true;
}

void HidrawHost::CloseInterfaceSet() {
    interfaces_.clear();
}

HidHandle HidrawHost::Open(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    const std::size_t slash = path.find_last_of('/');
    return new HidrawDevice{fd, slash == std::string::npos ? path : path.substr(slash + 1)};
}

HidHandle HidrawHost::Adopt(int fd, const std::string& name) {
    return new HidrawDevice{fd, name};
}

void HidrawHost::Close(HidHandle handle) {
    if (handle == nullptr) return;
    // A request on this device can no longer complete anywhere.
    if (output_.fd == Fd(handle)) output_ = {};
    if (input_.fd == Fd(handle)) input_ = {};
    close(Device(handle)->fd);
    delete Device(handle);
}

bool HidrawHost::UsbFolders(const std::string& name, std::string& device,
                            std::string& usbInterface) const {
    char resolved[PATH_MAX];
    const std::string link = sysfsRoot_ + "/class/hidraw/" + name + "/device";
    if (realpath(link.c_str(), resolved) == nullptr) return false;
    // hidrawN/device is the HID device; above it the USB interface, then the USB device.
    std::string folder = resolved;
    std::string below;
    for (int level = 0; level < 8 && folder.size() > 1; ++level) {
        if (Exists(folder + "/idVendor") && Exists(folder + "/bcdDevice")) {
            device = folder;
            usbInterface = below;
            return true;
        }
        below = folder;
        const std::size_t slash = folder.find_last_of('/');
        if (slash == std::string::npos || slash == 0) break;
        folder.erase(slash);
    }
    return false;
}

bool HidrawHost::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    if (handle == nullptr) return false;
    std::string uevent;
    if (!ReadText(sysfsRoot_ + "/class/hidraw/" + Device(handle)->name + "/device/uevent", uevent))
        return false;
    std::istringstream lines(uevent);
    std::string line;
    bool found = false;
    while (std::getline(lines, line)) {
        unsigned bus = 0;
        unsigned long vendor = 0;
        unsigned long product = 0;
        if (std::sscanf(line.c_str(), "HID_ID=%x:%lx:%lx", &bus, &vendor, &product) == 3) {
            attributes.vendorId = static_cast<std::uint16_t>(vendor & 0xFFFF);
            attributes.productId = static_cast<std::uint16_t>(product & 0xFFFF);
            found = true;
            break;
        }
    }
    if (!found) return false;
    // The release number lives with the USB device; other buses have none.
    attributes.releaseNumber = 0;
    std::string device;
    std::string usbInterface;
    std::string bcd;
    if (UsbFolders(Device(handle)->name, device, usbInterface) &&
        ReadText(device + "/bcdDevice", bcd)) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(bcd.c_str(), &end, 16);
        if (end != bcd.c_str() && value <= 0xFFFF)
            attributes.releaseNumber = static_cast<std::uint16_t>(value);
    }
    return true;
}

// hidraw offers no request for the length of its input report queue.
bool HidrawHost::GetInputBufferCount(HidHandle, std::uint32_t&) {
    return false;
}

bool HidrawHost::SetInputBufferCount(HidHandle, std::uint32_t) {
    return false;
}

bool HidrawHost::GetIndexedString(HidHandle handle, std::uint32_t index, char16_t* text,
                                  std::size_t bytes) {
    // hidraw has no indexed-string request: the USB device's sysfs attributes
    // hold the strings its descriptors name.
    static const char* const kAttributes[] = {"manufacturer", "product", "serial", "configuration",
                                              "interface"};
    if (handle == nullptr || index < 1 || index > 5) return false;
    std::string device;
    std::string usbInterface;
    if (!UsbFolders(Device(handle)->name, device, usbInterface)) return false;
    const std::string folder = index == 5 ? usbInterface : device;
    std::string value;
    if (folder.empty() || !ReadText(folder + "/" + kAttributes[index - 1], value) || value.empty())
        return false;
    const std::size_t maxUnits = bytes / sizeof(char16_t);
    const std::size_t count = Utf8ToUtf16(value, text, maxUnits);
    if (count < maxUnits) text[count] = u'\0';
    return true;
}

bool HidrawHost::FlushInputQueue(HidHandle handle) {
    const int fd = Fd(handle);
    if (fd < 0) return false;
    // hidraw keeps at most 64 reports; a device that keeps reporting cannot hold us here.
    std::uint8_t discard[4096];
    for (int reads = 0; reads < 256; ++reads) {
        const ssize_t got = read(fd, discard, sizeof discard);
        if (got > 0 || (got < 0 && errno == EINTR)) continue;
        return got == 0 || errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
}

HidStatus HidrawHost::GetFeature(HidHandle handle, std::uint8_t* report, std::size_t size) {
    const int fd = Fd(handle);
    if (fd < 0 || size == 0) return HidStatus::kFailed;
    report[0] = 0;
    int got;
    do {
        got = ioctl(fd, HIDIOCGFEATURE(size), report);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return StatusFromErrno(errno, HidrawCall::kWriteOrIoctl);
    const std::size_t filled = std::min(static_cast<std::size_t>(got), size);
    std::memset(report + filled, 0, size - filled);
    report[0] = 0;
    return HidStatus::kOk;
}

HidRequest HidrawHost::StartOutputReport(HidHandle handle, const std::uint8_t* report,
                                         std::size_t size) {
    output_ = {};
    const int fd = Fd(handle);
    if (fd < 0) return {HidStatus::kFailed, 0};
    std::size_t written = 0;
    const HidStatus status = WriteReport(fd, report, size, written);
    if (status == HidStatus::kOk) output_ = {fd, nullptr, report, size, written == size, false};
    if (status == HidStatus::kPending) output_ = {fd, nullptr, report, size, false, true};
    return {status, written};
}

HidStatus HidrawHost::AwaitOutputReport(std::uint32_t timeoutMs) {
    const Request request = output_;
    output_ = {};
    if (request.completed) return HidStatus::kOk;
    if (!request.pending) return HidStatus::kFailed;
    const std::uint64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        const HidStatus ready = WaitReady(request.fd, POLLOUT, deadline);
        if (ready != HidStatus::kOk) return ready;  // given up: nothing more is written
        std::size_t written = 0;
        const HidStatus status = WriteReport(request.fd, request.output, request.size, written);
        if (status == HidStatus::kPending) continue;
        if (status != HidStatus::kOk) return status;
        return written == request.size ? HidStatus::kOk : HidStatus::kFailed;
    }
}

HidRequest HidrawHost::StartInputReport(HidHandle handle, std::uint8_t* report, std::size_t size) {
    input_ = {};
    const int fd = Fd(handle);
    if (fd < 0) return {HidStatus::kFailed, 0};
    const HidStatus status = ReadReport(fd, report, size);
    if (status == HidStatus::kOk) input_ = {fd, report, nullptr, size, true, false};
    if (status == HidStatus::kPending) input_ = {fd, report, nullptr, size, false, true};
    return {status, status == HidStatus::kOk ? size : 0};
}

HidStatus HidrawHost::AwaitInputReport(std::uint32_t timeoutMs) {
    // Reads happen only inside this call, so once it returns nothing can land
    // in the caller's buffer: a wait that gives up simply forgets the request.
    const Request request = input_;
    input_ = {};
    if (request.completed) return HidStatus::kOk;
    if (!request.pending) return HidStatus::kFailed;
    const std::uint64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        const HidStatus ready = WaitReady(request.fd, POLLIN, deadline);
        if (ready != HidStatus::kOk) return ready;
        const HidStatus status = ReadReport(request.fd, request.input, request.size);
        if (status != HidStatus::kPending) return status;
    }
}

HidHost& SystemHidHost() {
    return NeverDestroyed<HidrawHost>("/sys", "/dev");
}

}  // namespace quillsan::platform
