#include "report_files.h"

#include <cstring>

#include "files.h"
#include "instrument_chars.h"

namespace brevalin::cli {

const char kTemporaryPrefix[] = ".brevalin-partial.";

namespace {

// Long enough for any instrument name and a suffix, short of the 255 bytes
// Linux and Windows allow in one name.
constexpr std::size_t kMaxSafeName = 200;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of(files::kSeparators);
    if (slash == std::string::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string Reason(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

// Closes the file; a failure there counts when the writing went well.
bool Closed(int fd, bool flush, bool written, int& failure) {
    int closing = 0;
    if (files::Close(fd, flush, closing) || !written) return written;
    failure = closing;
    return false;
}

// Where a symbolic link leads, followed to the end; the path itself when it
// is no link. A dangling link gives the file it would create.
std::string LinkTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        files::Info info;
        int failure = 0;
        if (!files::Inspect(current, false, info, failure) || info.kind != files::Kind::kLink)
            return current;
        const std::string next = files::LinkText(current);
        if (next.empty()) return current;
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
    int failure = 0;
    const int fd = files::OpenForWriting(path, failure);
    if (fd < 0) {
        error = Reason(path, failure);
        return false;
    }
    bool written = files::WriteAll(fd, bytes, failure);
    written = Closed(fd, false, written, failure);
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
    files::Info existing;
    if (!replace && files::Inspect(path, true, existing, failure)) {
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
        fd = files::CreateTemporary(temporary, failure);
        if (fd >= 0)
            SetPendingTemporary(temporary);
        else
            ClearPendingTemporary();
    }
    if (fd < 0) {
        error = Reason(path, failure);
        return false;
    }

    bool written = files::WriteAll(fd, bytes, failure);
    written = Closed(fd, written, written, failure);
    written = written && files::Replace(temporary, path, failure);
    if (!written) files::Remove(temporary.c_str());
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
    files::Info status;
    int failure = 0;
    if (files::Inspect(path, true, status, failure)) {
        if (status.kind == files::Kind::kFolder) {
            error = path + ": is a folder";
            return false;
        }
        if (status.kind != files::Kind::kFile) return WriteToDevice(path, bytes, error);
    }
    const std::string target = LinkTarget(path);
    if (!WriteFileWhole(target, bytes, replace, error, failure)) {
        if (target != path) error = path + " -> " + error;
        return false;
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::size_t limit) {
    std::FILE* file = files::Open(path, "rb");
    if (file == nullptr) return false;
    bytes.clear();
    char buffer[65536];
    bool good = true;
    for (std::size_t got; good && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.append(buffer, got);
        good = limit == 0 || bytes.size() <= limit;
    }
    good = good && !std::ferror(file);
    std::fclose(file);
    return good;
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
