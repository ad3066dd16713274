// Every control a keyboard reaches carries a Japanese name for a screen
// reader, and the keyboard reaches the controls of a page in its order.

#include "charts/chartwindow.h"
#include "exchangeui/exportdialog.h"
#include "exchangeui/importdialog.h"
#include "help/helpwindow.h"
#include "search/searchwindow.h"
#include "startedwindow.h"

#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/placement.h"

#include <QAccessible>
#include <QApplication>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool reachedByTab(const QWidget *widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled();
}

// The controls under `root` that Tab reaches but a screen reader could not name.
QStringList unnamedControls(const QWidget *root)
{
    QStringList unnamed;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        // A widget that hands its focus on is read out as the one that takes it.
        if (!reachedByTab(widget) || widget->focusProxy()) {
            continue;
        }
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty()) {
            const QWidget *named = widget->objectName().isEmpty() ? widget->parentWidget() : widget;
            unnamed << QString::fromLatin1(widget->metaObject()->className()) + u' ' + named->objectName();
        }
    }
    return unnamed;
}

// The controls of `page` in the order Tab visits them from `first`, a box's
// inner edit counted as its box.
QStringList tabOrder(const QWidget *page, QWidget *first)
{
    QStringList order;
    QWidget *widget = first;
    do {
        if (reachedByTab(widget) && page->isAncestorOf(widget)) {
            const QWidget *control = widget;
            if (control->parentWidget() && control->parentWidget()->focusProxy() == control) {
                control = control->parentWidget();
            }
            if (order.isEmpty() || order.constLast() != control->objectName()) {
                order << control->objectName();
            }
        }
        widget = widget->nextInFocusChain();
    } while (widget != first);
    return order;
}

void settle(QWidget *window)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void captionNames_data();
    void captionNames();
    void unnamedBoxesAreFound();
    void pagesNameTheirControls_data();
    void pagesNameTheirControls();
    void windowsNameTheirControls();
};

void TestAccessibility::captionNames_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::newRow("full-width spacing") << u"日　 付"_s << u"日付"_s;
    QTest::newRow("spaces") << u"出 　金"_s << u"出金"_s;
    QTest::newRow("mnemonic and colon") << u"ファイル(&N):"_s << u"ファイル(N)"_s;
    QTest::newRow("full-width colon") << u"期間："_s << u"期間"_s;
    QTest::newRow("ampersand shown") << u"入金&&出金"_s << u"入金&出金"_s;
}

void TestAccessibility::captionNames()
{
    QFETCH(QString, caption);
    QFETCH(QString, name);
    QCOMPARE(ui::captionName(caption), name);
}

// The check itself: a date box and an amount box without a name are reported,
// the date box through the edit that takes its focus; a caption names them.
void TestAccessibility::unnamedBoxesAreFound()
{
    QWidget page;
    auto *date = new ui::DateBox(&page);
    ui::place(date, u"Dt日付"_s, 1065, 280, 2310, 320);
    auto *amount = new ui::AmountBox(&page);
    ui::place(amount, u"num売上額"_s, 1080, 720, 1575, 315);
    settle(&page);
    QStringList found = unnamedControls(&page);
    found.sort();
    QCOMPARE(found, (QStringList{u"QLineEdit Dt日付"_s, u"ui::AmountBox num売上額"_s}));

    QWidget captioned;
    ui::addLabel(&captioned, u"Label29"_s, u"日　 付"_s, 180, 315);
    auto *named = new ui::DateBox(&captioned);
    ui::place(named, u"Dt日付"_s, 1065, 280, 2310, 320);
    // No caption was added for this one since the date box took the last.
    auto *unnamed = new ui::AmountBox(&captioned);
    ui::place(unnamed, u"num売上額"_s, 1080, 720, 1575, 315);
    settle(&captioned);
    QCOMPARE(named->accessibleName(), u"日付"_s);
    QCOMPARE(unnamedControls(&captioned), QStringList{u"ui::AmountBox num売上額"_s});
}

void TestAccessibility::pagesNameTheirControls_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("日誌") << 0 << QStringList{u"Dt日付"_s,    u"num売上額"_s, u"num仕入額"_s, u"num入金額"_s,
                                              u"num出金額"_s, u"txtメモ"_s,   u"cmd読込"_s,   u"cmd登録"_s,
                                              u"cmd閉じる"_s, u"Cmd印刷"_s,   u"cmdクリア"_s, u"cmd削除"_s,
                                              u"cmd書出"_s,   u"cmd取込"_s,   u"cmd検索"_s,   u"cmdHint"_s};
    QTest::newRow("集計") << 1 << QStringList{u"Grid集計"_s,  u"cmd集計クリア"_s, u"cmd集計"_s,   u"Dt開始"_s,
                                              u"Dt終了"_s,    u"opt日別"_s,       u"opt月別"_s,   u"opt年別"_s,
                                              u"num売上計"_s, u"num仕入計"_s,     u"num入金計"_s, u"num出金計"_s,
                                              u"CSCmdBtn1"_s, u"cmd書出1"_s,      u"cmdグラフ"_s, u"cmdHint1"_s};
    QTest::newRow("設定") << 2
                          << QStringList{u"cmb年号"_s,     u"Pic罫線色"_s,   u"num白紙罫線色"_s, u"cmd一括削除7"_s,
                                         u"cmd復元"_s,     u"cmd設定読込"_s, u"cmd設定登録"_s,   u"cmd設定クリア"_s,
                                         u"cmd設定削除"_s, u"cmdHint2"_s,    u"Image2"_s};
}

void TestAccessibility::pagesNameTheirControls()
{
    QFETCH(int, tab);
    QFETCH(QStringList, order);
    testsupport::MainWindow w;
    QVERIFY(w.start());
    w.frm->tabs()->setCurrentIndex(tab);
    settle(w.frm.get());
    QWidget *page = w.frm->tabs()->currentWidget();
    QVERIFY2(unnamedControls(page).isEmpty(), qPrintable(unnamedControls(page).join(u", "_s)));
    QWidget *first = page->findChild<QWidget *>(order.constFirst());
    QVERIFY(first);
    QCOMPARE(tabOrder(page, first), order);
}

void TestAccessibility::windowsNameTheirControls()
{
    testsupport::MainWindow w;
    QVERIFY(w.start());
    store::Store &store = w.session.store();
    const store::Period period{QDate(2007, 4, 1), QDate(2007, 4, 30)};

    exchangeui::ExportDialog exportDialog(
        {store, w.frm->msg(), u"西暦"_s, w.dataFolder(), period, true, w.dataFolder()});
    exchangeui::ImportDialog importDialog(
        {store,
         w.frm->msg(),
         {store::Location::inFolder(w.dataFolder()), w.dataFolder() + u"backup/"_s, {}, {}},
         w.dataFolder()});
    search::SearchWindow searchWindow(store, w.frm->msg(), w.clock);
    charts::ChartWindow chartWindow(charts::ChartSeries{}, u"2007/04/01～2007/04/30"_s, 0);
    help::HelpWindow helpWindow;
    w.frm->openHint(u"cmdHint"_s);
    QVERIFY(w.frm->hintWindow());
    for (QWidget *window : std::initializer_list<QWidget *>{&exportDialog, &importDialog, &searchWindow, &chartWindow,
                                                            w.frm->hintWindow(), &helpWindow}) {
        settle(window);
        QVERIFY2(unnamedControls(window).isEmpty(),
                 qPrintable(window->objectName() + u": "_s + unnamedControls(window).join(u", "_s)));
    }
}

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
