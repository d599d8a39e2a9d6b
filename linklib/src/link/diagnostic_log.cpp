#include "diagnostic_log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

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

bool LogLine(const char* text) {
    std::FILE* file = std::fopen(kLogName, "a+");
    if (file == nullptr) return false;
    std::fputs(text, file);
    std::fputs("\n", file);
    std::fclose(file);
    return true;
}

bool LogLineF(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return LogLine(text);
}

}  // namespace quillsan
