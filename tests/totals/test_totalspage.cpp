// The totals page driven through its widgets on real database files: the
// period filled in from the month, the copy into w集計, the sums, clearing,
// the grid's model, and a copy that fails half-way.

#include "common/formats.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/geometry.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

// One stored row of w集計 or 業務日誌: the date as stored and the four amounts.
struct Row
{
    QString date;
    QVariant sales, purchases, moneyIn, moneyOut;
};

QString literal(const QVariant &value)
{
    if (value.isNull()) {
        return QStringLiteral("NULL");
    }
    if (value.typeId() == QMetaType::QString) {
        return u'\'' + value.toString().replace(u'\'', QStringLiteral("''")) + u'\'';
    }
    return value.toString();
}

// A journal row as another program adds it.
QString journalRow(const QString &day, const QVariant &sales, const QVariant &purchases, const QVariant &in,
                   const QVariant &out, const QString &memo = QString())
{
    return QStringLiteral(
               "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values (%1, %2, %3, %4, %5, %6);")
        .arg(literal(day), literal(sales), literal(purchases), literal(in), literal(out), literal(memo));
}

} // namespace

class TestTotalsPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void copiesNullsInDateOrderAndSumsTheRest();
    void sumBeyondTheBoxIsReportedNotShownAsZero();
    void clearEmptiesPageAndWorkTableOnly();
    void gridModelShowsTheWorkTable_data();
    void gridModelShowsTheWorkTable();
    void gridNeitherAddsNorDeletesButEditsAmounts();
    void copyFailingHalfWayLeavesNoPartialTotals();
    void longPeriodsRunAgainWhileTheGridIsStillReading();
    void commandsStopOnTypingThatIsNoDate_data();
    void commandsStopOnTypingThatIsNoDate();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_page.get(), name); }
    ui::DateBox *dateBox(const char *name) const { return child<ui::DateBox>(name); }
    std::optional<qint64> sum(const char *name) const { return child<ui::AmountBox>(name)->value(); }
    void click(const char *button) { child<QPushButton>(button)->click(); }
    QString mainPath() const { return m_env->data.mainPath(); }
    QString workPath() const { return m_env->data.workPath(); }
    void exec(const QString &path, const QString &sql) const { QVERIFY(testsupport::execOn(path, sql)); }
    void addJournal(const QString &day, const QVariant &sales, const QVariant &purchases, const QVariant &in,
                    const QVariant &out, const QString &memo = QString()) const
    {
        exec(mainPath(), journalRow(day, sales, purchases, in, out, memo));
    }
    QList<Row> rows(const QString &path, const QString &table) const;
    // The program's work table, read through its store.
    QList<Row> workRows() const;
    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<totals::TotalsPage> m_page;
};

void TestTotalsPage::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_page = std::make_unique<totals::TotalsPage>(*m_env->store, m_env->msg, m_env->clock);
    m_page->bindGrid();
    m_page->applyCalendarMode(QStringLiteral("西暦"), 2000, 2930, 3230);
    m_page->layoutSumsAndGrid();
    m_page->show();
}

void TestTotalsPage::cleanup()
{
    m_page.reset();
    m_env.reset();
}

QList<Row> TestTotalsPage::rows(const QString &path, const QString &table) const
{
    QList<Row> result;
    testsupport::SqlFile file(path);
    // rowid order is the order in which the rows were added
    for (const QVariantList &v :
         file.select(QStringLiteral("select 日付, 売上額, 仕入額, 入金額, 出金額 from %1 order by rowid").arg(table))) {
        result.append({v[0].toString(), v[1], v[2], v[3], v[4]});
    }
    return result;
}

QList<Row> TestTotalsPage::workRows() const
{
    QList<store::WorkRow> stored;
    if (m_env->store->workRows(0, 100'000, stored)) {
        return {Row{QStringLiteral("unreadable"), {}, {}, {}, {}}};
    }
    const auto value = [](const store::Amount &amount) {
        return amount ? QVariant(*amount) : QVariant(QMetaType::fromType<qlonglong>());
    };
    QList<Row> result;
    for (const store::WorkRow &row : std::as_const(stored)) {
        result.append({row.date.isValid() ? row.date.toString(Qt::ISODate) : row.storedDate, value(row.amounts.sales),
                       value(row.amounts.purchases), value(row.amounts.moneyIn), value(row.amounts.moneyOut)});
    }
    return result;
}

void TestTotalsPage::copiesNullsInDateOrderAndSumsTheRest()
{
    addJournal(QStringLiteral("2004-04-03"), 1000, QVariant(), -1500, QVariant(), QStringLiteral("三日"));
    addJournal(QStringLiteral("2004-04-01"), 100, QVariant(), 5, QVariant(), QStringLiteral("一日"));
    addJournal(QStringLiteral("2004-04-02"), QVariant(), QVariant(), QVariant(), QVariant(), QStringLiteral("二日"));
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 4, 1)));
    QVERIFY(dateBox("Dt終了")->setValue(QDate(2004, 4, 30)));
    click("cmd集計");

    const QList<Row> copied = workRows();
    QCOMPARE(copied.size(), 3);
    QCOMPARE(copied[0].date, QStringLiteral("2004-04-01"));
    QCOMPARE(copied[1].date, QStringLiteral("2004-04-02"));
    QCOMPARE(copied[2].date, QStringLiteral("2004-04-03"));
    QCOMPARE(copied[0].sales.toLongLong(), 100);
    QCOMPARE(copied[2].moneyIn.toLongLong(), -1500);
    for (const QVariant &value : {copied[1].sales, copied[1].purchases, copied[1].moneyIn, copied[1].moneyOut,
                                  copied[0].purchases, copied[2].moneyOut}) {
        QVERIFY(value.isNull()); // Null stays Null, not 0
    }

    // The sums skip the Nulls; a column of Nulls only sums to 0.
    QCOMPARE(sum("num売上計"), std::optional(qint64(1100)));
    QCOMPARE(sum("num仕入計"), std::optional(qint64(0)));
    QCOMPARE(sum("num入金計"), std::optional(qint64(-1495)));
    QCOMPARE(sum("num出金計"), std::optional(qint64(0)));

    // The values handed to the print button are the page's.
    const common::TotalsValues shown = m_page->values();
    QCOMPARE(shown.startText, QStringLiteral("2004年04月01日"));
    QCOMPARE(shown.endText, QStringLiteral("2004年04月30日"));
    QCOMPARE(shown.moneyIn, std::optional(qint64(-1495)));
}

void TestTotalsPage::sumBeyondTheBoxIsReportedNotShownAsZero()
{
    addJournal(QStringLiteral("2004-04-01"), qint64(9'999'999'999), 1, qint64(-9'999'999'999), 0);
    addJournal(QStringLiteral("2004-04-02"), qint64(9'999'999'999), 1, qint64(-1), 0);
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 4, 1)));
    click("cmd集計");
    QCOMPARE(dateBox("Dt終了")->value(), std::optional(QDate(2004, 4, 30))); // filled in, shown
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_page.get())->rowCount(), 2);
    QCOMPARE(sum("num売上計"), std::nullopt);
    QCOMPARE(sum("num仕入計"), std::optional(qint64(2)));
    QCOMPARE(sum("num入金計"), std::nullopt);
    QCOMPARE(m_page->values().sales, std::nullopt);
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].title, QStringLiteral("集計できませんでした"));
    QVERIFY2(m_env->presenter.shown[0].text.contains(
                 QStringLiteral("売上額の合計 19,999,999,998、入金額の合計 -10,000,000,000 は")),
             qPrintable(m_env->presenter.shown[0].text));

    // Back on 日別 after a summary of another period typed since, the
    // refusal names the period the grid lists.
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 6, 1)));
    QVERIFY(dateBox("Dt終了")->setValue(QDate(2004, 6, 30)));
    m_page->choose(store::Grouping::Month);
    QCOMPARE(m_env->presenter.shown.size(), 1);
    m_page->choose(std::nullopt);
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_page.get())->rowCount(), 2);
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QVERIFY2(m_env->presenter.shown[1].text.startsWith(
                 QStringLiteral("期間 2004年04月01日 ～ 2004年04月30日 の 売上額の合計 19,999,999,998")),
             qPrintable(m_env->presenter.shown[1].text));
}

void TestTotalsPage::clearEmptiesPageAndWorkTableOnly()
{
    addJournal(QStringLiteral("2004-04-01"), 10, 20, 30, 40, QStringLiteral("一日"));
    addJournal(QStringLiteral("2004-04-02"), 1, 2, 3, 4, QStringLiteral("二日"));
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 4, 1)));
    click("cmd集計");
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_page.get())->rowCount(), 2);
    QCOMPARE(sum("num売上計"), std::optional(qint64(11)));

    click("cmd集計クリア");
    QVERIFY(!dateBox("Dt開始")->value());
    QVERIFY(!dateBox("Dt終了")->value());
    QVERIFY(dateBox("Dt開始")->dateNumber().isNull());
    for (const char *name : {"num売上計", "num仕入計", "num入金計", "num出金計"}) {
        QCOMPARE(sum(name), std::optional(qint64(0)));
    }
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_page.get())->rowCount(), 0);
    QVERIFY(workRows().isEmpty());
    QCOMPARE(rows(mainPath(), QStringLiteral("業務日誌")).size(), 2);
    QVERIFY(m_env->presenter.shown.isEmpty());
}

void TestTotalsPage::gridModelShowsTheWorkTable_data()
{
    QTest::addColumn<QString>("calendarMode");
    QTest::addColumn<QString>("dateText");
    QTest::newRow("western") << QStringLiteral("西暦") << QStringLiteral("2004/04/01（木）");
    QTest::newRow("era") << QStringLiteral("和暦") << QStringLiteral("H 16/04/01（木）");
    QTest::newRow("any other mode is era") << QString() << QStringLiteral("H 16/04/01（木）");
}

void TestTotalsPage::gridModelShowsTheWorkTable()
{
    QFETCH(QString, calendarMode);
    QFETCH(QString, dateText);

    addJournal(QStringLiteral("2004-04-01"), 0, -1500, 1234567, QVariant());
    addJournal(QStringLiteral("2019-05-01"), qint64(9'999'999'999), qint64(-9'999'999'999), 1, 999);
    m_page->applyCalendarMode(calendarMode, 2370, 3290, 3600);
    totals::WorkTableModel *model = testsupport::newestChild<totals::WorkTableModel>(m_page.get());
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 1, 1)));
    QVERIFY(dateBox("Dt終了")->setValue(QDate(2019, 12, 31)));
    click("cmd集計");
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->columnCount(), 5);
    QCOMPARE(testsupport::control<QTableView>(m_page.get(), "Grid集計")->model(), model);

    const QStringList captions{QStringLiteral("日付"), QStringLiteral("売上額"), QStringLiteral("仕入額"),
                               QStringLiteral("入金額"), QStringLiteral("出金額")};
    for (int column = 0; column < captions.size(); ++column) {
        QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), captions[column]);
    }

    const auto shown = [model](int row, int column) { return model->index(row, column).data().toString(); };
    QCOMPARE(shown(0, totals::WorkTableModel::Col日付), dateText);
    QCOMPARE(shown(0, totals::WorkTableModel::Col売上額), QString()); // 0 shows empty
    QCOMPARE(shown(0, totals::WorkTableModel::Col仕入額), QStringLiteral("-1,500"));
    QCOMPARE(shown(0, totals::WorkTableModel::Col入金額), QStringLiteral("1,234,567"));
    QCOMPARE(shown(0, totals::WorkTableModel::Col出金額), QString()); // Null shows empty
    QCOMPARE(shown(1, totals::WorkTableModel::Col売上額), QStringLiteral("9,999,999,999"));
    QCOMPARE(shown(1, totals::WorkTableModel::Col仕入額), QStringLiteral("-9,999,999,999"));
    QCOMPARE(shown(1, totals::WorkTableModel::Col出金額), QStringLiteral("999"));
    if (!common::isWestern(calendarMode)) {
        QCOMPARE(shown(1, totals::WorkTableModel::Col日付), QStringLiteral("R 01/05/01（水）"));
    }
    // Holidays red with their name as the tooltip, other weekdays in the grid's own colour.
    const QModelIndex holiday = model->index(1, totals::WorkTableModel::Col日付);
    QCOMPARE(holiday.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    QCOMPARE(holiday.data(Qt::ToolTipRole).toString(), QStringLiteral("即位の日"));
    QCOMPARE(holiday.data(Qt::EditRole).toDate(), QDate(2019, 5, 1));
    QVERIFY(!model->index(0, totals::WorkTableModel::Col日付).data(Qt::ForegroundRole).isValid());
    QVERIFY(!model->index(0, totals::WorkTableModel::Col日付).data(Qt::ToolTipRole).isValid());
    QVERIFY(!model->index(1, totals::WorkTableModel::Col売上額).data(Qt::ForegroundRole).isValid());

    QCOMPARE(model->index(0, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    for (int column = 1; column < 5; ++column) {
        QCOMPARE(model->index(1, column).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    }

    // Switching the calendar mode reformats the rows already shown.
    m_page->applyCalendarMode(QStringLiteral("西暦"), 2000, 2930, 3230);
    QCOMPARE(shown(0, totals::WorkTableModel::Col日付), QStringLiteral("2004/04/01（木）"));

    // The row handler hands over the stored date.
    QCOMPARE(model->dateOfRow(1), QDate(2019, 5, 1));
    QVERIFY(!model->dateOfRow(2).isValid());
}

void TestTotalsPage::gridNeitherAddsNorDeletesButEditsAmounts()
{
    addJournal(QStringLiteral("2004-04-01"), 10, QVariant(), 30, 40);
    addJournal(QStringLiteral("2004-04-02"), 1, 2, 3, 4);
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 4, 1)));
    click("cmd集計");
    totals::WorkTableModel *model = testsupport::newestChild<totals::WorkTableModel>(m_page.get());
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QVERIFY(!model->insertRows(0, 1));
    QVERIFY(!model->removeRows(0, 1));
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(workRows().size(), 2);

    // A cell typed over in the grid goes to w集計 at once; the row with a
    // Null beside it is the one found and changed. The Enter that ends the
    // edit is not a row jump.
    QSignalSpy picked(m_page.get(), &totals::TotalsPage::dayPicked);
    QApplication::setActiveWindow(m_page.get());
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    QTableView *grid = testsupport::control<QTableView>(m_page.get(), "Grid集計");
    grid->setFocus();
    grid->setCurrentIndex(model->index(0, totals::WorkTableModel::Col仕入額));
    QTest::keyClick(grid, Qt::Key_2);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid);
    QTest::keyClicks(editor, QStringLiteral("500"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(workRows()[0].purchases.toLongLong(), 2500);
    QList<Row> stored = workRows();
    QCOMPARE(stored[1].purchases.toLongLong(), 2);
    QCOMPARE(model->index(0, totals::WorkTableModel::Col仕入額).data().toString(), QStringLiteral("2,500"));
    QCOMPARE(picked.size(), 0);

    // Emptying a cell stores Null; a grouped text and an amount out of range.
    QVERIFY(model->setData(model->index(1, totals::WorkTableModel::Col売上額), QString()));
    QVERIFY(model->setData(model->index(1, totals::WorkTableModel::Col出金額), QStringLiteral("-1,234")));
    QVERIFY(!model->setData(model->index(1, totals::WorkTableModel::Col入金額), QStringLiteral("10000000000")));
    QVERIFY(!model->setData(model->index(1, totals::WorkTableModel::Col入金額), QStringLiteral("abc")));
    stored = workRows();
    QVERIFY(stored[1].sales.isNull());
    QCOMPARE(stored[1].moneyOut.toLongLong(), -1234);
    QCOMPARE(stored[1].moneyIn.toLongLong(), 3);
    // The journal is not touched by an edit of the work table.
    QCOMPARE(rows(mainPath(), QStringLiteral("業務日誌"))[1].sales.toLongLong(), 1);
    // A cell that cannot be written is not dropped in silence (here the data
    // was closed under the page).
    m_env->store->close();
    QVERIFY(!model->setData(model->index(1, totals::WorkTableModel::Col入金額), QStringLiteral("77")));
    QCOMPARE(m_env->presenter.shown.last().title, QStringLiteral("登録できませんでした"));
    QVERIFY(m_env->presenter.shown.last().text.startsWith(QStringLiteral("集計表の変更は保存されていません。")));
    // Enter on a row while no cell is being edited is the row jump.
    grid->setCurrentIndex(model->index(1, totals::WorkTableModel::Col日付));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(picked.size(), 1);
    QCOMPARE(picked[0][0].toDate(), QDate(2004, 4, 2));
}

void TestTotalsPage::copyFailingHalfWayLeavesNoPartialTotals()
{
    for (int day = 1; day <= 5; ++day) {
        addJournal(QStringLiteral("2004-04-0%1").arg(day), 100 * day, 1, 1, 1);
    }
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 4, 1)));
    QVERIFY(dateBox("Dt終了")->setValue(QDate(2004, 4, 3)));
    click("cmd集計");
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_page.get())->rowCount(), 3);
    QVERIFY(m_env->presenter.shown.isEmpty());

    // The fourth day stops the copy after three rows were written.
    exec(mainPath(), QStringLiteral("update 業務日誌 set 売上額 = 'abc' where 日付 = '2004-04-04'"));
    QVERIFY(dateBox("Dt終了")->setValue(QDate(2004, 4, 30)));
    click("cmd集計");

    QVERIFY(workRows().isEmpty());
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_page.get())->rowCount(), 0);
    for (const char *name : {"num売上計", "num仕入計", "num入金計", "num出金計"}) {
        QCOMPARE(sum(name), std::optional(qint64(0)));
    }
    QCOMPARE(m_env->presenter.shown.size(), 1);
    const common::MessageRequest notice = m_env->presenter.shown[0];
    QCOMPARE(notice.title, QStringLiteral("集計できませんでした"));
    QCOMPARE(notice.style, common::kWarning);
    QVERIFY2(notice.text.startsWith(QStringLiteral("期間 2004年04月01日 ～ 2004年04月30日 の集計ができませんでした。")),
             qPrintable(notice.text));
    // The period stays as typed, ready for another run once the cause is gone.
    QCOMPARE(dateBox("Dt終了")->value(), std::optional(QDate(2004, 4, 30)));

    exec(mainPath(), QStringLiteral("update 業務日誌 set 売上額 = 400 where 日付 = '2004-04-04'"));
    click("cmd集計");
    QCOMPARE(testsupport::newestChild<totals::WorkTableModel>(m_page.get())->rowCount(), 5);
    QCOMPARE(sum("num売上計"), std::optional(qint64(1500)));
    QCOMPARE(m_env->presenter.shown.size(), 1);
}

void TestTotalsPage::longPeriodsRunAgainWhileTheGridIsStillReading()
{
    // More rows than the grid fetches at once: the grid has read part of the
    // table when the next run empties and fills it.
    QString twoYears = QStringLiteral("begin;");
    for (QDate day(2003, 1, 1); day <= QDate(2004, 12, 31); day = day.addDays(1)) {
        twoYears += journalRow(day.toString(Qt::ISODate), 1, 2, 3, 4);
    }
    exec(mainPath(), twoYears + QStringLiteral("commit;"));
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2003, 1, 1)));
    QVERIFY(dateBox("Dt終了")->setValue(QDate(2004, 12, 31)));
    click("cmd集計");
    totals::WorkTableModel *model = testsupport::newestChild<totals::WorkTableModel>(m_page.get());
    QVERIFY(model->canFetchMore());
    QCOMPARE(sum("num売上計"), std::optional(qint64(731)));
    {
        // The tester reads every page as it checks them. (Qt 6.4's tester
        // fetches before it takes a reset as ended, so it sees no later run.)
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 731);
    }

    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 2, 1)));
    QVERIFY(dateBox("Dt終了")->value());
    click("cmd集計");
    QVERIFY(m_env->presenter.shown.isEmpty());
    QCOMPARE(workRows().size(), 335);
    while (model->canFetchMore()) {
        model->fetchMore();
    }
    QCOMPARE(model->rowCount(), 335);
    QCOMPARE(model->dateOfRow(334), QDate(2004, 12, 31));
    QCOMPARE(sum("num仕入計"), std::optional(qint64(670)));

    click("cmd集計クリア");
    QVERIFY(m_env->presenter.shown.isEmpty());
    QCOMPARE(model->rowCount(), 0);
    QVERIFY(workRows().isEmpty());
}

void TestTotalsPage::commandsStopOnTypingThatIsNoDate_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byMouse"); // otherwise Tab to the button and Enter
    for (const char *command : {"cmd集計", "CSCmdBtn1"}) {
        const QString name = QString::fromUtf8(command);
        QTest::addRow("%s, start unfinished, mouse", command)
            << name << QStringLiteral("Dt開始") << QStringLiteral("開始日") << QStringLiteral("2004050")
            << QStringLiteral("2004年05月0_日") << true;
        QTest::addRow("%s, end no such day, mouse", command)
            << name << QStringLiteral("Dt終了") << QStringLiteral("終了日") << QStringLiteral("20040631")
            << QStringLiteral("2004年06月31日") << true;
        QTest::addRow("%s, end unfinished, keyboard", command)
            << name << QStringLiteral("Dt終了") << QStringLiteral("終了日") << QStringLiteral("2004")
            << QStringLiteral("2004年__月__日") << false;
    }
}

// A period totalled, then one of its boxes holds typing that is no date: 集計
// and 印刷 do not run on the dates shown; the work table, the sums and the
// printout stay as they were.
void TestTotalsPage::commandsStopOnTypingThatIsNoDate()
{
    QFETCH(QString, command);
    QFETCH(QString, box);
    QFETCH(QString, caption);
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(bool, byMouse);
    addJournal(QStringLiteral("2004-04-01"), 10, 20, 30, 40);
    addJournal(QStringLiteral("2004-05-01"), 1, 2, 3, 4);
    QVERIFY(dateBox("Dt開始")->setValue(QDate(2004, 4, 1)));
    QVERIFY(dateBox("Dt終了")->setValue(QDate(2004, 4, 30)));
    click("cmd集計");
    QCOMPARE(workRows().size(), 1);
    QSignalSpy printed(m_page.get(), &totals::TotalsPage::printRequested);
    m_page->resize(ui::twips(9375), ui::twips(6780));
    QApplication::setActiveWindow(m_page.get());
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));

    ui::DateBox *typedBox = dateBox(box.toUtf8().constData());
    typedBox->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), keys);
    auto *button = child<QPushButton>(command.toUtf8().constData());
    if (byMouse) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key_Return); // pressed as Space presses it: shown, then run
    }

    QTRY_COMPARE(m_env->presenter.shown.size(), 1);
    const common::MessageRequest notice = m_env->presenter.shown[0];
    QCOMPARE(notice.title, QStringLiteral("入力注意"));
    QVERIFY2(notice.text.startsWith(caption + QStringLiteral("「") + typed + QStringLiteral("」は、入力の途中か")),
             qPrintable(notice.text));
    QCOMPARE(notice.style, common::kWarning);
    QCOMPARE(workRows().size(), 1);
    QCOMPARE(workRows()[0].date, QStringLiteral("2004-04-01"));
    QCOMPARE(printed.size(), 0);
    QCOMPARE(sum("num売上計"), std::optional(qint64(10)));
    QTRY_VERIFY(typedBox->hasFocus());
    QCOMPARE(typedBox->findChild<QLineEdit *>()->text(), typed);
    QCOMPARE(dateBox("Dt開始")->value(), std::optional(QDate(2004, 4, 1)));
    QCOMPARE(dateBox("Dt終了")->value(), std::optional(QDate(2004, 4, 30)));

    // Thrown away, the period shown is used again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    button->click();
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(printed.size(), command == QStringLiteral("CSCmdBtn1") ? 1 : 0);
    QCOMPARE(workRows().size(), 1);
}

QTEST_MAIN(TestTotalsPage)
#include "test_totalspage.moc"
