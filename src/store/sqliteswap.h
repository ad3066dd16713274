#pragma once
// A restore's new files put in place of the data folder's two files. They are
// made whole in a folder beside them first (restoreIntoNewFiles), then a note
// naming the folder that receives the files as they stood is put on the disk,
// and only then are the files exchanged by renames, each name reaching a
// whole file at every moment. A swap that a crash interrupted is finished by
// the next program that opens the data (finishSwap): until the note is on the
// disk the data is the old pair, with it the new pair, the old one aside.

#include "store/maintenance.h"

#include <QString>

#include <shared_mutex>

namespace store {

// The folder in the data folder where a restore's new files are made.
inline const QString kPreparedFolderName = QStringLiteral("restoring");
// The note in that folder: the path of the folder that receives the old files.
inline const QString kSwapNoteName = QStringLiteral("swap-note");

QString preparedFolder(const QString &dataFolder);

// The steps of the exchange, in order; a test stops after one as a crash would.
enum class SwapStep { Noted, MainAside, MainIn, WorkAside, WorkIn, Done };

// Puts the files prepared in preparedFolder(dataFolder) in place of the data's
// and moves these into `asideFolder` (made if missing; it must be on the same
// volume and hold none of the files). With the data closed by every program
// and no journal left beside its files.
[[nodiscard]] FileReplacement swapInPrepared(const QString &dataFolder, const QString &asideFolder,
                                             SwapStep stopAfter = SwapStep::Done);

// Finishes the swap a crash interrupted once its note was written, or removes
// new files that a crash left before it; nothing when no restore was under
// way. False when a swap is still unfinished (its files could not be moved).
bool finishSwap(const QString &dataFolder);

// Held shared while this program reads the data's files by path for a copy
// or a check, and alone while it exchanges them, so that neither reads one
// file of the old pair and one of the new.
std::shared_mutex &dataFilesInUse();

} // namespace store
