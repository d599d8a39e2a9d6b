#include "link_binding.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "quillsan.h"
#include "quillsan_loader.h"

namespace brevalin {

bool BindLinkLibrary(const std::string& ownFolder, const char* fileName, char* errorText,
                     char* versionText, EntryPointTable& table) {
    errorText[0] = '\0';
    // A bare name would not search the executable's folder, so that path is built first.
    // Nothing loaded is ever unloaded.
    void* library = nullptr;
    if (!ownFolder.empty()) library = quillsan::loader::Load((ownFolder + "/" + fileName).c_str());
    if (library == nullptr) library = quillsan::loader::Load(fileName);
    if (library == nullptr) {
        std::snprintf(errorText, kBindErrorSize, "->Can't find or load DLL '%s'. Aborting",
                      fileName);
        return false;
    }

    errorText[0] = '\0';
    bool missing = false;
    for (std::size_t n = 0; n < kEntryPointCount; ++n) {
        table[n] = quillsan::loader::Find(library, kEntryPointNames[n]);
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
