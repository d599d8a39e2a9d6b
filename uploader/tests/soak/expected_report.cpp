#include "expected_report.h"

namespace brevalin::soak {

QList<QByteArray> ExpectedReport(const instrument::RunItem& run, instrument::ReportType type) {
    instrument::Report report;
    report.Generate(&run, type);
    QList<QByteArray> lines;
    char text[instrument::kMaxReportLine + 1];
    for (std::size_t n = 0; n < report.LineCount(); ++n) {
        const int length = report.Line(n, text);
        QByteArray line(text, length < 0 ? 0 : length);
        line.replace(static_cast<char>(instrument::kDegreeByte), static_cast<char>(0xB0));
        lines.append(line);
    }
    return lines;
}

QByteArray ExpectedFile(const QList<QByteArray>& lines) {
    QByteArray file;
    for (const QByteArray& line : lines) file += line + "\r\n";
    return file;
}

}  // namespace brevalin::soak
