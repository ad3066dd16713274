// The throwaway server the server engine is tested against
// (scripts/pgcluster.sh): what the engine needs of the database, and the
// unusual settings it must not depend on. Skipped without ZEPHRA_TEST_SERVER.

#include <QTest>

#include <libpq-fe.h>
#include <memory>

namespace {

struct ConnectionCloser
{
    void operator()(PGconn *connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;

// The first value of a one-row query, or the server's error text prefixed by "error: ".
QString valueOf(PGconn *connection, const char *sql)
{
    PGresult *result = PQexec(connection, sql);
    QString value;
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        value = QStringLiteral("error: ") + QString::fromUtf8(PQresultErrorMessage(result));
    } else if (PQntuples(result) == 1) {
        value = QString::fromUtf8(PQgetvalue(result, 0, 0));
    }
    PQclear(result);
    return value;
}

} // namespace

class TestPgCluster : public QObject
{
    Q_OBJECT

private:
    Connection m_connection;

private slots:
    void initTestCase()
    {
        const QByteArray address = qgetenv("ZEPHRA_TEST_SERVER");
        if (address.isEmpty()) {
            QSKIP("ZEPHRA_TEST_SERVER names no server");
        }
        m_connection.reset(PQconnectdb(address.constData()));
        QVERIFY2(PQstatus(m_connection.get()) == CONNECTION_OK, PQerrorMessage(m_connection.get()));
    }

    void databaseHoldsWhatTheEngineNeeds()
    {
        PGconn *connection = m_connection.get();
        QCOMPARE(valueOf(connection, "SELECT count(*) FROM pg_extension WHERE extname = 'pg_trgm'"), u"1");
        QCOMPARE(valueOf(connection, "SHOW server_encoding"), u"UTF8");
        QCOMPARE(valueOf(connection, "SELECT similarity('業務日誌', '業務日誌') = 1"), u"t");
        // Text is ordered as Japanese is (katakana beside hiragana), not by code point.
        QCOMPARE(valueOf(connection, "SELECT string_agg(w, '' ORDER BY w) FROM unnest(ARRAY['日', 'い', 'ア']) w"),
                 u"アい日");
    }

    void roleOwnsItsDatabaseWithoutPowerOverTheServer()
    {
        PGconn *connection = m_connection.get();
        QCOMPARE(valueOf(connection, "SELECT rolsuper FROM pg_roles WHERE rolname = current_user"), u"f");
        QCOMPARE(valueOf(connection, "SELECT pg_get_userbyid(datdba) = current_user FROM pg_database "
                                     "WHERE datname = current_database()"),
                 u"t");
        QVERIFY(valueOf(connection, "CREATE TABLE cluster_probe (x text); DROP TABLE cluster_probe; SELECT 1")
                    .startsWith(u"1"));
    }

    void settingsAreFarFromTheUsual()
    {
        // The engine is tested against a server whose clock and dates read unlike the client's.
        PGconn *connection = m_connection.get();
        QCOMPARE(valueOf(connection, "SHOW TimeZone"), u"Pacific/Chatham");
        QCOMPARE(valueOf(connection, "SHOW DateStyle"), u"SQL, DMY");
    }
};

QTEST_GUILESS_MAIN(TestPgCluster)
#include "test_pgcluster.moc"
