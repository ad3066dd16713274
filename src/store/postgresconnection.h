#pragma once
// Inside the store only: one connection to the database server over libpq and
// the results of its statements. Every value travels as a parameter of the
// statement; nothing is spliced into a statement's text.

#include "store/dberror.h"
#include "store/storedforms.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;
struct pg_cancel;

namespace store::pg {

// The failure for a server's SQLSTATE and its text: the one place where the
// server's codes are read as kinds.
DbError errorFrom(const QByteArray &sqlstate, const QString &message);

// The values of a statement, $1 onwards, as text; a missing value is Null.
class Params
{
public:
    Params &add(const QString &text);
    Params &add(qint64 number);
    Params &add(std::optional<qint64> number);
    Params &add(QDate day);               // 'YYYY-MM-DD'; an invalid day is Null
    Params &add(const QDateTime &moment); // the stored moment; an invalid one is Null
    Params &addNull();

    int size() const { return int(m_values.size()); }
    const char *const *values() const;

private:
    std::vector<std::optional<QByteArray>> m_values;
    mutable std::vector<const char *> m_pointers;
};

// The rows a statement returned, in text form.
class Result
{
public:
    Result() = default;
    explicit Result(pg_result *result);

    int rows() const;
    bool isNull(int row, int column) const;
    QString text(int row, int column) const;    // Null as an empty text
    QByteArray utf8(int row, int column) const; // the same as the server sends it
    qint64 integer(int row, int column) const;
    std::optional<qint64> amount(int row, int column) const;
    QDate date(int row, int column) const;       // a 'YYYY-MM-DD' text
    QDateTime moment(int row, int column) const; // the stored moment; invalid when Null
    qint64 affected() const;                     // rows written by an UPDATE or DELETE

private:
    std::shared_ptr<pg_result> m_result;
};

class Connection
{
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Connects to `address` and makes the session independent of the
    // server's time zone, date style and messages; `setUp` runs after each
    // connection, the first and every one made anew.
    [[nodiscard]] DbError open(const QString &address, std::function<DbError()> setUp = {});
    void close();
    bool isOpen() const { return m_connection != nullptr; }

    // Runs one statement. A connection that broke off is made anew once,
    // before the statement, when no transaction of its is open. A statement
    // with parameters is prepared on the server the first time its text is
    // run on a connection, and only executed after that.
    [[nodiscard]] DbError exec(const char *sql, const Params &params, Result &result);
    [[nodiscard]] DbError exec(const char *sql, const Params &params = {});
    // Runs one statement planned for its values, not prepared: a period's
    // length or a search's words decide whether an index pays.
    [[nodiscard]] DbError execPlanned(const char *sql, const Params &params, Result &result);

    // Sends one statement and returns without waiting for its answer, which
    // receive() then gives (once; `ticket` names it). One statement is under
    // way at a time: any other statement first takes the answer of the one
    // before. The last few answers not yet asked for are kept.
    [[nodiscard]] DbError send(const char *sql, const Params &params, quint64 &ticket);
    [[nodiscard]] DbError receive(quint64 ticket, Result &result);

    // Runs `work` in a transaction (`begin` opens it); transactions inside
    // one join it. Committed when `work` returns no error.
    [[nodiscard]] DbError inTransaction(const std::function<DbError()> &work,
                                        const char *begin = "BEGIN ISOLATION LEVEL READ COMMITTED");
    bool inTransaction() const { return m_depth > 0; }

    // From any thread: asks the server to stop the running statement.
    void cancel();

private:
    // An answer that came before it was asked for.
    struct Answer
    {
        DbError error;
        Result result;
    };

    DbError connect();
    DbError failure(pg_result *result);
    DbError answerOf(pg_result *answer, Result &result);
    // Takes the answer of the statement under way, if any, into m_answers;
    // then the connection is open, made anew if it broke off outside a transaction.
    DbError ready();
    void collect();
    Answer answerUnderWay();
    DbError run(const char *sql, const Params &params, Result &result, bool prepare);
    // The name the statement `sql` is prepared under, preparing it first;
    // empty when the connection keeps as many as it may.
    DbError prepared(const char *sql, int parameters, QByteArray &name);

    pg_conn *m_connection = nullptr;
    pg_cancel *m_cancel = nullptr; // made with each connection, for cancel() from another thread
    QString m_address;
    std::function<DbError()> m_setUp;
    int m_depth = 0;
    QHash<QByteArray, QByteArray> m_prepared; // statement text -> name, for this connection
    quint64 m_lastTicket = 0;
    quint64 m_underWay = 0; // the ticket of the statement sent and not yet answered; 0 when none
    QHash<quint64, Answer> m_answers;
    std::mutex m_cancelMutex;
};

} // namespace store::pg
