// Loads QUILLSAN.DLL at run time and resolves the 28 exports this program
// insists on; every later call goes through the entry-point table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace brevalin {

inline constexpr std::size_t kEntryPointCount = 28;
inline constexpr std::size_t kFileNameSize = 128;
inline constexpr std::size_t kBindErrorSize = 256;
inline constexpr std::size_t kVersionTextSize = 128;
inline constexpr std::uint32_t kVersionTextLimit = 30;

// Resolution order; a wrong library is reported by the last missing name.
inline constexpr std::array<const char*, kEntryPointCount> kEntryPointNames = {
    "GetDLLVersion",     "GetDLLName",        "GetInstrumentStatus", "GetRemoteError",
    "ClearRemoteError",  "GetSlaveParameter", "SetSlaveParameter",   "GetUser",
    "GetUserHandle",     "GetFolderHandle",   "GetProtocolHandle",   "InitRemoteComm",
    "InstrumentControl", "GetItemList",       "GetItemName",         "GetProtocol",
    "GetItemType",       "InsertUser",        "InsertFolder",        "InsertProtocol",
    "DeleteItem",        "StoreRunProtocol",  "ClearRunProtocol",    "GetHeadStatus",
    "GetDLLName2",       "GetPCRVersion",     "GetPCRSerNum",        "GetItemCount"};

enum EntryPoint : std::size_t {
    kGetDLLVersion = 0,
    kGetRemoteError = 3,
    kClearRemoteError = 4,
    kGetSlaveParameter = 5,
    kSetSlaveParameter = 6,
    kInitRemoteComm = 11,
    kGetItemName = 14,
    kGetItemCount = 27,
};

using EntryPointTable = std::array<void*, kEntryPointCount>;

// Platform loader: an absolute path or a bare name; null when it cannot load.
// Nothing loaded is ever unloaded.
void* LoadSharedLibrary(const std::string& name);
void* LookUpExport(void* library, const char* name);

// Loads `fileName` from `ownFolder` first, then by the system's search, and
// resolves the table. On failure `errorText` (kBindErrorSize bytes) holds the
// message; a failed load leaves the table as it was.
bool BindLinkLibrary(const std::string& ownFolder, const char* fileName, char* errorText,
                     char* versionText, EntryPointTable& table);

// The bound library, called through its table with the argument widths the
// exports use.
class LinkLibrary {
  public:
    explicit LinkLibrary(std::string ownFolder) : ownFolder_(std::move(ownFolder)) {}
    virtual ~LinkLibrary() = default;

    // Tests override this to wrap entries of the freshly bound table.
    virtual bool Bind(const char* fileName, char* errorText, char* versionText);

    void ClearRemoteError();
    std::uint16_t GetRemoteError();
    std::uint32_t InitRemoteComm(std::uint32_t baudRate, std::uint32_t portIndex);
    std::uint32_t GetSlaveParameter(std::uint8_t number, std::uint8_t second);
    void SetSlaveParameter(std::uint8_t number, std::uint16_t value1, std::uint16_t value2);
    void GetItemName(char* text, std::uint16_t handle);
    std::uint16_t GetItemCount(std::uint16_t handle, std::uint8_t selector);

    EntryPointTable& table() { return table_; }

  private:
    template <typename Function>
    Function Entry(EntryPoint which) const {
        return reinterpret_cast<Function>(table_[which]);
    }

    std::string ownFolder_;
    EntryPointTable table_{};
};

}  // namespace brevalin
