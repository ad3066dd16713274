// The totals page's choice 日別 / 月別 / 年別 driven through its widgets: where
// the choice sits in both calendar layouts, the summary in the grid with the
// period's sums, the keyboard, and a month or year opened from its row.

#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "totals/summarymodel.h"
#include "totals/totalspage.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSummaryView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void choiceFitsBothCalendarLayouts();
    void monthsInTheGridWithThePeriodsSums();
    void keyboardChoosesAndEnterOpensTheMonth();
    void tabFindsTheChoiceTheProgramMade();
    void yearOpensAsMonths();
    void refusedAmountIsToldWithItsDay();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_page.get(), name); }
    std::optional<qint64> sum(const char *name) const { return child<ui::AmountBox>(name)->value(); }
    void setPeriod(QDate first, QDate last)
    {
        child<ui::DateBox>("Dt開始")->setValue(first);
        child<ui::DateBox>("Dt終了")->setValue(last);
    }
    QStringList gridColumn(int column) const
    {
        QStringList texts;
        const QAbstractItemModel *model = testsupport::control<QTableView>(m_page.get(), "Grid集計")->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            texts << model->index(row, column).data().toString();
        }
        return texts;
    }
    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<totals::TotalsPage> m_page;
};

void TestSummaryView::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    QVERIFY(testsupport::execOn(
        m_env->data.mainPath(),
        u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2019-04-30', 100, NULL, 50, 20, "
        u"NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2019-05-01', 200, 10, NULL, 5, "
        "NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2019-05-31', 3, NULL, 7, NULL, "
        "NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2019-06-15', 1000, 1000, 1000, "
        "1000, NULL);"
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2020-02-29', 1, 1, 1, 1, NULL)"_s));
    m_page = std::make_unique<totals::TotalsPage>(*m_env->store, m_env->msg, m_env->clock);
    m_page->bindGrid();
    m_page->applyCalendarMode(common::kEra, 2370, 3290, 3600);
    m_page->layoutSumsAndGrid();
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestSummaryView::cleanup()
{
    m_page.reset();
    m_env.reset();
}

void TestSummaryView::choiceFitsBothCalendarLayouts()
{
    const QList<QWidget *> choice{child<QRadioButton>("opt日別"), child<QRadioButton>("opt月別"),
                                  child<QRadioButton>("opt年別")};
    for (const bool western : {false, true}) {
        if (western) {
            m_page->applyCalendarMode(common::kWestern, 2000, 2930, 3230);
        }
        QList<QWidget *> neighbours = choice;
        neighbours << child<QWidget>("Dt終了") << child<QWidget>("cmdHint1") << child<QWidget>("num出金計");
        for (qsizetype a = 0; a < neighbours.size(); ++a) {
            for (qsizetype b = a + 1; b < neighbours.size(); ++b) {
                QVERIFY2(!neighbours[a]->geometry().intersects(neighbours[b]->geometry()),
                         qPrintable(neighbours[a]->objectName() + u" / "_s + neighbours[b]->objectName()));
            }
        }
        for (QWidget *option : choice) {
            // The caption is not cut off.
            QVERIFY(option->width() >= option->sizeHint().width());
        }
    }
    // Tab reaches the choice right after the period.
    QWidget *next = child<QWidget>("Dt終了");
    while (next && !qobject_cast<QRadioButton *>(next) && next != child<QWidget>("num売上計")) {
        next = next->nextInFocusChain();
    }
    QCOMPARE(next, choice[0]);
}

void TestSummaryView::monthsInTheGridWithThePeriodsSums()
{
    setPeriod(QDate(2019, 4, 10), QDate(2020, 12, 31));
    child<QRadioButton>("opt月別")->click();
    auto *model =
        qobject_cast<totals::SummaryModel *>(testsupport::control<QTableView>(m_page.get(), "Grid集計")->model());
    QVERIFY(model);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(gridColumn(totals::SummaryModel::Col年月),
             (QStringList{u"平成31年4月"_s, u"令和1年5月"_s, u"令和1年6月"_s, u"令和2年2月"_s}));
    QCOMPARE(gridColumn(totals::SummaryModel::Col売上額), (QStringList{u"100"_s, u"203"_s, u"1,000"_s, u"1"_s}));
    QCOMPARE(gridColumn(totals::SummaryModel::Col仕入額), (QStringList{QString(), u"10"_s, u"1,000"_s, u"1"_s}));
    QCOMPARE(gridColumn(totals::SummaryModel::Col日数), (QStringList{u"1"_s, u"2"_s, u"1"_s, u"1"_s}));
    QCOMPARE(gridColumn(totals::SummaryModel::Col差引), (QStringList{u"30"_s, u"2"_s, u"0"_s, u"0"_s}));
    QCOMPARE(sum("num売上計"), 1304);
    QCOMPARE(sum("num出金計"), 1026);
    QVERIFY(m_env->presenter.shown.isEmpty());

    // 日別 shows the work table again, which the summary left as it was.
    child<QRadioButton>("opt日別")->click();
    QVERIFY(
        qobject_cast<totals::WorkTableModel *>(testsupport::control<QTableView>(m_page.get(), "Grid集計")->model()));
    QCOMPARE(testsupport::control<QTableView>(m_page.get(), "Grid集計")->model()->rowCount(), 0);
    QCOMPARE(sum("num売上計"), 0);
}

void TestSummaryView::keyboardChoosesAndEnterOpensTheMonth()
{
    setPeriod(QDate(2019, 4, 10), QDate(2019, 5, 20));
    auto *daily = child<QRadioButton>("opt日別");
    daily->setFocus();
    QTest::keyClick(daily, Qt::Key_Right);
    QVERIFY(child<QRadioButton>("opt月別")->isChecked());
    QCOMPARE(testsupport::control<QTableView>(m_page.get(), "Grid集計")->model()->rowCount(), 2);

    QTableView *grid = testsupport::control<QTableView>(m_page.get(), "Grid集計");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    // The month as far as the period reached into it, as 日別, run.
    QVERIFY(daily->isChecked());
    QCOMPARE(child<ui::DateBox>("Dt開始")->value(), QDate(2019, 5, 1));
    QCOMPARE(child<ui::DateBox>("Dt終了")->value(), QDate(2019, 5, 20));
    auto *work = qobject_cast<totals::WorkTableModel *>(grid->model());
    QVERIFY(work);
    QCOMPARE(work->rowCount(), 1);
    QCOMPARE(work->dateOfRow(0), QDate(2019, 5, 1));
    QCOMPARE(sum("num売上計"), 200);
}

// The choice made by opening a month (日別) is where Tab enters the choice, and
// the arrow keys choose from there, as after a choice by the keyboard.
void TestSummaryView::tabFindsTheChoiceTheProgramMade()
{
    QApplication::setActiveWindow(m_page.get());
    setPeriod(QDate(2019, 4, 10), QDate(2019, 5, 20));
    auto *daily = child<QRadioButton>("opt日別");
    auto *monthly = child<QRadioButton>("opt月別");
    daily->setFocus();
    QTest::keyClick(daily, Qt::Key_Right);
    QVERIFY(monthly->isChecked() && monthly->hasFocus());

    QTableView *grid = testsupport::control<QTableView>(m_page.get(), "Grid集計");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(daily->isChecked());

    child<ui::DateBox>("Dt終了")->setFocus();
    QWidget *end = QApplication::focusWidget();
    QVERIFY(end && child<ui::DateBox>("Dt終了")->isAncestorOf(end));
    QTest::keyClick(end, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), daily);
    QTest::keyClick(daily, Qt::Key_Right);
    QVERIFY(monthly->isChecked());
    QCOMPARE(grid->model()->rowCount(), 1);
    QTest::keyClick(monthly, Qt::Key_Right);
    QVERIFY(child<QRadioButton>("opt年別")->isChecked());

    // A year opened as 月別 likewise.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(monthly->isChecked());
    child<ui::DateBox>("Dt終了")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), monthly);
}

void TestSummaryView::yearOpensAsMonths()
{
    setPeriod(QDate(2019, 1, 1), QDate(2020, 12, 31));
    child<QRadioButton>("opt年別")->click();
    QCOMPARE(gridColumn(totals::SummaryModel::Col年月), (QStringList{u"平成31年・令和1年"_s, u"令和2年"_s}));
    QCOMPARE(
        testsupport::control<QTableView>(m_page.get(), "Grid集計")->model()->headerData(0, Qt::Horizontal).toString(),
        u"年"_s);
    QTableView *grid = testsupport::control<QTableView>(m_page.get(), "Grid集計");
    const QPoint cell = grid->visualRect(grid->model()->index(0, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QVERIFY(child<QRadioButton>("opt月別")->isChecked());
    QCOMPARE(child<ui::DateBox>("Dt開始")->value(), QDate(2019, 1, 1));
    QCOMPARE(child<ui::DateBox>("Dt終了")->value(), QDate(2019, 12, 31));
    QCOMPARE(gridColumn(totals::SummaryModel::Col年月).size(), 3);
    QCOMPARE(sum("num売上計"), 1303);
}

void TestSummaryView::refusedAmountIsToldWithItsDay()
{
    QVERIFY(
        testsupport::execOn(m_env->data.mainPath(), u"update 業務日誌 set 入金額 = 'x' where 日付 = '2019-05-31'"_s));
    setPeriod(QDate(2019, 1, 1), QDate(2019, 12, 31));
    child<QRadioButton>("opt年別")->click();
    QCOMPARE(testsupport::control<QTableView>(m_page.get(), "Grid集計")->model()->rowCount(), 0);
    QCOMPARE(sum("num売上計"), std::nullopt);
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QVERIFY2(m_env->presenter.shown[0].text.contains(u"2019/05/31 の入金額"_s),
             qPrintable(m_env->presenter.shown[0].text));
}

QTEST_MAIN(TestSummaryView)
#include "test_summaryview.moc"
