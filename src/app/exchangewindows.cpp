#include "app/exchangewindows.h"

#include "exchangeui/exportdialog.h"
#include "exchangeui/importdialog.h"

#include <QDir>
#include <QStandardPaths>

namespace app {

namespace {

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

} // namespace

void openExport(QWidget *owner, Session &session, common::Msg &msg, const store::Period &period, bool fromTotals,
                std::optional<store::Grouping> summary)
{
    exchangeui::ExportDialog dialog({session.store(), msg, session.settings().era, session.dataFolder(), period,
                                     fromTotals, documentsFolder(), summary},
                                    owner);
    dialog.exec();
}

bool openImport(QWidget *owner, Session &session, common::Msg &msg, std::function<void()> beforeWrite)
{
    exchangeui::ImportDialog dialog({session.store(),
                                     msg,
                                     {session.location(), session.backupFolder(), std::move(beforeWrite), {}},
                                     documentsFolder(),
                                     exchange::layoutsFile(session.dataFolder())},
                                    owner);
    return dialog.exec() == QDialog::Accepted && dialog.imported();
}

} // namespace app
