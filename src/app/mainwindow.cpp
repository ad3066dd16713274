#include "app/mainwindow.h"

#include "backup/restore.h"
#include "charts/chartmodule.h"
#include "exchangeui/exportrun.h"
#include "help/helpwindow.h"
#include "help/topics.h"
#include "search/searchwindow.h"

#include "app/datafolder.h"
#include "app/exchangewindows.h"
#include "common/formats.h"
#include "common/module.h"
#include "hints/hintwindow.h"
#include "journal/journalpage.h"
#include "printing/printcommands.h"
#include "settings/settingspage.h"
#include "totals/totalspage.h"
#include "ui/datebox.h"
#include "ui/geometry.h"
#include "ui/progressdialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>

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

const QString kGeometryKey = QStringLiteral("window/geometry");

constexpr int kTotalsTab = 1;
constexpr int kSettingsTab = 2;

// The page each hint button stands on, as the user knows it.
QString pageOfHintButton(const QString &buttonName)
{
    if (buttonName == QLatin1String("cmdHint1")) {
        return QStringLiteral("集計");
    }
    if (buttonName == QLatin1String("cmdHint2")) {
        return QStringLiteral("設定・情報");
    }
    return QStringLiteral("日誌");
}

} // namespace

MainWindow::MainWindow(Session &session, const Services &services, QWidget *parent)
    : QWidget(parent), m_session(session), m_services(services), m_msg(services.presenter)
{
    // Stored hints are keyed by this name.
    setObjectName(QStringLiteral("FrmNippo"));
    setWindowTitle(QStringLiteral("日報"));
    setMinimumSize(designedSize());
    resize(designedSize());

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setGeometry(ui::twipsRect(0, 0, 9375, 6795));

    m_journal = new journal::JournalPage(m_session.store(), m_msg, m_services.clock, m_tabs);
    m_tabs->addTab(m_journal, QStringLiteral("日　誌"));
    // The start shows only the journal page: the other two are built when
    // first needed, which spares the start their controls.
    m_tabs->addTab(new QWidget, QStringLiteral("集　計"));
    m_tabs->addTab(new QWidget, QStringLiteral("設定・情報"));
    m_tabs->setCurrentIndex(0);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == kTotalsTab) {
            totalsPage();
        } else if (index == kSettingsTab) {
            settingsPage();
        }
    });

    connect(m_journal, &journal::JournalPage::closeRequested, this, &QWidget::close);
    connect(m_journal, &journal::JournalPage::printRequested, this, &MainWindow::printJournal);
    connect(m_journal, &journal::JournalPage::exportRequested, this, [this] {
        const std::optional<QDate> day = m_journal->values().date;
        openExport(this, m_session, m_msg, store::Period::monthOf(day.value_or(m_services.clock.today())), false);
    });
    connect(m_journal, &journal::JournalPage::importRequested, this, &MainWindow::importIntoJournal);
    connect(m_journal, &journal::JournalPage::hintRequested, this, &MainWindow::openHint);
    connect(m_journal, &journal::JournalPage::searchRequested, this, &MainWindow::openSearch);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this,
            &MainWindow::openSearch);

    // In the tab bar's free corner, so that no designed control moves; F1 is its key.
    auto *helpButton = new QPushButton(QStringLiteral("ヘルプ (F1)"), m_tabs);
    helpButton->setObjectName(QStringLiteral("cmdヘルプ"));
    helpButton->setFocusPolicy(Qt::NoFocus); // the pages keep their designed Tab order
    helpButton->setFlat(true);
    helpButton->setToolTip(QStringLiteral("説明書を開きます（F1）"));
    helpButton->setAccessibleName(QStringLiteral("ヘルプ"));
    helpButton->setAccessibleDescription(QStringLiteral("説明書を開きます。キーボードでは F1 です。"));
    m_tabs->setCornerWidget(helpButton, Qt::TopRightCorner);
    connect(helpButton, &QPushButton::clicked, this, [this] { openHelp(); });
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [this] { openHelp(); });
}

void MainWindow::addHelpKey(QWidget *window, const QString &anchor)
{
    connect(new QShortcut(QKeySequence(Qt::Key_F1), window), &QShortcut::activated, this,
            [this, anchor] { openHelp(anchor); });
}

void MainWindow::openHelp(const QString &anchor)
{
    if (!m_help) {
        m_help = new help::HelpWindow;
        m_help->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_help->showPart(anchor.isEmpty() ? help::anchorOf(help::topicOfTab(m_tabs->currentIndex())) : anchor);
}

totals::TotalsPage *MainWindow::totalsPage()
{
    if (m_totals) {
        return m_totals;
    }
    m_totals = new totals::TotalsPage(m_session.store(), m_msg, m_services.clock, m_tabs);
    connect(m_totals, &totals::TotalsPage::printRequested, this, &MainWindow::printTotals);
    connect(m_totals, &totals::TotalsPage::chartRequested, this, &MainWindow::showTotalsChart);
    connect(m_totals, &totals::TotalsPage::exportRequested, this, [this] {
        openExport(this, m_session, m_msg,
                   exchangeui::exportPeriod(m_totals->periodStart(), m_totals->periodEnd(), m_services.clock.today()),
                   true, m_totals->summaryGrouping());
    });
    connect(m_totals, &totals::TotalsPage::dayPicked, this, &MainWindow::showDayOfTotals);
    connect(m_totals, &totals::TotalsPage::hintRequested, this, &MainWindow::openHint);
    m_totals->followWindowGrowth(size() - designedSize());
    if (m_started) {
        // As start() left it: the work table is empty until a 集計.
        applySettingsToTotals();
        m_totals->showCleared();
    }
    putInTab(kTotalsTab, m_totals);
    return m_totals;
}

settings::SettingsPage *MainWindow::settingsPage()
{
    if (m_settings) {
        return m_settings;
    }
    m_settings = new settings::SettingsPage(m_session.store(), m_session.settings(), m_msg, m_services.colours,
                                            m_services.urls, m_tabs);
    m_settings->setOtherPages({[this] { totalsPage()->clear(); }, [this] { m_journal->clear(); }});
    connect(m_settings, &settings::SettingsPage::hintRequested, this, &MainWindow::openHint);
    connect(m_settings, &settings::SettingsPage::restored, this, &MainWindow::showDataAnew);
    connect(m_settings, &settings::SettingsPage::settingsInForceChanged, this, &MainWindow::applyCalendarMode);
    if (m_started) {
        connectSettingsPage();
        if (m_settingsRead) {
            m_settings->showStored(m_storedSettings);
        }
        applySettingsToSettingsPage();
    }
    putInTab(kSettingsTab, m_settings);
    return m_settings;
}

void MainWindow::putInTab(int index, QWidget *page)
{
    QWidget *placeholder = m_tabs->widget(index);
    const bool shown = m_tabs->currentIndex() == index;
    // Inserted before the placeholder and made current before the placeholder
    // goes, so that no other tab becomes current on the way.
    m_tabs->insertTab(index, page, m_tabs->tabText(index));
    if (shown) {
        m_tabs->setCurrentIndex(index);
    }
    m_tabs->removeTab(index + 1);
    delete placeholder;
}

MainWindow::~MainWindow()
{
    delete m_hint;
    delete m_search;
    delete m_help;
}

std::optional<store::OpenFailure> MainWindow::start(const QString &programFolder)
{
    const QString dataFolder = chooseDataFolder(programFolder);
    auto failure = m_session.open(dataFolder);
    // Files that will not open at all are offered the newest good copy, as damage found later is.
    if (failure && QFileInfo(failure->path).isFile() && backup::canReplaceUnopened(*failure) &&
        putBackGoodCopy(QStringLiteral("ファイル: %1\n理由: %2")
                            .arg(QDir::toNativeSeparators(failure->path), store::describeForUser(failure->error)),
                        false)) {
        failure = m_session.open(dataFolder);
    }
    if (failure) {
        return failure;
    }
    m_backups = std::make_unique<BackupKeeper>(m_session.dataFolder(), [] { return QDateTime::currentDateTime(); });
    connect(m_backups.get(), &BackupKeeper::checkFailed, this, &MainWindow::offerRestoreOfDamage);
    connect(m_backups.get(), &BackupKeeper::copyFailed, this, &MainWindow::tellCopyFailed);
    connect(m_backups.get(), &BackupKeeper::copyMade, this, [this] { m_backups->noteCopyMade(); });
    // A register does not wait for the check of the files: the check steps
    // aside for the write and reads again after it (store/sqliteyield.h).
    if (m_settings) {
        connectSettingsPage();
    }
    setWindowTitle(kCaptionPrefix + kVersionText);
    readSettings();
    applySettings();
    // The work table is the program's own and starts empty; a page made
    // already shows it so.
    if (m_totals) {
        m_totals->clear();
    }
    m_tabs->setCurrentIndex(0);
    m_journal->setFocus();
    m_started = true;
    if (m_session.openElsewhere()) {
        m_msg.show(common::Prompt::OpenElsewhere);
    }
    if (const QString notice = schemaUpgradeNotice(m_session.schemaUpgrade()); !notice.isEmpty()) {
        m_msg.showFailure(QStringLiteral("データの形式"), notice);
    }
    return std::nullopt;
}

void MainWindow::connectSettingsPage()
{
    m_settings->setData(m_session.location(), m_session.backupFolder());
}

void MainWindow::readSettings()
{
    if (m_settings) {
        m_settings->load();
        return;
    }
    std::optional<store::Settings> stored;
    if (m_session.readSettings(stored)) {
        return; // as on the page's 読込, the settings in force stay as they are
    }
    m_settingsRead = true;
    m_storedSettings = stored;
}

QString MainWindow::aboutText()
{
    return QStringLiteral("日報 ZEPHRA Ver ") + kVersionText + QStringLiteral(" LastUpdate ") +
           QStringLiteral("2007/04/04") + kAuthorMark + QStringLiteral("\r\n") + QStringLiteral("\r\n") + QString() +
           QStringLiteral("\r\n") + QStringLiteral("質問は下のバナーをクリックしてコルヴァンフリー掲示板へ");
}

void MainWindow::applySettings()
{
    // A page not built yet takes its steps when it is built.
    if (m_settings) {
        applySettingsToSettingsPage();
    }
    if (m_totals) {
        applySettingsToTotals();
    }
    applyCalendarMode();
}

void MainWindow::applyCalendarMode()
{
    const QString &calendarMode = m_session.settings().era;
    const CalendarLayout layout = calendarLayout(calendarMode);
    m_journal->applyCalendarMode(calendarMode, layout.dateBoxWidth);
    if (m_totals) {
        m_totals->applyCalendarMode(calendarMode, layout.dateBoxWidth, layout.kaLeft, layout.endLeft);
    }
    if (m_search) {
        m_search->setCalendarMode(calendarMode);
    }
}

void MainWindow::applySettingsToTotals()
{
    // The grid's data source: the work table of the work database.
    m_totals->bindGrid();

    // The date formats and positions of the calendar mode.
    const QString &calendarMode = m_session.settings().era;
    const CalendarLayout layout = calendarLayout(calendarMode);
    m_totals->applyCalendarMode(calendarMode, layout.dateBoxWidth, layout.kaLeft, layout.endLeft);

    // The sum boxes above the grid's amount columns, the grid's columns.
    m_totals->layoutSumsAndGrid();
}

void MainWindow::applySettingsToSettingsPage()
{
    QString about = aboutText();
    about.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_settings->setAboutText(about);
    m_settings->fillCalendarList(m_session.settings().era);
}

QSize MainWindow::designedSize()
{
    return {ui::twips(9375), ui::twips(6780)};
}

void MainWindow::rememberSizeIn(QSettings *settings)
{
    m_sizeSettings = settings;
    if (settings) {
        m_keptGeometry = settings->value(kGeometryKey).toByteArray();
        restoreGeometry(m_keptGeometry);
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_tabs) {
        return;
    }
    // The tab control grows with the window; the pages' controls follow it.
    const QSize growth = (size() - designedSize()).expandedTo(QSize(0, 0));
    const QRect tabs = ui::twipsRect(0, 0, 9375, 6795);
    m_tabs->setGeometry(tabs.adjusted(0, 0, growth.width(), growth.height()));
    m_journal->followWindowGrowth(growth);
    if (m_totals) {
        m_totals->followWindowGrowth(growth);
    }
}

void MainWindow::openHint(const QString &buttonName)
{
    if (!m_hint) {
        m_hint = new hints::HintWindow(m_session.store(), m_msg,
                                       {objectName(), buttonName, windowTitle(), pageOfHintButton(buttonName)});
        m_hint->setAttribute(Qt::WA_DeleteOnClose);
        addHelpKey(m_hint, help::anchorOf(help::Topic::Hint));
        m_hint->open();
        return;
    }
    // Already open: it keeps showing its own target and text.
    m_hint->show();
    m_hint->raise();
    m_hint->activateWindow();
}

void MainWindow::showDayOfTotals(QDate day)
{
    m_journal->showDay(day);
    m_tabs->setCurrentIndex(0);
    m_journal->read();
}

void MainWindow::openSearch()
{
    if (!m_search) {
        m_search = new search::SearchWindow(m_session.store(), m_msg, m_services.clock);
        m_search->setCalendarMode(m_session.settings().era);
        addHelpKey(m_search, help::anchorOf(help::Topic::Search));
        // The day opens on the journal page in front; the search stays open behind it.
        connect(m_search, &search::SearchWindow::dayPicked, this, [this](QDate day) {
            showDayOfTotals(day);
            raise();
            activateWindow();
        });
    }
    m_search->open();
}

search::SearchWindow *MainWindow::searchWindow() const
{
    return m_search;
}

void MainWindow::buildSearchIndexIfNeeded()
{
    store::Store &store = m_session.store();
    if (m_shutDown || !store.isOpen() || store.searchIndexState() == store::SearchIndexState::Whole) {
        return;
    }
    ui::ProgressDialog progress(this);
    (void)store.buildSearchIndex(progress);
}

void MainWindow::printJournal()
{
    m_printJournal = m_journal->values();
    printing::showJournalReport(m_printJournal, m_session.settings().lineColour, this);
}

void MainWindow::printTotals()
{
    const totals::TotalsReport report = m_totals->report();
    m_printTotals = report.values;
    if (report.grouping) {
        printing::showSummaryReport(m_printTotals, report.rows, *report.grouping, m_session.settings().era,
                                    m_session.settings().lineColour, this);
        return;
    }
    printing::showTotalsReport(m_printTotals, m_session.store(), m_session.settings().era,
                               m_session.settings().lineColour, this, &m_services.presenter);
}

void MainWindow::showTotalsChart()
{
    const std::optional<store::Grouping> grouping = m_totals->summaryGrouping();
    const charts::PointKind kind = !grouping                             ? charts::PointKind::Day
                                   : *grouping == store::Grouping::Month ? charts::PointKind::Month
                                                                         : charts::PointKind::Year;
    const store::Period period{m_totals->periodStart().value_or(QDate()), m_totals->periodEnd().value_or(QDate())};
    // The chart window is a module of its own, loaded the first time a chart is asked for.
    const auto showChart = common::moduleFunctionAs<charts::ShowChartFunction>(
        charts::kChartModule, charts::kShowChartSymbol, QStringLiteral("グラフの表示"));
    if (!showChart.function) {
        m_msg.showFailure(QStringLiteral("グラフ"), showChart.failure);
        return;
    }
    showChart.function(m_session.store(), period, kind, m_session.settings().era, m_session.settings().lineColour,
                       m_services.presenter, this);
}

void MainWindow::importIntoJournal()
{
    // The import checks the files itself before it writes.
    const bool imported = openImport(this, m_session, m_msg, {});
    // The day on the page may be one the file brought or replaced; the totals
    // grid keeps the run it shows until the next 集計.
    if (imported && m_journal->values().date) {
        m_journal->read();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the main window cannot be refused.
    event->accept();
    shutDown();
}

bool MainWindow::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // The files are checked once the window has been painted, so the check never delays it.
    if (event->type() == QEvent::Paint && !m_checksStarted && !m_shutDown && m_backups) {
        m_checksStarted = true;
        m_backups->startChecks();
        QTimer::singleShot(0, this, &MainWindow::buildSearchIndexIfNeeded);
    }
    return handled;
}

void MainWindow::tellCopyFailed(const QString &reason)
{
    if (m_backups->shouldTellFailure()) {
        m_msg.show(common::Prompt::BackupsFailing, reason);
    }
}

bool MainWindow::putBackGoodCopy(const QString &reason, bool tellWhenNoCopy)
{
    const QString backupFolder = m_session.backupFolder();
    const auto good = backup::newestGoodCopy(backupFolder);
    if (!good) {
        if (tellWhenNoCopy) {
            m_msg.show(common::Prompt::NoGoodCopy, reason);
        }
        return false;
    }
    if (!m_msg.show(common::Prompt::DataDamaged,
                    QStringLiteral("%1\n\n最新の正しい控え: %2").arg(reason, backup::describeGoodCopy(*good)))) {
        return false;
    }
    if (m_backups) {
        m_backups->stop();
    }
    m_session.close();
    const backup::RestoreOutcome outcome =
        backup::replaceDamagedFiles(m_session.location(), backupFolder, good->entry.path, QDateTime::currentDateTime());
    if (outcome.failure) {
        m_msg.show(common::Prompt::Notice, *outcome.failure);
        return false;
    }
    m_msg.show(common::Prompt::Notice, QStringLiteral("控えに戻しました。元のファイルは「%1」に残しています。")
                                           .arg(QDir::toNativeSeparators(outcome.asideCopy)));
    return true;
}

void MainWindow::offerRestoreOfDamage(const QString &reason)
{
    const bool putBack = putBackGoodCopy(reason, true);
    if (m_session.store().isOpen()) {
        return; // nothing was put back
    }
    if (const auto failure = m_session.open(m_session.dataFolder())) {
        m_msg.showFailure(startupFailureTitle(),
                          startupFailureText(*failure, m_session.location(), QCoreApplication::applicationFilePath()));
        close();
        return;
    }
    if (putBack) {
        showDataAnew();
        buildSearchIndexIfNeeded();
    }
}

void MainWindow::showDataAnew()
{
    settingsPage()->load();
    applySettings();
    totalsPage()->clear();
    m_journal->clear();
}

void MainWindow::shutDown()
{
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    // The user's configuration is written only when the window's place or
    // size changed: an unchanged close costs no write and no sync.
    if (m_sizeSettings) {
        if (const QByteArray geometry = saveGeometry(); geometry != m_keptGeometry) {
            m_sizeSettings->setValue(kGeometryKey, geometry);
            m_sizeSettings->sync();
            m_keptGeometry = geometry;
        }
    }

    // A run with writes leaves a copy behind; the copy is made from the closed
    // files' state on connections of its own.
    const bool written = m_session.store().isOpen() && m_session.store().hasWritten();
    if (m_backups) {
        m_backups->stop();
    }
    m_session.close();
    if (written && m_backups) {
        const backup::MadeCopy made = m_backups->copyAtExit();
        if (made.failure) {
            tellCopyFailed(*made.failure);
        } else {
            m_backups->noteCopyMade();
        }
    }

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

    ui::endProcess(static_cast<quintptr>(winId()), m_services.ender);
}

} // namespace app
