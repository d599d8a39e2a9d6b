#include "diagnostic_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
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

// Case-insensitive file systems see one file under both spellings; elsewhere
// the lower-case spelling is folded onto the canonical name.
const char* CanonicalLogName(const char* fileName) {
    for (std::size_t i = 0;; ++i) {
        char a = fileName[i];
        char b = kLogName[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (a != b) return fileName;
        if (a == '\0') return kLogName;
    }
}

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

int WriteLogEntry(const char* message, const char* fileName) {
    std::FILE* file = std::fopen(CanonicalLogName(fileName), "a+");
    if (file == nullptr) return 0;
    std::fputs(message, file);
    std::fputs("\n", file);
    std::fclose(file);
    return 1;
}

int WriteLogEntryF(const char* fileName, const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    return WriteLogEntry(message, fileName);
}

}  // namespace quillsan
