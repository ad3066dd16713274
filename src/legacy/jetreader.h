#pragma once
// Reads one of the earlier version's Jet 4.0 files with mdbtools' library and
// hands every row to a sink, values as stored. Runs in the reading child
// process: the library is not hardened against damaged files.

#include "legacy/legacydata.h"

#include <QString>

#include <optional>

namespace legacy {

enum class LegacyFile {
    Main, // VelmoraA.mdb: 業務日誌, then 自社情報
    Work, // VelmoraAWork.mdb: ClHint (w集計 is transient and not read)
};

struct JetReadOptions
{
    // The library's buffer for one text value, in bytes. 0: large enough for
    // any value the file can hold. Tests set a small one to see a cut text caught.
    qint64 textBufferBytes = 0;
};

// Reads the tables of `which` from the file at `path`, never writing to it.
// Nothing on success; otherwise the reason in Japanese, for the user (the
// file cannot be opened, is no Jet file, lacks a table or a column, holds a
// column of a type that cannot be read, or a text came back cut short, holds
// bytes that are no text, or reads differently through the library and
// through the stored bytes). Rows handed to the sink before a failure are to
// be thrown away by the caller.
std::optional<QString> readJetFile(const QString &path, LegacyFile which, LegacySink &sink,
                                   const JetReadOptions &options = {});

} // namespace legacy
