#pragma once
// The main window: start-up, the three tab pages, the paths between them, shutdown.

#include "app/datafolder.h"
#include "app/services.h"
#include "app/startup.h"
#include "common/msg.h"
#include "hints/hintwindow.h"
#include "printing/printdata.h"
#include "store/modvelmoraa.h"

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

class FrmNippo : public QWidget
{
    Q_OBJECT
public:
    FrmNippo(store::ModVelmoraA &state, const Services &services, QWidget *parent = nullptr);
    ~FrmNippo() override;

    // The start-up sequence. Returns the failure when a database cannot be
    // opened; the window must then not be shown.
    std::optional<StartupFailure> Form_Load(const QString &programFolder, const FileProbe &probe);
    void FormInit();

    // The hint buttons of the three pages.
    void openHint(const QString &buttonName);
    // The totals grid's row handler: the journal of that day.
    void showDayOfTotals(const QVariant &dateNumber);
    void Cmd印刷_Click();
    void CSCmdBtn1_Click();

    store::ModVelmoraA &state() { return m_state; }
    common::Msg &msg() { return m_msg; }
    QTabWidget *tabs() const { return m_tabs; }
    journal::JournalPage *journalPage() const { return m_journal; }
    totals::TotalsPage *totalsPage() const { return m_totals; }
    settings::SettingsPage *settingsPage() const { return m_settings; }
    hints::HintWindow *hintWindow() const { return m_hint; }
    const printing::PrintJournal &printJournal() const { return m_printJournal; }
    const printing::PrintTotals &printTotals() const { return m_printTotals; }

    static QString aboutText();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Unload();

    store::ModVelmoraA &m_state;
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
    bool m_unloaded = false;
};

} // namespace app
