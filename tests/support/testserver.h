#pragma once
// The database server the server engine's tests run against, named by
// ZEPHRA_TEST_SERVER (a libpq address); each test gets a schema of its own,
// dropped at its end, which its locations put first on the search path.

#include "store/location.h"

#include <QString>
#include <QStringList>
#include <QTest>
#include <QUrl>
#include <QUuid>

#include <libpq-fe.h>

namespace testsupport {

inline QString testServer()
{
    return qEnvironmentVariable("ZEPHRA_TEST_SERVER");
}

#define SKIP_WITHOUT_SERVER()                                                                                          \
    do {                                                                                                               \
        if (testsupport::testServer().isEmpty()) {                                                                     \
            QSKIP("ZEPHRA_TEST_SERVER is not set");                                                                    \
        }                                                                                                              \
    } while (false)

// Runs statements on a connection of the test's own; the first failure's text, or an empty one.
inline QString serverExec(const QString &address, const QByteArray &sql)
{
    PGconn *connection = PQconnectdb(address.toUtf8().constData());
    QString failure;
    if (PQstatus(connection) != CONNECTION_OK) {
        failure = QString::fromUtf8(PQerrorMessage(connection));
    } else {
        PGresult *result = PQexec(connection, sql.constData());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            failure = QString::fromUtf8(PQresultErrorMessage(result));
        }
        PQclear(result);
    }
    PQfinish(connection);
    return failure;
}

class ServerSchema
{
public:
    ServerSchema() : m_name(QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16))
    {
        m_error = serverExec(testServer(), "CREATE SCHEMA " + m_name.toUtf8());
    }
    ~ServerSchema()
    {
        (void)serverExec(testServer(),
                         "SET client_min_messages = warning; DROP SCHEMA IF EXISTS " + m_name.toUtf8() + " CASCADE");
    }
    ServerSchema(const ServerSchema &) = delete;
    ServerSchema &operator=(const ServerSchema &) = delete;

    QString name() const { return m_name; }
    QString error() const { return m_error; }

    // The address of the schema's data, with the server settings `settings`
    // ("TimeZone=Pacific/Chatham", ...) for the session; the connections are
    // named after the schema, for a test to find them on the server.
    QString address(const QStringList &settings = {}) const
    {
        QString options = QStringLiteral("-c search_path=%1,public").arg(m_name);
        for (const QString &setting : settings) {
            options += QStringLiteral(" -c ") + setting;
        }
        const QString base = testServer();
        return base + (base.contains(u'?') ? u'&' : u'?') + QStringLiteral("application_name=") + m_name +
               QStringLiteral("&options=") + QString::fromLatin1(QUrl::toPercentEncoding(options));
    }
    store::Location location(const QStringList &settings = {}) const
    {
        return store::Location::onServer(address(settings));
    }
    // Statements run in the schema on a connection of the test's own.
    QString exec(const QByteArray &sql) const { return serverExec(address(), sql); }

private:
    QString m_name;
    QString m_error;
};

} // namespace testsupport
