#include "export_folder.h"

#include <cerrno>
#include <cstring>

#include "file_names.h"
#include "files.h"
#include "report_files.h"

namespace brevalin::cli {

const char kLockName[] = ".brevalin-lock";

namespace {

std::string Reason(const std::string& path, int failure) {
    return path + ": " + std::strerror(failure);
}

}  // namespace

bool FolderWideError(int failure) {
#ifdef EDQUOT  // not known on Windows
    if (failure == EDQUOT) return true;
#endif
    return failure == ENOSPC || failure == EROFS || failure == EACCES || failure == EPERM;
}

bool MakeFolder(const std::string& folder, std::string& error) {
    files::Info status;
    int failure = 0;
    if (files::Inspect(folder, true, status, failure)) {
        if (status.kind == files::Kind::kFolder) return true;
        error = folder + ": not a folder";
        return false;
    }
    for (std::size_t slash = folder.find_first_of(files::kSeparators, 1);;
         slash = folder.find_first_of(files::kSeparators, slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!files::MakeOneFolder(part, failure) && failure != EEXIST) {
            error = Reason(part, failure);
            return false;
        }
        if (!files::Inspect(part, true, status, failure) || status.kind != files::Kind::kFolder) {
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
    files::Remove(probe.c_str());
    return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
    const std::size_t prefix = std::strlen(kTemporaryPrefix);
    for (const std::string& name : files::Names(folder)) {
        if (name.compare(0, prefix, kTemporaryPrefix) == 0)
            files::Remove((folder + "/" + name).c_str());
    }
}

std::set<std::string> FoldedEntries(const std::string& folder) {
    std::set<std::string> names;
    for (const std::string& name : files::Names(folder)) names.insert(Folded(name));
    return names;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) files::Unlock(fd_);
}

bool FolderLock::Take(const std::string& folder, std::string& error, bool& busy) {
    const std::string path = folder + "/" + kLockName;
    int failure = 0;
    fd_ = files::Lock(path, busy, failure);
    if (fd_ >= 0) return true;
    error = busy ? folder + ": another export is writing into this folder" : Reason(path, failure);
    return false;
}

}  // namespace brevalin::cli
