#include "link_binding.h"

#include <cstdio>
#include <cstring>

#include "quillsan.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace brevalin {

void* LoadSharedLibrary(const std::string& name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
#else
    // RTLD_GLOBAL is not needed: the library finds this program's prompt
    // function through the executable's own exports.
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void* LookUpExport(void* library, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

bool BindLinkLibrary(const std::string& ownFolder, const char* fileName, char* errorText,
                     char* versionText, EntryPointTable& table) {
    errorText[0] = '\0';
    // A bare name would not search the executable's folder, so that path is built first.
    void* library = nullptr;
    if (!ownFolder.empty()) library = LoadSharedLibrary(ownFolder + "/" + fileName);
    if (library == nullptr) library = LoadSharedLibrary(fileName);
    if (library == nullptr) {
        std::snprintf(errorText, kBindErrorSize, "->Can't find or load DLL '%s'. Aborting",
                      fileName);
        return false;
    }

    errorText[0] = '\0';
    bool missing = false;
    for (std::size_t n = 0; n < kEntryPointCount; ++n) {
        table[n] = LookUpExport(library, kEntryPointNames[n]);
        if (table[n] == nullptr) {
            missing = true;
            std::snprintf(errorText, kBindErrorSize, "%s", kEntryPointNames[n]);
        }
        if (n == kGetDLLVersion && table[n] != nullptr) {
            reinterpret_cast<decltype(&::GetDLLVersion)>(table[n])(versionText, kVersionTextLimit);
        }
    }
    if (!missing) return true;

    char work[104];
    std::snprintf(work, sizeof work, "\nCan't find:'%s()' in '%s'", errorText, fileName);
    std::strncat(work, "\n-> Wrong DLL used. Aborting", sizeof work - std::strlen(work) - 1);
    std::snprintf(errorText, kBindErrorSize, "%s", work);
    return false;
}

bool LinkLibrary::Bind(const char* fileName, char* errorText, char* versionText) {
    return BindLinkLibrary(ownFolder_, fileName, errorText, versionText, table_);
}

void LinkLibrary::ClearRemoteError() {
    Entry<decltype(&::ClearRemoteError)>(kClearRemoteError)();
}

std::uint16_t LinkLibrary::GetRemoteError() {
    return static_cast<std::uint16_t>(Entry<decltype(&::GetRemoteError)>(kGetRemoteError)());
}

std::uint32_t LinkLibrary::InitRemoteComm(std::uint32_t baudRate, std::uint32_t portIndex) {
    return Entry<decltype(&::InitRemoteComm)>(kInitRemoteComm)(baudRate, portIndex);
}

std::uint32_t LinkLibrary::GetSlaveParameter(std::uint8_t number, std::uint8_t second) {
    return Entry<decltype(&::GetSlaveParameter)>(kGetSlaveParameter)(number, second);
}

void LinkLibrary::SetSlaveParameter(std::uint8_t number, std::uint16_t value1,
                                    std::uint16_t value2) {
    Entry<decltype(&::SetSlaveParameter)>(kSetSlaveParameter)(number, value1, value2);
}

void LinkLibrary::GetItemName(char* text, std::uint16_t handle) {
    Entry<decltype(&::GetItemName)>(kGetItemName)(text, handle);
}

std::uint16_t LinkLibrary::GetItemCount(std::uint16_t handle, std::uint8_t selector) {
    return static_cast<std::uint16_t>(
        Entry<decltype(&::GetItemCount)>(kGetItemCount)(handle, selector));
}

}  // namespace brevalin
