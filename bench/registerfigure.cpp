// Registering one journal record (the dynaset read, the insert or update with
// its search index entry, the cleared page) through the journal page, against
// the same upsert and index entry, prepared once and issued directly through
// SQLite in one transaction with the same durability settings.

#include "centurydata.h"
#include "figure.h"
#include "registrar.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace bench {

namespace {

class RegisterFigure final : public Figure
{
public:
    using Figure::Figure;
    ~RegisterFigure() override
    {
        m_registrar.reset();
        for (sqlite3_stmt *statement : {m_upsert, m_unindex, m_index, m_begin, m_commit}) {
            sqlite3_finalize(statement);
        }
        sqlite3_close(m_db);
    }

    QString name() const override { return QStringLiteral("register"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("journal-page"); }
    QString floorName() const override { return QStringLiteral("sqlite-upsert+index"); }
    int iterations() const override { return 40; }

    void runSubject(benchmark::State &state) override
    {
        if (!prepareSubject(state)) {
            return;
        }
        for (auto _ : state) {
            m_registrar->registerNext();
        }
        if (const QString trouble = m_registrar->trouble(); !trouble.isEmpty()) {
            fail(state, trouble);
        }
    }

    void runFloor(benchmark::State &state) override
    {
        if (!prepareFloor(state)) {
            return;
        }
        for (auto _ : state) {
            const Entry entry = entryOf(data(), m_floorCount++);
            const QByteArray date = entry.date.toString(Qt::ISODate).toUtf8();
            const QByteArray memo = entry.memo.toUtf8();
            sqlite3_bind_text(m_upsert, 1, date.constData(), int(date.size()), SQLITE_TRANSIENT);
            for (int k = 0; k < 4; ++k) {
                sqlite3_bind_int64(m_upsert, k + 2, entry.amounts[std::size_t(k)]);
            }
            sqlite3_bind_text(m_upsert, 6, memo.constData(), int(memo.size()), SQLITE_TRANSIENT);
            // The day's index entry goes with it: the text in its search form.
            const QByteArray form = entry.memo.normalized(QString::NormalizationForm_KC).toCaseFolded().toUtf8();
            bool done = step(m_begin) && sqlite3_step(m_upsert) == SQLITE_ROW;
            const sqlite3_int64 rowid = sqlite3_column_int64(m_upsert, 0);
            done = done && sqlite3_step(m_upsert) == SQLITE_DONE;
            sqlite3_reset(m_upsert);
            sqlite3_bind_int64(m_unindex, 1, rowid);
            sqlite3_bind_int64(m_index, 1, rowid);
            sqlite3_bind_text(m_index, 2, form.constData(), int(form.size()), SQLITE_TRANSIENT);
            done = done && step(m_unindex) && step(m_index) && step(m_commit);
            if (!done) {
                fail(state, QString::fromUtf8(sqlite3_errmsg(m_db)));
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
                break;
            }
        }
    }

private:
    static bool step(sqlite3_stmt *statement)
    {
        const bool done = sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_reset(statement);
        return done;
    }

    QString copyOfMainFile(const QString &side, QString *error)
    {
        if (!m_folder) {
            m_folder = std::make_unique<QTemporaryDir>(
                QDir(setting().scratchFolder).filePath(QStringLiteral("register-XXXXXX")));
        }
        const QString folder = QDir(m_folder->path()).filePath(side);
        *error = copyDataFolder(setting().centuryFolder, folder);
        return QDir(folder).filePath(store::kMainFileName);
    }

    bool prepareSubject(benchmark::State &state)
    {
        if (m_registrar) {
            return true;
        }
        QString error;
        const QString path = copyOfMainFile(QStringLiteral("page"), &error);
        std::unique_ptr<store::Store> store = store::makeSqliteStore();
        if (error.isEmpty()) {
            if (const std::optional<store::OpenFailure> failure =
                    store->open(store::Location::inFolder(QFileInfo(path).path()))) {
                error = failure->path + QStringLiteral(": ") + failure->error.message;
            }
        }
        if (!error.isEmpty()) {
            fail(state, error);
            return false;
        }
        m_registrar = std::make_unique<Registrar>(std::move(store), data());
        if (!m_registrar->complete()) {
            m_registrar.reset();
            fail(state, QStringLiteral("the journal page has no amount or memo box"));
            return false;
        }
        return true;
    }

    bool prepareFloor(benchmark::State &state)
    {
        if (m_upsert) {
            return true;
        }
        QString error;
        const QString path = copyOfMainFile(QStringLiteral("sqlite"), &error);
        const QByteArray pragmas = error.isEmpty() ? programPragmas(path, &error) : QByteArray();
        if (error.isEmpty() &&
            (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
             sqlite3_exec(m_db, pragmas.constData(), nullptr, nullptr, nullptr) != SQLITE_OK ||
             sqlite3_prepare_v2(m_db,
                                "INSERT INTO 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT(日付) DO UPDATE SET "
                                "売上額 = excluded.売上額, 仕入額 = excluded.仕入額, 入金額 = excluded.入金額, "
                                "出金額 = excluded.出金額, 日誌 = excluded.日誌 RETURNING rowid",
                                -1, &m_upsert, nullptr) != SQLITE_OK ||
             sqlite3_prepare_v2(m_db, "DELETE FROM 日誌索引 WHERE rowid = ?", -1, &m_unindex, nullptr) != SQLITE_OK ||
             sqlite3_prepare_v2(m_db, "INSERT INTO 日誌索引 (rowid, 本文) VALUES (?, ?)", -1, &m_index, nullptr) !=
                 SQLITE_OK ||
             sqlite3_prepare_v2(m_db, "BEGIN IMMEDIATE", -1, &m_begin, nullptr) != SQLITE_OK ||
             sqlite3_prepare_v2(m_db, "COMMIT", -1, &m_commit, nullptr) != SQLITE_OK)) {
            error = QString::fromUtf8(sqlite3_errmsg(m_db));
        }
        if (!error.isEmpty()) {
            fail(state, error);
            return false;
        }
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_folder;

    std::unique_ptr<Registrar> m_registrar;

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_upsert = nullptr;
    sqlite3_stmt *m_unindex = nullptr;
    sqlite3_stmt *m_index = nullptr;
    sqlite3_stmt *m_begin = nullptr;
    sqlite3_stmt *m_commit = nullptr;
    qint64 m_floorCount = 0;
};

} // namespace

std::unique_ptr<Figure> makeRegisterFigure(const Setting &setting)
{
    return std::make_unique<RegisterFigure>(setting);
}

} // namespace bench
