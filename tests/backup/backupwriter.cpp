// Makes copies of a data folder, or restores copies into it, one after another
// until it is killed; driven by test_backupcrash. Writes "ready" to stdout once
// it can start, then one line as each copy or restore returns.
//
//   backupwriter copy <data folder> <backup folder>
//       makeCopy in a loop; prints each copy's path
//   backupwriter restore <data folder> <copy A> <copy B>
//       the store's restore of B, then of A, in a loop; prints "restored B", "restored A"
//   backupwriter restore-copy <data folder> <backup folder> <copy A> <copy B>
//       the same through backup::restoreCopy, which first copies the data aside
//   backupwriter copy-limited <data folder> <backup folder> <bytes>
//       one makeCopy with no file allowed to grow past <bytes> (a full disk that
//       holds for root too); prints the copy's path, or "failed: " and why
//
// Exit status: 0, or 1 when the one limited copy failed; 2 on any other failure.

#include "backup/backups.h"
#include "backup/restore.h"

#include "common/progress.h"
#include "support/openstore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

int fail(const QString &why)
{
    std::fprintf(stderr, "backupwriter: %s\n", qPrintable(why));
    return 2;
}

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int copyForever(const QString &data, const QString &backups)
{
    say(QStringLiteral("ready"));
    for (;;) {
        const backup::MadeCopy made = backup::makeCopy(store::Location::inFolder(data), backups,
                                                       backup::CopyKind::Daily, QDateTime::currentDateTime());
        if (made.failure) {
            return fail(*made.failure);
        }
        say(made.path);
    }
}

int restoreForever(const QString &data, const QString &backups, const QString &copyA, const QString &copyB,
                   bool throughRestoreCopy)
{
    std::optional<store::OpenFailure> failure;
    const auto store = testsupport::openStore(data, failure);
    if (!store) {
        return fail(failure->path + QStringLiteral(": ") + failure->error.message);
    }
    common::NoProgress quiet;
    say(QStringLiteral("ready"));
    for (;;) {
        for (const auto &[copy, letter] : {std::pair(copyB, u'B'), std::pair(copyA, u'A')}) {
            if (throughRestoreCopy) {
                const backup::RestoreOutcome outcome = backup::restoreCopy(
                    *store, store::Location::inFolder(data), backups, copy, QDateTime::currentDateTime(), quiet);
                if (outcome.failure) {
                    return fail(*outcome.failure);
                }
            } else if (const store::DbError error = store->restoreFrom(copy)) {
                return fail(error.message);
            }
            say(QStringLiteral("restored ") + QChar(letter));
        }
    }
}

int copyLimited(const QString &data, const QString &backups, rlim_t bytes)
{
    // Past the limit a write fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) {
        return fail(QStringLiteral("getrlimit"));
    }
    limit.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        return fail(QStringLiteral("setrlimit"));
    }
    const backup::MadeCopy made = backup::makeCopy(store::Location::inFolder(data), backups, backup::CopyKind::Daily,
                                                   QDateTime::currentDateTime());
    say(made.failure ? QStringLiteral("failed: ") + *made.failure : made.path);
    return made.failure ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("copy") && args.size() == 3) {
        return copyForever(args[1], args[2]);
    }
    if (mode == QLatin1String("restore") && args.size() == 4) {
        return restoreForever(args[1], QString(), args[2], args[3], false);
    }
    if (mode == QLatin1String("restore-copy") && args.size() == 5) {
        return restoreForever(args[1], args[2], args[3], args[4], true);
    }
    bool numeric = false;
    const qulonglong bytes = args.value(3).toULongLong(&numeric);
    if (mode == QLatin1String("copy-limited") && args.size() == 4 && numeric) {
        return copyLimited(args[1], args[2], rlim_t(bytes));
    }
    return fail(QStringLiteral("usage: backupwriter copy|restore|restore-copy|copy-limited ..."));
}
