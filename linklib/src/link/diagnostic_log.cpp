#include "diagnostic_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quillsan {
namespace {

bool LocalTime(std::time_t now, std::tm& out) {
#if defined(_WIN32)
    return localtime_s(&out, &now) == 0;
#else
    return localtime_r(&now, &out) != nullptr;
#endif
}

constexpr const char* kLogName = "REMOTERR.LOG";

}  // namespace

void FormatTimestamp(char (&text)[kTimestampSize]) {
    // Fixed English names: the host program's locale must not change the text.
    static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm t{};
    char line[64] = "??? ??? ?? ??:??:?? ????\n";
    if (LocalTime(std::time(nullptr), t) && t.tm_wday >= 0 && t.tm_wday <= 6 && t.tm_mon >= 0 &&
        t.tm_mon <= 11) {
        std::snprintf(line, sizeof line, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[t.tm_wday],
                      kMonths[t.tm_mon], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                      1900 + t.tm_year);
    }
    std::snprintf(text, sizeof text, "%s", line);
}

// The file is opened and closed for every entry, so each one is on disk at
// once and lands in the current directory of the moment.
#if defined(_WIN32)
// Text mode, as the log has always been written on Windows.
bool LogLine(const char* text) {
    std::FILE* file = std::fopen(kLogName, "a+");
    if (file == nullptr) return false;
    std::fputs(text, file);
    std::fputs("\n", file);
    std::fclose(file);
    return true;
}
#else
// One appending write an entry: a faulty link logs tens of thousands of them,
// and stdio's set-up and buffer would add half again to what each one costs.
bool LogLine(const char* text) {
    const int file = open(kLogName, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (file < 0) return false;
    const std::string entry = std::string(text) + "\n";
    std::size_t done = 0;
    while (done < entry.size()) {  // a full disk or a signal may cut a write short
        const ssize_t written = write(file, entry.data() + done, entry.size() - done);
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    close(file);
    return true;
}
#endif

bool LogLineF(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return LogLine(text);
}

}  // namespace quillsan
