#pragma once
// The reader of the earlier version's Jet files as a module (zephra-jet.so),
// loaded only by the reading child: the program's start does not map libmdb.

#include <QString>

namespace legacy {

class LegacySink;

inline const QString kJetModule = QStringLiteral("zephra-jet");
inline constexpr const char *kReadJetSymbol = "zephra_read_jet_file";

// readJetFile() with default options, `which` a LegacyFile as a number; true
// when read, otherwise the reason in `failure`.
using ReadJetFunction = bool (*)(const QString &path, int which, LegacySink &sink, QString *failure);

} // namespace legacy
