#include "report_files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "instrument_chars.h"

namespace brevalin::cli {

const char kTemporaryPrefix[] = ".brevalin-partial.";

namespace {

// Long enough for any instrument name and a suffix, short of the 255 bytes
// Linux and Windows allow in one name.
constexpr std::size_t kMaxSafeName = 200;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::string Reason(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

// Where a symbolic link leads, followed to the end; the path itself when it
// is no link. A dangling link gives the file it would create.
std::string LinkTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
        char target[PATH_MAX];
        const ssize_t length = readlink(current.c_str(), target, sizeof target - 1);
        if (length <= 0) return current;
        const std::string next(target, static_cast<std::size_t>(length));
        if (next[0] == '/') {
            current = next;
        } else {
            current = FolderOf(current);
            current += '/';
            current += next;
        }
    }
    return current;
}

bool WriteToDevice(const std::string& path, const std::string& bytes, std::string& error) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = Reason(path, errno);
        return false;
    }
    bool written = WriteAll(fd, bytes);
    int failure = errno;
    if (close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (!written) error = Reason(path, failure);
    return written;
}

}  // namespace

std::string ReportBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += SavedReportLine(line.c_str());
    return bytes;
}

bool WriteFileWhole(const std::string& path, const std::string& bytes, bool replace,
                    std::string& error, int& failure) {
    failure = 0;
    struct stat existing {};
    if (!replace && stat(path.c_str(), &existing) == 0) {
        error = path + ": exists (--force replaces it)";
        return false;
    }
    std::string temporary = FolderOf(path) + "/" + kTemporaryPrefix + "XXXXXX";
    int fd = -1;
    {
        SignalsHeld held;  // the handler never sees half a name
        if (!SetPendingTemporary(temporary)) {
            error = path + ": name too long";
            return false;
        }
        fd = mkstemp(temporary.data());
        failure = errno;
        if (fd >= 0)
            SetPendingTemporary(temporary);
        else
            ClearPendingTemporary();
    }
    if (fd < 0) {
        error = Reason(path, failure);
        return false;
    }

    // The same permissions a plain create would give.
    const mode_t mask = umask(0);
    umask(mask);
    bool written = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    failure = errno;
    if (close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        failure = errno;
    }
    if (!written) unlink(temporary.c_str());
    {
        SignalsHeld held;
        ClearPendingTemporary();
    }
    if (written)
        failure = 0;
    else
        error = Reason(path, failure);
    return written;
}

bool WriteReportFile(const std::string& path, const std::vector<std::string>& lines, bool replace,
                     std::string& error) {
    int failure = 0;
    return WriteFileWhole(path, ReportBytes(lines), replace, error, failure);
}

bool WriteReportOutput(const std::string& path, const std::string& bytes, bool replace,
                       std::string& error) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            error = path + ": is a folder";
            return false;
        }
        if (!S_ISREG(status.st_mode)) return WriteToDevice(path, bytes, error);
    }
    int failure = 0;
    const std::string target = LinkTarget(path);
    if (!WriteFileWhole(target, bytes, replace, error, failure)) {
        if (target != path) error = path + " -> " + error;
        return false;
    }
    return true;
}

std::string SafeFileName(const std::string& runName) {
    std::string safe;
    for (const char c : runName) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || std::strchr(" .,_-+()#", c) != nullptr;
        safe += plain && byte != 0 ? c : '_';
    }
    if (safe.size() > kMaxSafeName) safe.resize(kMaxSafeName);
    // No hidden files, no "." or "..", and nothing Windows would trim away.
    const std::size_t first = safe.find_first_not_of(". ");
    const std::size_t last = safe.find_last_not_of(". ");
    return first == std::string::npos ? std::string() : safe.substr(first, last - first + 1);
}

}  // namespace brevalin::cli
