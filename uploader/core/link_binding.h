// Loads QUILLSAN.DLL at run time and resolves the 28 exports this program
// insists on; every later call goes through the entry-point table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace brevalin {

inline constexpr std::size_t kFileNameSize = 128;
inline constexpr std::size_t kBindErrorSize = 256;
inline constexpr std::size_t kVersionTextSize = 128;
inline constexpr std::uint32_t kVersionTextLimit = 30;

// The exports this program insists on, in resolution order; a wrong library
// is reported by the last missing name. X(name) for each: the names, the
// table's indexes (kGetDLLVersion, ...) and the tests' wrong libraries all
// come from this one list.
// clang-format off
#define BREVALIN_ENTRY_POINTS(X) \
    X(GetDLLVersion) \
    X(GetDLLName) \
    X(GetInstrumentStatus) \
    X(GetRemoteError) \
    X(ClearRemoteError) \
    X(GetSlaveParameter) \
    X(SetSlaveParameter) \
    X(GetUser) \
    X(GetUserHandle) \
    X(GetFolderHandle) \
    X(GetProtocolHandle) \
    X(InitRemoteComm) \
    X(InstrumentControl) \
    X(GetItemList) \
    X(GetItemName) \
    X(GetProtocol) \
    X(GetItemType) \
    X(InsertUser) \
    X(InsertFolder) \
    X(InsertProtocol) \
    X(DeleteItem) \
    X(StoreRunProtocol) \
    X(ClearRunProtocol) \
    X(GetHeadStatus) \
    X(GetDLLName2) \
    X(GetPCRVersion) \
    X(GetPCRSerNum) \
    X(GetItemCount)
// clang-format on

#define BREVALIN_ENTRY_INDEX(name) k##name,
enum EntryPoint : std::size_t { BREVALIN_ENTRY_POINTS(BREVALIN_ENTRY_INDEX) kEntryPointCount };
#undef BREVALIN_ENTRY_INDEX
static_assert(kEntryPointCount == 28);

#define BREVALIN_ENTRY_NAME(name) #name,
inline constexpr std::array<const char*, kEntryPointCount> kEntryPointNames = {
    BREVALIN_ENTRY_POINTS(BREVALIN_ENTRY_NAME)};
#undef BREVALIN_ENTRY_NAME

using EntryPointTable = std::array<void*, kEntryPointCount>;

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
