// The instrument's store of users, folders, protocols and runs, addressed by
// 16-bit item handles (kind in the upper four bits, number in the lower twelve).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace instrument {

enum class ItemKind : std::uint8_t {
    kNone = 0,
    kUser = 1,
    kFolder = 2,
    kProtocol = 3,
    kCollection = 4,
    kReportLine = 6,
    kRun = 7,
};

inline constexpr std::uint16_t kMaxItemNumber = 0x0FFF;
inline constexpr std::uint16_t kUserCollection = 0x4001;
inline constexpr std::uint16_t kFolderCollection = 0x4002;
inline constexpr std::uint16_t kProtocolCollection = 0x4003;
inline constexpr std::uint16_t kRunCollection = 0x4006;
inline constexpr std::uint16_t kReportLineCollection = 0x4007;

constexpr std::uint16_t MakeHandle(ItemKind kind, std::uint16_t number) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(kind) << 12) | (number & 0x0FFF));
}
constexpr ItemKind KindOf(std::uint16_t handle) {
    return static_cast<ItemKind>(handle >> 12);
}
constexpr std::uint16_t NumberOf(std::uint16_t handle) {
    return handle & 0x0FFF;
}

// Byte sizes of the records that travel through the transfer buffer.
inline constexpr std::size_t kUserUploadSize = 56;
inline constexpr std::size_t kUserReplySize = 43;
inline constexpr std::size_t kFolderNameSize = 25;
inline constexpr std::size_t kMaxNameLength = 25;

struct UserItem {
    std::array<std::uint8_t, kUserUploadSize> upload{};  // as the host uploads it
    std::uint16_t value = 0;                             // argument of the insert command
};

struct FolderItem {
    std::array<std::uint8_t, kFolderNameSize> name{};
    std::uint16_t value1 = 0;
    std::uint16_t value2 = 0;
};

// Protocols are kept as the encodings the host sent; either form may be absent.
struct ProtocolItem {
    std::vector<std::uint8_t> firstForm;
    std::vector<std::uint8_t> secondForm;
    std::uint16_t value1 = 0;
    std::uint16_t value2 = 0;
};

enum class RunOutcome : std::uint8_t { kPassed, kDeviation, kAborted, kLongHold };

struct RunItem {
    std::string name;
    std::uint8_t program = 0;  // index into SamplePrograms()
    std::string user;
    RunOutcome outcome = RunOutcome::kPassed;
    std::uint16_t logLines = 0;  // stability log length for a long hold run
    // Nonzero: every report of this run has exactly this many numbered lines,
    // so host tests can count what arrives.
    std::uint16_t reportLines = 0;
};

class ItemStore {
  public:
    void Clear();
    // Forgets every run, so that runs added next are numbered from 0 again.
    void ClearRuns() { runs_.clear(); }

    // Each returns the new item's handle, or 0 when its kind has no free number.
    std::uint16_t AddUser(const UserItem& user);
    std::uint16_t AddFolder(const FolderItem& folder);
    std::uint16_t AddProtocol(ProtocolItem protocol);
    std::uint16_t AddRun(RunItem run);

    const UserItem* User(std::uint16_t handle) const;
    const FolderItem* Folder(std::uint16_t handle) const;
    ProtocolItem* Protocol(std::uint16_t handle);
    const ProtocolItem* Protocol(std::uint16_t handle) const;
    const RunItem* Run(std::uint16_t handle) const;

    bool Exists(std::uint16_t handle) const;
    bool Delete(std::uint16_t handle);
    // Name of a user, folder, protocol or run; nullopt when there is no such item.
    std::optional<std::string_view> Name(std::uint16_t handle) const;
    // Handle of the live item of that kind with exactly this name, or 0.
    std::uint16_t FindByName(ItemKind kind, std::string_view name) const;
    std::size_t Count(ItemKind kind) const;
    // Writes up to `max` handles of live items of that kind; returns the number
    // of live items, which may exceed `max`.
    std::size_t Handles(ItemKind kind, std::uint16_t* out, std::size_t max) const;

  private:
    std::vector<std::optional<UserItem>> users_;
    std::vector<std::optional<FolderItem>> folders_;
    std::vector<std::optional<ProtocolItem>> protocols_;
    std::vector<std::optional<RunItem>> runs_;
};

// Leading zero-terminated text of at most kMaxNameLength characters; nullopt
// when no terminator follows within that many bytes (or within `length`).
std::optional<std::string_view> LeadingName(const std::uint8_t* bytes, std::size_t length);

}  // namespace instrument
