// One overlapped request record of the Win32 HID host: its OVERLAPPED block
// with an auto-reset completion event, and the request it carries.
//
// A request whose wait gives up is cancelled (CancelIoEx on that request) and
// its completion collected (GetOverlappedResult with wait) before the wait
// returns, so it can neither land in a buffer later nor signal the event of
// the next request on the same record. A request that completes at once has
// signalled its event as well; that signal is consumed at once.
#pragma once

#include <windows.h>

#include "hid_host.h"

namespace quillsan::platform {

// ERROR_IO_PENDING is a request in progress, ERROR_DEVICE_NOT_CONNECTED a
// device gone; every other error a plain failure.
HidStatus StatusOfError(DWORD error);

class HidRequestRecord {
  public:
    void CreateCompletionEvent();
    void ReleaseCompletionEvent();

    // Readies the record for a new request on `device`; an earlier request
    // still in flight is cancelled first.
    OVERLAPPED* Begin(HANDLE device);
    // What the start call (WriteFile or ReadFile, result `started`) reported.
    HidRequest Started(BOOL started);
    // kOk when the request completed within the wait; kPending when it did
    // not (it is cancelled and collected); the failure it completed with.
    HidStatus Await(DWORD timeoutMs);

    // Cancels and collects a request still in flight on `device`.
    void Forget(HANDLE device);

  private:
    void CancelAndCollect();

    OVERLAPPED overlapped_{};
    HANDLE device_ = nullptr;
    bool inFlight_ = false;
    bool completedAtOnce_ = false;
};

}  // namespace quillsan::platform
