#pragma once
// The copies the program makes by itself and the health check of the data
// files: the check and the day's first copy run on a thread of their own once
// the window is up, the copy after a run with writes when the program closes.

#include "backup/backups.h"

#include "store/location.h"
#include "store/maintenance.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

class QThread;

namespace app {

class BackupKeeper : public QObject
{
    Q_OBJECT
public:
    // For the data of the data folder (app::dataLocation); its backup/ receives the copies.
    BackupKeeper(const QString &dataFolder, std::function<QDateTime()> now, QObject *parent = nullptr);
    ~BackupKeeper() override;

    QString dataFolder() const { return m_dataFolder; }
    QString backupFolder() const;

    // The quick check of both files, then (when they are healthy and no copy
    // of the program's own was made today) the day's copy and the thinning.
    void startChecks();
    // Returns once the quick check is over; at once when it is not running.
    void waitForCheck();
    // Ends the background work: a running check is interrupted, a copy being
    // made is finished (a copy is never left half made).
    void stop();

    // The copy made when the program closes after a write, then the thinning.
    backup::MadeCopy copyAtExit();

    // Whether a failed copy should be told: only the first of a row of
    // failures is, until a copy succeeds again. Kept in the data folder's
    // zephra.ini, so that the row survives a restart.
    bool shouldTellFailure();
    void noteCopyMade();

signals:
    void checkFailed(const QString &reason);
    void copyFailed(const QString &reason);
    void copyMade(const QString &path);

private:
    void runInBackground();
    // Makes a copy and thins; the failure, if any.
    std::optional<QString> copyAndThin(backup::CopyKind kind, backup::MadeCopy *made = nullptr);

    QString m_dataFolder;
    store::Location m_data;
    std::function<QDateTime()> m_now;
    std::unique_ptr<store::Maintenance> m_check;
    QThread *m_worker = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_checked;
    bool m_checking = false;
};

} // namespace app
