// The search window in the started program: Ctrl+F from any page, the words
// typed and the days listed, a day opened on the journal page, and the index
// of a file without one built after the first paint.

#include "search/resultmodel.h"
#include "search/searchwindow.h"

#include "app/startedwindow.h"
#include "journal/journalpage.h"
#include "support/sqlfile.h"
#include "ui/datebox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSearchWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ctrlFFindsAndOpensADay();
    void journalPageButtonOverlapsNothing();
    void fileWithoutIndexIsBuiltAfterTheFirstPaint();
    void failedBuildIsToldInTheWindow();
    void resultDatesShowWeekdayAndHoliday_data();
    void resultDatesShowWeekdayAndHoliday();

private:
    void saveDays()
    {
        for (const auto &[day, text] :
             {std::pair{QDate(2024, 1, 1), u"ＡＢＣ商事へ納品"_s}, std::pair{QDate(2024, 2, 1), u"abc商事から入金"_s},
              std::pair{QDate(2024, 3, 1), u"店休日"_s}}) {
            QVERIFY(m_w->session.store().saveDay({day, {1000, {}, {}, {}}, text, {}}).ok());
        }
    }
    void startShown()
    {
        QVERIFY(m_w->start());
        m_w->frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w->frm.get()));
    }
    search::SearchWindow *openedByCtrlF()
    {
        QApplication::setActiveWindow(m_w->frm.get());
        QTest::keyClick(m_w->frm.get(), Qt::Key_F, Qt::ControlModifier);
        search::SearchWindow *window = m_w->frm->searchWindow();
        return window && window->isVisible() ? window : nullptr;
    }

    std::unique_ptr<testsupport::MainWindow> m_w;
};

void TestSearchWindow::init()
{
    m_w = std::make_unique<testsupport::MainWindow>();
}

void TestSearchWindow::cleanup()
{
    m_w.reset();
}

void TestSearchWindow::ctrlFFindsAndOpensADay()
{
    startShown();
    saveDays();
    m_w->frm->tabs()->setCurrentIndex(1); // any page
    search::SearchWindow *window = openedByCtrlF();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), u"検索"_s);
    QTRY_VERIFY(window->wordBox()->hasFocus());

    window->wordBox()->insert(u"ABC 商事"_s); // as the input method commits it
    QTest::keyClick(window->wordBox(), Qt::Key_Return);
    const search::ResultModel *model = window->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->day(0), QDate(2024, 2, 1));
    QCOMPARE(model->index(0, search::ResultModel::DateColumn).data().toString(), u"2024年02月01日（木）"_s);
    QCOMPARE(model->index(1, search::ResultModel::SalesColumn).data().toString(), u"1,000"_s);
    QCOMPARE(window->summary()->text(), u"2 日見つかりました。"_s);
    QVERIFY(window->notice()->isHidden());

    // Keyboard only: the list has the focus on the newest day; Down, Enter opens the older one.
    QTRY_VERIFY(window->results()->hasFocus());
    QTest::keyClick(window->results(), Qt::Key_Down);
    QTest::keyClick(window->results(), Qt::Key_Return);
    QCOMPARE(m_w->frm->tabs()->currentIndex(), 0);
    QCOMPARE(m_w->frm->journalPage()->values().date, std::optional(QDate(2024, 1, 1)));
    QCOMPARE(m_w->frm->journalPage()->values().memo, u"ＡＢＣ商事へ納品"_s);
    QVERIFY(window->isVisible());

    // The period narrows the days; the dates follow the calendar mode in force.
    QVERIFY(window->fromBox()->setValue(QDate(2024, 1, 15)));
    m_w->session.settings().era = common::kEra;
    m_w->frm->applySettings();
    window->run();
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->index(0, search::ResultModel::DateColumn).data().toString(), u"令和 06年02月01日（木）"_s);

    // Ctrl+F again brings the same window back, its words ready to be typed over.
    window->close();
    QCOMPARE(openedByCtrlF(), window);
    QCOMPARE(window->wordBox()->selectedText(), u"ABC 商事"_s);
}

void TestSearchWindow::journalPageButtonOverlapsNothing()
{
    startShown();
    auto *button = m_w->frm->journalPage()->findChild<QPushButton *>(u"cmd検索"_s);
    QVERIFY(button);
    for (const QString &mode : {common::kWestern, common::kEra}) {
        m_w->session.settings().era = mode;
        m_w->frm->applySettings();
        for (const QWidget *other : button->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(other == button || other->isHidden() || !other->geometry().intersects(button->geometry()),
                     qPrintable(mode + u' ' + other->objectName()));
        }
    }
    button->click();
    QVERIFY(m_w->frm->searchWindow() && m_w->frm->searchWindow()->isVisible());
}

void TestSearchWindow::fileWithoutIndexIsBuiltAfterTheFirstPaint()
{
    QVERIFY(testsupport::execOn(m_w->mainPath(), u"drop table 日誌索引; drop table 日誌索引状態"_s));
    QVERIFY(m_w->start());
    QCOMPARE(m_w->session.store().searchIndexState(), store::SearchIndexState::Missing);
    m_w->frm->show();
    QTRY_COMPARE(m_w->session.store().searchIndexState(), store::SearchIndexState::Whole);
}

void TestSearchWindow::failedBuildIsToldInTheWindow()
{
    QVERIFY(testsupport::execOn(m_w->mainPath(),
                                u"delete from 日誌索引状態; create trigger 失敗 before insert on 日誌索引状態 "
                                "begin select raise(abort, 'disk full'); end"_s));
    startShown();
    QCoreApplication::processEvents(); // the build after the first paint fails
    QCOMPARE(m_w->session.store().searchIndexState(), store::SearchIndexState::Missing);
    saveDays();
    search::SearchWindow *window = openedByCtrlF();
    QVERIFY(window);
    window->wordBox()->insert(u"商事"_s);
    QTest::keyClick(window->wordBox(), Qt::Key_Return);
    QCOMPARE(window->model()->rowCount(), 2);
    QVERIFY(window->notice()->isVisibleTo(window));
    QVERIFY(window->notice()->text().contains(u"索引を作れなかった"_s));
}

QTEST_MAIN(TestSearchWindow)
void TestSearchWindow::resultDatesShowWeekdayAndHoliday_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("tip");
    QTest::newRow("holiday") << u"西暦"_s << QDate(2024, 2, 12) << u"2024年02月12日（月）"_s << QColor(Qt::red)
                             << u"振替休日"_s;
    QTest::newRow("holiday, era") << u"和暦"_s << QDate(2019, 5, 1) << u"令和 01年05月01日（水）"_s << QColor(Qt::red)
                                  << u"即位の日"_s;
    QTest::newRow("Saturday") << u"西暦"_s << QDate(2024, 2, 10) << u"2024年02月10日（土）"_s << QColor(Qt::blue)
                              << u"2024年02月10日（土）"_s;
    QTest::newRow("weekday") << u"西暦"_s << QDate(2024, 2, 13) << u"2024年02月13日（火）"_s << QColor()
                             << u"2024年02月13日（火）"_s;
}

void TestSearchWindow::resultDatesShowWeekdayAndHoliday()
{
    QFETCH(QString, mode);
    QFETCH(QDate, day);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(QString, tip);
    search::ResultModel model;
    model.setCalendarMode(mode);
    model.setDays({search::FoundDay{day, 500, {}}});
    const QModelIndex date = model.index(0, search::ResultModel::DateColumn);
    QCOMPARE(date.data().toString(), text);
    QCOMPARE(date.data(Qt::ForegroundRole).value<QColor>(), colour);
    QCOMPARE(date.data(Qt::ToolTipRole).toString(), tip);
    QVERIFY(!model.index(0, search::ResultModel::SalesColumn).data(Qt::ForegroundRole).isValid());
}

#include "test_searchwindow.moc"
