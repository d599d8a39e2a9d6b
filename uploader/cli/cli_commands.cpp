#include "cli_commands.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files.h"
#include "instrument_chars.h"
#include "quillsan.h"
#include "report_files.h"

namespace brevalin::cli {
namespace {

constexpr std::uint32_t kHidFieldLength = 128;

std::string Utf8(const std::string& instrumentText) {
    return Windows1252ToUtf8(instrumentText);
}

std::string LinkName(const LinkChoice& link) {
    if (link.usb) return "usb";
    return "COM" + std::to_string(link.comNumber) + ":" + std::to_string(link.baudRate);
}

struct HidStrings {
    bool found = false;
    char fields[6][kHidFieldLength + 1] = {};
};

HidStrings ReadHidStrings(const CliSession& session) {
    HidStrings strings;
    const auto findHid = reinterpret_cast<decltype(&::FindHID)>(session.OptionalExport("FindHID"));
    if (findHid == nullptr) return strings;
    HidInfo info{strings.fields[0], strings.fields[1], strings.fields[2],
                 strings.fields[3], strings.fields[4], strings.fields[5]};
    strings.found = findHid(&info, kHidFieldLength) != 0;
    for (auto& field : strings.fields) field[kHidFieldLength] = '\0';
    return strings;
}

// A HID string without the library's "Serial Number = " in front.
std::string Unlabelled(const std::string& field) {
    const std::size_t equals = field.find(" = ");
    return equals == std::string::npos ? field : field.substr(equals + 3);
}

// "QUILLSAN.DLL Version 1.009" as "1.009".
std::string VersionOnly(const std::string& text) {
    const std::size_t word = text.rfind(" Version ");
    return word == std::string::npos ? text : text.substr(word + 9);
}

constexpr const char* kHidNames[6] = {"language",     "manufacturer",  "product",
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

}  // namespace

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

int LinkLost(const Streams& streams) {
    ErrorLine(streams.err, "the link to the instrument was lost and not regained");
    return kExitLinkLost;
}

int FinishOutput(const Streams& streams) {
    if (std::fflush(streams.out) == 0 && !std::ferror(streams.out)) return kExitOk;
    ErrorLine(streams.err, std::string("standard output: ") + std::strerror(errno));
    return kExitFile;
}

int Info(CliSession& session, const Options& options, const Streams& streams) {
    const std::string serial = SerialNumber(session);
    HidStrings hid;
    if (options.link.usb) hid = ReadHidStrings(session);
    const std::string firmware = VersionText(session.firmwareVersion());
    const std::string libraryFile = session.LibraryPath();
    if (options.json) {
        std::string doc = "{\"link\": " + Json(LinkName(options.link)) +
                          ", \"firmwareVersion\": " + Json(firmware) +
                          ", \"serialNumber\": " + Json(Utf8(serial)) + ", \"libraryVersion\": " +
                          Json(Utf8(VersionOnly(session.libraryVersion()))) +
                          ", \"libraryFile\": " + Json(libraryFile) +
                          ", \"libraryFlavour\": " + Json(session.Flavour());
        if (hid.found) {
            doc += ", \"hid\": {";
            for (int n = 0; n < 6; ++n) {
                const std::string value = Unlabelled(hid.fields[n]);
                doc += std::string(n ? ", " : "") + Json(kHidNames[n]) + ": " +
                       (value == "<not found>" ? "null" : Json(Utf8(value)));
            }
            doc += "}";
        }
        std::fprintf(streams.out, "%s}\n", doc.c_str());
        return FinishOutput(streams);
    }
    std::fprintf(streams.out,
                 "link: %s\nfirmware version: %s\nserial number: %s\nlibrary version: %s\n"
                 "library file: %s\nlibrary flavour: %s\n",
                 LinkName(options.link).c_str(), firmware.c_str(), TerminalText(serial).c_str(),
                 TerminalText(session.libraryVersion()).c_str(), TerminalText(libraryFile).c_str(),
                 session.Flavour().c_str());
    if (hid.found) {
        for (int n = 0; n < 6; ++n) {
            std::fprintf(streams.out, "hid %s: %s\n", kHidNames[n],
                         TerminalText(Unlabelled(hid.fields[n])).c_str());
        }
    }
    return FinishOutput(streams);
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
        return FinishOutput(streams);
    }
    for (std::size_t p = 0; p < count; ++p) {
        std::fprintf(streams.out, "%5zu  %s\n", count - 1 - p, TerminalText(names[p]).c_str());
    }
    return FinishOutput(streams);
}

int Fetch(CliSession& session, const Options& options, const Streams& streams) {
    std::vector<std::string> names;
    if (!session.RunNames(names)) return LinkLost(streams);
    std::uint16_t runIndex = 0;
    if (!FindRun(names, options.run, runIndex)) {
        ErrorLine(streams.err, "no run '" + (options.run.empty() ? "newest" : options.run) +
                                   "' (the instrument lists " + std::to_string(names.size()) + ")");
        return kExitRunNotFound;
    }
    const bool toStandardOutput = options.output.empty() || options.output == "-";
    files::Info existing;
    int failure = 0;
    if (!toStandardOutput && !options.force &&
        files::Inspect(options.output, true, existing, failure) &&
        existing.kind == files::Kind::kFile) {
        ErrorLine(streams.err, options.output + ": exists (--force replaces it)");
        return kExitFile;
    }
    std::vector<std::string> lines;
    if (session.Fetch(runIndex, options.types.validation, lines) != FetchOutcome::kComplete) {
        return LinkLost(streams);
    }
    if (toStandardOutput) {
        for (const std::string& line : lines)
            std::fprintf(streams.out, "%s\n", TerminalText(line).c_str());
        return FinishOutput(streams);
    }
    std::string error;
    if (!WriteReportOutput(options.output, ReportBytes(lines), options.force, error)) {
        ErrorLine(streams.err, error);
        return kExitFile;
    }
    return kExitOk;
}

}  // namespace brevalin::cli
