// The one backend object of a seam, built on first use and never destroyed:
// the unload hook still closes the port and the USB device, and releases the
// request records, after static destructors may have run.
#pragma once

#include <new>
#include <utility>

namespace quillsan::platform {

template <typename Backend, typename... Arguments>
Backend& NeverDestroyed(Arguments&&... arguments) {
    alignas(Backend) static unsigned char storage[sizeof(Backend)];
    static Backend* const backend = new (storage) Backend(std::forward<Arguments>(arguments)...);
    return *backend;
}

}  // namespace quillsan::platform
