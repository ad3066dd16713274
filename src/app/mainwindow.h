#pragma once
// The main window: start-up, the three tab pages, the paths between them, shutdown.

#include "app/services.h"
#include "app/session.h"
#include "app/startup.h"
#include "common/msg.h"
#include "hints/hintwindow.h"
#include "printing/printdata.h"

#include <QDate>
#include <QPointer>
#include <QWidget>

#include <optional>

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

    Session &session() { return m_session; }
    common::Msg &msg() { return m_msg; }
    QTabWidget *tabs() const { return m_tabs; }
    journal::JournalPage *journalPage() const { return m_journal; }
    totals::TotalsPage *totalsPage() const { return m_totals; }
    settings::SettingsPage *settingsPage() const { return m_settings; }
    hints::HintWindow *hintWindow() const { return m_hint; }
    const printing::PrintJournal &printedJournal() const { return m_printJournal; }
    const printing::PrintTotals &printedTotals() const { return m_printTotals; }

    static QString aboutText();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void shutDown();

    Session &m_session;
    Services m_services;
    common::Msg m_msg;
    QTabWidget *m_tabs = nullptr;
    journal::JournalPage *m_journal = nullptr;
    totals::TotalsPage *m_totals = nullptr;
    settings::SettingsPage *m_settings = nullptr;
    QPointer<hints::HintWindow> m_hint;
    // What the print buttons copied from their pages at the last click.
    printing::PrintJournal m_printJournal;
    printing::PrintTotals m_printTotals;
    bool m_shutDown = false;
};

} // namespace app
