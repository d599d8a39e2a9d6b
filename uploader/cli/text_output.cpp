#include "text_output.h"

#include <algorithm>
#include <csignal>
#include <cstring>

#include "console.h"
#include "instrument_chars.h"

namespace brevalin::cli {
namespace {

// The descriptor of a progress bar whose line is not ended, or -1.
volatile std::sig_atomic_t openProgressFd = -1;
// Whether that terminal understands "erase to end of line".
volatile std::sig_atomic_t openProgressErases = 0;

// "[#####     ] 120/400 lines", cut to the terminal's width less one column,
// since writing the last column wraps on many terminals.
std::string BarText(std::uint16_t fetched, std::uint16_t count, int width) {
    std::string figures(1, ' ');
    figures += std::to_string(fetched);
    figures += '/';
    figures += std::to_string(count);
    figures += " lines";
    const int barWidth = std::min(40, width - 1 - static_cast<int>(figures.size()) - 2);
    if (barWidth < 1) return figures.substr(1, static_cast<std::size_t>(std::max(0, width - 1)));
    const int filled = count == 0 ? barWidth : fetched * barWidth / count;
    // Appended rather than added to a literal, on which g++ 12 warns falsely.
    std::string bar(1, '[');
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(barWidth - filled), ' ');
    return bar + "]" + figures;
}

}  // namespace

std::string TerminalText(const std::string& instrumentText) {
    const std::string utf8 = Windows1252ToUtf8(instrumentText);
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const bool c1 = byte == 0xC2 && i + 1 < utf8.size() &&
                        static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
        if (byte < 0x20 || byte == 0x7F || c1) {
            const unsigned code = c1 ? static_cast<unsigned char>(utf8[++i]) : byte;
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            out += escaped;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

std::string Json(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

ProgressFunction ProgressBar(const Options& options, std::FILE* err) {
    if (options.quiet) return {};
    const console::Terminal terminal = console::TerminalOf(err);
    if (terminal == console::Terminal::kNone) return {};
    const int fd = fileno(err);
    if (terminal == console::Terminal::kDumb) {
        // No carriage returns or escapes: a mark every tenth, the line ended
        // when the report is complete.
        return [err, fd](std::uint16_t fetched, std::uint16_t count) {
            if (count == 0 || fetched == 0) return;
            const int tenth = fetched * 10 / count;
            const int before = (fetched - 1) * 10 / count;
            if (fetched == 1 || tenth != before) {
                std::fprintf(err, fetched == count ? "%u lines\n" : ".", count);
                std::fflush(err);
                openProgressErases = 0;
                openProgressFd = fetched == count ? -1 : fd;
            }
        };
    }
    return [err, fd](std::uint16_t fetched, std::uint16_t count) {
        if (fetched % 10 != 0 && fetched != count) return;
        if (fetched == count) {
            std::fputs("\r\033[K", err);
            openProgressFd = -1;
        } else {
            std::fprintf(err, "\r%s", BarText(fetched, count, console::Columns(fd)).c_str());
            openProgressErases = 1;
            openProgressFd = fd;
        }
        std::fflush(err);
    };
}

void EndProgressLine() {
    const int fd = openProgressFd;
    if (fd < 0) return;
    const char* end = openProgressErases ? "\r\033[K" : "\n";
    console::WriteRaw(fd, end, std::strlen(end));
    openProgressFd = -1;
}

void ErrorLine(std::FILE* err, const std::string& message) {
    std::fflush(err);
    EndProgressLine();
    std::fprintf(err, "brevalin-cli: %s\n", message.c_str());
    std::fflush(err);
}

}  // namespace brevalin::cli
