#pragma once
// The import report: every row of the earlier files that was not brought over
// as it stood, with its reason, as a CSV file that Japanese Excel opens right
// (UTF-8 with a byte-order mark, RFC 4180 quoting, CRLF row ends).

#include "legacy/importplan.h"

#include <QList>
#include <QString>

#include <optional>

namespace legacy {

inline const QString kReportFileName = QStringLiteral("import-report.csv");

// The report's bytes.
QByteArray reportCsv(const QList<ReportLine> &lines);

// Writes the report into `folder` as import-report.csv, or, when that name is
// taken by an earlier import, under a name with `stamp` in it; never over a
// file. The path written, or the reason it could not be.
struct WrittenReport
{
    QString path;
    std::optional<QString> failure;
};
WrittenReport writeReport(const QString &folder, const QList<ReportLine> &lines, const QString &stamp);

} // namespace legacy
