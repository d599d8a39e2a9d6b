#include "instrument/item_store.h"

#include <cstring>
#include <utility>

namespace instrument {
namespace {

template <class T>
std::uint16_t AddTo(std::vector<std::optional<T>>& slots, ItemKind kind, T item) {
    // Numbers are never reused within a session so stale handles stay dead.
    if (slots.size() > kMaxItemNumber) return 0;
    slots.emplace_back(std::move(item));
    return MakeHandle(kind, static_cast<std::uint16_t>(slots.size() - 1));
}

template <class T>
const T* Find(const std::vector<std::optional<T>>& slots, std::uint16_t handle, ItemKind kind) {
    if (KindOf(handle) != kind) return nullptr;
    const std::size_t number = NumberOf(handle);
    if (number >= slots.size() || !slots[number]) return nullptr;
    return &*slots[number];
}

template <class T>
bool Erase(std::vector<std::optional<T>>& slots, std::uint16_t handle) {
    const std::size_t number = NumberOf(handle);
    if (number >= slots.size() || !slots[number]) return false;
    slots[number].reset();
    return true;
}

template <class T>
std::size_t Live(const std::vector<std::optional<T>>& slots, std::uint16_t* out, std::size_t max,
                 ItemKind kind) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i]) continue;
        if (out != nullptr && count < max) {
            out[count] = MakeHandle(kind, static_cast<std::uint16_t>(i));
        }
        ++count;
    }
    return count;
}

std::string_view FixedText(const std::uint8_t* bytes, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(bytes);
    const void* end = std::memchr(text, 0, size);
    return {text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size};
}

std::string_view ProtocolName(const ProtocolItem& protocol) {
    const auto& bytes = protocol.firstForm.empty() ? protocol.secondForm : protocol.firstForm;
    return LeadingName(bytes.data(), bytes.size()).value_or(std::string_view{});
}

}  // namespace

std::optional<std::string_view> LeadingName(const std::uint8_t* bytes, std::size_t length) {
    const std::size_t limit = length < kMaxNameLength + 1 ? length : kMaxNameLength + 1;
    if (bytes == nullptr) return std::nullopt;
    const void* end = std::memchr(bytes, 0, limit);
    if (end == nullptr) return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(bytes),
                            static_cast<const std::uint8_t*>(end) - bytes);
}

void ItemStore::Clear() {
    users_.clear();
    folders_.clear();
    protocols_.clear();
    runs_.clear();
}

std::uint16_t ItemStore::AddUser(const UserItem& user) {
    return AddTo(users_, ItemKind::kUser, user);
}
std::uint16_t ItemStore::AddFolder(const FolderItem& folder) {
    return AddTo(folders_, ItemKind::kFolder, folder);
}
std::uint16_t ItemStore::AddProtocol(ProtocolItem protocol) {
    return AddTo(protocols_, ItemKind::kProtocol, std::move(protocol));
}
std::uint16_t ItemStore::AddRun(RunItem run) {
    return AddTo(runs_, ItemKind::kRun, std::move(run));
}

const UserItem* ItemStore::User(std::uint16_t handle) const {
    return Find(users_, handle, ItemKind::kUser);
}
const FolderItem* ItemStore::Folder(std::uint16_t handle) const {
    return Find(folders_, handle, ItemKind::kFolder);
}
const ProtocolItem* ItemStore::Protocol(std::uint16_t handle) const {
    return Find(protocols_, handle, ItemKind::kProtocol);
}
ProtocolItem* ItemStore::Protocol(std::uint16_t handle) {
    return const_cast<ProtocolItem*>(std::as_const(*this).Protocol(handle));
}
const RunItem* ItemStore::Run(std::uint16_t handle) const {
    return Find(runs_, handle, ItemKind::kRun);
}

bool ItemStore::Exists(std::uint16_t handle) const {
    return Name(handle).has_value();
}

bool ItemStore::Delete(std::uint16_t handle) {
    switch (KindOf(handle)) {
        case ItemKind::kUser:
            return Erase(users_, handle);
        case ItemKind::kFolder:
            return Erase(folders_, handle);
        case ItemKind::kProtocol:
            return Erase(protocols_, handle);
        case ItemKind::kRun:
            return Erase(runs_, handle);
        default:
            return false;
    }
}

std::optional<std::string_view> ItemStore::Name(std::uint16_t handle) const {
    if (const UserItem* user = User(handle)) return FixedText(user->upload.data(), 26);
    if (const FolderItem* folder = Folder(handle)) {
        return FixedText(folder->name.data(), folder->name.size());
    }
    if (const ProtocolItem* protocol = Protocol(handle)) return ProtocolName(*protocol);
    if (const RunItem* run = Run(handle)) return std::string_view(run->name);
    return std::nullopt;
}

std::uint16_t ItemStore::FindByName(ItemKind kind, std::string_view name) const {
    std::uint16_t handles[kMaxItemNumber + 1];
    const std::size_t count = Handles(kind, handles, kMaxItemNumber + 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (Name(handles[i]) == name) return handles[i];
    }
    return 0;
}

std::size_t ItemStore::Count(ItemKind kind) const {
    return Handles(kind, nullptr, 0);
}

std::size_t ItemStore::Handles(ItemKind kind, std::uint16_t* out, std::size_t max) const {
    switch (kind) {
        case ItemKind::kUser:
            return Live(users_, out, max, kind);
        case ItemKind::kFolder:
            return Live(folders_, out, max, kind);
        case ItemKind::kProtocol:
            return Live(protocols_, out, max, kind);
        case ItemKind::kRun:
            return Live(runs_, out, max, kind);
        default:
            return 0;
    }
}

}  // namespace instrument
