#include "save_report.h"

#include <cstdint>
#include <cstdio>

#include "instrument_chars.h"
#include "report_core.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace brevalin {
namespace {

// The dialog's UTF-8 path; Windows opens it only through its wide form.
std::FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    const int size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (size <= 0) return nullptr;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), size);
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(wide.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

void Warn(Dialogs& dialogs, const std::string& text) {
    dialogs.Message(text, box::kOk | box::kExclamation);
}

std::string LinesSaved(const char* what, int saved, int count) {
    return std::string(what) + ": " + std::to_string(saved) + " of its " + std::to_string(count) +
           " lines were saved.";
}

}  // namespace

void SaveReport(const ReportList& list, LinkLibrary& library, Dialogs& dialogs,
                ReconnectAnswers& answers) {
    const std::string path = dialogs.SaveFileName();
    if (path.empty()) return;

    answers.Clear();
    library.ClearRemoteError();
    const std::uint16_t libraryCount = library.GetItemCount(kReportLines, 0);
    // A user who declined to reconnect gets what the report list holds.
    const bool refused = answers.refused();
    answers.Clear();
    const int listed = static_cast<int>(list.lines.size());
    const int count = refused ? static_cast<std::uint16_t>(listed) : libraryCount;
    // Emptying the file because the count could not be read would lose the
    // user's earlier copy for nothing.
    if (!refused && (library.GetRemoteError() != 0 || (count == 0 && list.HasReportLines()))) {
        Warn(dialogs,
             "The instrument did not say how many lines the report has."
             "\nNothing was saved; the file was not changed.");
        return;
    }

    if (std::FILE* existing = OpenFile(path, "rb")) {
        std::fclose(existing);
        if (dialogs.Message("File exists! Replace it?", box::kOkCancel | box::kQuestion) !=
            box::kAnswerOk) {
            return;
        }
    }
    std::FILE* file = OpenFile(path, "wb");
    if (file == nullptr) {
        Warn(dialogs, "Invalid file path");
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (i >= listed) {
            std::fclose(file);
            Warn(dialogs, LinesSaved("The report was incomplete", i - list.abortLines, count));
            return;
        }
        const std::string line = SavedReportLine(list.lines[i].c_str());
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() ||
            std::fflush(file) != 0) {
            std::fclose(file);
            Warn(dialogs, LinesSaved("The report could not be written completely", i, count));
            return;
        }
    }
    std::fclose(file);
}

}  // namespace brevalin
