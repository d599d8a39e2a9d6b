// The report as a fault-free link delivers it, computed from the instrument's
// own model: each line's bytes with the instrument's degree byte 0x80 shown
// as 0xB0, the degree sign of the lab's code page.
#pragma once

#include <QByteArray>
#include <QList>

#include "instrument/item_store.h"
#include "instrument/report.h"

namespace brevalin::soak {

QList<QByteArray> ExpectedReport(const instrument::RunItem& run, instrument::ReportType type);
// The saved file: every line ended by a carriage return and a line feed.
QByteArray ExpectedFile(const QList<QByteArray>& lines);

}  // namespace brevalin::soak
