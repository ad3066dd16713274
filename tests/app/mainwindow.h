#pragma once
// The main window started on a fresh data folder with the adapters replaced:
// scripted message answers, a scripted colour dialog, a fixed today.

#include "app/frmnippo.h"
#include "app/initdata.h"
#include "support/fakes.h"
#include "support/scriptedpresenter.h"

#include <QTemporaryDir>

#include <memory>
#include <set>

namespace testsupport {

class NoMarkerProbe final : public app::FileProbe
{
public:
    bool isOrdinaryFile(const QString &) const override { return false; }
};

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

    // Builds the window and runs Form_Load; false when a database did not open.
    bool start()
    {
        frm = std::make_unique<app::FrmNippo>(state, app::Services{presenter, colours, urls, ender, clock});
        return !frm->Form_Load(m_folder, NoMarkerProbe()).has_value();
    }

    QString programFolder() const { return m_folder; }
    QString dataFolder() const { return m_folder + QStringLiteral("/data/"); }

    ScriptedPresenter presenter;
    ScriptedColours colours;
    RecordingUrls urls;
    CountingEnder ender;

private:
    QTemporaryDir m_dir;
    QString m_folder;

public:
    common::FixedClock clock;
    store::ModVelmoraA state;
    std::unique_ptr<app::FrmNippo> frm;
};

} // namespace testsupport
