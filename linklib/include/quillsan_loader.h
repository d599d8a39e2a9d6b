// Loading QUILLSAN.DLL at run time as a caller does, on either platform: by
// path or bare name, each export looked up by its exact name.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>

namespace quillsan::loader {

// Null when the library cannot be loaded; LoadError() then says why.
inline void* Load(const char* path) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(LoadLibraryA(path));
#else
    // RTLD_LOCAL: the library's names stay out of the caller's namespace.
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
}

// Null when the library has no export of that name.
inline void* Find(void* library, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

// The export as the function type it is declared with, e.g. Find<decltype(::InitRemoteComm)>.
template <typename Function>
Function* Find(void* library, const char* name) {
    return reinterpret_cast<Function*>(Find(library, name));
}

inline void Unload(void* library) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

inline std::string LoadError() {
#if defined(_WIN32)
    return "error " + std::to_string(GetLastError());
#else
    const char* text = dlerror();
    return text != nullptr ? text : "";
#endif
}

}  // namespace quillsan::loader
