// The main window across its pages: the initialisation by calendar mode, the
// start-up order, the jump from a totals row to that day's journal, the one
// hint window, and the values the print buttons hand to the reports.

#include "backup/backups.h"
#include "help/helpwindow.h"
#include "search/searchwindow.h"
#include "startedwindow.h"

#include "app/mainwindow.h"
#include "common/datalock.h"
#include "common/formats.h"
#include "hints/hintwindow.h"
#include "journal/journalpage.h"
#include "printing/reportengine.h"
#include "printing/reportviewer.h"
#include "printing/totalsreport.h"
#include "settings/settingspage.h"
#include "store/sqlitefiles.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/colournumberbox.h"
#include "ui/colourswatch.h"
#include "ui/datebox.h"
#include "ui/erabox.h"
#include "ui/geometry.h"
#include "ui/journaltextbox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsInTheStoredCalendarMode_data();
    void startsInTheStoredCalendarMode();
    void readSettingsPutTheCalendarModeInForceEverywhere();
    void aboutTextHasFourLines();
    void otherPagesAreBuiltWhenFirstShown();
    void eraseEmptiesTotalsNotShownYet();
    void totalsRowOpensThatDaysJournal_data();
    void totalsRowOpensThatDaysJournal();
    void hintButtonsShareOneModelessWindow();
    void printButtonsCopyThePage_data();
    void printButtonsCopyThePage();
    void printButtonsPrintNothingForTypingThatIsNoDate();
    void dataOpenElsewhereIsToldAtStart();
    void totalsOfAnotherProgramLeaveTheWindowsAsTheyAre();
    void f1OpensTheManualAtThePageInFront_data();
    void f1OpensTheManualAtThePageInFront();
    void f1InTheOtherWindowsOpensTheirPart();
    void hintWindowNamesItsPage();
    void f1InTheFileWindowsOpensAManualAboveThem_data();
    void f1InTheFileWindowsOpensAManualAboveThem();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_w->frm.get(), name); }
    void click(const char *button) { child<QPushButton>(button)->click(); }
    // Runs SQL on a data file before the window opens it.
    void prepare(const QString &file, const QStringList &statements) const;
    void closeViewers();
    // F1 typed into the focused control of `window`, made active first.
    static void pressF1In(QWidget *window);
    // The visible help windows, and the page and part the first one shows.
    static QList<help::HelpWindow *> helpWindows();
    static QString helpShown();

    std::unique_ptr<testsupport::MainWindow> m_w;
};

void TestMainWindow::init()
{
    m_w = std::make_unique<testsupport::MainWindow>();
}

void TestMainWindow::cleanup()
{
    if (m_w->frm) {
        closeViewers();
    }
    m_w.reset();
}

void TestMainWindow::prepare(const QString &file, const QStringList &statements) const
{
    testsupport::SqlFile db(m_w->dataFolder() + file);
    for (const QString &sql : statements) {
        QVERIFY2(db.exec(sql), qPrintable(db.lastError()));
    }
}

void TestMainWindow::closeViewers()
{
    for (printing::ReportViewer *viewer : m_w->frm->findChildren<printing::ReportViewer *>()) {
        viewer->close();
    }
    QTRY_VERIFY(m_w->frm->findChildren<printing::ReportViewer *>().isEmpty());
}

void TestMainWindow::pressF1In(QWidget *window)
{
    window->show();
    window->raise();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget *focused = QApplication::focusWidget();
    QTest::keyClick(focused && focused->window() == window ? focused : window, Qt::Key_F1);
}

QList<help::HelpWindow *> TestMainWindow::helpWindows()
{
    QList<help::HelpWindow *> found;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *h = qobject_cast<help::HelpWindow *>(window); h && h->isVisible()) {
            found << h;
        }
    }
    return found;
}

QString TestMainWindow::helpShown()
{
    const QList<help::HelpWindow *> windows = helpWindows();
    if (windows.isEmpty()) {
        return QString();
    }
    const QUrl source = windows.first()->findChild<QTextBrowser *>(QStringLiteral("brw本文"))->source();
    return source.fileName() + QLatin1Char('#') + source.fragment();
}

void TestMainWindow::startsInTheStoredCalendarMode_data()
{
    QTest::addColumn<QVariant>("stored"); // null: no settings record
    QTest::addColumn<bool>("western");
    QTest::newRow("no settings record") << QVariant() << true;
    QTest::newRow("西暦") << QVariant(QStringLiteral("西暦")) << true;
    QTest::newRow("和暦") << QVariant(QStringLiteral("和暦")) << false;
    QTest::newRow("empty") << QVariant(QString()) << false;
    QTest::newRow("foreign text") << QVariant(QStringLiteral("平成")) << false;
}

void TestMainWindow::startsInTheStoredCalendarMode()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, western);
    if (!stored.isNull()) {
        prepare(store::kMainFileName,
                {QStringLiteral("insert into 自社情報 values ('%1', 255)").arg(stored.toString())});
    }
    // Totals left in the work file by an earlier version of the program.
    prepare(store::kWorkFileName, {QStringLiteral("insert into w集計 values ('2004-04-01', 1, 2, 3, 4)"),
                                   QStringLiteral("insert into w集計 values ('2004-04-02', 1, 2, 3, 4)")});
    QVERIFY(m_w->start());
    const QString mode = stored.isNull() ? QStringLiteral("西暦") : stored.toString();
    QCOMPARE(m_w->session.settings().era, mode);
    // The totals and settings pages are built when first needed.
    m_w->frm->totalsPage();
    m_w->frm->settingsPage();

    // The settings are read before the formats are chosen from them.
    const QDate day(2007, 4, 4);
    for (const char *name : {"Dt日付", "Dt開始", "Dt終了"}) {
        auto *box = child<ui::DateBox>(name);
        QCOMPARE(box->width(), ui::twips(western ? 2000 : 2370));
        QVERIFY(box->setValue(day));
        QCOMPARE(box->displayText(), western ? QStringLiteral("2007年04月04日") : QStringLiteral("平成 19年04月04日"));
    }
    QCOMPARE(child<ui::DateBox>("Dt開始")->x(), ui::twips(825));
    QCOMPARE(child<QLabel>("LblKara")->x(), ui::twips(western ? 2930 : 3290));
    QCOMPARE(child<ui::DateBox>("Dt終了")->x(), ui::twips(western ? 3230 : 3600));
    totals::WorkTableModel *grid = testsupport::newestChild<totals::WorkTableModel>(m_w->frm->totalsPage());

    auto *era = child<ui::EraBox>("cmb年号");
    QCOMPARE(era->count(), 2);
    QCOMPARE(era->itemText(0), QStringLiteral("西暦"));
    QCOMPARE(era->itemText(1), QStringLiteral("和暦"));
    // A mode that is not an entry is not passed off as one.
    const bool listed = mode == QStringLiteral("西暦") || mode == QStringLiteral("和暦");
    QCOMPARE(era->currentText(), listed ? mode : QString());
    // Registering the settings page as shown keeps the calendar in force.
    m_w->frm->settingsPage()->save(false);
    const QVariant storedMode =
        testsupport::SqlFile(m_w->mainPath()).value(QStringLiteral("select 年号 from 自社情報"));
    QCOMPARE(common::isWestern(storedMode.toString()), western);

    // The page starts empty: the program's work table is its own, and the
    // file's table is neither shown nor changed.
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(testsupport::countOn(m_w->workPath(), QStringLiteral("w集計")), 2);
    QCOMPARE(m_w->frm->tabs()->currentIndex(), 0);

    // The grid shows its days in the calendar mode read at start.
    QVERIFY(
        testsupport::execOn(m_w->mainPath(), QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, "
                                                            "出金額, 日誌) values ('2004-04-01', 1, 2, 3, 4, '')")));
    QVERIFY(child<ui::DateBox>("Dt開始")->setValue(QDate(2004, 4, 1)));
    QVERIFY(child<ui::DateBox>("Dt終了")->setValue(QDate(2004, 4, 1)));
    m_w->frm->totalsPage()->run();
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->index(0, totals::WorkTableModel::Col日付).data().toString(),
             western ? QStringLiteral("2004/04/01（木）") : QStringLiteral("H 16/04/01（木）"));
    QVERIFY(m_w->presenter.shown.isEmpty());
}

namespace {

// Types `keys` into the box as the user does, then Enter; the box's date after.
// Typing the box refuses is thrown away.
std::optional<QDate> typeInto(ui::DateBox *box, const QString &keys)
{
    box->window()->show();
    box->window()->activateWindow();
    if (!QTest::qWaitForWindowActive(box->window())) {
        return QDate();
    }
    box->setFocus(Qt::OtherFocusReason);
    if (!QTest::qWaitFor([box] { return box->hasFocus(); })) {
        return QDate();
    }
    QTest::keyClicks(QApplication::focusWidget(), keys);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    if (box->holdsUnfinishedTyping()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // refused: thrown away
    }
    return box->value();
}

} // namespace

// A calendar mode registered and read (登録 then 読込) is in force at once in
// every date box of every page and window built so far, in their display and
// their typing; a page or window built afterwards takes it when built. 登録
// alone changes nothing in force.
void TestMainWindow::readSettingsPutTheCalendarModeInForceEverywhere()
{
    QVERIFY(m_w->start());
    m_w->frm->totalsPage(); // built before the change; the search window after it
    settings::SettingsPage *page = m_w->frm->settingsPage();
    const auto boxes = [this] {
        QList<ui::DateBox *> all{child<ui::DateBox>("Dt日付"), child<ui::DateBox>("Dt開始"),
                                 child<ui::DateBox>("Dt終了")};
        if (search::SearchWindow *search = m_w->frm->searchWindow()) {
            all << search->fromBox() << search->toBox();
        }
        return all;
    };
    const auto registerAndRead = [&](const QString &mode) {
        child<ui::EraBox>("cmb年号")->setText(mode);
        page->save(false);
        QCOMPARE(m_w->session.settings().era, common::kWestern == mode ? common::kEra : common::kWestern);
        click("cmd設定読込");
        QCOMPARE(m_w->session.settings().era, mode);
    };
    const auto checkEveryBox = [&](bool western, qsizetype count) {
        QCOMPARE(boxes().size(), count);
        for (ui::DateBox *box : boxes()) {
            const QString name = box->objectName();
            QVERIFY2(box->setValue(QDate(2007, 4, 4)), qPrintable(name));
            QCOMPARE(box->displayText(),
                     western ? QStringLiteral("2007年04月04日") : QStringLiteral("平成 19年04月04日"));
            QCOMPARE(box->width(), ui::twips(western ? 2000 : 2370));
            // Typed in the era's form: taken in era mode, refused in Western mode
            // (where its digits would fill the year as 「151_年」).
            const std::optional<QDate> typed = typeInto(box, QStringLiteral("R1.5.1"));
            QCOMPARE(typed, western ? std::optional<QDate>(QDate(2007, 4, 4)) : QDate(2019, 5, 1));
            QCOMPARE(typeInto(box, QStringLiteral("20190502")), QDate(2019, 5, 2));
        }
    };
    checkEveryBox(true, 3);

    registerAndRead(common::kEra);
    QCOMPARE(child<QLabel>("LblKara")->x(), ui::twips(3290));
    checkEveryBox(false, 3);
    m_w->frm->openSearch();
    checkEveryBox(false, 5);

    registerAndRead(common::kWestern);
    QCOMPARE(child<QLabel>("LblKara")->x(), ui::twips(2930));
    checkEveryBox(true, 5);
    m_w->frm->searchWindow()->close();
    QVERIFY(m_w->presenter.shown.isEmpty());
}

void TestMainWindow::aboutTextHasFourLines()
{
    QVERIFY(m_w->start());
    m_w->frm->settingsPage();
    const QString about = child<QLabel>("lblInfo")->text();
    const QStringList lines = about.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    const QString version = QStringLiteral("日報 ZEPHRA Ver 1.40 LastUpdate 2007/04/04");
    QVERIFY2(lines[0].startsWith(version) && lines[0].size() > version.size(), qPrintable(lines[0]));
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[3], QStringLiteral("質問は下のバナーをクリックしてコルヴァンフリー掲示板へ"));
    // The text as built carries the platform's line breaks.
    QCOMPARE(app::MainWindow::aboutText(), lines.join(QStringLiteral("\r\n")));
}

// The start builds the journal page only. The other two are built when their
// tabs are first shown, and show what the start left for them.
void TestMainWindow::otherPagesAreBuiltWhenFirstShown()
{
    prepare(store::kMainFileName, {QStringLiteral("insert into 自社情報 values ('和暦', 255)")});
    prepare(store::kWorkFileName, {QStringLiteral("insert into w集計 values ('2004-04-01', 1, 2, 3, 4)")});
    QVERIFY(m_w->start());
    QVERIFY(!m_w->frm->findChild<totals::TotalsPage *>());
    QVERIFY(!m_w->frm->findChild<settings::SettingsPage *>());
    // The settings are in force and the work table empty all the same.
    QCOMPARE(m_w->session.settings(), (store::Settings{QStringLiteral("和暦"), 255}));
    QCOMPARE(child<ui::DateBox>("Dt日付")->width(), ui::twips(2370));
    bool holds = true;
    QVERIFY(!m_w->session.store().workHoldsRows(holds));
    QVERIFY(!holds);
    QCOMPARE(testsupport::countOn(m_w->workPath(), QStringLiteral("w集計")), 1);

    m_w->frm->show();
    QApplication::setActiveWindow(m_w->frm.get());
    QVERIFY(QTest::qWaitForWindowActive(m_w->frm.get()));
    QTRY_VERIFY(m_w->frm->journalPage()->isAncestorOf(QApplication::focusWidget()));
    QTabWidget *tabs = m_w->frm->tabs();
    QCOMPARE(tabs->objectName(), QStringLiteral("SSTab1"));
    const auto tabTexts = [tabs] {
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i) {
            texts << tabs->tabText(i);
        }
        return texts;
    };
    const QStringList texts = {QStringLiteral("日　誌"), QStringLiteral("集　計"), QStringLiteral("設定・情報")};
    QCOMPARE(tabTexts(), texts);
    const auto clickTab = [tabs](int index) {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    };

    clickTab(1);
    auto *totalsPage = qobject_cast<totals::TotalsPage *>(tabs->widget(1));
    QVERIFY(totalsPage);
    QCOMPARE(m_w->frm->totalsPage(), totalsPage);
    QCOMPARE(tabs->currentIndex(), 1);
    QVERIFY(totalsPage->isVisible());
    QCOMPARE(tabTexts(), texts);
    // The focus moves from the journal page into the page, to the first control of its tab order.
    QCOMPARE(QApplication::focusWidget(), child<QTableView>("Grid集計"));
    // Cleared, laid out for the calendar mode in force, the grid on the emptied table.
    for (const char *name : {"Dt開始", "Dt終了"}) {
        auto *box = child<ui::DateBox>(name);
        QCOMPARE(box->value(), std::nullopt);
        QCOMPARE(box->width(), ui::twips(2370));
        QVERIFY(box->setValue(QDate(2007, 4, 4)));
        QCOMPARE(box->displayText(), QStringLiteral("平成 19年04月04日"));
    }
    QCOMPARE(child<QLabel>("LblKara")->x(), ui::twips(3290));
    QCOMPARE(child<ui::DateBox>("Dt終了")->x(), ui::twips(3600));
    auto *grid = child<QTableView>("Grid集計");
    QCOMPARE(grid->model(), testsupport::newestChild<totals::WorkTableModel>(totalsPage));
    QCOMPARE(grid->model()->rowCount(), 0);
    QCOMPARE(grid->width(), ui::twips(8085));
    // Each sum over its column (test_summarylayout measures them closely).
    const std::pair<const char *, int> sums[] = {
        {"num売上計", 1}, {"num仕入計", 2}, {"num入金計", 3}, {"num出金計", 4}};
    for (const auto &[name, column] : sums) {
        auto *box = child<ui::AmountBox>(name);
        QCOMPARE(box->value(), std::optional<qint64>(0));
        const int left = grid->viewport()->mapTo(totalsPage, QPoint(grid->columnViewportPosition(column), 0)).x();
        QVERIFY(std::abs(box->mapTo(totalsPage, box->rect().center()).x() - (left + grid->columnWidth(column) / 2)) <=
                3);
    }

    clickTab(2);
    auto *settingsPage = qobject_cast<settings::SettingsPage *>(tabs->widget(2));
    QVERIFY(settingsPage);
    QCOMPARE(m_w->frm->settingsPage(), settingsPage);
    QCOMPARE(tabs->currentIndex(), 2);
    QVERIFY(settingsPage->isVisible());
    QCOMPARE(tabTexts(), texts);
    QCOMPARE(QApplication::focusWidget(), child<ui::EraBox>("cmb年号"));
    // The stored settings, the calendar list, the about text, the data's folders.
    auto *era = child<ui::EraBox>("cmb年号");
    QCOMPARE(era->count(), 2);
    QCOMPARE(era->currentText(), QStringLiteral("和暦"));
    QCOMPARE(child<ui::ColourNumberBox>("num白紙罫線色")->value(), 255);
    QCOMPARE(child<ui::ColourSwatch>("Pic罫線色")->backColour(), 255);
    QCOMPARE(child<QLabel>("lblInfo")->text(),
             app::MainWindow::aboutText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(settingsPage->backupFolder(), m_w->session.backupFolder());

    clickTab(0);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->widget(0), m_w->frm->journalPage());
    QVERIFY(m_w->presenter.shown.isEmpty());
}

// The bulk erase, on a settings page built after the start, keeps its copy in
// the data's backup folder and empties the totals of a page not shown yet.
void TestMainWindow::eraseEmptiesTotalsNotShownYet()
{
    QVERIFY(m_w->start());
    m_w->frm->tabs()->setCurrentIndex(2);
    QVERIFY(!m_w->frm->findChild<totals::TotalsPage *>());
    QVERIFY(
        testsupport::execOn(m_w->mainPath(), QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, "
                                                            "出金額, 日誌) values ('2004-04-01', 1, 2, 3, 4, '')")));
    store::FillReport report;
    QVERIFY(!m_w->session.store().fillWork(store::Period::monthOf(QDate(2004, 4, 1)), report));

    click("cmd一括削除7");
    QCOMPARE(m_w->presenter.shown.size(), 1); // the question, answered Yes
    const QList<backup::CopyEntry> copies = backup::listCopies(m_w->session.backupFolder());
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies.first().name.kind, backup::CopyKind::Erase);
    bool holds = true;
    QVERIFY(!m_w->session.store().workHoldsRows(holds));
    QVERIFY(!holds);
    m_w->frm->tabs()->setCurrentIndex(1);
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_w->frm->totalsPage())->rowCount(), 0);
    QCOMPARE(m_w->presenter.shown.size(), 1);
}

void TestMainWindow::totalsRowOpensThatDaysJournal_data()
{
    QTest::addColumn<bool>("doubleClick"); // otherwise Enter
    QTest::newRow("double-click") << true;
    QTest::newRow("Enter") << false;
}

void TestMainWindow::totalsRowOpensThatDaysJournal()
{
    QFETCH(bool, doubleClick);
    prepare(store::kMainFileName, {QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                  "values ('2004-04-02', 2, 2, 2, 2, '二日目')"),
                                   QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                  "values ('2004-04-01', 111, NULL, -1500, 4, '一日目')")});
    QVERIFY(m_w->start());
    m_w->frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w->frm.get()));

    // The journal page holds another day, typed but not registered.
    auto *date = child<ui::DateBox>("Dt日付");
    QVERIFY(date->setValue(QDate(2004, 5, 5)));
    child<ui::AmountBox>("num売上額")->setValue(9);

    QTabWidget *tabs = m_w->frm->tabs();
    tabs->setCurrentIndex(1);
    auto *grid = child<QTableView>("Grid集計");
    const auto pick = [&](const QModelIndex &index) {
        if (doubleClick) {
            const QPoint at = index.isValid() ? grid->visualRect(index).center() : QPoint(5, 5);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        } else {
            grid->setFocus();
            if (index.isValid()) {
                grid->setCurrentIndex(index);
            }
            QTest::keyClick(grid, Qt::Key_Return);
        }
    };

    // No rows: nothing happens.
    pick(QModelIndex());
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(date->value(), std::optional(QDate(2004, 5, 5)));

    QVERIFY(child<ui::DateBox>("Dt開始")->setValue(QDate(2004, 4, 1)));
    click("cmd集計");
    totals::WorkTableModel *model = testsupport::newestChild<totals::WorkTableModel>(m_w->frm->totalsPage());
    QCOMPARE(model->rowCount(), 2);
    pick(model->index(0, totals::WorkTableModel::Col売上額));

    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(date->value(), std::optional(QDate(2004, 4, 1)));
    QCOMPARE(child<ui::AmountBox>("num売上額")->value(), std::optional(qint64(111)));
    QCOMPARE(child<ui::AmountBox>("num仕入額")->text(), QStringLiteral("0")); // a Null, shown as 0
    QCOMPARE(child<ui::AmountBox>("num仕入額")->value(), std::nullopt);
    QCOMPARE(child<ui::AmountBox>("num入金額")->value(), std::optional(qint64(-1500)));
    QCOMPARE(child<ui::JournalTextBox>("txtメモ")->text(), QStringLiteral("一日目"));
    QVERIFY(m_w->presenter.shown.isEmpty());
}

void TestMainWindow::hintButtonsShareOneModelessWindow()
{
    prepare(store::kWorkFileName, {QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values "
                                                  "('FrmNippo', 'cmdHint', 'x', '日誌の説明')"),
                                   QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values "
                                                  "('FrmNippo', 'cmdHint1', 'x', '集計の説明')")});
    QVERIFY(m_w->start());
    m_w->frm->show();
    const QString caption = QStringLiteral("業務日誌 ZEPHRA Ver 1.40");
    const auto shownTarget = [this] {
        hints::HintWindow *hint = m_w->frm->hintWindow();
        return hint->findChild<QLabel *>(QStringLiteral("lblFormName"))->text() + QLatin1Char('|') +
               hint->findChild<QLabel *>(QStringLiteral("lblCtlName"))->text() + QLatin1Char('|') +
               hint->contents()->toPlainText();
    };
    const auto hintWindows = [] {
        int n = 0;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            n += window->objectName() == QLatin1String("Hint") && window->isVisible();
        }
        return n;
    };

    click("cmdHint");
    QPointer<hints::HintWindow> hint = m_w->frm->hintWindow();
    QVERIFY(hint);
    QCOMPARE(hint->windowTitle(), QStringLiteral("ヒント － 日誌"));
    QVERIFY(hint->isVisible());
    QVERIFY(!hint->isModal());
    QVERIFY(m_w->frm->isEnabled());
    QCOMPARE(hint->findChild<QLabel *>(QStringLiteral("lblFormTitle"))->text(), caption);
    QCOMPARE(shownTarget(), QStringLiteral("ページ：日誌||日誌の説明"));

    // Pressed again from another page while open: the window keeps its target.
    m_w->frm->tabs()->setCurrentIndex(1);
    click("cmdHint1");
    QCOMPARE(m_w->frm->hintWindow(), hint.data());
    QCOMPARE(shownTarget(), QStringLiteral("ページ：日誌||日誌の説明"));
    QCOMPARE(hintWindows(), 1);

    // Closed and pressed again: the new target shows.
    hint->findChild<QPushButton *>(QStringLiteral("cmd閉じる"))->click();
    QTRY_VERIFY(!hint);
    QVERIFY(!m_w->frm->hintWindow());
    click("cmdHint1");
    QCOMPARE(shownTarget(), QStringLiteral("ページ：集計||集計の説明"));
    QCOMPARE(hintWindows(), 1);

    // Shutdown closes the open hint window, then ends the process once.
    hint = m_w->frm->hintWindow();
    QVERIFY(m_w->frm->close());
    QTRY_VERIFY(!hint);
    QCOMPARE(hintWindows(), 0);
    QVERIFY(!m_w->session.store().isOpen());
    QCOMPARE(m_w->ender.ended, 1);
    m_w->frm->close();
    QCOMPARE(m_w->ender.ended, 1);
    QVERIFY(m_w->presenter.shown.isEmpty());
}

void TestMainWindow::printButtonsCopyThePage_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("西暦") << QStringLiteral("西暦") << QStringLiteral("2004年04月01日")
                          << QStringLiteral("2004年04月30日");
    QTest::newRow("和暦") << QStringLiteral("和暦") << QStringLiteral("平成 16年04月01日")
                          << QStringLiteral("平成 16年04月30日");
}

void TestMainWindow::printButtonsCopyThePage()
{
    QFETCH(QString, mode);
    QFETCH(QString, first);
    QFETCH(QString, last);
    prepare(store::kMainFileName, {QStringLiteral("insert into 自社情報 values ('%1', 255)").arg(mode),
                                   QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                  "values ('2004-04-01', 100, 200, NULL, 400, 'a')"),
                                   QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                  "values ('2004-04-30', 1, 2, NULL, 4, 'b')")});
    QVERIFY(m_w->start());
    QCOMPARE(m_w->session.settings().lineColour, 255);

    // The journal page as typed, not as stored.
    QVERIFY(child<ui::DateBox>("Dt日付")->setValue(QDate(2004, 4, 1)));
    child<ui::AmountBox>("num売上額")->setValue(1234567);
    child<ui::AmountBox>("num仕入額")->setValue(-1500);
    child<ui::AmountBox>("num入金額")->setValue(0);
    child<ui::AmountBox>("num出金額")->setValue(std::nullopt);
    child<ui::JournalTextBox>("txtメモ")->setText(QStringLiteral("一行目\n二行目"));
    click("Cmd印刷");
    const printing::PrintJournal &journal = m_w->frm->printedJournal();
    QCOMPARE(journal.dateText, first);
    QCOMPARE(journal.sales, std::optional(qint64(1234567)));
    QCOMPARE(journal.purchases, std::optional(qint64(-1500)));
    QCOMPARE(journal.moneyIn, std::optional(qint64(0)));
    QCOMPARE(journal.moneyOut, std::nullopt);
    QCOMPARE(journal.memo, QStringLiteral("一行目\n二行目"));
    QCOMPARE(m_w->frm->findChildren<printing::ReportViewer *>().size(), 1);

    m_w->frm->totalsPage();
    QVERIFY(child<ui::DateBox>("Dt開始")->setValue(QDate(2004, 4, 1)));
    click("cmd集計");
    click("CSCmdBtn1");
    const printing::PrintTotals &totals = m_w->frm->printedTotals();
    QCOMPARE(totals.startText, first);
    QCOMPARE(totals.endText, last);
    QCOMPARE(totals.sales, std::optional(qint64(101)));
    QCOMPARE(totals.purchases, std::optional(qint64(202)));
    QCOMPARE(totals.moneyIn, std::optional(qint64(0)));
    QCOMPARE(totals.moneyOut, std::optional(qint64(404)));
    QCOMPARE(m_w->frm->findChildren<printing::ReportViewer *>().size(), 2);
    QVERIFY(m_w->presenter.shown.isEmpty());
    closeViewers();
}

// A print button clicked while its page's date box holds unfinished or
// impossible typing opens no report and keeps what was printed before.
void TestMainWindow::printButtonsPrintNothingForTypingThatIsNoDate()
{
    prepare(store::kMainFileName, {QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                  "values ('2004-04-01', 100, 200, 300, 400, 'a')")});
    QVERIFY(m_w->start());
    m_w->frm->show();
    QApplication::setActiveWindow(m_w->frm.get());
    QVERIFY(QTest::qWaitForWindowActive(m_w->frm.get()));
    const auto viewers = [this] { return m_w->frm->findChildren<printing::ReportViewer *>().size(); };
    // The report viewers are windows of their own: the main window is made active again first.
    const auto typeInto = [this](ui::DateBox *box, const QString &keys) {
        QApplication::setActiveWindow(m_w->frm.get());
        QVERIFY(QTest::qWaitForWindowActive(m_w->frm.get()));
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClicks(QApplication::focusWidget(), keys);
    };

    QVERIFY(child<ui::DateBox>("Dt日付")->setValue(QDate(2004, 4, 1)));
    click("Cmd印刷");
    QCOMPARE(viewers(), 1);
    typeInto(child<ui::DateBox>("Dt日付"), QStringLiteral("2004050"));
    QTest::mouseClick(child<QPushButton>("Cmd印刷"), Qt::LeftButton);
    QCOMPARE(viewers(), 1);
    QCOMPARE(m_w->frm->printedJournal().dateText, QStringLiteral("2004年04月01日"));
    QCOMPARE(m_w->presenter.shown.size(), 1);
    QCOMPARE(m_w->presenter.shown[0].title, QStringLiteral("入力注意"));
    QVERIFY(m_w->presenter.shown[0].text.startsWith(QStringLiteral("日付「2004年05月0_日」は")));

    m_w->frm->tabs()->setCurrentIndex(1);
    QVERIFY(child<ui::DateBox>("Dt開始")->setValue(QDate(2004, 4, 1)));
    click("cmd集計");
    click("CSCmdBtn1");
    QCOMPARE(viewers(), 2);
    typeInto(child<ui::DateBox>("Dt終了"), QStringLiteral("20040631"));
    QTest::mouseClick(child<QPushButton>("CSCmdBtn1"), Qt::LeftButton);
    QCOMPARE(viewers(), 2);
    QCOMPARE(m_w->frm->printedTotals().endText, QStringLiteral("2004年04月30日"));
    QCOMPARE(m_w->frm->printedTotals().sales, std::optional(qint64(100)));
    QCOMPARE(m_w->presenter.shown.size(), 2);
    QVERIFY(m_w->presenter.shown[1].text.startsWith(QStringLiteral("終了日「2004年06月31日」は")));
    closeViewers();
}

// Another program holding the data folder (here the test itself, through the
// folder's lock) is told once at start, as information; the window works on.
// The window then holds the folder too, so the next program is told in turn.
void TestMainWindow::dataOpenElsewhereIsToldAtStart()
{
    common::DataLock other;
    QCOMPARE(other.hold(m_w->dataFolder()), common::DataLock::Held::Alone);
    QVERIFY(m_w->start());
    QCOMPARE(m_w->presenter.shown.size(), 1);
    const common::MessageRequest notice = m_w->presenter.shown.first();
    QCOMPARE(notice.title, QStringLiteral("他のプログラムで使用中"));
    QCOMPARE(notice.style, common::kInformation);
    QVERIFY2(notice.text.startsWith(QStringLiteral("このデータは他のプログラムでも開かれています。")),
             qPrintable(notice.text));

    other.release();
    common::DataLock next;
    QCOMPARE(next.hold(m_w->dataFolder()), common::DataLock::Held::Elsewhere);
    next.release();
    m_w->session.close();
    QCOMPARE(next.hold(m_w->dataFolder()), common::DataLock::Held::Alone);
}

// Two programs on one data folder: the window totals April, then the built
// program, started on its own, exports the totals of May. The window's grid,
// sums and printout stay April's, and the other program says that the data is
// open here.
void TestMainWindow::totalsOfAnotherProgramLeaveTheWindowsAsTheyAre()
{
    QTemporaryDir home;
    const QString program = QDir(home.path()).filePath(QStringLiteral("zephra"));
    QVERIFY(QFile::copy(QStringLiteral(ZEPHRA_PATH), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    testsupport::MainWindow w(QDate(2007, 4, 4), home.path());
    QVERIFY(app::initData(w.dataFolder()).exitStatus == 0);
    QVERIFY(testsupport::execOn(
        w.mainPath(), QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values "
                                     "('2007-04-01', 1, 2, 3, 4, ''), "
                                     "('2007-04-02', 10, 20, 30, 40, ''), "
                                     "('2007-05-01', 100, 200, 300, 400, '')")));
    QVERIFY(w.start());
    QVERIFY(w.presenter.shown.isEmpty()); // alone on the data
    totals::TotalsPage *page = w.frm->totalsPage();
    QVERIFY(testsupport::control<ui::DateBox>(page, "Dt開始")->setValue(QDate(2007, 4, 1)));
    QVERIFY(testsupport::control<ui::DateBox>(page, "Dt終了")->setValue(QDate(2007, 4, 30)));
    page->run();
    const common::TotalsValues april = page->values();
    QCOMPARE(april.sales, std::optional<qint64>(11));

    QProcess other;
    other.setWorkingDirectory(home.path());
    other.start(program, {QStringLiteral("--export"), QStringLiteral("may.csv"), QStringLiteral("--from"),
                          QStringLiteral("2007/05/01"), QStringLiteral("--to"), QStringLiteral("2007/05/31"),
                          QStringLiteral("--totals")});
    QVERIFY(other.waitForFinished(60'000));
    const QString err = QString::fromUtf8(other.readAllStandardError());
    QVERIFY2(other.exitCode() == 0, qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("は他のプログラムでも開かれています。")), qPrintable(err));
    QFile may(QDir(home.path()).filePath(QStringLiteral("may.csv")));
    QVERIFY(may.open(QIODevice::ReadOnly));
    QVERIFY(may.readAll().endsWith("合計,100,200,300,400\r\n"));

    // The grid read anew, the sums and the printout are April's.
    totals::WorkTableModel *grid = testsupport::newestChild<totals::WorkTableModel>(page);
    grid->refresh();
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->dateOfRow(0), QDate(2007, 4, 1));
    QCOMPARE(grid->dateOfRow(1), QDate(2007, 4, 2));
    store::Sums sums;
    QVERIFY(!w.session.store().workSums(sums));
    QCOMPARE(sums, (store::Sums{11, 22, 33, 44}));
    QCOMPARE(page->values().sales, april.sales);
    printing::TotalsReport report(page->values(), w.session.store(), QStringLiteral("西暦"), 0);
    const printing::ReportRun run = printing::ReportEngine::run(report);
    QVERIFY(run.ok());
    QList<QString> days;
    for (const printing::DrawItem &item : run.document.pages.first().itemsNamed(QStringLiteral("txt日付"))) {
        days << item.text;
    }
    QCOMPARE(days, (QList<QString>{QStringLiteral("2007/04/01"), QStringLiteral("2007/04/02")}));
    QVERIFY(w.presenter.shown.isEmpty());
}

void TestMainWindow::f1OpensTheManualAtThePageInFront_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("part");
    QTest::newRow("日誌") << 0 << QStringLiteral("journal.html#journal");
    QTest::newRow("集計") << 1 << QStringLiteral("totals.html#totals");
    QTest::newRow("設定・情報") << 2 << QStringLiteral("settings.html#settings");
}

void TestMainWindow::f1OpensTheManualAtThePageInFront()
{
    QFETCH(int, tab);
    QFETCH(QString, part);
    QVERIFY(m_w->start());
    m_w->frm->show();
    m_w->frm->tabs()->setCurrentIndex(tab);
    m_w->frm->tabs()->currentWidget()->setFocus();
    QVERIFY(helpWindows().isEmpty());
    pressF1In(m_w->frm.get());
    QCOMPARE(helpWindows().size(), 1);
    QCOMPARE(helpShown(), part);
    QPointer<help::HelpWindow> first = helpWindows().first();

    // Another page in front, F1 again: the one window, now at that page.
    const int other = (tab + 1) % 3;
    m_w->frm->tabs()->setCurrentIndex(other);
    pressF1In(m_w->frm.get());
    QCOMPARE(helpWindows().size(), 1);
    QCOMPARE(helpWindows().first(), first.data());
    QVERIFY(helpShown() != part);

    // The ヘルプ button by the tabs does the same, for the page in front.
    m_w->frm->tabs()->setCurrentIndex(tab);
    first->close();
    QTRY_VERIFY(!first);
    click("cmdヘルプ");
    QCOMPARE(helpWindows().size(), 1);
    QCOMPARE(helpShown(), part);
    QVERIFY(m_w->presenter.shown.isEmpty());
}

void TestMainWindow::f1InTheOtherWindowsOpensTheirPart()
{
    QVERIFY(m_w->start());
    m_w->frm->show();
    // From the date box, which has its own keys: F1 still opens the journal's part.
    child<ui::DateBox>("Dt日付")->setFocus();
    pressF1In(m_w->frm.get());
    QCOMPARE(helpShown(), QStringLiteral("journal.html#journal"));

    m_w->frm->openSearch();
    pressF1In(m_w->frm->searchWindow());
    QCOMPARE(helpShown(), QStringLiteral("search.html#search"));

    click("cmdHint");
    pressF1In(m_w->frm->hintWindow());
    QCOMPARE(helpShown(), QStringLiteral("index.html#hint"));
    QCOMPARE(helpWindows().size(), 1);
}

void TestMainWindow::hintWindowNamesItsPage()
{
    QVERIFY(m_w->start());
    m_w->frm->show();
    m_w->frm->tabs()->setCurrentIndex(2);
    click("cmdHint2");
    hints::HintWindow *hint = m_w->frm->hintWindow();
    QVERIFY(hint);
    QCOMPARE(hint->windowTitle(), QStringLiteral("ヒント － 設定・情報"));
    QCOMPARE(hint->findChild<QLabel *>(QStringLiteral("lblFormName"))->text(), QStringLiteral("ページ：設定・情報"));
    // Nothing stored yet: the box explains what a hint is.
    QCOMPARE(hint->contents()->toPlainText(), QString());
    QCOMPARE(hint->contents()->placeholderText(), hints::HintWindow::emptyHintNote());
}

void TestMainWindow::f1InTheFileWindowsOpensAManualAboveThem_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("part");
    QTest::newRow("書出") << QByteArray("cmd書出") << QStringLiteral("files.html#export");
    QTest::newRow("取込") << QByteArray("cmd取込") << QStringLiteral("files.html#import");
}

void TestMainWindow::f1InTheFileWindowsOpensAManualAboveThem()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, part);
    QVERIFY(m_w->start());
    m_w->frm->show();
    QString shown;
    bool usable = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog) {
            return;
        }
        pressF1In(dialog);
        shown = helpShown();
        // The manual belongs to the modal window, so the modality leaves it usable.
        const QList<help::HelpWindow *> windows = helpWindows();
        usable = windows.size() == 1 && windows.first()->parentWidget() == dialog;
        dialog->close();
    });
    click(button.constData());
    QCOMPARE(shown, part);
    QVERIFY(usable);
    QVERIFY(helpWindows().isEmpty()); // gone with its window
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
