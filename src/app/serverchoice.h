#pragma once
// The database server that keeps the journal, when it is kept on one: named
// for one run by `--server ADDRESS`, or for every run by the file server.conf
// in the data folder. Neither ever holds a password: that comes from the
// user's ~/.pgpass or PGPASSWORD, as for every PostgreSQL client.

#include <QString>

namespace app {

inline constexpr char kServerFileName[] = "server.conf";

// A server's connection address ("postgresql://user@host:port/database"), or
// none (the data folder's own files); with the reason when it is refused.
struct ServerChoice
{
    QString address;
    QString refusal; // for the user; empty when the choice may be used

    bool refused() const { return !refusal.isEmpty(); }
};

// An address typed by the user: a postgresql:// (or postgres://) URL without
// a password, in its user part or its parameters.
ServerChoice serverFromAddress(const QString &address);

// The INI file at `path` (keys host, port, database, user, sslmode) as a
// connection address. Refused when it holds a password or a key it does not
// know, or lacks the host or the database; a password is never put in the
// address, even then.
ServerChoice serverFromFile(const QString &path);

// The server of this run (set by setServerForRun), else that of the data
// folder's server.conf, else none.
ServerChoice chooseServer(const QString &dataFolder);

// Names the server of this run, over any server.conf; an empty address
// leaves the choice to the data folder again.
void setServerForRun(const QString &address);

} // namespace app
