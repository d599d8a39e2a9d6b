// A library named QUILLSAN.DLL that has some of the names brevalin needs and
// not others, made from brevalin's own list of them. Its GetDLLVersion leaves
// a mark, so a test sees the call and the size it was asked with.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "link_binding.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

#ifndef WRONG_NO_VERSION
EXPORT std::uint32_t GetDLLVersion(char* buffer, std::uint32_t size) {
    if (size == 0) return 0;
    const int length = std::snprintf(buffer, size, "WRONG LIBRARY 0.001 for %u", size);
    return length < 0 ? 0 : std::min<std::uint32_t>(static_cast<std::uint32_t>(length), size - 1);
}
#endif

// Every other name of the list does nothing. A name this variant lacks is
// renamed before the list is expanded, so it is not exported under its own.
#define GetDLLVersion GetDLLVersion_written_above
#if defined(WRONG_NO_HEAD_STATUS_OR_COUNT)
#define GetHeadStatus absent_GetHeadStatus
#define GetItemCount absent_GetItemCount
#elif defined(WRONG_NO_COUNT)
#define GetItemCount absent_GetItemCount
#endif
#define WRONG_PLAIN(name)             \
    EXPORT std::uint32_t name(void) { \
        return 0;                     \
    }
BREVALIN_ENTRY_POINTS(WRONG_PLAIN)
