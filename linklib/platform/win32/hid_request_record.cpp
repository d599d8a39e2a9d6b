#include "hid_request_record.h"

namespace quillsan::platform {

HidStatus StatusOfError(DWORD error) {
    if (error == ERROR_IO_PENDING) return HidStatus::kPending;
    if (error == ERROR_DEVICE_NOT_CONNECTED) return HidStatus::kNotConnected;
    return HidStatus::kFailed;
}

void HidRequestRecord::CreateCompletionEvent() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

void HidRequestRecord::ReleaseCompletionEvent() {
    CancelAndCollect();
    if (overlapped_.hEvent != nullptr) CloseHandle(overlapped_.hEvent);
    overlapped_.hEvent = nullptr;
}

OVERLAPPED* HidRequestRecord::Begin(HANDLE device) {
    CancelAndCollect();
    // The event stays; the rest of the block is zero for the new request.
    const HANDLE event = overlapped_.hEvent;
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event;
    device_ = device;
    completedAtOnce_ = false;
    return &overlapped_;
}

HidRequest HidRequestRecord::Started(BOOL started) {
    if (started) {
        completedAtOnce_ = true;
        if (overlapped_.hEvent != nullptr) WaitForSingleObject(overlapped_.hEvent, 0);
        DWORD moved = 0;
        GetOverlappedResult(device_, &overlapped_, &moved, FALSE);
        return {HidStatus::kOk, moved};
    }
    const DWORD error = GetLastError();
    inFlight_ = error == ERROR_IO_PENDING;
    return {StatusOfError(error), 0};
}

HidStatus HidRequestRecord::Await(DWORD timeoutMs) {
    if (completedAtOnce_) {
        completedAtOnce_ = false;
        return HidStatus::kOk;
    }
    if (!inFlight_) return HidStatus::kFailed;
    const bool signalled = overlapped_.hEvent != nullptr
                               ? WaitForSingleObject(overlapped_.hEvent, timeoutMs) == WAIT_OBJECT_0
                               : (Sleep(timeoutMs), false);
    if (!signalled) {
        CancelAndCollect();
        return HidStatus::kPending;
    }
    inFlight_ = false;
    DWORD moved = 0;
    if (GetOverlappedResult(device_, &overlapped_, &moved, FALSE)) return HidStatus::kOk;
    return StatusOfError(GetLastError());
}

void HidRequestRecord::Forget(HANDLE device) {
    if (device_ != device) return;
    CancelAndCollect();
    device_ = nullptr;
    completedAtOnce_ = false;
}

void HidRequestRecord::CancelAndCollect() {
    if (!inFlight_) return;
    CancelIoEx(device_, &overlapped_);
    DWORD ignored = 0;
    GetOverlappedResult(device_, &overlapped_, &ignored, TRUE);
    inFlight_ = false;
}

}  // namespace quillsan::platform
