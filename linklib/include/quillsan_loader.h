// Loading QUILLSAN.DLL at run time as a caller does, on either platform: by
// path or bare name, each export looked up by its exact name.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
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

// The file of the loaded library that holds `symbol`, as the system found it;
// empty when it cannot tell.
inline std::string FileOf(void* symbol) {
#if defined(_WIN32)
    HMODULE module = nullptr;
    char path[MAX_PATH] = {};
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCSTR>(symbol), &module) ||
        GetModuleFileNameA(module, path, sizeof path) == 0) {
        return {};
    }
    return path;
#else
    Dl_info info{};
    if (symbol == nullptr || dladdr(symbol, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
#endif
}

// The folder of the running program's own file, from which a caller loads
// QUILLSAN.DLL first; empty when it cannot tell.
inline std::string ProgramFolder() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    const std::string whole(path, length);
    const std::size_t slash = whole.find_last_of("\\/");
#else
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string whole(path, static_cast<std::size_t>(length));
    const std::size_t slash = whole.rfind('/');
#endif
    return slash == std::string::npos ? std::string() : whole.substr(0, slash);
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
