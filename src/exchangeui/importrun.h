#pragma once
// What 取り込む does with a judged file: the question when rows are refused,
// the wait for the file check, the safety copy before existing days are
// replaced, the import, and the notice of how it went. Free of widgets.

#include "exchange/csvimport.h"

#include "common/msg.h"
#include "common/progress.h"
#include "store/location.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace store {
class Store;
}

namespace exchangeui {

// Where the import writes besides the journal, and what it waits for.
struct ImportPlace
{
    store::Location data;              // where the journal is kept
    QString backupFolder;              // receives the safety copy
    std::function<void()> beforeWrite; // the program waits there for a check of the files
    std::function<QDateTime()> now;    // the safety copy's moment; the clock when empty
};

// Imports the good rows of `preview`. Existing days are kept unless the
// choice replaces them or adds to them, after a checked copy of the data; a
// copy that fails stops the import. Days the choice refuses (sums beyond the
// range) are asked about with the refused rows. What was imported, or none when nothing was (the
// user declined, or the notice told why).
std::optional<exchange::Imported> runImport(store::Store &store, common::Msg &msg,
                                            const exchange::ImportPreview &preview, exchange::ExistingDays existing,
                                            const ImportPlace &place, common::Progress &progress);

} // namespace exchangeui
