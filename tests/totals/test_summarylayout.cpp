// The totals page measured: every sum box over its own column, every figure,
// caption and row number drawn whole, no sideways scroll bar, in the three
// views and both calendar modes. The scale factors 1.5 and 2 cannot be set
// inside a running program, so the program runs itself again as a child with
// QT_SCALE_FACTOR set; the measures are the logical geometry and the fonts'
// metrics, which the scale factor rounds differently.

#include "support/pageenvironment.h"
#include "support/scaledrun.h"
#include "support/sqlfile.h"
#include "totals/summarymodel.h"
#include "totals/totalspage.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/geometry.h"
#include "ui/platform.h"

#include <QHeaderView>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A shop's figures over the era changes: January 1989, April and May 2019,
// and a hundred and twenty days of 2021 with sums of millions.
QString sampleDays()
{
    QString sql = u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額) values "
                  "('1989-01-05', 152000, 98000, 120000, 45000), ('1989-01-09', 80000, 0, 70000, 1500), "
                  "('2019-04-30', 2100000, 1500000, 1800000, 900000), ('2019-05-01', 350000, 120000, 0, -1500)"_s;
    for (int n = 0; n < 120; ++n) {
        const QDate day = QDate(2021, 1, 1).addDays(n);
        sql += u", ('%1', %2, %3, %4, %5)"_s.arg(day.toString(u"yyyy-MM-dd"_s))
                   .arg(76'789 + n * 101)
                   .arg(37'654 + n * 7)
                   .arg(63'456 + n * 3)
                   .arg(n % 7 == 0 ? -2'500 : 12'345);
    }
    return sql;
}

// The pixels a line edit's text may take: inside its frame and its margins.
int textRoom(const QLineEdit *box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    return contents.width() - box->textMargins().left() - box->textMargins().right() - 4;
}

} // namespace

class TestSummaryLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sumsStandOverTheirColumns_data();
    void sumsStandOverTheirColumns();
    void gridFollowsItsWidth();
    void atEveryScale_data();
    void atEveryScale();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_page.get(), name); }
    void show(const QString &mode, const QString &view);
    void checkGrid(const QString &where);
    void checkSums(const QString &where);

    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<totals::TotalsPage> m_page;
};

void TestSummaryLayout::initTestCase()
{
    ui::useScreenFont(); // the program's own font and size
}

void TestSummaryLayout::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    QVERIFY(testsupport::execOn(m_env->data.mainPath(), sampleDays()));
    m_page = std::make_unique<totals::TotalsPage>(*m_env->store, m_env->msg, m_env->clock);
    m_page->resize(ui::twips(9400), ui::twips(6300));
    m_page->bindGrid();
    m_page->layoutSumsAndGrid();
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestSummaryLayout::cleanup()
{
    m_page.reset();
    m_env.reset();
}

// The page in a calendar mode as the main window lays it out, the view chosen
// over the whole sample.
void TestSummaryLayout::show(const QString &mode, const QString &view)
{
    if (mode == common::kWestern) {
        m_page->applyCalendarMode(common::kWestern, 2000, 2930, 3230);
    } else {
        m_page->applyCalendarMode(common::kEra, 2370, 3290, 3600);
    }
    child<ui::DateBox>("Dt開始")->setValue(QDate(1989, 1, 1));
    child<ui::DateBox>("Dt終了")->setValue(QDate(2021, 12, 31));
    child<QRadioButton>(qPrintable(u"opt"_s + view))->click();
    if (view == u"日別"_s) {
        m_page->run();
    }
    QApplication::processEvents();
}

void TestSummaryLayout::checkGrid(const QString &where)
{
    QTableView *grid = testsupport::control<QTableView>(m_page.get(), "Grid集計");
    const QAbstractItemModel *model = grid->model();
    QVERIFY(model && model->rowCount() > 0);
    QVERIFY2(!grid->horizontalScrollBar()->isVisible(), qPrintable(where));
    const int lastColumn = model->columnCount() - 1;
    QVERIFY2(grid->columnViewportPosition(lastColumn) + grid->columnWidth(lastColumn) <= grid->viewport()->width(),
             qPrintable(where));

    // The text's unrounded advance within the cell less the style's margins
    // and the grid line, as the delegate lays it out.
    const QFontMetricsF cells(grid->font());
    const int cellMargin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;
    const QHeaderView *columns = grid->horizontalHeader();
    const int headerMargin = 2 * columns->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, columns);
    for (int column = 0; column <= lastColumn; ++column) {
        const QString caption = model->headerData(column, Qt::Horizontal).toString();
        QVERIFY2(columns->fontMetrics().horizontalAdvance(caption) + headerMargin <= grid->columnWidth(column),
                 qPrintable(where + u" "_s + caption));
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString text = model->index(row, column).data().toString();
            QVERIFY2(cells.horizontalAdvance(text) + cellMargin <= grid->columnWidth(column),
                     qPrintable(u"%1: %2 in %3 px"_s.arg(where, text).arg(grid->columnWidth(column))));
        }
    }
    // Row numbers of two and three places are not cut ("1(", "1:").
    const QHeaderView *rows = grid->verticalHeader();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString number = model->headerData(row, Qt::Vertical).toString();
        QVERIFY2(rows->fontMetrics().horizontalAdvance(number) + headerMargin <= rows->width(),
                 qPrintable(where + u" row "_s + number));
    }
}

void TestSummaryLayout::checkSums(const QString &where)
{
    QTableView *grid = testsupport::control<QTableView>(m_page.get(), "Grid集計");
    const bool summary = qobject_cast<totals::SummaryModel *>(grid->model()) != nullptr;
    QList<std::pair<const char *, int>> sums{{"num売上計", 1}, {"num仕入計", 2}, {"num入金計", 3}, {"num出金計", 4}};
    if (summary) {
        sums.append({"num日数計", totals::SummaryModel::Col日数});
        sums.append({"num差引計", totals::SummaryModel::Col差引});
    }
    QList<QRect> boxes;
    for (const auto &[name, column] : sums) {
        auto *box = child<ui::AmountBox>(name);
        const QString what = where + u" "_s + QString::fromUtf8(name);
        QVERIFY2(box->isVisible(), qPrintable(what));
        QVERIFY2(box->value().has_value(), qPrintable(what));
        const int boxCentre = box->mapTo(m_page.get(), box->rect().center()).x();
        const int columnLeft =
            grid->viewport()->mapTo(m_page.get(), QPoint(grid->columnViewportPosition(column), 0)).x();
        const int columnCentre = columnLeft + grid->columnWidth(column) / 2;
        QVERIFY2(std::abs(boxCentre - columnCentre) <= 3,
                 qPrintable(u"%1: box centre %2, column centre %3"_s.arg(what).arg(boxCentre).arg(columnCentre)));
        QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <= textRoom(box),
                 qPrintable(u"%1: %2 in %3 px"_s.arg(what, box->text()).arg(textRoom(box))));
        const QRect rect(box->mapTo(m_page.get(), QPoint()), box->size());
        for (const QRect &other : boxes) {
            QVERIFY2(!rect.intersects(other), qPrintable(what));
        }
        QVERIFY2(!rect.intersects(QRect(grid->mapTo(m_page.get(), QPoint()), grid->size())), qPrintable(what));
        boxes.append(rect);
    }
    if (summary) {
        // 差引's sum is 入金計 − 出金計.
        QCOMPARE(child<ui::AmountBox>("num差引計")->value(),
                 *child<ui::AmountBox>("num入金計")->value() - *child<ui::AmountBox>("num出金計")->value());
        qint64 days = 0;
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            days += grid->model()->index(row, totals::SummaryModel::Col日数).data().toLongLong();
        }
        QCOMPARE(child<ui::AmountBox>("num日数計")->value(), days);
    } else {
        QVERIFY(child<ui::AmountBox>("num日数計")->isHidden());
        QVERIFY(child<ui::AmountBox>("num差引計")->isHidden());
    }
}

void TestSummaryLayout::sumsStandOverTheirColumns_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("view");
    for (const QString &mode : {common::kWestern, common::kEra}) {
        for (const QString &view : {u"日別"_s, u"月別"_s, u"年別"_s}) {
            QTest::addRow("%s %s", qPrintable(mode), qPrintable(view)) << mode << view;
        }
    }
}

void TestSummaryLayout::sumsStandOverTheirColumns()
{
    QFETCH(QString, mode);
    QFETCH(QString, view);
    show(mode, view);
    const QString where = mode + u" "_s + view;
    checkGrid(where);
    checkSums(where);
}

// A grid made wider or narrower by the window takes its columns and sums along.
void TestSummaryLayout::gridFollowsItsWidth()
{
    show(common::kEra, u"月別"_s);
    QTableView *grid = testsupport::control<QTableView>(m_page.get(), "Grid集計");
    for (const int width : {grid->width() + 90, grid->width()}) {
        grid->resize(width, grid->height());
        QApplication::processEvents();
        checkGrid(u"width %1"_s.arg(width));
        checkSums(u"width %1"_s.arg(width));
        const int last = totals::SummaryModel::Col差引;
        // The columns fill the width left beside the vertical scroll bar.
        QVERIFY(grid->viewport()->width() - grid->columnViewportPosition(last) - grid->columnWidth(last) <=
                grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid));
    }
}

void TestSummaryLayout::atEveryScale_data()
{
    QTest::addColumn<QString>("scale");
    for (const char *scale : {"1", "1.5", "2"}) {
        QTest::newRow(scale) << QString::fromLatin1(scale);
    }
}

void TestSummaryLayout::atEveryScale()
{
    if (testsupport::inScaledRun()) {
        QSKIP("the scaled run itself");
    }
    QFETCH(QString, scale);
    const QString failed =
        testsupport::failedScaledRun(scale, {u"sumsStandOverTheirColumns"_s, u"gridFollowsItsWidth"_s});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

QTEST_MAIN(TestSummaryLayout)
#include "test_summarylayout.moc"
