// The journal on a database server: registering one day, a totals run over a
// hundred years and a search of them, each through the program's own path
// against the bare libpq statements that any program doing the same work on
// the same server needs. The hundred years are moved onto a database of their
// own once per run, as `zephra --move-to-server` moves a journal.

#include "centurydata.h"
#include "figure.h"
#include "registrar.h"
#include "totalsrun.h"

#include "app/movetoserver.h"
#include "common/formats.h"
#include "store/engines.h"
#include "store/search.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QUrl>

#include <array>
#include <libpq-fe.h>
#include <vector>

namespace bench {

namespace {

// One connection of the floor's own, closed with it.
class BareConnection
{
public:
    BareConnection() = default;
    ~BareConnection() { PQfinish(m_connection); }
    BareConnection(const BareConnection &) = delete;
    BareConnection &operator=(const BareConnection &) = delete;

    QString open(const QString &address)
    {
        m_connection = PQconnectdb(address.toUtf8().constData());
        return PQstatus(m_connection) == CONNECTION_OK ? QString() : QString::fromUtf8(PQerrorMessage(m_connection));
    }
    bool isOpen() const { return m_connection && PQstatus(m_connection) == CONNECTION_OK; }

    // Runs statements without parameters; the failure's text, or an empty one.
    QString exec(const char *sql, int *changed = nullptr)
    {
        PGresult *result = PQexec(m_connection, sql);
        return take(result, changed);
    }
    QString prepare(const char *name, const char *sql) { return take(PQprepare(m_connection, name, sql, 0, nullptr)); }
    // Runs a prepared statement with text parameters; its rows, when it has any, stay in `rows`.
    QString run(const char *name, const std::vector<QByteArray> &values,
                std::vector<std::vector<QByteArray>> *rows = nullptr)
    {
        std::vector<const char *> pointers;
        for (const QByteArray &value : values) {
            pointers.push_back(value.constData());
        }
        PGresult *result = PQexecPrepared(m_connection, name, int(values.size()), pointers.data(), nullptr, nullptr, 0);
        if (rows && PQresultStatus(result) == PGRES_TUPLES_OK) {
            rows->clear();
            const int columns = PQnfields(result);
            for (int row = 0; row < PQntuples(result); ++row) {
                std::vector<QByteArray> copied;
                for (int column = 0; column < columns; ++column) {
                    copied.emplace_back(PQgetvalue(result, row, column), PQgetlength(result, row, column));
                }
                rows->push_back(std::move(copied));
            }
        }
        return take(result);
    }

private:
    static QString take(PGresult *result, int *changed = nullptr)
    {
        const ExecStatusType status = PQresultStatus(result);
        QString failure;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            failure = QString::fromUtf8(PQresultErrorMessage(result));
        } else if (changed) {
            *changed = QByteArray(PQcmdTuples(result)).toInt();
        }
        PQclear(result);
        return failure;
    }

    PGconn *m_connection = nullptr;
};

// The hundred years on the server, in a database made for this run and
// dropped at its end; the address of that database, or why there is none.
class ServerCentury
{
public:
    static ServerCentury &of(const Setting &setting)
    {
        static ServerCentury century(setting);
        return century;
    }
    ~ServerCentury()
    {
        if (!m_address.isEmpty()) {
            BareConnection admin;
            if (admin.open(m_server).isEmpty()) {
                (void)admin.exec(("DROP DATABASE IF EXISTS " + m_database + " WITH (FORCE)").constData());
            }
        }
    }

    QString address() const { return m_address; }
    QString failure() const { return m_failure; }

private:
    explicit ServerCentury(const Setting &setting) : m_server(setting.serverAddress)
    {
        if (m_server.isEmpty()) {
            m_failure = QStringLiteral("no server: give --server ADDRESS (scripts/bench.sh starts one)");
            return;
        }
        m_database = "zephra_bench_" + QByteArray::number(QCoreApplication::applicationPid());
        BareConnection admin;
        if (m_failure = admin.open(m_server); !m_failure.isEmpty()) {
            return;
        }
        if (m_failure =
                admin.exec(("CREATE DATABASE " + m_database + " TEMPLATE template0 ENCODING 'UTF8'").constData());
            !m_failure.isEmpty()) {
            return;
        }
        QUrl url(m_server);
        url.setPath(u'/' + QString::fromLatin1(m_database));
        const QString address = url.toString();
        {
            BareConnection fresh;
            if (m_failure = fresh.open(address); m_failure.isEmpty()) {
                m_failure = fresh.exec("CREATE EXTENSION pg_trgm");
            }
        }
        if (m_failure.isEmpty()) {
            const app::CommandResult moved = app::moveToServerCommand({address}, setting.centuryFolder);
            if (moved.exitStatus != 0) {
                m_failure = moved.message;
            }
        }
        m_address = address; // dropped at the end also after a failure
    }

    QString m_server;
    QByteArray m_database;
    QString m_address;
    QString m_failure;
};

// The program's store on the server's hundred years; none after a failure, which ends the run.
std::unique_ptr<store::Store> openServerStore(const Setting &setting, benchmark::State &state)
{
    const ServerCentury &century = ServerCentury::of(setting);
    if (!century.failure().isEmpty()) {
        fail(state, century.failure());
        return nullptr;
    }
    const store::Location location = store::Location::onServer(century.address());
    std::unique_ptr<store::Store> store = store::makeStore(location);
    if (const std::optional<store::OpenFailure> failure = store->open(location)) {
        fail(state, failure->path + QStringLiteral(": ") + failure->error.message);
        return nullptr;
    }
    return store;
}

// The floor's connection to the same data; false after a failure, which ends the run.
bool openBare(const Setting &setting, BareConnection &connection, benchmark::State &state)
{
    const ServerCentury &century = ServerCentury::of(setting);
    QString failure = century.failure();
    if (failure.isEmpty()) {
        failure = connection.open(century.address());
    }
    if (!failure.isEmpty()) {
        fail(state, failure);
        return false;
    }
    return true;
}

QByteArray isoDay(QDate day)
{
    return day.toString(Qt::ISODate).toLatin1();
}

class RegisterFigure final : public Figure
{
public:
    using Figure::Figure;
    ~RegisterFigure() override { m_registrar.reset(); }

    QString name() const override { return QStringLiteral("pg-register"); }
    double limit() const override { return 2; }
    QString subjectName() const override { return QStringLiteral("journal-page"); }
    QString floorName() const override { return QStringLiteral("libpq-prepared-upsert"); }
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

    // The same row written in one statement: the values, the text's search
    // form (which the trigram index takes), a version and the moment.
    void runFloor(benchmark::State &state) override
    {
        if (!m_bare.isOpen()) {
            if (!openBare(setting(), m_bare, state)) {
                return;
            }
            const QString failure = m_bare.prepare(
                "upsert",
                "INSERT INTO \"業務日誌\" (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", \"日誌\", "
                "\"検索形\", \"版\", \"更新日時\") VALUES ($1::date, $2, $3, $4, $5, $6, $7, 1, $8) "
                "ON CONFLICT (\"日付\") DO UPDATE SET \"売上額\" = $2, \"仕入額\" = $3, \"入金額\" = $4, "
                "\"出金額\" = $5, \"日誌\" = $6, \"検索形\" = $7, "
                "\"版\" = \"業務日誌\".\"版\" + 1, \"更新日時\" = $8");
            if (!failure.isEmpty()) {
                fail(state, failure);
                return;
            }
        }
        for (auto _ : state) {
            const Entry entry = entryOf(data(), m_floorCount++);
            std::vector<QByteArray> values{isoDay(entry.date)};
            for (const qint64 amount : entry.amounts) {
                values.push_back(QByteArray::number(amount));
            }
            values.push_back(entry.memo.toUtf8());
            values.push_back(store::searchForm(entry.memo).toUtf8());
            values.push_back(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1());
            if (const QString failure = m_bare.run("upsert", values); !failure.isEmpty()) {
                fail(state, failure);
                break;
            }
        }
    }

private:
    bool prepareSubject(benchmark::State &state)
    {
        if (m_registrar) {
            return true;
        }
        std::unique_ptr<store::Store> store = openServerStore(setting(), state);
        if (!store) {
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

    std::unique_ptr<Registrar> m_registrar;

    BareConnection m_bare;
    qint64 m_floorCount = 0;
};

class CalcFigure final : public Figure
{
public:
    using Figure::Figure;
    ~CalcFigure() override { m_run.reset(); }

    QString name() const override { return QStringLiteral("pg-calc-100y"); }
    double limit() const override { return 3; }
    QString subjectName() const override { return QStringLiteral("totals-run"); }
    QString floorName() const override { return QStringLiteral("insert-select"); }
    int iterations() const override { return 1; }

    void runSubject(benchmark::State &state) override
    {
        if (!prepareSubject(state)) {
            return;
        }
        for (auto _ : state) {
            m_run->run();
        }
        if (const QString trouble = m_run->trouble(); !trouble.isEmpty()) {
            fail(state, trouble);
        }
    }

    // The period's rows copied on the server into a temporary table of the
    // connection, as the program's work table is, in one transaction.
    void runFloor(benchmark::State &state) override
    {
        if (!m_bare.isOpen()) {
            if (!openBare(setting(), m_bare, state)) {
                return;
            }
            if (const QString failure = m_bare.exec(
                    "CREATE TEMPORARY TABLE bare (\"id\" bigserial PRIMARY KEY, \"日付\" date, \"売上額\" bigint, "
                    "\"仕入額\" bigint, \"入金額\" bigint, \"出金額\" bigint)");
                !failure.isEmpty()) {
                fail(state, failure);
                return;
            }
        }
        for (auto _ : state) {
            int copied = 0;
            QString failure = m_bare.exec("BEGIN");
            for (const char *sql : {"DELETE FROM bare"}) {
                failure = failure.isEmpty() ? m_bare.exec(sql) : failure;
            }
            if (failure.isEmpty()) {
                failure =
                    m_bare.exec(("INSERT INTO bare (\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\") "
                                 "SELECT \"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\" FROM \"業務日誌\" "
                                 "WHERE \"日付\" BETWEEN '" +
                                 data().firstDay.toString(Qt::ISODate).toUtf8() + "' AND '" +
                                 data().lastDay.toString(Qt::ISODate).toUtf8() + "' ORDER BY \"日付\"")
                                    .constData(),
                                &copied);
            }
            failure = failure.isEmpty() ? m_bare.exec("COMMIT") : failure;
            if (!failure.isEmpty() || copied != data().records) {
                fail(state, QStringLiteral("copied %1 rows: ").arg(copied) + failure);
                (void)m_bare.exec("ROLLBACK");
                break;
            }
        }
    }

private:
    bool prepareSubject(benchmark::State &state)
    {
        if (m_run) {
            return true;
        }
        std::unique_ptr<store::Store> store = openServerStore(setting(), state);
        if (!store) {
            return false;
        }
        m_run = std::make_unique<TotalsRun>(std::move(store), data());
        if (!m_run->complete()) {
            m_run.reset();
            fail(state, QStringLiteral("the totals page has no period boxes"));
            return false;
        }
        return true;
    }

    std::unique_ptr<TotalsRun> m_run;

    BareConnection m_bare;
};

constexpr int kLimit = 1000;

class SearchFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("pg-search-100y"); }
    double limit() const override { return 1.5; }
    QString subjectName() const override { return QStringLiteral("store-search"); }
    QString floorName() const override { return QStringLiteral("bare-trigram-query"); }
    int iterations() const override { return 5; }

    void runSubject(benchmark::State &state) override
    {
        if (!m_store && !(m_store = openServerStore(setting(), state))) {
            return;
        }
        store::SearchResult result;
        for (auto _ : state) {
            if (const store::DbError error = m_store->search({data().words, {}, {}, kLimit}, result)) {
                fail(state, error.message);
                return;
            }
        }
        if (result.hits.size() != kLimit || !result.more) {
            fail(state, QStringLiteral("the search found %1 days").arg(result.hits.size()));
            return;
        }
        m_subjectNewest = isoDay(result.hits.first().date);
    }

    // The same words looked for through the trigram index on the same search
    // form, newest first, the same columns copied out.
    void runFloor(benchmark::State &state) override
    {
        if (!m_bare.isOpen()) {
            if (!openBare(setting(), m_bare, state)) {
                return;
            }
            if (const QString failure = m_bare.prepare(
                    "search", "SELECT to_char(\"日付\", 'YYYY-MM-DD'), \"売上額\", \"日誌\" FROM \"業務日誌\" "
                              "WHERE \"検索形\" LIKE $1 AND \"検索形\" LIKE $2 ORDER BY \"日付\" DESC LIMIT 1001");
                !failure.isEmpty()) {
                fail(state, failure);
                return;
            }
        }
        std::vector<QByteArray> patterns;
        for (const QString &word : data().words.split(u' ', Qt::SkipEmptyParts)) {
            patterns.push_back("%" + store::searchForm(word).toUtf8() + "%");
        }
        std::vector<std::vector<QByteArray>> rows;
        for (auto _ : state) {
            if (const QString failure = m_bare.run("search", patterns, &rows); !failure.isEmpty()) {
                fail(state, failure);
                return;
            }
        }
        if (rows.size() != kLimit + 1) {
            fail(state, QStringLiteral("the bare query read %1 rows").arg(rows.size()));
        } else if (!m_subjectNewest.isEmpty() && rows.front().front() != m_subjectNewest) {
            fail(state, QStringLiteral("the bare query's newest day differs from the program's"));
        }
    }

private:
    std::unique_ptr<store::Store> m_store;
    BareConnection m_bare;
    QByteArray m_subjectNewest;
};

} // namespace

std::unique_ptr<Figure> makeServerRegisterFigure(const Setting &setting)
{
    return std::make_unique<RegisterFigure>(setting);
}

std::unique_ptr<Figure> makeServerCalcFigure(const Setting &setting)
{
    return std::make_unique<CalcFigure>(setting);
}

std::unique_ptr<Figure> makeServerSearchFigure(const Setting &setting)
{
    return std::make_unique<SearchFigure>(setting);
}

} // namespace bench
