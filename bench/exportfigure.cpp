// The exports: the program's CSV of the hundred years (UTF-8) and its Excel
// workbook of the last ten years, each against the least any program writing
// the same file does: the same query stepped through SQLite's C interface, the
// same bytes (CSV) or the same cells through libxlsxwriter (workbook), written
// under a temporary name, synced and renamed over the file as the program's
// are.

#include "centurydata.h"
#include "exchange/export.h"
#include "figure.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sqlite3.h>
#include <string>
#include <unistd.h>
#include <xlsxwriter.h>

namespace bench {

namespace {

const char *const kSelect = "SELECT 日付, 売上額, 仕入額, 入金額, 出金額, 日誌 FROM 業務日誌 "
                            "WHERE 日付 >= ?1 AND 日付 <= ?2 ORDER BY 日付";

// The query of the period on a connection of its own; empty with `error` set on failure.
struct Query
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *select = nullptr;

    ~Query()
    {
        sqlite3_finalize(select);
        sqlite3_close(db);
    }
    bool open(const QString &folder, const store::Period &period, QString &error)
    {
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(store::kMainFileName));
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db, kSelect, -1, &select, nullptr) != SQLITE_OK) {
            error = QString::fromUtf8(sqlite3_errmsg(db));
            return false;
        }
        const QByteArray first = period.first.toString(Qt::ISODate).toUtf8();
        const QByteArray last = period.last.toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(select, 1, first.constData(), int(first.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(select, 2, last.constData(), int(last.size()), SQLITE_TRANSIENT);
        return true;
    }
};

const char *text(sqlite3_stmt *row, int column)
{
    return reinterpret_cast<const char *>(sqlite3_column_text(row, column));
}

// Synced, then renamed over `path`, as QSaveFile does.
bool syncAndRename(std::FILE *file, const QByteArray &temporary, const QByteArray &path)
{
    const bool written = std::fflush(file) == 0 && fdatasync(fileno(file)) == 0;
    return std::fclose(file) == 0 && written && std::rename(temporary.constData(), path.constData()) == 0;
}

// RFC 4180 with CRLF inside quoted texts, the bytes the program writes; the rows written, -1 on failure.
qint64 bareCsv(Query &query, const QByteArray &path)
{
    const QByteArray temporary = path + ".part";
    std::FILE *file = std::fopen(temporary.constData(), "wb");
    if (!file) {
        return -1;
    }
    std::string out = "\xEF\xBB\xBF日付,売上額,仕入額,入金額,出金額,日誌\r\n";
    qint64 rows = 0;
    bool ok = true;
    sqlite3_reset(query.select);
    while (sqlite3_step(query.select) == SQLITE_ROW) {
        std::string date(text(query.select, 0), size_t(sqlite3_column_bytes(query.select, 0)));
        date[4] = date[7] = '/';
        out += date;
        for (int column = 1; column <= 4; ++column) {
            out += ',';
            if (sqlite3_column_type(query.select, column) != SQLITE_NULL) {
                out.append(text(query.select, column), size_t(sqlite3_column_bytes(query.select, column)));
            }
        }
        out += ',';
        const char *memo = text(query.select, 5);
        const int length = sqlite3_column_bytes(query.select, 5);
        std::string_view view(memo ? memo : "", size_t(length));
        // A text a spreadsheet would take for a formula gets an apostrophe
        // before it, as every export that guards against formulas must.
        std::string guarded;
        if (const size_t first = view.find_first_not_of('\'');
            first != std::string_view::npos &&
            std::string_view("=+-@\t\r\n").find(view[first]) != std::string_view::npos) {
            guarded.reserve(view.size() + 1);
            guarded.push_back('\'');
            guarded.append(view);
            view = guarded;
        }
        if (view.find_first_of(",\"\r\n") == std::string_view::npos) {
            out += view;
        } else {
            out += '"';
            char previous = 0;
            for (const char c : view) {
                if (c == '"') {
                    out += '"';
                } else if (c == '\n' && previous != '\r') {
                    out += '\r';
                }
                out += c;
                previous = c;
            }
            out += '"';
        }
        out += "\r\n";
        ++rows;
        if (out.size() >= 96 * 1024) {
            ok = ok && std::fwrite(out.data(), 1, out.size(), file) == out.size();
            out.clear();
        }
    }
    ok = ok && std::fwrite(out.data(), 1, out.size(), file) == out.size();
    ok = syncAndRename(file, temporary, path) && ok;
    return ok ? rows : -1;
}

// The same cells, looks and widths as the program's journal workbook; the rows written, -1 on failure.
qint64 bareXlsx(Query &query, const QByteArray &path, const QByteArray &scratch)
{
    const QByteArray temporary = path + ".part";
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    QByteArray tmpdir = scratch;
    options.tmpdir = tmpdir.data();
    lxw_workbook *book = workbook_new_opt(temporary.constData(), &options);
    if (!book) {
        return -1;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(book, "業務日誌");
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *date = workbook_add_format(book);
    format_set_num_format(date, "yyyy/mm/dd");
    format_set_align(date, LXW_ALIGN_VERTICAL_TOP);
    lxw_format *amount = workbook_add_format(book);
    format_set_num_format(amount, "#,##0");
    format_set_align(amount, LXW_ALIGN_VERTICAL_TOP);
    lxw_format *wrap = workbook_add_format(book);
    format_set_text_wrap(wrap);
    format_set_align(wrap, LXW_ALIGN_VERTICAL_TOP);
    const char *captions[] = {"日付", "売上額", "仕入額", "入金額", "出金額", "日誌"};
    for (lxw_col_t column = 0; column < 6; ++column) {
        worksheet_write_string(sheet, 0, column, captions[column], bold);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    lxw_row_t row = 1;
    sqlite3_reset(query.select);
    while (sqlite3_step(query.select) == SQLITE_ROW) {
        lxw_datetime day{};
        std::sscanf(text(query.select, 0), "%d-%d-%d", &day.year, &day.month, &day.day);
        worksheet_write_datetime(sheet, row, 0, &day, date);
        for (int column = 1; column <= 4; ++column) {
            if (sqlite3_column_type(query.select, column) != SQLITE_NULL) {
                worksheet_write_number(sheet, row, lxw_col_t(column),
                                       double(sqlite3_column_int64(query.select, column)), amount);
            }
        }
        if (sqlite3_column_bytes(query.select, 5) > 0) {
            worksheet_write_string(sheet, row, 5, text(query.select, 5), wrap);
        }
        ++row;
    }
    worksheet_set_column(sheet, 0, 0, 12, nullptr);
    worksheet_set_column(sheet, 1, 4, 9, nullptr);
    worksheet_set_column(sheet, 5, 5, 60, nullptr);
    if (workbook_close(book) != LXW_NO_ERROR) {
        return -1;
    }
    std::FILE *file = std::fopen(temporary.constData(), "rb+");
    return file && syncAndRename(file, temporary, path) ? qint64(row) - 1 : -1;
}

class ExportFigure : public Figure
{
public:
    ExportFigure(const Setting &setting, exchange::Format format) : Figure(setting), m_format(format) {}

    int iterations() const override { return 3; }

    void runSubject(benchmark::State &state) override
    {
        QString folder;
        const auto store = openDataCopy(QStringLiteral("subject"), state, &folder);
        if (!store) {
            return;
        }
        common::NoProgress quiet;
        const exchange::ExportFile file{target(folder), m_format, exchange::Encoding::Utf8, common::kWestern, true};
        for (auto _ : state) {
            const exchange::Exported exported = exchange::exportJournal(*store, period(), file, quiet);
            if (exported.failure) {
                fail(state, *exported.failure);
                return;
            }
            if (exported.rows != records()) {
                fail(state, QStringLiteral("%1 rows written").arg(exported.rows));
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        const QString folder = dataCopy(QStringLiteral("floor"), state);
        QString error;
        Query query;
        if (folder.isEmpty() || !query.open(folder, period(), error)) {
            fail(state, error);
            return;
        }
        const QByteArray path = QFile::encodeName(target(folder));
        const QByteArray scratch = QFile::encodeName(folder);
        for (auto _ : state) {
            const qint64 rows =
                m_format == exchange::Format::Csv ? bareCsv(query, path) : bareXlsx(query, path, scratch);
            if (rows != records()) {
                fail(state, QStringLiteral("the bare loop wrote %1 rows").arg(rows));
                return;
            }
        }
        if (m_format == exchange::Format::Csv) {
            checkSameBytes(state, folder);
        }
    }

protected:
    virtual store::Period period() const = 0;
    qint64 records() const { return period().first.daysTo(period().last) + 1; }

private:
    QString target(const QString &folder) const
    {
        return QDir(folder).filePath(m_format == exchange::Format::Csv ? QStringLiteral("journal.csv")
                                                                       : QStringLiteral("journal.xlsx"));
    }

    // The floor stands for the program only while it writes what the program writes.
    void checkSameBytes(benchmark::State &state, const QString &floorFolder)
    {
        const QString subjectFolder = dataCopy(QStringLiteral("subject"), state);
        auto store = store::makeSqliteStore();
        common::NoProgress quiet;
        const QString path = QDir(subjectFolder).filePath(QStringLiteral("check.csv"));
        if (store->open(store::Location::inFolder(subjectFolder)) ||
            exchange::exportJournal(*store, period(), {path, m_format, exchange::Encoding::Utf8, {}, true}, quiet)
                .failure) {
            fail(state, QStringLiteral("the program's export failed"));
            return;
        }
        QFile program(path);
        QFile bare(target(floorFolder));
        if (!program.open(QIODevice::ReadOnly) || !bare.open(QIODevice::ReadOnly) ||
            program.readAll() != bare.readAll()) {
            fail(state, QStringLiteral("the bare loop writes other bytes than the program"));
        }
    }

    exchange::Format m_format;
};

class CsvFigure final : public ExportFigure
{
public:
    explicit CsvFigure(const Setting &setting) : ExportFigure(setting, exchange::Format::Csv) {}
    QString name() const override { return QStringLiteral("export-csv-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("export-csv"); }
    QString floorName() const override { return QStringLiteral("sqlite-loop+write"); }

protected:
    store::Period period() const override { return data().period(); }
};

class XlsxFigure final : public ExportFigure
{
public:
    explicit XlsxFigure(const Setting &setting) : ExportFigure(setting, exchange::Format::Xlsx) {}
    QString name() const override { return QStringLiteral("export-xlsx-10y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("export-xlsx"); }
    QString floorName() const override { return QStringLiteral("bare-libxlsxwriter"); }

protected:
    store::Period period() const override
    {
        // The last ten calendar years of the data.
        return {std::max(data().firstDay, QDate(data().lastDay.year() - 9, 1, 1)), data().lastDay};
    }
};

} // namespace

std::unique_ptr<Figure> makeExportCsvFigure(const Setting &setting)
{
    return std::make_unique<CsvFigure>(setting);
}

std::unique_ptr<Figure> makeExportXlsxFigure(const Setting &setting)
{
    return std::make_unique<XlsxFigure>(setting);
}

} // namespace bench
