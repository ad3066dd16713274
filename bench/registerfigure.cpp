// Registering one journal record (the dynaset read, the insert or update with
// its search index entry, the cleared page) through the journal page, against
// the same upsert and index entry, prepared once and issued directly through
// SQLite in one transaction with the same durability settings.

#include "centurydata.h"
#include "figure.h"
#include "yespresenter.h"

#include "common/formats.h"
#include "journal/journalpage.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/fixedclock.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/journaltextbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <array>
#include <sqlite3.h>

namespace bench {

namespace {

// The values typed for the n-th registration: days spread over the century
// (each one already has a record, so every registration overwrites).
struct Entry
{
    QDate date;
    std::array<qint64, 4> amounts;
    QString memo;
};

Entry entryOf(const DataSet &data, qint64 n)
{
    return {data.spreadDay(int(n)), {123'456 + n % 1000, 65'432, 1'000 * (n % 7), 2'000}, memoOf(data, n % 64)};
}

class RegisterFigure final : public Figure
{
public:
    using Figure::Figure;
    ~RegisterFigure() override
    {
        m_page.reset();
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
            const Entry entry = entryOf(data(), m_subjectCount++);
            m_date->setValue(entry.date);
            for (std::size_t k = 0; k < m_amounts.size(); ++k) {
                m_amounts[k]->setValue(entry.amounts[k]);
            }
            m_memo->setText(entry.memo);
            m_page->save();
        }
        if (m_presenter.notices > 0) {
            fail(state, QStringLiteral("the page reported: ") + m_presenter.lastNotice);
        } else if (m_date->value()) {
            fail(state, QStringLiteral("the page was not cleared after registering"));
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
        if (m_page) {
            return true;
        }
        QString error;
        const QString path = copyOfMainFile(QStringLiteral("page"), &error);
        if (error.isEmpty()) {
            if (const std::optional<store::OpenFailure> failure =
                    m_store->open(store::Location::inFolder(QFileInfo(path).path()))) {
                error = failure->path + QStringLiteral(": ") + failure->error.message;
            }
        }
        if (!error.isEmpty()) {
            fail(state, error);
            return false;
        }
        m_page = std::make_unique<journal::JournalPage>(*m_store, m_msg, m_clock);
        m_page->applyCalendarMode(common::kWestern, 2000);
        const char *boxes[] = {"num売上額", "num仕入額", "num入金額", "num出金額"};
        for (std::size_t k = 0; k < m_amounts.size(); ++k) {
            m_amounts[k] = m_page->findChild<ui::AmountBox *>(QString::fromUtf8(boxes[k]));
        }
        m_memo = m_page->findChild<ui::JournalTextBox *>(QStringLiteral("txtメモ"));
        m_date = m_page->findChild<ui::DateBox *>(QStringLiteral("Dt日付"));
        if (!m_memo || !m_date || std::count(m_amounts.cbegin(), m_amounts.cend(), nullptr) > 0) {
            m_page.reset();
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

    std::unique_ptr<store::Store> m_store = store::makeSqliteStore();
    YesPresenter m_presenter;
    common::Msg m_msg{m_presenter};
    testsupport::FixedClock m_clock{QDate(2025, 12, 31)};
    std::unique_ptr<journal::JournalPage> m_page;
    std::array<ui::AmountBox *, 4> m_amounts{};
    ui::JournalTextBox *m_memo = nullptr;
    ui::DateBox *m_date = nullptr;
    qint64 m_subjectCount = 0;

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
