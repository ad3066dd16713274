#pragma once
// Finding the earlier version's files: a Jet database says so in its first
// bytes, whatever its name.

#include <QString>

#include <optional>

namespace legacy {

// True when the file starts as a Jet database does ("Standard Jet DB" at byte 4).
bool isJetFile(const QString &path);

// The earlier version's files of one folder; an empty path where that file is
// not there as a Jet file.
struct LegacyFiles
{
    QString folder; // ends with '/'
    QString mainPath;
    QString workPath;

    bool any() const { return !mainPath.isEmpty() || !workPath.isEmpty(); }
};

// The Jet files of a data folder as the program finds it at start-up.
LegacyFiles jetFilesIn(const QString &folder);

// The earlier files named on the command line: a folder, or one of the two
// files (then its folder is meant). The reason, in Japanese, when none of the
// two is there as a Jet file.
std::optional<QString> findLegacyFiles(const QString &from, LegacyFiles &files);

} // namespace legacy
