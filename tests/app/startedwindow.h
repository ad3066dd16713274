#pragma once
// The main window started on a fresh data folder with the adapters replaced:
// scripted message answers, a scripted colour dialog, a fixed today.

#include "app/initdata.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "store/sqlitefiles.h"
#include "support/fakes.h"
#include "support/fixedclock.h"
#include "support/scriptedpresenter.h"

#include <QTemporaryDir>

#include <memory>

namespace testsupport {

// Owns a program folder whose data/ holds the two files, and a main window
// on it. start() runs the start-up sequence; the window is not shown.
class MainWindow
{
public:
    explicit MainWindow(QDate today = QDate(2007, 4, 4), const QString &programFolder = QString())
        : m_folder(programFolder.isEmpty() ? m_dir.path() : programFolder), clock(today)
    {
        if (programFolder.isEmpty()) {
            app::initData(m_folder + QStringLiteral("/data"));
        }
    }

    // Builds the window and runs its start-up; false when a database did not open.
    bool start()
    {
        frm = std::make_unique<app::MainWindow>(session, app::Services{presenter, colours, urls, ender, clock});
        return !frm->start(m_folder).has_value();
    }

    QString programFolder() const { return m_folder; }
    QString dataFolder() const { return m_folder + QStringLiteral("/data/"); }
    QString mainPath() const { return dataFolder() + store::kMainFileName; }
    QString workPath() const { return dataFolder() + store::kWorkFileName; }

    ScriptedPresenter presenter;
    ScriptedColours colours;
    RecordingUrls urls;
    CountingEnder ender;

private:
    QTemporaryDir m_dir;
    QString m_folder;

public:
    testsupport::FixedClock clock;
    app::Session session;
    std::unique_ptr<app::MainWindow> frm;
};

} // namespace testsupport
