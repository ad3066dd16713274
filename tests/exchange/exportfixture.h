#pragma once
// What the export tests share: a data folder with records put in as another
// program would, Python to read the files back as other programs do, and a
// progress that keeps what it was told.

#include "common/progress.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/openstore.h"
#include "support/sqlfile.h"
#include "support/tempdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace exporttest {

// A record as the journal holds it; a Null amount as std::nullopt.
struct Day
{
    QString date; // stored form yyyy-mm-dd
    std::optional<qint64> amounts[4];
    std::optional<QString> text;
};

inline QString sqlValue(const std::optional<qint64> &amount)
{
    return amount ? QString::number(*amount) : QStringLiteral("NULL");
}

inline QString sqlText(const std::optional<QString> &text)
{
    if (!text) {
        return QStringLiteral("NULL");
    }
    QString quoted = *text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

inline bool addDays(const QString &mainPath, const QList<Day> &days)
{
    testsupport::SqlFile file(mainPath);
    if (!file.exec(QStringLiteral("BEGIN"))) {
        return false;
    }
    for (const Day &day : days) {
        const QString sql =
            QStringLiteral(
                "INSERT INTO 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) VALUES ('%1', %2, %3, %4, %5, %6)")
                .arg(day.date, sqlValue(day.amounts[0]), sqlValue(day.amounts[1]), sqlValue(day.amounts[2]),
                     sqlValue(day.amounts[3]), sqlText(day.text));
        if (!file.exec(sql)) {
            return false;
        }
    }
    return file.exec(QStringLiteral("COMMIT"));
}

// A data folder holding the given days, its store open, and a folder for
// the exported files.
struct ExportFolder
{
    testsupport::TempData data;
    std::unique_ptr<store::Store> store;
    QTemporaryDir out;

    bool open(const QList<Day> &days)
    {
        std::optional<store::OpenFailure> failure;
        return data.ok() && addDays(data.mainPath(), days) && (store = testsupport::openStore(data.folder(), failure));
    }
};

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every name in a folder, hidden ones too: a temporary file left behind shows.
inline QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Debian's python3, where python3-openpyxl installs, before any other on the path.
inline QString python()
{
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                 : QStringLiteral("python3");
}

// Runs `script` with `arguments`; its standard output as JSON, or a null
// document with the reason in `error`.
inline QJsonDocument runPython(const QByteArray &script, const QStringList &arguments, QString &error)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("read.py"));
    if (!writeAll(path, script)) {
        error = QStringLiteral("cannot write ") + path;
        return {};
    }
    QProcess process;
    process.start(python(), QStringList{path} + arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = python() + QStringLiteral(" failed: ") + QString::fromUtf8(process.readAllStandardError()) +
                process.errorString();
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(process.readAllStandardOutput(), &parseError);
    if (document.isNull()) {
        error = parseError.errorString();
    }
    return document;
}

// How a run of the program ended; exitCode -1 when it did not end by itself.
struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

#ifdef ZEPHRA_PATH
// The program copied beside a data folder of its own, as it is installed.
class Installed
{
public:
    bool make(const QList<Day> &days)
    {
        m_program = m_dir.filePath(QStringLiteral("zephra"));
        return m_dir.isValid() && QDir().mkpath(data()) && store::createSqliteFiles(data()).ok() &&
               addDays(mainPath(), days) && QFile::copy(QStringLiteral(ZEPHRA_PATH), m_program) &&
               QFile::setPermissions(m_program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }
    QString mainPath() const { return QDir(data()).filePath(store::kMainFileName); }
    QString workPath() const { return QDir(data()).filePath(store::kWorkFileName); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The program run with `verb` and `arguments` in the folder above data/.
    Outcome run(const QStringList &arguments, const QString &verb = QStringLiteral("--export")) const
    {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(m_program, QStringList{verb} + arguments);
        Outcome outcome;
        if (process.waitForFinished(60'000) && process.exitStatus() == QProcess::NormalExit) {
            outcome.exitCode = process.exitCode();
        }
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

private:
    QTemporaryDir m_dir;
    QString m_program;
};
#endif

class RecordingProgress final : public common::Progress
{
public:
    void report(const QString &label, qint64 done, qint64 total) override
    {
        labels.append(label);
        steps.append({done, total});
    }
    void finish() override { ++finished; }

    QStringList labels;
    QList<std::pair<qint64, qint64>> steps;
    int finished = 0;
};

} // namespace exporttest
