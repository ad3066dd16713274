#include "legacy/importreport.h"

#include "common/fileerror.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace legacy {

namespace {

QString field(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\r')) &&
        !value.contains(QLatin1Char('\n'))) {
        return value;
    }
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString row(const QStringList &values)
{
    QStringList fields;
    fields.reserve(values.size());
    for (const QString &value : values) {
        fields.append(field(value));
    }
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace

QByteArray reportCsv(const QList<ReportLine> &lines)
{
    QString csv = row({QStringLiteral("表"), QStringLiteral("行"), QStringLiteral("日付"), QStringLiteral("売上額"),
                       QStringLiteral("仕入額"), QStringLiteral("入金額"), QStringLiteral("出金額"),
                       QStringLiteral("日誌"), QStringLiteral("取り込み"), QStringLiteral("理由")});
    for (const ReportLine &line : lines) {
        csv += row({line.table, QString::number(line.row), line.date, line.amounts[0], line.amounts[1], line.amounts[2],
                    line.amounts[3], line.text, line.imported ? QStringLiteral("した") : QStringLiteral("しない"),
                    line.reason});
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + csv.toUtf8();
}

WrittenReport writeReport(const QString &folder, const QList<ReportLine> &lines, const QString &stamp)
{
    const QDir dir(folder);
    QString path = dir.filePath(kReportFileName);
    if (QFileInfo::exists(path)) {
        path = dir.filePath(QStringLiteral("import-report-%1.csv").arg(stamp));
    }
    WrittenReport written{path, std::nullopt};
    if (QFileInfo::exists(path)) {
        written.failure = QStringLiteral("「%1」が既にあります。").arg(QDir::toNativeSeparators(path));
        return written;
    }
    // Written under a temporary name and renamed when whole: no half report.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        written.failure = common::fileFailure(common::FileStep::Open, file);
    } else if (file.write(reportCsv(lines)) < 0 || !file.commit()) {
        written.failure = common::fileFailure(common::FileStep::Write, file);
    }
    return written;
}

} // namespace legacy
