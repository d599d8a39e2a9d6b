#include "export_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_names.h"
#include "report_files.h"

namespace brevalin::cli {

const char kLockName[] = ".brevalin-lock";

namespace {

std::string Reason(const std::string& path, int failure) {
    return path + ": " + std::strerror(failure);
}

}  // namespace

bool FolderWideError(int failure) {
    return failure == ENOSPC || failure == EDQUOT || failure == EROFS || failure == EACCES ||
           failure == EPERM;
}

bool MakeFolder(const std::string& folder, std::string& error) {
    struct stat status {};
    if (stat(folder.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) return true;
        error = folder + ": not a folder";
        return false;
    }
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = Reason(part, errno);
            return false;
        }
        if (stat(part.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            error = part + ": not a folder";
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

bool ProveWritable(const std::string& folder, std::string& error) {
    // Written under a temporary name and renamed, as every report is; a
    // block's worth, so that a full file system shows now rather than at the
    // first report.
    const std::string probe = folder + "/" + kTemporaryPrefix + "probe";
    int failure = 0;
    if (!WriteFileWhole(probe, std::string(4096, '\n'), true, error, failure)) {
        error = folder + ": cannot write there (" + std::strerror(failure) + ")";
        return false;
    }
    unlink(probe.c_str());
    return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::size_t prefix = std::strlen(kTemporaryPrefix);
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, kTemporaryPrefix, prefix) == 0)
            unlink((folder + "/" + entry->d_name).c_str());
    }
    closedir(dir);
}

std::set<std::string> FoldedEntries(const std::string& folder) {
    std::set<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) names.insert(Folded(entry->d_name));
    closedir(dir);
    return names;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) close(fd_);
}

bool FolderLock::Take(const std::string& folder, std::string& error, bool& busy) {
    busy = false;
    const std::string path = folder + "/" + kLockName;
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) {
        error = Reason(path, errno);
        return false;
    }
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    busy = errno == EWOULDBLOCK;
    error = busy ? folder + ": another export is writing into this folder" : Reason(path, errno);
    close(fd_);
    fd_ = -1;
    return false;
}

}  // namespace brevalin::cli
