#include "cli_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

#include "instrument_chars.h"
#include "quillsan.h"
#include "report_files.h"

namespace brevalin::cli {
namespace {

constexpr std::uint32_t kHidFieldLength = 128;

std::string Utf8(const std::string& instrumentText) {
    return Windows1252ToUtf8(instrumentText);
}

std::string Json(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string LinkName(const LinkChoice& link) {
    if (link.usb) return "usb";
    return "COM" + std::to_string(link.comNumber) + ":" + std::to_string(link.baudRate);
}

std::string VersionText(std::uint32_t version) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%.3u", version / 1000, version % 1000);
    return text;
}

std::string SerialNumber(const CliSession& session) {
    const auto serialNumber =
        reinterpret_cast<decltype(&::GetPCRSerNum)>(session.OptionalExport("GetPCRSerNum"));
    char text[33] = {};
    if (serialNumber == nullptr || serialNumber(text, 32) == 0) return {};
    text[32] = '\0';
    return text;
}

struct HidStrings {
    bool found = false;
    char fields[6][kHidFieldLength + 1] = {};
};

HidStrings ReadHidStrings(const CliSession& session) {
    HidStrings strings;
    const auto findHid =
        reinterpret_cast<decltype(&::FindHID)>(session.OptionalExport("FindHID"));
    if (findHid == nullptr) return strings;
    HidInfo info{strings.fields[0], strings.fields[1], strings.fields[2],
                 strings.fields[3], strings.fields[4], strings.fields[5]};
    strings.found = findHid(&info, kHidFieldLength) != 0;
    for (auto& field : strings.fields) field[kHidFieldLength] = '\0';
    return strings;
}

constexpr const char* kHidNames[6] = {"language",      "manufacturer", "product",
                                      "serialNumber", "configuration", "interfaceName"};

// The run a user means: an index as `list` shows it, or a run's name.
bool FindRun(const std::vector<std::string>& names, const std::string& wanted,
             std::uint16_t& runIndex) {
    const auto count = static_cast<std::uint16_t>(names.size());
    if (count == 0) return false;
    if (wanted.empty()) {
        runIndex = static_cast<std::uint16_t>(count - 1);
        return true;
    }
    bool digits = wanted.size() <= 5;
    for (const char c : wanted) digits = digits && std::isdigit(static_cast<unsigned char>(c));
    if (digits) {
        const unsigned long index = std::strtoul(wanted.c_str(), nullptr, 10);
        if (index >= count) return false;
        runIndex = static_cast<std::uint16_t>(index);
        return true;
    }
    for (std::size_t p = 0; p < names.size(); ++p) {
        if (names[p] == wanted || Utf8(names[p]) == wanted) {
            runIndex = static_cast<std::uint16_t>(count - 1 - p);
            return true;
        }
    }
    // A run's name leads its list entry ("RUN 0012  2026-11-30 ..."): the leading
    // words alone name it when no other run starts with them.
    std::size_t matches = 0;
    for (std::size_t p = 0; p < names.size(); ++p) {
        const std::string name = Utf8(names[p]);
        if (name.size() > wanted.size() && name.compare(0, wanted.size(), wanted) == 0 &&
            name[wanted.size()] == ' ') {
            runIndex = static_cast<std::uint16_t>(count - 1 - p);
            ++matches;
        }
    }
    return matches == 1;
}

int LinkLost(const Streams& streams) {
    std::fprintf(streams.err,
                 "brevalin-cli: the link to the instrument was lost and not regained\n");
    return kExitLinkLost;
}

}  // namespace

ProgressFunction ProgressBar(const Options& options, std::FILE* err) {
    if (options.quiet || !isatty(fileno(err))) return {};
    return [err](std::uint16_t fetched, std::uint16_t count) {
        if (fetched % 10 != 0 && fetched != count) return;
        constexpr int kWidth = 40;
        const int filled = count == 0 ? kWidth : fetched * kWidth / count;
        std::fprintf(err, "\r[%.*s%*s] %u/%u lines", filled,
                     "########################################", kWidth - filled, "", fetched,
                     count);
        if (fetched == count) std::fputs("\r\033[K", err);
        std::fflush(err);
    };
}

int Info(CliSession& session, const Options& options, const Streams& streams) {
    const std::string serial = SerialNumber(session);
    HidStrings hid;
    if (options.link.usb) hid = ReadHidStrings(session);
    const std::string firmware = VersionText(session.firmwareVersion());
    if (options.json) {
        std::string doc = "{\"link\": " + Json(LinkName(options.link)) +
                          ", \"firmwareVersion\": " + Json(firmware) +
                          ", \"serialNumber\": " + Json(Utf8(serial)) +
                          ", \"libraryVersion\": " + Json(Utf8(session.libraryVersion()));
        if (hid.found) {
            doc += ", \"hid\": {";
            for (int n = 0; n < 6; ++n) {
                doc += std::string(n ? ", " : "") + Json(kHidNames[n]) + ": " +
                       Json(Utf8(hid.fields[n]));
            }
            doc += "}";
        }
        std::fprintf(streams.out, "%s}\n", doc.c_str());
        return kExitOk;
    }
    std::fprintf(streams.out, "link: %s\nfirmware version: %s\nserial number: %s\n"
                 "library version: %s\n",
                 LinkName(options.link).c_str(), firmware.c_str(), Utf8(serial).c_str(),
                 Utf8(session.libraryVersion()).c_str());
    if (hid.found) {
        for (int n = 0; n < 6; ++n) {
            std::fprintf(streams.out, "hid %s: %s\n", kHidNames[n], Utf8(hid.fields[n]).c_str());
        }
    }
    return kExitOk;
}

int List(CliSession& session, const Options& options, const Streams& streams) {
    std::vector<std::string> names;
    if (!session.RunNames(names)) return LinkLost(streams);
    const std::size_t count = names.size();
    if (options.json) {
        std::string doc = "{\"runs\": [";
        for (std::size_t p = 0; p < count; ++p) {
            doc += std::string(p ? ", " : "") + "{\"index\": " + std::to_string(count - 1 - p) +
                   ", \"name\": " + Json(Utf8(names[p])) + "}";
        }
        std::fprintf(streams.out, "%s]}\n", doc.c_str());
        return kExitOk;
    }
    for (std::size_t p = 0; p < count; ++p) {
        std::fprintf(streams.out, "%5zu  %s\n", count - 1 - p, Utf8(names[p]).c_str());
    }
    return kExitOk;
}

int Fetch(CliSession& session, const Options& options, const Streams& streams) {
    std::vector<std::string> names;
    if (!session.RunNames(names)) return LinkLost(streams);
    std::uint16_t runIndex = 0;
    if (!FindRun(names, options.run, runIndex)) {
        std::fprintf(streams.err, "brevalin-cli: no run '%s' (the instrument lists %zu)\n",
                     options.run.empty() ? "newest" : options.run.c_str(), names.size());
        return kExitRunNotFound;
    }
    struct stat existing {};
    if (!options.output.empty() && !options.force && stat(options.output.c_str(), &existing) == 0) {
        std::fprintf(streams.err, "brevalin-cli: %s: exists (--force replaces it)\n",
                     options.output.c_str());
        return kExitFile;
    }
    std::vector<std::string> lines;
    if (session.Fetch(runIndex, options.types.validation, lines) != FetchOutcome::kComplete) {
        return LinkLost(streams);
    }
    if (options.output.empty()) {
        for (const std::string& line : lines) std::fprintf(streams.out, "%s\n", Utf8(line).c_str());
        return std::fflush(streams.out) == 0 ? kExitOk : kExitFile;
    }
    std::string error;
    if (!WriteReportFile(options.output, lines, options.force, error)) {
        std::fprintf(streams.err, "brevalin-cli: %s\n", error.c_str());
        return kExitFile;
    }
    return kExitOk;
}

int ExportAll(CliSession& session, const Options& options, const Streams& streams) {
    struct stat folder {};
    if (stat(options.output.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        std::fprintf(streams.err, "brevalin-cli: %s: not a folder\n", options.output.c_str());
        return kExitFile;
    }
    std::vector<std::string> names;
    if (!session.RunNames(names)) return LinkLost(streams);
    // Two runs whose names make the same file name get their indices added.
    std::map<std::string, int> uses;
    for (const std::string& name : names) ++uses[SafeFileName(name)];

    int written = 0, skipped = 0, failed = 0;
    bool linkLost = false;
    for (std::size_t p = 0; p < names.size(); ++p) {
        const auto runIndex = static_cast<std::uint16_t>(names.size() - 1 - p);
        std::string base = SafeFileName(names[p]);
        if (uses[base] > 1) base += " #" + std::to_string(runIndex);
        for (const bool validation : {true, false}) {
            if (!(validation ? options.types.validation : options.types.run)) continue;
            const std::string path =
                options.output + "/" + base + (validation ? ".validation.txt" : ".run.txt");
            struct stat existing {};
            if (!options.force && stat(path.c_str(), &existing) == 0) {
                ++skipped;
                continue;
            }
            if (linkLost) {
                ++failed;
                continue;
            }
            std::vector<std::string> lines;
            if (session.Fetch(runIndex, validation, lines) != FetchOutcome::kComplete) {
                std::fprintf(streams.err, "brevalin-cli: %s: the link was lost\n", path.c_str());
                linkLost = true;
                ++failed;
                continue;
            }
            std::string error;
            if (!WriteReportFile(path, lines, options.force, error)) {
                std::fprintf(streams.err, "brevalin-cli: %s\n", error.c_str());
                ++failed;
                continue;
            }
            ++written;
        }
    }
    std::fprintf(streams.out, "%d written, %d skipped, %d failed\n", written, skipped, failed);
    if (linkLost) return LinkLost(streams);
    return failed != 0 ? kExitFile : kExitOk;
}

}  // namespace brevalin::cli
