#pragma once
// Choosing the copy to put back: the copies of the backup folder, newest
// first, with what each holds. A copy that cannot be read is listed but cannot
// be chosen.

#include <QDialog>
#include <QList>
#include <QString>

#include <optional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace settings {

// One copy as the list shows it.
struct CopyRow
{
    QString folder;                 // the copy's folder
    QString time;                   // yyyy/MM/dd HH:mm:ss
    QString kind;                   // 自動, 終了時, 初期化前, 復元前, 手動
    qint64 days = 0;                // journal days
    QString newestDay;              // yyyy/MM/dd; empty when the copy holds no day
    std::optional<QString> problem; // why the copy cannot be read

    bool readable() const { return !problem; }
    QString daysText() const; // "#,##0", or 読み取れません
};

// The copies of `backupFolder`, newest first. Only a summary of each is read,
// so that a long list opens at once; the restore checks the chosen copy fully.
QList<CopyRow> copyRows(const QString &backupFolder);

// The row of one copy's folder; none when the folder's name is no copy's name.
std::optional<CopyRow> copyRow(const QString &copyFolder);

// The copy in the words of the questions: "控え 2026/12/07 21:05:09（終了時、日誌 1,234 日分）".
QString describeCopy(const CopyRow &row);

class RestoreDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit RestoreDialog(QList<CopyRow> rows, QWidget *parent = nullptr);

    // The folder of the selected copy; none while no readable row is selected.
    std::optional<QString> chosen() const;

private:
    void updateRestoreButton();

    QList<CopyRow> m_rows;
    QTreeWidget *m_list = nullptr;
    QLabel *m_empty = nullptr;
    QPushButton *m_restore = nullptr;
};

// Shows the dialog over the copies of `backupFolder`: the chosen copy's
// folder, none when the user cancelled.
std::optional<QString> askForCopy(QWidget *owner, const QString &backupFolder);

} // namespace settings
