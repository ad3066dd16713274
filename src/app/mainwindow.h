#pragma once
// The main window: start-up, the three tab pages, the paths between them, shutdown.

#include "app/backupkeeper.h"
#include "app/services.h"
#include "app/session.h"
#include "app/startup.h"
#include "common/msg.h"
#include "hints/hintwindow.h"
#include "printing/printdata.h"

#include <QByteArray>
#include <QDate>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QSettings;
class QTabWidget;

namespace journal {
class JournalPage;
}
namespace totals {
class TotalsPage;
}
namespace settings {
class SettingsPage;
}
namespace search {
class SearchWindow;
}
namespace help {
class HelpWindow;
}

namespace app {

class MainWindow : public QWidget
{
    Q_OBJECT
public:
    MainWindow(Session &session, const Services &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence: opens the data folder of the program started from
    // `programFolder` and reads the settings. Returns the failure when a
    // database cannot be opened; the window must then not be shown.
    std::optional<store::OpenFailure> start(const QString &programFolder);
    // The about text, the grid's source and the pages' layout for the settings in force.
    void applySettings();

    // The hint buttons of the three pages.
    void openHint(const QString &buttonName);
    // A picked row of the totals grid: the journal of that day.
    void showDayOfTotals(QDate day);
    void printJournal();
    void printTotals();
    // グラフ of the totals page: its period per day, month or year as its choice says.
    void showTotalsChart();
    // Ctrl+F on every page: the search window, opened or brought to the front.
    void openSearch();
    search::SearchWindow *searchWindow() const;
    // F1 and ヘルプ: the manual at the part with `anchor`, its one window
    // opened or brought to the front. Without an anchor: the page in front.
    void openHelp(const QString &anchor = QString());
    // 取込 of the journal page: a CSV file of days, then the page's day read anew.
    void importIntoJournal();

    Session &session() { return m_session; }
    common::Msg &msg() { return m_msg; }
    QTabWidget *tabs() const { return m_tabs; }
    journal::JournalPage *journalPage() const { return m_journal; }
    // The totals and settings pages are built when first needed: their tab
    // first shown, or a path through them.
    totals::TotalsPage *totalsPage();
    settings::SettingsPage *settingsPage();
    hints::HintWindow *hintWindow() const { return m_hint; }
    const printing::PrintJournal &printedJournal() const { return m_printJournal; }
    const printing::PrintTotals &printedTotals() const { return m_printTotals; }

    static QString aboutText();

    // The designed size is the smallest and the first; a user's size (and
    // maximised state) is read from `settings` now and kept there at shutdown.
    static QSize designedSize();
    void rememberSizeIn(QSettings *settings);

    // The program's own copies and the check of the files; none before start().
    BackupKeeper *backups() const { return m_backups.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    void shutDown();
    void tellCopyFailed(const QString &reason);
    // The files failed their check: name the newest good copy and offer it.
    void offerRestoreOfDamage(const QString &reason);
    // Offers the newest good copy for files found damaged (DataDamaged) and, on
    // Yes, puts it back with the files closed, keeping the damaged ones aside.
    // True when the copy's files are in place; the store is left closed.
    bool putBackGoodCopy(const QString &reason, bool tellWhenNoCopy);
    // The pages show the data as the store holds it now.
    void showDataAnew();
    // The settings in force, and those the settings page will show, read from the store.
    void readSettings();
    // The calendar mode in force in every date box and date column built so
    // far: the journal, the totals page, the search window. The export window
    // is modal and takes the mode when it opens; pages built later take it
    // when they are built.
    void applyCalendarMode();
    // The steps of applySettings() for one page.
    void applySettingsToTotals();
    void applySettingsToSettingsPage();
    // What start() gives the settings page besides the settings.
    void connectSettingsPage();
    // The page takes the place of its tab's placeholder.
    void putInTab(int index, QWidget *page);
    // A file without a whole search index (made by an earlier build, or a
    // copy of one) gets it once the window is up; a failure leaves search
    // reading every text.
    void buildSearchIndexIfNeeded();
    // F1 in `window` opens the manual at the part with `anchor`.
    void addHelpKey(QWidget *window, const QString &anchor);

    Session &m_session;
    Services m_services;
    common::Msg m_msg;
    QTabWidget *m_tabs = nullptr;
    journal::JournalPage *m_journal = nullptr;
    totals::TotalsPage *m_totals = nullptr;
    settings::SettingsPage *m_settings = nullptr;
    QPointer<hints::HintWindow> m_hint;
    QPointer<search::SearchWindow> m_search;
    QPointer<help::HelpWindow> m_help;
    // What the print buttons copied from their pages at the last click.
    printing::PrintJournal m_printJournal;
    printing::PrintTotals m_printTotals;
    bool m_shutDown = false;
    QSettings *m_sizeSettings = nullptr;
    QByteArray m_keptGeometry; // as last read from or written to m_sizeSettings
    std::unique_ptr<BackupKeeper> m_backups;
    bool m_checksStarted = false;
    bool m_started = false;
    // What start() read of the stored settings, for a settings page built later.
    bool m_settingsRead = false;
    std::optional<store::Settings> m_storedSettings;
};

} // namespace app
