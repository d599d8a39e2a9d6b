// The file system as brevalin-cli uses it, each platform on its own API
// (posix/files.cpp, windows/files.cpp). Paths are UTF-8 bytes; failures are
// errno values, so that messages and the folder-wide errors read the same.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace brevalin::cli::files {

// The characters that end a folder's name in a path.
extern const char kSeparators[];

enum class Kind { kNone, kFile, kFolder, kLink, kOther };

struct Info {
    Kind kind = Kind::kNone;
    std::time_t modified = 0;
};

// What is at `path`; a link is followed only when `followLinks`. False with
// `failure` when nothing can be seen there.
bool Inspect(const std::string& path, bool followLinks, Info& info, int& failure);

// Creates one folder; one already there fails with EEXIST.
bool MakeOneFolder(const std::string& path, int& failure);

// Removes a file. Safe in a signal handler.
void Remove(const char* path);

// The names in a folder; none when it cannot be read.
std::vector<std::string> Names(const std::string& folder);

// The absolute path with every link followed; empty with `failure`.
std::string Resolved(const std::string& path, int& failure);

// What a symbolic link holds; empty when `path` is no link.
std::string LinkText(const std::string& path);

std::FILE* Open(const std::string& path, const char* mode);

// A new file for writing, named `pattern` with its trailing XXXXXX made
// unique, with the permissions a plain create gives; -1 with `failure`.
int CreateTemporary(std::string& pattern, int& failure);

// An existing file or device, opened for writing as it is; -1 with `failure`.
int OpenForWriting(const std::string& path, int& failure);

bool WriteAll(int fd, const std::string& bytes, int& failure);

// Closes the file, its bytes on the disk first when `flush`.
bool Close(int fd, bool flush, int& failure);

// Puts `temporary` in the place of `final` in one step, replacing a file there.
bool Replace(const std::string& temporary, const std::string& final, int& failure);

// An exclusive lock on the file at `path`, created when missing: its
// descriptor, or -1 with `failure` (`busy` when another program holds it).
int Lock(const std::string& path, bool& busy, int& failure);
void Unlock(int fd);

std::tm UtcParts(std::time_t when);

}  // namespace brevalin::cli::files
