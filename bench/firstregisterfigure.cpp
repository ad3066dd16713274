// The first register of a day, cold: from process start until the register of
// today through the journal page is committed, with nothing of the program,
// its libraries or its data in the page cache, and the program's own care
// running as it does for a user (the check of the files, and the day's copy:
// the data folder holds no copy of today). Against the bare window and a bare
// SQLite upsert of the same day with its index entry into a copy of the same
// file, written as durably, with the page cache dropped the same way.

#include "centurydata.h"
#include "childprocess.h"
#include "figure.h"

#include "store/sqlitefiles.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTime>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace bench {

namespace {

const QString kProgram = QStringLiteral("zephra_benchapp");
const QString kBare = QStringLiteral("zephra_bareqt");

// Written pages first reach the disk, then every page of the file leaves the
// cache (pages another running program has mapped stay: the same for both sides).
void dropFromCache(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    (void)::fdatasync(fd);
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

class FirstRegisterFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("first-register-cold"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("zephra-register"); }
    QString floorName() const override { return QStringLiteral("bare-qt+sqlite-upsert"); }
    int iterations() const override { return 2; }

    void runSubject(benchmark::State &state) override
    {
        if (!prepare(state)) {
            return;
        }
        const QString program = QDir(m_folder->path()).filePath(kProgram);
        const QString data = QDir(m_folder->path()).filePath(QStringLiteral("data"));
        for (auto _ : state) {
            state.PauseTiming();
            // The day's copy runs: no copy of today (nor any other) is there.
            QDir(QDir(data).filePath(QStringLiteral("backup"))).removeRecursively();
            dropAll(data);
            state.ResumeTiming();

            QProcess child;
            child.setProcessEnvironment(childEnvironment());
            child.start(program, {QStringLiteral("--register-once")});
            QByteArray line;
            while (!line.contains('\n') && child.waitForReadyRead(120'000)) {
                line += child.readAllStandardOutput();
            }
            state.PauseTiming();
            const bool finished = child.waitForFinished(120'000);
            line += child.readAllStandardOutput();
            QString failure;
            if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
                failure = QStringLiteral("the program's register ended with ") + QString::number(child.exitCode()) +
                          QStringLiteral(": ") + QString::fromLocal8Bit(child.readAllStandardError());
            } else {
                failure = checkStored(QString::fromLatin1(line), QDir(data).filePath(store::kMainFileName));
            }
            if (!failure.isEmpty()) {
                fail(state, failure);
                break;
            }
            state.ResumeTiming();
        }
    }

    void runFloor(benchmark::State &state) override
    {
        if (!prepare(state)) {
            return;
        }
        const QString bare = QDir(setting().binFolder).filePath(kBare);
        const QString data = QDir(m_folder->path()).filePath(QStringLiteral("floor"));
        const QString path = QDir(data).filePath(store::kMainFileName);
        for (auto _ : state) {
            state.PauseTiming();
            dropAll(data);
            state.ResumeTiming();
            const ChildResult shown = runChild(bare, {}, {}, 60'000);
            const qint64 sales = QTime::currentTime().msecsSinceStartOfDay();
            const QString failure = shown.ok ? upsert(path, sales) : shown.failure;
            state.PauseTiming();
            const QString stored =
                failure.isEmpty()
                    ? checkStored(QStringLiteral("committed day=%1 sales=%2\n").arg(today(), QString::number(sales)),
                                  path)
                    : failure;
            if (!stored.isEmpty()) {
                fail(state, stored);
                break;
            }
            state.ResumeTiming();
        }
    }

private:
    static QString today() { return QDate::currentDate().toString(Qt::ISODate); }

    static QProcessEnvironment childEnvironment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    // The program beside a copy of the hundred years, the floor's own copy,
    // and the files the program maps (libraries, plugins, fonts), listed by
    // one run of its register.
    bool prepare(benchmark::State &state)
    {
        if (m_folder) {
            return true;
        }
        m_folder = std::make_unique<QTemporaryDir>(
            QDir(setting().scratchFolder).filePath(QStringLiteral("first-register-XXXXXX")));
        const QDir folder(m_folder->path());
        const QString program = folder.filePath(kProgram);
        QString error;
        if (!QFile::copy(QDir(setting().binFolder).filePath(kProgram), program)) {
            error = QStringLiteral("cannot copy the program ") + kProgram;
        }
        if (error.isEmpty()) {
            error = copyDataFolder(setting().centuryFolder, folder.filePath(QStringLiteral("data")));
        }
        if (error.isEmpty()) {
            error = copyDataFolder(setting().centuryFolder, folder.filePath(QStringLiteral("floor")));
        }
        if (error.isEmpty()) {
            m_pragmas = programPragmas(folder.filePath(QStringLiteral("floor/")) + store::kMainFileName, &error);
        }
        const QString list = folder.filePath(QStringLiteral("mapped.txt"));
        if (error.isEmpty()) {
            const ChildResult listed = runChild(
                program, {QStringLiteral("--register-once"), QStringLiteral("--list-mapped"), list}, {}, 120'000);
            QFile mapped(list);
            if (!listed.ok) {
                error = listed.failure;
            } else if (!mapped.open(QIODevice::ReadOnly)) {
                error = QStringLiteral("the program listed no mapped files");
            } else {
                for (const QByteArray &line : mapped.readAll().split('\n')) {
                    if (line.startsWith('/') && !line.contains(m_folder->path().toUtf8())) {
                        m_mapped.insert(QString::fromUtf8(line));
                    }
                }
            }
        }
        m_mapped.insert(program);
        m_mapped.insert(QDir(setting().binFolder).filePath(kBare));
        if (error.isEmpty() && m_mapped.size() < 10) {
            error = QStringLiteral("too few mapped files listed: ") + QString::number(m_mapped.size());
        }
        if (!error.isEmpty()) {
            m_folder.reset();
            fail(state, error);
            return false;
        }
        return true;
    }

    void dropAll(const QString &data) const
    {
        for (const QString &file : m_mapped) {
            dropFromCache(file);
        }
        for (const QString &name : {store::kMainFileName, store::kWorkFileName}) {
            dropFromCache(QDir(data).filePath(name));
        }
    }

    // The program's upsert of today with its index entry, as the store writes it, on a cold connection.
    QString upsert(const QString &path, qint64 sales) const
    {
        sqlite3 *db = nullptr;
        QString error;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, m_pragmas.constData(), nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            error = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_stmt *statement = nullptr;
        const QByteArray day = today().toLatin1();
        sqlite3_int64 rowid = -1;
        if (error.isEmpty() &&
            sqlite3_prepare_v2(db,
                               "INSERT INTO 業務日誌 (日付, 売上額) VALUES (?, ?) ON CONFLICT(日付) DO UPDATE SET "
                               "売上額 = excluded.売上額, 仕入額 = NULL, 入金額 = NULL, 出金額 = NULL, 日誌 = NULL "
                               "RETURNING rowid",
                               -1, &statement, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(statement, 1, day.constData(), int(day.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(statement, 2, sales);
            if (sqlite3_step(statement) == SQLITE_ROW) {
                rowid = sqlite3_column_int64(statement, 0);
            }
            if (sqlite3_step(statement) != SQLITE_DONE) {
                rowid = -1;
            }
        }
        sqlite3_finalize(statement);
        statement = nullptr;
        if (error.isEmpty() && rowid >= 0 &&
            sqlite3_prepare_v2(db, "DELETE FROM 日誌索引 WHERE rowid = ?", -1, &statement, nullptr) == SQLITE_OK) {
            sqlite3_bind_int64(statement, 1, rowid);
            if (sqlite3_step(statement) != SQLITE_DONE) {
                rowid = -1;
            }
        }
        sqlite3_finalize(statement);
        if (error.isEmpty() && (rowid < 0 || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)) {
            error = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_close(db);
        return error;
    }

    // The day and sales the line names are what the file holds.
    static QString checkStored(const QString &line, const QString &path)
    {
        static const QRegularExpression committed(QStringLiteral("committed day=(\\S+) sales=(\\d+)"));
        const QRegularExpressionMatch match = committed.match(line);
        if (!match.hasMatch()) {
            return QStringLiteral("no register was committed: ") + line.trimmed();
        }
        sqlite3 *db = nullptr;
        qint64 stored = -1;
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "SELECT 売上額 FROM 業務日誌 WHERE 日付 = ?", -1, &statement, nullptr) ==
                SQLITE_OK) {
            const QByteArray day = match.captured(1).toLatin1();
            sqlite3_bind_text(statement, 1, day.constData(), int(day.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(statement) == SQLITE_ROW) {
                stored = sqlite3_column_int64(statement, 0);
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        if (stored != match.captured(2).toLongLong()) {
            return QStringLiteral("the day %1 holds %2, not %3")
                .arg(match.captured(1), QString::number(stored), match.captured(2));
        }
        return {};
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    QSet<QString> m_mapped;
    QByteArray m_pragmas;
};

} // namespace

std::unique_ptr<Figure> makeFirstRegisterFigure(const Setting &setting)
{
    return std::make_unique<FirstRegisterFigure>(setting);
}

} // namespace bench
