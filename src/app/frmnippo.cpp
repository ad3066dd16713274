#include "app/frmnippo.h"

#include "common/formats.h"
#include "hints/hintwindow.h"
#include "journal/journalpage.h"
#include "printing/printcommands.h"
#include "settings/settingspage.h"
#include "totals/totalspage.h"
#include "ui/geometry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTabWidget>

namespace app {

namespace {

// The maker's author mark at the end of the about text's first line.
const QString kAuthorMark = QStringLiteral(" (C) Korvan Soft");

// Geometry of the date boxes by calendar mode, in twips.
struct CalendarLayout
{
    int dateBoxWidth;
    int kaLeft;
    int endLeft;
};

CalendarLayout calendarLayout(const QString &calendarMode)
{
    return common::isWestern(calendarMode) ? CalendarLayout{2000, 2930, 3230} : CalendarLayout{2370, 3290, 3600};
}

} // namespace

FrmNippo::FrmNippo(store::ModVelmoraA &state, const Services &services, QWidget *parent)
    : QWidget(parent), m_state(state), m_services(services), m_msg(services.presenter)
{
    setObjectName(QStringLiteral("FrmNippo"));
    setWindowTitle(QStringLiteral("日報"));
    setFixedSize(ui::twips(9375), ui::twips(6780));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setGeometry(ui::twipsRect(0, 0, 9375, 6795));

    m_journal = new journal::JournalPage(m_state, m_msg, m_services.clock, m_tabs);
    m_totals = new totals::TotalsPage(m_state, m_msg, m_services.clock, m_tabs);
    m_settings = new settings::SettingsPage(m_state, m_msg, m_services.colours, m_services.urls, m_tabs);
    m_tabs->addTab(m_journal, QStringLiteral("日　誌"));
    m_tabs->addTab(m_totals, QStringLiteral("集　計"));
    m_tabs->addTab(m_settings, QStringLiteral("設定・情報"));
    m_tabs->setCurrentIndex(0);

    m_settings->setOtherPages({[this] { m_totals->Clear集計(); }, [this] { m_journal->Clear日誌(); }});

    connect(m_journal, &journal::JournalPage::closeRequested, this, &QWidget::close);
    connect(m_journal, &journal::JournalPage::printRequested, this, &FrmNippo::Cmd印刷_Click);
    connect(m_totals, &totals::TotalsPage::printRequested, this, &FrmNippo::CSCmdBtn1_Click);
    connect(m_totals, &totals::TotalsPage::dayPicked, this, &FrmNippo::showDayOfTotals);
    connect(m_journal, &journal::JournalPage::hintRequested, this, &FrmNippo::openHint);
    connect(m_totals, &totals::TotalsPage::hintRequested, this, &FrmNippo::openHint);
    connect(m_settings, &settings::SettingsPage::hintRequested, this, &FrmNippo::openHint);
}

FrmNippo::~FrmNippo()
{
    delete m_hint;
}

std::optional<StartupFailure> FrmNippo::Form_Load(const QString &programFolder, const FileProbe &probe)
{
    const QString dataFolder = chooseDataFolder(probe, programFolder);
    if (auto failure = openDatabases(m_state, dataFolder)) {
        return failure;
    }
    setWindowTitle(kCaptionPrefix + kVersionText);
    m_settings->Read設定();
    FormInit();
    m_totals->Clear集計();
    m_tabs->setCurrentIndex(0);
    m_journal->setFocus();
    return std::nullopt;
}

QString FrmNippo::aboutText()
{
    return QStringLiteral("日報 ZEPHRA Ver ") + kVersionText + QStringLiteral(" LastUpdate ") +
           QStringLiteral("2007/04/04") + kAuthorMark + QStringLiteral("\r\n") + QStringLiteral("\r\n") + QString() +
           QStringLiteral("\r\n") + QStringLiteral("質問は下のバナーをクリックしてコルヴァンフリー掲示板へ");
}

void FrmNippo::FormInit()
{
    // 1. The about text.
    QString about = aboutText();
    about.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_settings->setAboutText(about);

    // 2. The grid's data source: the work table of the work database.
    m_totals->bindGrid(QStringLiteral("w集計"));

    // 3. The date formats and positions of the calendar mode.
    const CalendarLayout layout = calendarLayout(m_state.CalendarMode);
    m_journal->applyCalendarMode(m_state.CalendarMode, layout.dateBoxWidth);
    m_totals->applyCalendarMode(m_state.CalendarMode, layout.dateBoxWidth, layout.kaLeft, layout.endLeft);

    // 4.–5. The sum boxes above the grid's amount columns, the grid's columns.
    m_totals->layoutSumsAndGrid();

    // 6. The calendar list.
    m_settings->fillCalendarList(m_state.CalendarMode);
}

void FrmNippo::openHint(const QString &buttonName)
{
    m_state.HintFormName = objectName();
    m_state.HintCtlName = buttonName;
    m_state.HintFormTitle = windowTitle();
    if (!m_hint) {
        m_hint = new hints::HintWindow(m_state, m_msg);
        m_hint->setAttribute(Qt::WA_DeleteOnClose);
        m_hint->Form_Load();
        return;
    }
    // Already open: it keeps showing its own target and text.
    m_hint->show();
    m_hint->raise();
    m_hint->activateWindow();
}

void FrmNippo::showDayOfTotals(const QVariant &dateNumber)
{
    m_journal->setDateNumber(dateNumber);
    m_tabs->setCurrentIndex(0);
    m_journal->Read日誌();
}

void FrmNippo::Cmd印刷_Click()
{
    const journal::JournalValues page = m_journal->values();
    m_printJournal = {page.dateText, page.sales, page.purchases, page.moneyIn, page.moneyOut, page.memo};
    printing::showJournalReport(m_printJournal, m_state.LineColor, this);
}

void FrmNippo::CSCmdBtn1_Click()
{
    const totals::TotalsValues page = m_totals->values();
    m_printTotals = {page.startText, page.endText, page.sales, page.purchases, page.moneyIn, page.moneyOut};
    printing::showTotalsReport(m_printTotals, m_state.WorkDb, m_state.CalendarMode, m_state.LineColor, this,
                               &m_services.presenter);
}

void FrmNippo::closeEvent(QCloseEvent *event)
{
    // Closing the main window cannot be refused.
    event->accept();
    Form_Unload();
}

void FrmNippo::Form_Unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;

    m_totals->unbindGrid();
    m_state.MainDb.close();
    m_state.WorkDb.close();

    // Every other window (the hint window, report viewers) goes first, each
    // finishing its own unload before the next.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (qsizetype i = windows.size() - 1; i >= 0; --i) {
        QWidget *window = windows.at(i);
        if (window == this || !window->isVisible()) {
            continue;
        }
        window->close();
        QApplication::processEvents();
    }

    ui::EndWndProcess(static_cast<quintptr>(winId()), m_services.ender);
}

} // namespace app
