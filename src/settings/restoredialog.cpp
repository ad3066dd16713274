#include "settings/restoredialog.h"

#include "backup/backups.h"

#include "common/formats.h"
#include "store/copies.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace settings {

namespace {

enum Column { kTime, kKind, kDays, kNewestDay, kColumns };

CopyRow rowOf(const backup::CopyEntry &entry)
{
    CopyRow row;
    row.folder = entry.path;
    row.time = entry.name.time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    row.kind = backup::kindLabel(entry.name.kind);
    store::CopyCheck check;
    if (const store::DbError error = store::checkCopy(entry.path, check, store::CheckDepth::Summary)) {
        row.problem = store::describeForUser(error);
        return row;
    }
    row.days = check.records;
    if (check.newestDay.isValid()) {
        row.newestDay = check.newestDay.toString(QStringLiteral("yyyy/MM/dd"));
    }
    return row;
}

} // namespace

QString CopyRow::daysText() const
{
    return readable() ? common::formatAmount(days, common::pattern::kAmountZero) : QStringLiteral("読み取れません");
}

QList<CopyRow> copyRows(const QString &backupFolder)
{
    QList<CopyRow> rows;
    backup::removeLeftovers(backupFolder, QDateTime::currentDateTime());
    for (const backup::CopyEntry &entry : backup::listCopies(backupFolder)) {
        rows.append(rowOf(entry));
    }
    return rows;
}

std::optional<CopyRow> copyRow(const QString &copyFolder)
{
    const QDir folder(copyFolder);
    const std::optional<backup::CopyName> name = backup::parseCopyName(folder.dirName());
    if (!name) {
        return std::nullopt;
    }
    return rowOf({*name, folder.absolutePath()});
}

QString describeCopy(const CopyRow &row)
{
    return QStringLiteral("控え %1（%2、日誌 %3 日分）").arg(row.time, row.kind, row.daysText());
}

RestoreDialog::RestoreDialog(QList<CopyRow> rows, QWidget *parent) : QDialog(parent), m_rows(std::move(rows))
{
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("控えから復元"));
    setModal(true);
    resize(600, 400);

    auto *note = new QLabel(QStringLiteral("選んだ控えの内容で、今の業務日誌・設定・ヒントを置き換えます。"
                                           "今のデータは、置き換える前に控えとして残します。"),
                            this);
    note->setObjectName(QStringLiteral("lbl説明"));
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);

    m_empty = new QLabel(QStringLiteral("控えはまだありません。"), this);
    m_empty->setObjectName(QStringLiteral("lbl控えなし"));
    m_empty->setVisible(m_rows.isEmpty());

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lst控え"));
    m_list->setColumnCount(kColumns);
    m_list->setHeaderLabels(
        {QStringLiteral("日時"), QStringLiteral("種類"), QStringLiteral("日数"), QStringLiteral("最新の日付")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAllColumnsShowFocus(true);
    m_list->headerItem()->setTextAlignment(kDays, Qt::AlignRight | Qt::AlignVCenter);
    for (const CopyRow &row : m_rows) {
        auto *item = new QTreeWidgetItem(m_list, {row.time, row.kind, row.daysText(), row.newestDay});
        item->setTextAlignment(kDays, Qt::AlignRight | Qt::AlignVCenter);
        if (!row.readable()) {
            // Greyed and passed over by the arrows; the reason is in the tip.
            item->setFlags(Qt::NoItemFlags);
            for (int column = 0; column < kColumns; ++column) {
                item->setToolTip(column, *row.problem);
            }
        }
    }
    m_list->header()->setStretchLastSection(true);
    for (int column = 0; column < kColumns - 1; ++column) {
        m_list->resizeColumnToContents(column);
        m_list->setColumnWidth(column, m_list->columnWidth(column) + 24);
    }

    auto *buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(QStringLiteral("復元"), QDialogButtonBox::AcceptRole);
    m_restore->setObjectName(QStringLiteral("cmd復元"));
    auto *cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdキャンセル"));
    // Enter in the list means 復元, whichever button was last in focus.
    m_restore->setDefault(true);
    cancel->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_empty);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (chosen()) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &RestoreDialog::updateRestoreButton);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (chosen()) {
            accept();
        }
    });

    // The newest copy that can be read is the likeliest choice.
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].readable()) {
            m_list->setCurrentItem(m_list->topLevelItem(i));
            break;
        }
    }
    updateRestoreButton();
    m_list->setFocus();
}

std::optional<QString> RestoreDialog::chosen() const
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    if (selected.size() != 1) {
        return std::nullopt;
    }
    const int index = m_list->indexOfTopLevelItem(selected.first());
    if (index < 0 || !m_rows[index].readable()) {
        return std::nullopt;
    }
    return m_rows[index].folder;
}

void RestoreDialog::updateRestoreButton()
{
    m_restore->setEnabled(chosen().has_value());
}

std::optional<QString> askForCopy(QWidget *owner, const QString &backupFolder)
{
    RestoreDialog dialog(copyRows(backupFolder), owner);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.chosen();
}

} // namespace settings
