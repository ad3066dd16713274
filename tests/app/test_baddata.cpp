// Data in the files that the program never writes itself, put there by
// another program: amounts that are no amounts, dates in other forms, two
// records for one day, a colour of the wrong type. The program shows what it
// can, totals nothing it cannot vouch for, and writes nothing back unless the
// user registers.

#include "startedwindow.h"

#include "journal/journalpage.h"
#include "settings/settingspage.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/colournumberbox.h"
#include "ui/colourswatch.h"
#include "ui/datebox.h"
#include "ui/erabox.h"
#include "ui/journaltextbox.h"

#include <QPushButton>
#include <QTest>

namespace {

template <typename T> T *child(const QObject *parent, const char *name)
{
    return testsupport::control<T>(parent, name);
}

void click(const QObject *parent, const char *button)
{
    child<QPushButton>(parent, button)->click();
}

// Runs statements on a file through a connection of its own, as another program would.
bool writeAside(const QString &path, const QStringList &statements)
{
    testsupport::SqlFile other(path);
    for (const QString &sql : statements) {
        if (!other.exec(sql)) {
            return false;
        }
    }
    return other.ok();
}

// The rows of a table with each value's storage class.
using testsupport::rowsOf;

} // namespace

class TestBadData : public QObject
{
    Q_OBJECT

private slots:
    void amountsThePageCannotShow_data();
    void amountsThePageCannotShow();
    void datesInOtherForms_data();
    void datesInOtherForms();
    void twoRecordsForOneDay();
    void colourOfAnotherType_data();
    void colourOfAnotherType();

private:
    QString mainPath(const testsupport::MainWindow &w) const { return w.mainPath(); }
    QStringList journal(const testsupport::MainWindow &w) const
    {
        return rowsOf(w.mainPath(), QStringLiteral("業務日誌"));
    }
    ui::AmountBox *amount(const testsupport::MainWindow &w, const char *name) const
    {
        return child<ui::AmountBox>(w.frm->journalPage(), name);
    }
    void readDay(const testsupport::MainWindow &w, QDate day) const
    {
        QVERIFY(child<ui::DateBox>(w.frm->journalPage(), "Dt日付")->setValue(day));
        click(w.frm->journalPage(), "cmd読込");
    }
    // Runs the totals of a period; the number of grid rows.
    int total(const testsupport::MainWindow &w, QDate first, QDate last) const
    {
        const QObject *page = w.frm->totalsPage();
        child<ui::DateBox>(page, "Dt開始")->setValue(first);
        child<ui::DateBox>(page, "Dt終了")->setValue(last);
        click(page, "cmd集計");
        totals::WorkTableModel *model = testsupport::newestChild<totals::WorkTableModel>(w.frm->totalsPage());
        while (model->canFetchMore()) {
            model->fetchMore();
        }
        return model->rowCount();
    }
};

void TestBadData::amountsThePageCannotShow_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("stored");
    QTest::newRow("a text") << QStringLiteral("売上額") << QStringLiteral("'abc'");
    QTest::newRow("beyond the box") << QStringLiteral("売上額") << QStringLiteral("99999999999");
    QTest::newRow("below the box") << QStringLiteral("出金額") << QStringLiteral("-99999999999");
    QTest::newRow("a fraction") << QStringLiteral("仕入額") << QStringLiteral("1.5");
}

void TestBadData::amountsThePageCannotShow()
{
    QFETCH(QString, column);
    QFETCH(QString, stored);

    testsupport::MainWindow w;
    QVERIFY(writeAside(mainPath(w), {QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                    "values ('2004-04-01', 10, 20, 30, 40, '一日目')"),
                                     QStringLiteral("update 業務日誌 set %1 = %2").arg(column, stored),
                                     QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                    "values ('2004-04-02', 500, 600, 700, 800, '二日目')")}));
    QVERIFY(w.start());
    const QStringList before = journal(w);

    // The day before fills every box; the bad value must not leave it standing.
    readDay(w, QDate(2004, 4, 2));
    readDay(w, QDate(2004, 4, 1));
    const QString boxName = QStringLiteral("num") + column;
    const printing::PrintJournal shown = w.frm->journalPage()->values();
    const std::pair<QString, std::optional<qint64>> boxes[] = {{QStringLiteral("num売上額"), shown.sales},
                                                               {QStringLiteral("num仕入額"), shown.purchases},
                                                               {QStringLiteral("num入金額"), shown.moneyIn},
                                                               {QStringLiteral("num出金額"), shown.moneyOut}};
    const qint64 good[] = {10, 20, 30, 40};
    for (std::size_t k = 0; k < std::size(boxes); ++k) {
        QCOMPARE(boxes[k].second, boxes[k].first == boxName ? std::nullopt : std::optional<qint64>(good[k]));
    }
    QCOMPARE(shown.memo, QStringLiteral("一日目"));
    QVERIFY(w.presenter.shown.isEmpty());

    // The totals refuse a period holding it, and say which day and column.
    QCOMPARE(total(w, QDate(2004, 4, 1), QDate(2004, 4, 30)), 0);
    QCOMPARE(w.presenter.shown.size(), 1);
    QCOMPARE(w.presenter.shown[0].title, QStringLiteral("集計できませんでした"));
    QVERIFY2(w.presenter.shown[0].text.contains(QStringLiteral("2004年04月01日 の") + column),
             qPrintable(w.presenter.shown[0].text));
    QCOMPARE(w.frm->totalsPage()->values().sales, std::optional<qint64>(0));
    QCOMPARE(journal(w), before); // reading and totalling wrote nothing

    // Registering the day is the user's own act: the page as it stands, the
    // emptied box as Null; from then on the period totals.
    readDay(w, QDate(2004, 4, 1));
    click(w.frm->journalPage(), "cmd登録");
    QCOMPARE(
        testsupport::SqlFile(mainPath(w))
            .value(
                QStringLiteral("select count(*) from 業務日誌 where 日付 = '2004-04-01' and %1 is null").arg(column)),
        QVariant(qint64(1)));
    QCOMPARE(total(w, QDate(2004, 4, 1), QDate(2004, 4, 30)), 2);
    QCOMPARE(w.presenter.shown.size(), 2); // the register's question only
    QCOMPARE(w.frm->totalsPage()->values().moneyIn, std::optional<qint64>(730));
}

void TestBadData::datesInOtherForms_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("why"); // the line of the notice that counts it
    const QString otherForm = QStringLiteral("日付が正しい形で保存されていない日誌: 1 日分");
    QTest::newRow("slashes") << QStringLiteral("'2004/04/01'") << otherForm;
    QTest::newRow("digits as text") << QStringLiteral("'20040401'") << otherForm;
    QTest::newRow("a date number") << QStringLiteral("20040401") << otherForm;
    QTest::newRow("a day count") << QStringLiteral("38078")
                                 << QStringLiteral("日付を読めない日誌（期間の内外は不明）: 1 日分");
    QTest::newRow("with a time") << QStringLiteral("'2004-04-01 00:00:00'") << otherForm;
}

// A row whose date is in another form belongs to no day: reading the day does
// not find it, and no period totals it, however its text sorts; each run says
// that it was left out and why, and leaves it as it is.
void TestBadData::datesInOtherForms()
{
    QFETCH(QString, stored);
    QFETCH(QString, why);

    testsupport::MainWindow w;
    QVERIFY(writeAside(
        mainPath(w),
        {QStringLiteral(
             "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values (%1, 7, 7, 7, 7, '別の形')")
             .arg(stored),
         QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2004-04-02', 500, "
                        "600, 700, 800, '二日目')")}));
    QVERIFY(w.start());
    const QString odd = journal(w).first();

    readDay(w, QDate(2004, 4, 2));
    readDay(w, QDate(2004, 4, 1)); // no record of that day: the page stays as it was
    QCOMPARE(amount(w, "num売上額")->value(), std::optional<qint64>(500));

    for (const auto &[first, last] :
         {std::pair{QDate(2004, 4, 1), QDate(2004, 4, 30)}, std::pair{QDate(2004, 1, 1), QDate(2005, 12, 31)},
          std::pair{QDate(1900, 1, 1), QDate(2099, 12, 31)}}) {
        QCOMPARE(total(w, first, last), 1);
        QCOMPARE(w.frm->totalsPage()->values().sales, std::optional<qint64>(500));
        QCOMPARE(w.presenter.shown.size(), 1);
        QCOMPARE(w.presenter.shown[0].title, QStringLiteral("集計に含めていない日誌"));
        QVERIFY2(w.presenter.shown[0].text.contains(u'\n' + why + u'\n'), qPrintable(w.presenter.shown[0].text));
        w.presenter.shown.clear();
    }
    QCOMPARE(journal(w).first(), odd);

    // Registering the day adds its proper record beside the odd row.
    QVERIFY(child<ui::DateBox>(w.frm->journalPage(), "Dt日付")->setValue(QDate(2004, 4, 1)));
    click(w.frm->journalPage(), "cmd登録");
    const QStringList after = journal(w);
    QCOMPARE(after.size(), 3);
    QCOMPARE(after.first(), odd);
    QVERIFY(after.last().startsWith(QStringLiteral("QString:2004-04-01|qlonglong:500|")));
}

// Two rows for one day (the one-per-day index dropped by some tool): the day
// shows its first row, registering edits that row alone, the grid lists both
// and the sums add what the grid lists, deleting removes both.
void TestBadData::twoRecordsForOneDay()
{
    testsupport::MainWindow w;
    QVERIFY(writeAside(mainPath(w), {QStringLiteral("drop index 業務日誌_日付"),
                                     QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                    "values ('2004-04-01', 100, 1, 1, 1, '一件目')"),
                                     QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                                    "values ('2004-04-01', 200, 2, 2, 2, '二件目')")}));
    QVERIFY(w.start());

    readDay(w, QDate(2004, 4, 1));
    QCOMPARE(amount(w, "num売上額")->value(), std::optional<qint64>(100));
    QCOMPARE(w.frm->journalPage()->values().memo, QStringLiteral("一件目"));

    amount(w, "num売上額")->setValue(150);
    click(w.frm->journalPage(), "cmd登録");
    QCOMPARE(journal(w).size(), 2);
    QVERIFY(journal(w)[0].startsWith(QStringLiteral("QString:2004-04-01|qlonglong:150|")));
    QVERIFY(journal(w)[1].startsWith(QStringLiteral("QString:2004-04-01|qlonglong:200|")));

    QCOMPARE(total(w, QDate(2004, 4, 1), QDate(2004, 4, 30)), 2);
    QCOMPARE(w.frm->totalsPage()->values().sales, std::optional<qint64>(350));

    readDay(w, QDate(2004, 4, 1));
    click(w.frm->journalPage(), "cmd削除");
    QVERIFY(journal(w).isEmpty());
    QCOMPARE(w.presenter.shown.size(), 2); // the two questions, no failure
}

void TestBadData::colourOfAnotherType_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<qint64>("shown");
    QTest::newRow("a colour") << QStringLiteral("65280") << qint64(65280);
    QTest::newRow("a name") << QStringLiteral("'red'") << qint64(0);
    QTest::newRow("a fraction") << QStringLiteral("1.5") << qint64(0);
    QTest::newRow("huge") << QStringLiteral("1e30") << qint64(0);
    QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999") << qint64(0);
    QTest::newRow("beyond the box") << QStringLiteral("1500000000") << qint64(0);
    QTest::newRow("negative") << QStringLiteral("-1") << qint64(0);
}

// The ruled-line colour that the page shows is the one the printouts use; a
// stored value that is no colour number reads as black and stays as stored.
void TestBadData::colourOfAnotherType()
{
    QFETCH(QString, stored);
    QFETCH(qint64, shown);

    testsupport::MainWindow w;
    QVERIFY(writeAside(mainPath(w), {QStringLiteral("insert into 自社情報 values ('和暦', %1)").arg(stored)}));
    QVERIFY(w.start());
    const QStringList before = rowsOf(w.mainPath(), QStringLiteral("自社情報"));

    const QObject *page = w.frm->settingsPage();
    QCOMPARE(w.session.settings().era, QStringLiteral("和暦"));
    QCOMPARE(child<ui::ColourNumberBox>(page, "num白紙罫線色")->value(), shown);
    QCOMPARE(qint64(child<ui::ColourSwatch>(page, "Pic罫線色")->backColour()), shown);
    QCOMPARE(qint64(w.session.settings().lineColour), shown);
    QCOMPARE(rowsOf(w.mainPath(), QStringLiteral("自社情報")), before);

    // Registering writes what the page shows.
    click(page, "cmd設定登録");
    QCOMPARE(rowsOf(w.mainPath(), QStringLiteral("自社情報")),
             QStringList{QStringLiteral("QString:和暦|qlonglong:%1").arg(shown)});
}

QTEST_MAIN(TestBadData)
#include "test_baddata.moc"
