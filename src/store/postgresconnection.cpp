#include "store/postgresconnection.h"

#include "store/postgreslibrary.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <algorithm>
#include <libpq-fe.h>

namespace store::pg {

namespace {

// The loaded library; only called once a connection has been made, which
// loads it first.
const LibPq &lib()
{
    return *libPq();
}

DbError lost(const QString &message)
{
    return {DbErrorKind::ConnectionLost, 0, message.trimmed()};
}

// A connection that could not be made says why only in its text.
DbError connectionFailure(const QString &message)
{
    if (message.contains(QLatin1String("password authentication failed")) ||
        message.contains(QLatin1String("no password supplied")) ||
        message.contains(QLatin1String("permission denied"))) {
        return {DbErrorKind::NoAccess, 0, message.trimmed()};
    }
    if (message.contains(QLatin1String("does not exist"))) {
        return {DbErrorKind::Missing, 0, message.trimmed()};
    }
    return lost(message);
}

} // namespace

// The server's codes that the program acts on, by kind; a code of two
// characters stands for its whole class.
struct StateKind
{
    const char *state;
    DbErrorKind kind;
};
constexpr StateKind kStateKinds[] = {
    {"08", DbErrorKind::ConnectionLost},    {"57P01", DbErrorKind::ConnectionLost},
    {"57P02", DbErrorKind::ConnectionLost}, {"57P03", DbErrorKind::ConnectionLost},
    {"40001", DbErrorKind::Busy},           {"40P01", DbErrorKind::Busy},
    {"55P03", DbErrorKind::Busy},           {"25006", DbErrorKind::ReadOnly},
    {"23505", DbErrorKind::Duplicate},      {"23514", DbErrorKind::RefusedValue},
    {"22003", DbErrorKind::RefusedValue},   {"22007", DbErrorKind::RefusedValue},
    {"22008", DbErrorKind::RefusedValue},   {"23502", DbErrorKind::RefusedValue},
    {"42P01", DbErrorKind::MissingTable},   {"3F000", DbErrorKind::MissingTable},
    {"53100", DbErrorKind::DiskFull},       {"28P01", DbErrorKind::NoAccess},
    {"28000", DbErrorKind::NoAccess},       {"42501", DbErrorKind::NoAccess},
    {"3D000", DbErrorKind::Missing},        {"57014", DbErrorKind::Interrupted},
    {"58030", DbErrorKind::DiskFailed},
};

DbError errorFrom(const QByteArray &sqlstate, const QString &message)
{
    DbErrorKind kind = DbErrorKind::Other;
    for (const StateKind &known : kStateKinds) {
        const bool whole = qstrlen(known.state) == 5;
        if (whole ? sqlstate == known.state : sqlstate.startsWith(known.state)) {
            kind = known.kind;
            break;
        }
    }
    // The server's codes are no numbers: the SQLSTATE leads the text instead.
    return {kind, 0, QStringLiteral("SQLSTATE %1: %2").arg(QString::fromLatin1(sqlstate), message.trimmed())};
}

Params &Params::add(const QString &text)
{
    m_values.emplace_back(text.toUtf8());
    return *this;
}

Params &Params::add(qint64 number)
{
    m_values.emplace_back(QByteArray::number(number));
    return *this;
}

Params &Params::add(std::optional<qint64> number)
{
    return number ? add(*number) : addNull();
}

Params &Params::add(QDate day)
{
    QByteArray stored = storedDate(day);
    if (stored.isEmpty()) {
        return addNull();
    }
    m_values.emplace_back(std::move(stored));
    return *this;
}

Params &Params::add(const QDateTime &moment)
{
    return moment.isValid() ? add(storedMoment(moment)) : addNull();
}

Params &Params::addNull()
{
    m_values.emplace_back(std::nullopt);
    return *this;
}

const char *const *Params::values() const
{
    m_pointers.clear();
    for (const std::optional<QByteArray> &value : m_values) {
        m_pointers.push_back(value ? value->constData() : nullptr);
    }
    return m_pointers.data();
}

Result::Result(pg_result *result) : m_result(result, lib().PQclear) {}

int Result::rows() const
{
    return m_result ? lib().PQntuples(m_result.get()) : 0;
}

bool Result::isNull(int row, int column) const
{
    return !m_result || lib().PQgetisnull(m_result.get(), row, column);
}

QByteArray Result::utf8(int row, int column) const
{
    if (isNull(row, column)) {
        return {};
    }
    return QByteArray(lib().PQgetvalue(m_result.get(), row, column), lib().PQgetlength(m_result.get(), row, column));
}

QString Result::text(int row, int column) const
{
    if (isNull(row, column)) {
        return {};
    }
    return QString::fromUtf8(lib().PQgetvalue(m_result.get(), row, column),
                             lib().PQgetlength(m_result.get(), row, column));
}

qint64 Result::integer(int row, int column) const
{
    return isNull(row, column) ? 0 : QByteArray(lib().PQgetvalue(m_result.get(), row, column)).toLongLong();
}

std::optional<qint64> Result::amount(int row, int column) const
{
    if (isNull(row, column)) {
        return std::nullopt;
    }
    return integer(row, column);
}

QDate Result::date(int row, int column) const
{
    if (isNull(row, column)) {
        return {};
    }
    return parseStoredDate(lib().PQgetvalue(m_result.get(), row, column),
                           lib().PQgetlength(m_result.get(), row, column));
}

QDateTime Result::moment(int row, int column) const
{
    return isNull(row, column) ? QDateTime()
                               : parseStoredMoment(lib().PQgetvalue(m_result.get(), row, column),
                                                   lib().PQgetlength(m_result.get(), row, column));
}

qint64 Result::affected() const
{
    return m_result ? QByteArray(lib().PQcmdTuples(m_result.get())).toLongLong() : 0;
}

Connection::~Connection()
{
    close();
}

DbError Connection::open(const QString &address, std::function<DbError()> setUp)
{
    close();
    m_address = address;
    m_setUp = std::move(setUp);
    return connect();
}

void Connection::close()
{
    const std::lock_guard lock(m_cancelMutex);
    if (m_cancel) {
        lib().PQfreeCancel(m_cancel);
        m_cancel = nullptr;
    }
    if (m_connection) {
        lib().PQfinish(m_connection);
        m_connection = nullptr;
    }
    m_depth = 0;
    m_prepared.clear();
    m_address.clear();
    m_underWay = 0;
    m_answers.clear();
}

DbError Connection::connect()
{
    if (QString why; !libPq(&why)) {
        return {DbErrorKind::Missing, why};
    }
    collect();
    {
        const std::lock_guard lock(m_cancelMutex);
        if (m_cancel) {
            lib().PQfreeCancel(m_cancel);
            m_cancel = nullptr;
        }
        if (m_connection) {
            lib().PQfinish(m_connection);
        }
        // A server that does not answer is given up after a while, unless
        // the address says how long to wait (its settings come later and win).
        // The connections of one program carry its name, host and process,
        // so that a restore can tell the other programs on the data.
        const QByteArray address = m_address.toUtf8();
        static const QByteArray name = "zephra " + QSysInfo::machineHostName().toUtf8().left(32) + ' ' +
                                       QByteArray::number(QCoreApplication::applicationPid());
        const char *const keywords[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
        const char *const values[] = {"10", name.constData(), address.constData(), nullptr};
        m_connection = lib().PQconnectdbParams(keywords, values, 1);
        if (lib().PQstatus(m_connection) != CONNECTION_OK) {
            const QString message = QString::fromUtf8(lib().PQerrorMessage(m_connection));
            lib().PQfinish(m_connection);
            m_connection = nullptr;
            return connectionFailure(message);
        }
        m_cancel = lib().PQgetCancel(m_connection);
    }
    m_depth = 0;
    m_prepared.clear();
    // Dates travel as 'YYYY-MM-DD' texts and are read with to_char, moments
    // are texts: the server's own zone and date style change nothing. A lock
    // another program holds too long fails as busy, as the file engine's wait
    // does, unless the server or the address sets a wait of its own.
    if (DbError error = exec("SET TimeZone = 'UTC'; SET DateStyle = 'ISO, YMD'; SET client_encoding = 'UTF8'; "
                             "SET client_min_messages = 'warning'; "
                             "SELECT set_config('lock_timeout', '10s', false) "
                             "WHERE current_setting('lock_timeout') IN ('0', '0ms')")) {
        return error;
    }
    return m_setUp ? m_setUp() : DbError{};
}

DbError Connection::failure(pg_result *result)
{
    // The code and the text are taken out before the result is freed: they live in it.
    const char *field = result ? lib().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QByteArray state = field ? QByteArray(field) : QByteArray();
    const QString message =
        QString::fromUtf8(result ? lib().PQresultErrorMessage(result) : lib().PQerrorMessage(m_connection));
    if (result) {
        lib().PQclear(result);
    }
    if (lib().PQstatus(m_connection) != CONNECTION_OK) {
        return lost(message);
    }
    return !state.isEmpty() ? errorFrom(state, message) : DbError(DbErrorKind::Other, 0, message.trimmed());
}

DbError Connection::ready()
{
    collect();
    if (!m_connection) {
        if (m_address.isEmpty()) {
            return {DbErrorKind::Closed, QStringLiteral("database not open")};
        }
    } else if (lib().PQstatus(m_connection) != CONNECTION_OK && m_depth > 0) {
        return lost(QStringLiteral("the connection broke off inside a transaction"));
    }
    if (!m_connection || lib().PQstatus(m_connection) != CONNECTION_OK) {
        return connect();
    }
    return {};
}

DbError Connection::answerOf(pg_result *answer, Result &result)
{
    const ExecStatusType status = answer ? lib().PQresultStatus(answer) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        return failure(answer);
    }
    result = Result(answer);
    return {};
}

DbError Connection::run(const char *sql, const Params &params, Result &result, bool prepare)
{
    result = Result();
    if (DbError error = ready()) {
        return error;
    }
    QByteArray name;
    if (prepare && params.size() > 0) {
        if (DbError error = prepared(sql, params.size(), name)) {
            return error;
        }
    }
    pg_result *answer =
        params.size() == 0 && prepare ? lib().PQexec(m_connection, sql)
        : name.isEmpty()
            ? lib().PQexecParams(m_connection, sql, params.size(), nullptr, params.values(), nullptr, nullptr, 0)
            : lib().PQexecPrepared(m_connection, name.constData(), params.size(), params.values(), nullptr, nullptr, 0);
    return answerOf(answer, result);
}

DbError Connection::exec(const char *sql, const Params &params, Result &result)
{
    return run(sql, params, result, true);
}

DbError Connection::execPlanned(const char *sql, const Params &params, Result &result)
{
    return run(sql, params, result, false);
}

DbError Connection::send(const char *sql, const Params &params, quint64 &ticket)
{
    ticket = 0;
    if (DbError error = ready()) {
        return error;
    }
    QByteArray name;
    if (DbError error = prepared(sql, params.size(), name)) {
        return error;
    }
    const int sent = name.isEmpty() ? lib().PQsendQueryParams(m_connection, sql, params.size(), nullptr,
                                                              params.values(), nullptr, nullptr, 0)
                                    : lib().PQsendQueryPrepared(m_connection, name.constData(), params.size(),
                                                                params.values(), nullptr, nullptr, 0);
    if (!sent) {
        return failure(nullptr);
    }
    ticket = m_underWay = ++m_lastTicket;
    return {};
}

Connection::Answer Connection::answerUnderWay()
{
    m_underWay = 0;
    // One statement gives one result, then none.
    pg_result *first = lib().PQgetResult(m_connection);
    while (pg_result *more = first ? lib().PQgetResult(m_connection) : nullptr) {
        lib().PQclear(more);
    }
    Answer answer;
    answer.error = answerOf(first, answer.result);
    return answer;
}

void Connection::collect()
{
    if (m_underWay == 0) {
        return;
    }
    const quint64 ticket = m_underWay;
    Answer answer = answerUnderWay();
    // Answers nobody asked for (days typed and left) are not kept for ever.
    constexpr qsizetype kMostKept = 16;
    if (m_answers.size() >= kMostKept) {
        m_answers.erase(std::min_element(m_answers.keyBegin(), m_answers.keyEnd()).base());
    }
    m_answers.insert(ticket, std::move(answer));
}

DbError Connection::receive(quint64 ticket, Result &result)
{
    result = Result();
    Answer answer;
    if (ticket != 0 && ticket == m_underWay) {
        answer = answerUnderWay();
    } else if (const auto kept = m_answers.constFind(ticket); kept != m_answers.cend()) {
        answer = *kept;
        m_answers.erase(kept);
    } else {
        return {DbErrorKind::Other, QStringLiteral("the answer to a statement sent earlier is no longer kept")};
    }
    result = answer.result;
    return answer.error;
}

DbError Connection::prepared(const char *sql, int parameters, QByteArray &name)
{
    // The statements of the store are few; a search's differ only by the
    // number of its words. Past this many, statements run unprepared.
    constexpr qsizetype kMostPrepared = 200;
    const QByteArray text(sql);
    if (const auto known = m_prepared.constFind(text); known != m_prepared.cend()) {
        name = *known;
        return {};
    }
    if (m_prepared.size() >= kMostPrepared) {
        name.clear();
        return {};
    }
    const QByteArray made = "zephra_" + QByteArray::number(m_prepared.size() + 1);
    pg_result *answer = lib().PQprepare(m_connection, made.constData(), sql, parameters, nullptr);
    if (!answer || lib().PQresultStatus(answer) != PGRES_COMMAND_OK) {
        return failure(answer);
    }
    lib().PQclear(answer);
    m_prepared.insert(text, made);
    name = made;
    return {};
}

DbError Connection::exec(const char *sql, const Params &params)
{
    Result ignored;
    return exec(sql, params, ignored);
}

DbError Connection::inTransaction(const std::function<DbError()> &work, const char *begin)
{
    if (m_depth > 0) {
        return work();
    }
    if (DbError error = exec(begin)) {
        return error;
    }
    m_depth = 1;
    DbError error = work();
    if (!error) {
        error = exec("COMMIT");
    }
    if (error && m_connection && lib().PQstatus(m_connection) == CONNECTION_OK) {
        (void)exec("ROLLBACK");
    }
    m_depth = 0;
    return error;
}

void Connection::cancel()
{
    const std::lock_guard lock(m_cancelMutex);
    if (m_cancel) {
        char reason[256];
        lib().PQcancel(m_cancel, reason, sizeof reason);
    }
}

} // namespace store::pg
