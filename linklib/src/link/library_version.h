// The library's version, as GetDLLVersion reports it and the log's
// "OpenCommPort called" entry names it.
#pragma once

namespace quillsan {

inline constexpr const char* kLibraryVersion = "1.009";

}  // namespace quillsan
