// Seam for the library's only question to the user, the USB reconnect prompt.
#pragma once

namespace quillsan::platform {

// Modal yes/no question without owner window; true only for Yes.
bool AskYesNo(const char* text, const char* caption);

}  // namespace quillsan::platform
