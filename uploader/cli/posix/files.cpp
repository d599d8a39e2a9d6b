#include "files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace brevalin::cli::files {

const char kSeparators[] = "/";

bool Inspect(const std::string& path, bool followLinks, Info& info, int& failure) {
    struct stat status {};
    if ((followLinks ? stat(path.c_str(), &status) : lstat(path.c_str(), &status)) != 0) {
        failure = errno;
        info = Info{};
        return false;
    }
    info.kind = S_ISREG(status.st_mode)   ? Kind::kFile
                : S_ISDIR(status.st_mode) ? Kind::kFolder
                : S_ISLNK(status.st_mode) ? Kind::kLink
                                          : Kind::kOther;
    info.modified = status.st_mtime;
    return true;
}

bool MakeOneFolder(const std::string& path, int& failure) {
    if (mkdir(path.c_str(), 0777) == 0) return true;
    failure = errno;
    return false;
}

void Remove(const char* path) {
    unlink(path);
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
    return names;
}

std::string Resolved(const std::string& path, int& failure) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        failure = errno;
        return {};
    }
    std::string whole(resolved);
    std::free(resolved);
    return whole;
}

std::string LinkText(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    return length <= 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

std::FILE* Open(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int CreateTemporary(std::string& pattern, int& failure) {
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        failure = errno;
        return -1;
    }
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0) {
        failure = errno;
        close(fd);
        unlink(pattern.c_str());
        return -1;
    }
    return fd;
}

int OpenForWriting(const std::string& path, int& failure) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) failure = errno;
    return fd;
}

bool WriteAll(int fd, const std::string& bytes, int& failure) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            failure = wrote == 0 ? ENOSPC : errno;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool Close(int fd, bool flush, int& failure) {
    bool good = !flush || fsync(fd) == 0;
    if (!good) failure = errno;
    if (close(fd) != 0 && good) {
        good = false;
        failure = errno;
    }
    return good;
}

bool Replace(const std::string& temporary, const std::string& final, int& failure) {
    if (rename(temporary.c_str(), final.c_str()) == 0) return true;
    failure = errno;
    return false;
}

int Lock(const std::string& path, bool& busy, int& failure) {
    busy = false;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        failure = errno;
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    failure = errno;
    busy = failure == EWOULDBLOCK;
    close(fd);
    return -1;
}

void Unlock(int fd) {
    close(fd);
}

std::tm UtcParts(std::time_t when) {
    std::tm parts{};
    gmtime_r(&when, &parts);
    return parts;
}

}  // namespace brevalin::cli::files
