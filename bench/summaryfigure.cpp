// The yearly summary of the hundred years through the store, against the
// bare grouped query any program summing the journal per year runs.

#include "centurydata.h"
#include "figure.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <vector>

namespace bench {

namespace {

const char *const kBareSummary = "SELECT substr(日付, 1, 4), sum(売上額), sum(仕入額), sum(入金額), sum(出金額), "
                                 "count(*) FROM 業務日誌 WHERE 日付 >= ?1 AND 日付 <= ?2 GROUP BY 1 ORDER BY 1";

struct BareRow
{
    int year = 0;
    qint64 sums[4] = {};
    qint64 days = 0;
};

class SummaryFigure final : public Figure
{
public:
    explicit SummaryFigure(const Setting &setting) : Figure(setting) {}

    QString name() const override { return QStringLiteral("summary-100y"); }
    double limit() const override { return 2.0; }
    QString subjectName() const override { return QStringLiteral("store-summarise"); }
    QString floorName() const override { return QStringLiteral("bare-group-by"); }
    int iterations() const override { return 10; }

    void runSubject(benchmark::State &state) override
    {
        const auto store = openDataCopy(QStringLiteral("subject"), state);
        if (!store) {
            return;
        }
        QList<store::SummaryRow> rows;
        for (auto _ : state) {
            if (const store::DbError error = store->summarise(data().period(), store::Grouping::Year, rows)) {
                fail(state, error.message);
                return;
            }
            if (rows.size() != years() || store::totalOf(rows).days != data().records) {
                fail(state, QStringLiteral("%1 years summarised").arg(rows.size()));
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        const QString folder = dataCopy(QStringLiteral("floor"), state);
        if (folder.isEmpty()) {
            return;
        }
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(store::kMainFileName));
        sqlite3 *db = nullptr;
        sqlite3_stmt *select = nullptr;
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db, kBareSummary, -1, &select, nullptr) != SQLITE_OK) {
            fail(state, QString::fromUtf8(sqlite3_errmsg(db)));
            sqlite3_close(db);
            return;
        }
        const QByteArray first = data().firstDay.toString(Qt::ISODate).toUtf8();
        const QByteArray last = data().lastDay.toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(select, 1, first.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(select, 2, last.constData(), -1, SQLITE_STATIC);
        std::vector<BareRow> rows;
        for (auto _ : state) {
            rows.clear();
            sqlite3_reset(select);
            qint64 days = 0;
            while (sqlite3_step(select) == SQLITE_ROW) {
                BareRow row;
                row.year = sqlite3_column_int(select, 0);
                for (int column = 0; column < 4; ++column) {
                    row.sums[column] = sqlite3_column_int64(select, column + 1);
                }
                row.days = sqlite3_column_int64(select, 5);
                days += row.days;
                rows.push_back(row);
            }
            if (qsizetype(rows.size()) != years() || days != data().records) {
                fail(state, QStringLiteral("the bare query gave %1 years").arg(rows.size()));
                break;
            }
        }
        sqlite3_finalize(select);
        sqlite3_close(db);
    }

private:
    qsizetype years() const { return data().lastDay.year() - data().firstDay.year() + 1; }
};

} // namespace

std::unique_ptr<Figure> makeSummaryFigure(const Setting &setting)
{
    return std::make_unique<SummaryFigure>(setting);
}

} // namespace bench
