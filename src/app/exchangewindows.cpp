#include "app/exchangewindows.h"

#include "exchangeui/exportdialog.h"
#include "exchangeui/importdialog.h"
#include "help/helpwindow.h"
#include "help/topics.h"

#include <QDir>
#include <QShortcut>
#include <QStandardPaths>

namespace app {

namespace {

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

// F1 in a modal window: the manual in a window of its own above it, since the
// program's one manual window is blocked while the modal window is open.
void addHelpKey(QDialog &dialog, help::Topic topic)
{
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_F1), &dialog), &QShortcut::activated, &dialog,
                     [&dialog, topic] {
                         auto *manual = dialog.findChild<help::HelpWindow *>();
                         if (!manual) {
                             manual = new help::HelpWindow(&dialog);
                         }
                         manual->showPart(help::anchorOf(topic));
                     });
}

} // namespace

void openExport(QWidget *owner, Session &session, common::Msg &msg, const store::Period &period, bool fromTotals,
                std::optional<store::Grouping> summary)
{
    exchangeui::ExportDialog dialog({session.store(), msg, session.settings().era, session.dataFolder(), period,
                                     fromTotals, documentsFolder(), summary},
                                    owner);
    addHelpKey(dialog, help::Topic::Export);
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
    addHelpKey(dialog, help::Topic::Import);
    return dialog.exec() == QDialog::Accepted && dialog.imported();
}

} // namespace app
