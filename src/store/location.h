#pragma once
// Where a journal's data is kept. Today a data folder holding the engine's
// files; a database server's address next. The program above the store
// passes a location on and shows it, and never looks inside it.

#include <QString>

namespace store {

class Location
{
public:
    enum class Kind { Folder };

    // The data in the files of `folder` (the data folder).
    static Location inFolder(const QString &folder);

    Kind kind() const { return m_kind; }
    // The data folder of a folder location, ending with '/'.
    QString folder() const { return m_folder; }
    // The location as the user knows it: the folder in the system's form.
    QString display() const;

    friend bool operator==(const Location &, const Location &) = default;

private:
    Kind m_kind = Kind::Folder;
    QString m_folder;
};

} // namespace store
