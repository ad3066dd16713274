#pragma once
// Where a journal's data is kept. Today a data folder holding the engine's
// files; a database server's address next. The program above the store
// passes a location on and shows it, and never looks inside it.

#include <QString>

namespace store {

class Location
{
public:
    enum class Kind { Folder, Server };

    // The data in the files of `folder` (the data folder).
    static Location inFolder(const QString &folder);
    // The data in a database on a server, named by a connection address
    // ("postgresql://user@host:port/database?sslmode=..."; never a password).
    static Location onServer(const QString &address);

    Kind kind() const { return m_kind; }
    // The data folder of a folder location, ending with '/'; empty for a server.
    QString folder() const { return m_folder; }
    // The connection address of a server location; empty for a folder.
    QString address() const { return m_address; }
    // The location as the user knows it: the folder in the system's form, or
    // the server's address.
    QString display() const;

    friend bool operator==(const Location &, const Location &) = default;

private:
    Kind m_kind = Kind::Folder;
    QString m_folder;
    QString m_address;
};

} // namespace store
