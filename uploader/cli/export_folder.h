// export-all's folder: made when missing, proved writable before anything is
// fetched, held by one export at a time, and cleared of the temporary files a
// killed export left behind.
#pragma once

#include <set>
#include <string>

namespace brevalin::cli {

extern const char kLockName[];

// Errors after which no later file in the folder can succeed either.
bool FolderWideError(int failure);

// Creates the folder and its parents; false with the reason.
bool MakeFolder(const std::string& folder, std::string& error);

// Creates, writes, renames and removes a file there; false with the reason.
bool ProveWritable(const std::string& folder, std::string& error);

// Removes the temporary files of earlier exports. Call while holding the lock.
void RemoveStaleTemporaries(const std::string& folder);

// The folder's entries, folded as a case-blind file system sees them.
std::set<std::string> FoldedEntries(const std::string& folder);

// An exclusive lock on the folder's lock file, released when destroyed.
class FolderLock {
  public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // False with the reason; `busy` when another export holds it.
    bool Take(const std::string& folder, std::string& error, bool& busy);

  private:
    int fd_ = -1;
};

}  // namespace brevalin::cli
