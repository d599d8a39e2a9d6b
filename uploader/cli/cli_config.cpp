// brevalin-cli's settings file (--config), as a nightly service keeps it:
// `key = value` lines, `#` comment lines and blank lines.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli_options.h"
#include "files.h"

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
// One line with its end, as getline reads it; false at the end of the file.
bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    for (int c; (c = std::getc(file)) != EOF;) {
        line += static_cast<char>(c);
        if (c == '\n') break;
    }
    return !line.empty();
}

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
    files::Info info;
    int failure = 0;
    const bool folder =
        files::Inspect(path, true, info, failure) && info.kind == files::Kind::kFolder;
    std::FILE* file = folder ? nullptr : files::Open(path, "rb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(folder ? EISDIR : errno);
        return false;
    }
    int number = 0;
    bool good = true;
    for (std::string line; good && ReadLine(file, line);) {
        ++number;
        std::string why;
        good = ApplyLine(line, options, deferred, why);
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
    std::fclose(file);
    return good;
}

}  // namespace brevalin::cli
