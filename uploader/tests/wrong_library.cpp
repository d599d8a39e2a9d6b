// A library named QUILLSAN.DLL that has some of the names brevalin needs and
// not others, made from brevalin's own list of them. Its GetDLLVersion leaves
// a mark, so a test sees the call.
#include <cstdint>
#include <cstring>

#include "link_binding.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

#ifndef WRONG_NO_VERSION
EXPORT std::uint32_t GetDLLVersion(char* buffer, std::uint32_t size) {
    static const char text[] = "WRONG LIBRARY 0.001";
    if (size == 0) return 0;
    std::strncpy(buffer, text, size);
    buffer[size - 1] = '\0';
    return sizeof text - 1 < size ? sizeof text - 1 : size;
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
#define WRONG_PLAIN(name) \
    EXPORT std::uint32_t name(void) { return 0; }
BREVALIN_ENTRY_POINTS(WRONG_PLAIN)
