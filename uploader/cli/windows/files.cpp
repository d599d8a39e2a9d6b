#include "files.h"

#include <fcntl.h>
#include <io.h>

#include <random>

#include "wide_path.h"

namespace brevalin::cli::files {

using windows::ErrnoOf;
using windows::Wide;

const char kSeparators[] = "/\\";

namespace {

std::time_t UnixTime(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    // 100 ns ticks since 1601.
    return static_cast<std::time_t>(ticks.QuadPart / 10000000ull - 11644473600ull);
}

// A handle the C runtime writes through; the handle is closed on failure.
int Descriptor(HANDLE handle, int& failure) {
    if (handle == INVALID_HANDLE_VALUE) {
        failure = ErrnoOf(GetLastError());
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) {
        failure = EMFILE;
        CloseHandle(handle);
    }
    return fd;
}

}  // namespace

bool Inspect(const std::string& path, bool followLinks, Info& info, int& failure) {
    info = Info{};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
        failure = ErrnoOf(GetLastError());
        return false;
    }
    const DWORD attributes = data.dwFileAttributes;
    info.kind = !followLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? Kind::kLink
                : (attributes & FILE_ATTRIBUTE_DIRECTORY)                   ? Kind::kFolder
                : (attributes & FILE_ATTRIBUTE_DEVICE)                      ? Kind::kOther
                                                                            : Kind::kFile;
    info.modified = UnixTime(data.ftLastWriteTime);
    return true;
}

bool MakeOneFolder(const std::string& path, int& failure) {
    if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return true;
    const DWORD error = GetLastError();
    // A drive ("C:") cannot be created but is there all the same.
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    failure = attributes != INVALID_FILE_ATTRIBUTES ? EEXIST : ErrnoOf(error);
    return false;
}

void Remove(const char* path) {
    DeleteFileW(Wide(path).c_str());
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(Wide(folder + "/*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(windows::Utf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string Resolved(const std::string& path, int& failure) {
    const std::wstring wide = Wide(path);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
        failure = ErrnoOf(GetLastError());
        return {};
    }
    wchar_t full[32768];
    const DWORD length = GetFullPathNameW(wide.c_str(), 32768, full, nullptr);
    if (length == 0 || length >= 32768) {
        failure = ErrnoOf(GetLastError());
        return {};
    }
    return windows::Utf8(full);
}

std::string LinkText(const std::string&) {
    // Replacing a link on Windows replaces the link itself, as a plain file.
    return {};
}

std::FILE* Open(const std::string& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(Wide(path).c_str(), wideMode.c_str());
}

int CreateTemporary(std::string& pattern, int& failure) {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::mt19937 random(entropy() ^ GetCurrentProcessId() ^ GetTickCount());
    const std::size_t tail = pattern.size() - 6;
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = tail; i < pattern.size(); ++i) pattern[i] = kDigits[random() % 36];
        // Shared for deletion, so that Ctrl-C can remove it while it is being written.
        const HANDLE handle = CreateFileW(Wide(pattern).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) continue;
        return Descriptor(handle, failure);
    }
    failure = EEXIST;
    return -1;
}

int OpenForWriting(const std::string& path, int& failure) {
    return Descriptor(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                      failure);
}

bool WriteAll(int fd, const std::string& bytes, int& failure) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        const int wrote = _write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
        if (wrote <= 0) {
            failure = wrote == 0 ? ENOSPC : errno;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool Close(int fd, bool flush, int& failure) {
    bool good = !flush || _commit(fd) == 0;  // FlushFileBuffers
    if (!good) failure = errno;
    if (_close(fd) != 0 && good) {
        good = false;
        failure = errno;
    }
    return good;
}

bool Replace(const std::string& temporary, const std::string& final, int& failure) {
    // The wide form of MoveFileExA: the names are UTF-8, not the code page's.
    if (MoveFileExW(Wide(temporary).c_str(), Wide(final).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    failure = ErrnoOf(GetLastError());
    return false;
}

int Lock(const std::string& path, bool& busy, int& failure) {
    busy = false;
    const HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failure = ErrnoOf(GetLastError());
        return -1;
    }
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        const DWORD error = GetLastError();
        busy = error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
        failure = busy ? EWOULDBLOCK : ErrnoOf(error);
        CloseHandle(handle);
        return -1;
    }
    return Descriptor(handle, failure);  // closing it ends the lock
}

void Unlock(int fd) {
    _close(fd);
}

std::tm UtcParts(std::time_t when) {
    std::tm parts{};
    gmtime_s(&parts, &when);
    return parts;
}

}  // namespace brevalin::cli::files
