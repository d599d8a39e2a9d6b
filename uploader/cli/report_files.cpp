#include "report_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "instrument_chars.h"

namespace brevalin::cli {
namespace {

// The temporary file being written, for the signal handler; empty when none.
char pendingPath[4096];

void RemovePendingAndRaise(int signal) {
    if (pendingPath[0] != '\0') unlink(pendingPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::string Reason(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

}  // namespace

void InstallInterruptCleanup() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemovePendingAndRaise);
}

bool WriteReportFile(const std::string& path, const std::vector<std::string>& lines, bool replace,
                     std::string& error) {
    struct stat existing {};
    if (!replace && stat(path.c_str(), &existing) == 0) {
        error = path + ": exists (--force replaces it)";
        return false;
    }
    std::string temporary = FolderOf(path) + "/." + BaseNameOf(path) + ".XXXXXX";
    if (temporary.size() >= sizeof pendingPath) {
        error = path + ": name too long";
        return false;
    }
    // Blocked while the name is handed to the handler, so it never sees half a name.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&blocked, signal);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    const int fd = mkstemp(temporary.data());
    if (fd >= 0) std::memcpy(pendingPath, temporary.c_str(), temporary.size() + 1);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        error = Reason(path, errno);
        return false;
    }

    // The same permissions a plain create would give.
    const mode_t mask = umask(0);
    umask(mask);
    std::string bytes;
    for (const std::string& line : lines) bytes += SavedReportLine(line.c_str());
    bool written = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    int failure = errno;
    if (close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (written && rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        failure = errno;
    }
    if (!written) unlink(temporary.c_str());
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    pendingPath[0] = '\0';
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (!written) error = Reason(path, failure);
    return written;
}

std::string SafeFileName(const std::string& runName) {
    std::string safe;
    for (const char c : runName) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || std::strchr(" .,_-+()#", c) != nullptr;
        safe += plain && byte != 0 ? c : '_';
    }
    // No hidden files, no "." or "..", and nothing Windows would trim away.
    const std::size_t first = safe.find_first_not_of(". ");
    const std::size_t last = safe.find_last_not_of(". ");
    safe = first == std::string::npos ? std::string() : safe.substr(first, last - first + 1);
    return safe.empty() ? "run" : safe;
}

}  // namespace brevalin::cli
