// brevalin-cli's settings file (--config), as a nightly service keeps it:
// `key = value` lines, `#` comment lines and blank lines.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli_options.h"

namespace brevalin::cli {
namespace {

using Setter = bool (*)(const std::string& value, Options& options, DeferredSettings& deferred,
                        std::string& error);

bool Keep(std::string& into, const std::string& value) {
    into = value;
    return true;
}

struct Key {
    const char* name;
    Setter set;
};

const Key kKeys[] = {
    {"library", [](const std::string& v, Options& o, DeferredSettings&,
                   std::string&) { return Keep(o.library, v); }},
    {"link", [](const std::string& v, Options& o, DeferredSettings&,
                std::string& e) { return ParseLink(v, o.link, e); }},
    {"folder", [](const std::string& v, Options&, DeferredSettings& d,
                  std::string&) { return Keep(d.folder, v); }},
    {"type",
     [](const std::string& v, Options&, DeferredSettings& d, std::string& e) {
         ReportTypes checked;
         d.type = v;
         return ParseReportTypes(v, true, checked, e);
     }},
    {"reconnect-timeout",
     [](const std::string& v, Options& o, DeferredSettings&, std::string& e) {
         return ParseReconnectTimeout(v, o.reconnectTimeoutSeconds, e);
     }},
    {"reconnect",
     [](const std::string& v, Options& o, DeferredSettings&, std::string& e) {
         o.reconnect = v == "yes";
         if (v != "yes" && v != "no") e = "reconnect '" + v + "' is neither yes nor no";
         return e.empty();
     }},
};

std::string Trim(const std::string& text) {
    const char* const kSpace = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) + 1 - first);
}

// One line of the file: a setting, a comment or a blank line; false with the reason.
bool ApplyLine(const std::string& line, Options& options, DeferredSettings& deferred,
               std::string& error) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#') return true;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "expected key = value";
        return false;
    }
    const std::string key = Trim(text.substr(0, equals));
    const std::string value = Trim(text.substr(equals + 1));
    for (const Key& known : kKeys) {
        if (key != known.name) continue;
        if (value.empty()) {
            error = key + " needs a value";
            return false;
        }
        return known.set(value, options, deferred, error);
    }
    std::string keys;
    for (const Key& known : kKeys) keys += (keys.empty() ? "" : ", ") + std::string(known.name);
    error = "unknown key '" + key + "' (" + keys + ")";
    return false;
}

}  // namespace

bool ReadSettingsFile(const std::string& path, Options& options, DeferredSettings& deferred,
                      std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    struct stat info {};
    if (file != nullptr && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) errno = EISDIR;
    if (file == nullptr || S_ISDIR(info.st_mode)) {
        error = path + ": " + std::strerror(errno);
        if (file != nullptr) std::fclose(file);
        return false;
    }
    char* buffer = nullptr;
    std::size_t capacity = 0;
    int number = 0;
    bool good = true;
    for (ssize_t length; good && (length = getline(&buffer, &capacity, file)) >= 0;) {
        ++number;
        std::string why;
        good = ApplyLine(std::string(buffer, static_cast<std::size_t>(length)), options, deferred,
                         why);
        if (!good) {
            error = path;
            error += ':';
            error += std::to_string(number);
            error += ": ";
            error += why;
        }
    }
    if (good && std::ferror(file)) {
        error = path + ": " + std::strerror(errno);
        good = false;
    }
    std::free(buffer);
    std::fclose(file);
    return good;
}

}  // namespace brevalin::cli
