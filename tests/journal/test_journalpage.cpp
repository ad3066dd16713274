// The journal page driven through its real widgets: read, register, delete,
// clear, the questions and their answers, and writes that fail for real.

#include "common/formats.h"
#include "journal/journalpage.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/journaltextbox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Row
{
    QVariant date, sales, purchases, in, out, memo;
};

// The journal refuses every change, as in a read-only file, and takes them again.
const QString kRefuseWrites = testsupport::refuseWritesSql(QStringLiteral("業務日誌"));
const QString kAllowWrites = testsupport::allowWritesSql();

} // namespace

class TestJournalPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registerInsertsThenOverwrites();
    void readShowsTheRecordAndNullsAsZero();
    void nullAmountStaysNullUnlessTyped();
    void readingADateWithoutRecordChangesNothing();
    void readLeavesAmountsItCannotShowEmpty();
    void deleteAsksWithoutBlankAndClears();
    void eraModeShowsEraTextButKeysTheWesternDate();
    void failedRegisterKeepsThePage();
    void focusOrderAndKeyboardOnlyRegistration();
    void megabytesOfTextComeBackWhole();
    void commandsStopOnTypingThatIsNoDate_data();
    void commandsStopOnTypingThatIsNoDate();
    void weekdayBesideTheDate_data();
    void weekdayBesideTheDate();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_page.get(), name); }
    ui::DateBox *date() const { return child<ui::DateBox>("Dt日付"); }
    ui::AmountBox *amount(const char *name) const { return child<ui::AmountBox>(name); }
    ui::JournalTextBox *memo() const { return child<ui::JournalTextBox>("txtメモ"); }
    void click(const char *button) { child<QPushButton>(button)->click(); }
    void fillPage(QDate day, qint64 sales, const QString &text);
    QList<Row> rows() const;
    bool exec(const QString &sql) const { return testsupport::execOn(m_env->data.mainPath(), sql); }
    int rowCount() const { return int(rows().size()); }
    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<journal::JournalPage> m_page;
};

void TestJournalPage::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_page = std::make_unique<journal::JournalPage>(*m_env->store, m_env->msg, m_env->clock);
    m_page->applyCalendarMode(QStringLiteral("西暦"), 2000);
    m_page->show();
    QApplication::setActiveWindow(m_page.get());
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
}

void TestJournalPage::cleanup()
{
    m_page.reset();
    m_env.reset();
}

void TestJournalPage::fillPage(QDate day, qint64 sales, const QString &text)
{
    QVERIFY(date()->setValue(day));
    amount("num売上額")->setValue(sales);
    amount("num仕入額")->setValue(sales / 2);
    amount("num入金額")->setValue(-1500);
    amount("num出金額")->setValue(std::nullopt);
    memo()->setText(text);
}

QList<Row> TestJournalPage::rows() const
{
    QList<Row> result;
    testsupport::SqlFile file(m_env->data.mainPath());
    for (const QVariantList &v :
         file.select(QStringLiteral("select 日付, 売上額, 仕入額, 入金額, 出金額, 日誌 from 業務日誌 order by 日付"))) {
        result.append({v[0], v[1], v[2], v[3], v[4], v[5]});
    }
    return result;
}

void TestJournalPage::registerInsertsThenOverwrites()
{
    fillPage(QDate(2004, 4, 1), 1234567, QStringLiteral("晴れ。\n来客多し。"));
    click("cmd登録");
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].title, QStringLiteral("登録の確認"));
    QCOMPARE(m_env->presenter.shown[0].text, QStringLiteral(" 2004年04月01日 の業務日誌 を登録します。よろしいですか"));
    QCOMPARE(m_env->presenter.shown[0].style, common::kQuestionYesDefault);

    QList<Row> stored = rows();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].date.toString(), QStringLiteral("2004-04-01"));
    QCOMPARE(stored[0].sales.toLongLong(), 1234567);
    QCOMPARE(stored[0].purchases.toLongLong(), 617283);
    QCOMPARE(stored[0].in.toLongLong(), -1500);
    QVERIFY(stored[0].out.isNull()); // an emptied box hands over Null
    QCOMPARE(stored[0].memo.toString(), QStringLiteral("晴れ。\n来客多し。"));

    // The page is cleared and ready for the next day.
    QVERIFY(!date()->value());
    QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(0));
    QCOMPARE(amount("num出金額")->value(), std::optional<qint64>(0));
    QVERIFY(memo()->text().isEmpty());

    // Registering the same date again overwrites all six fields of the one record.
    QVERIFY(date()->setValue(QDate(2004, 4, 1)));
    amount("num売上額")->setValue(9'999'999'999);
    amount("num仕入額")->setValue(-9'999'999'999);
    amount("num入金額")->setValue(0);
    amount("num出金額")->setValue(7);
    memo()->setText(QString());
    click("cmd登録");
    stored = rows();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].sales.toLongLong(), 9'999'999'999);
    QCOMPARE(stored[0].purchases.toLongLong(), -9'999'999'999);
    QCOMPARE(stored[0].in.toLongLong(), 0);
    QCOMPARE(stored[0].out.toLongLong(), 7);
    QVERIFY(!stored[0].memo.isNull());
    QCOMPARE(stored[0].memo.toString(), QString());
}

void TestJournalPage::readShowsTheRecordAndNullsAsZero()
{
    QVERIFY(exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values "
                                "('2004-04-01', 10, 20, 30, 40, '一日目')")));
    QVERIFY(exec(QStringLiteral("insert into 業務日誌 (日付) values ('2004-04-02')")));

    QVERIFY(date()->setValue(QDate(2004, 4, 1)));
    click("cmd読込");
    QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(10));
    QCOMPARE(amount("num仕入額")->value(), std::optional<qint64>(20));
    QCOMPARE(amount("num入金額")->value(), std::optional<qint64>(30));
    QCOMPARE(amount("num出金額")->value(), std::optional<qint64>(40));
    QCOMPARE(memo()->text(), QStringLiteral("一日目"));

    // Nulls show as 0 but hold no value: the boxes hand over Null.
    QVERIFY(date()->setValue(QDate(2004, 4, 2)));
    click("cmd読込");
    for (const char *name : {"num売上額", "num仕入額", "num入金額", "num出金額"}) {
        QCOMPARE(amount(name)->text(), QStringLiteral("0"));
        QCOMPARE(amount(name)->value(), std::nullopt);
    }
    QCOMPARE(memo()->text(), QString());
    QVERIFY(m_env->presenter.shown.isEmpty());

    // Without a date, reading only puts the focus into the date box.
    date()->clear();
    amount("num売上額")->setFocus();
    click("cmd読込");
    QVERIFY(m_env->presenter.shown.isEmpty());
    QVERIFY(date()->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == date());
}

// Read and registered again, a Null amount stays Null; only what the user
// types, 0 included, becomes a value.
void TestJournalPage::nullAmountStaysNullUnlessTyped()
{
    QVERIFY(exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 日誌) values ('2004-04-02', 5, '二日')")));
    QVERIFY(date()->setValue(QDate(2004, 4, 2)));
    click("cmd読込");
    memo()->setText(QStringLiteral("二日、書き足し"));
    amount("num仕入額")->setFocus();
    amount("num入金額")->setFocus(); // leaving a box showing a Null keeps it
    QCOMPARE(amount("num仕入額")->text(), QStringLiteral("0"));
    click("cmd登録");
    QList<Row> stored = rows();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].sales.toLongLong(), 5);
    for (const QVariant &value : {stored[0].purchases, stored[0].in, stored[0].out}) {
        QVERIFY(value.isNull());
    }
    QCOMPARE(stored[0].memo.toString(), QStringLiteral("二日、書き足し"));

    // Typed over: 0 typed is 0, a digit typed after the 0 is that number.
    QVERIFY(date()->setValue(QDate(2004, 4, 2)));
    click("cmd読込");
    amount("num仕入額")->selectAll();
    QTest::keyClicks(amount("num仕入額"), QStringLiteral("0"));
    amount("num入金額")->end(false);
    QTest::keyClicks(amount("num入金額"), QStringLiteral("7"));
    click("cmd登録");
    stored = rows();
    QCOMPARE(stored[0].purchases, QVariant(qint64(0)));
    QCOMPARE(stored[0].in, QVariant(qint64(7)));
    QVERIFY(stored[0].out.isNull());
}

void TestJournalPage::readingADateWithoutRecordChangesNothing()
{
    fillPage(QDate(2004, 4, 1), 800, QStringLiteral("前の日の内容"));
    QVERIFY(date()->setValue(QDate(2004, 4, 9)));
    click("cmd読込");
    QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(800));
    QCOMPARE(memo()->text(), QStringLiteral("前の日の内容"));
    QVERIFY(m_env->presenter.shown.isEmpty());
    // A register that follows stores them under the new date.
    click("cmd登録");
    QCOMPARE(rows().size(), 1);
    QCOMPARE(rows()[0].date.toString(), QStringLiteral("2004-04-09"));
    QCOMPARE(rows()[0].sales.toLongLong(), 800);
}

void TestJournalPage::readLeavesAmountsItCannotShowEmpty()
{
    // Written by another program: a text, a fraction, more digits than the box holds.
    QVERIFY(exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values "
                                "('2004-04-03', 'abc', 12.5, 10000000000, NULL, NULL)")));
    fillPage(QDate(2004, 4, 2), 800, QStringLiteral("前の日の内容"));
    m_page->showDay(QDate(2004, 4, 3));
    click("cmd読込");
    QCOMPARE(amount("num売上額")->value(), std::nullopt);
    QCOMPARE(amount("num仕入額")->value(), std::nullopt);
    QCOMPARE(amount("num入金額")->value(), std::nullopt);
    QCOMPARE(amount("num出金額")->text(), QStringLiteral("0")); // a Null
    QCOMPARE(amount("num出金額")->value(), std::nullopt);
    QCOMPARE(memo()->text(), QString());
    QCOMPARE(m_page->values().dateText, QStringLiteral("2004年04月03日"));
    QVERIFY(m_env->presenter.shown.isEmpty());
}

void TestJournalPage::deleteAsksWithoutBlankAndClears()
{
    QVERIFY(exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values "
                                "('2004-04-01', 10, 20, 30, 40, '一日目')")));
    QVERIFY(exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values "
                                "('2004-04-02', 1, 2, 3, 4, '二日目')")));

    QVERIFY(date()->setValue(QDate(2004, 4, 1)));
    m_env->presenter.answerNo();
    click("cmd削除");
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].title, QStringLiteral("削除の確認"));
    QCOMPARE(m_env->presenter.shown[0].text, QStringLiteral("2004年04月01日 の日誌 を削除します。よろしいですか"));
    QCOMPARE(m_env->presenter.shown[0].style, common::kQuestionNoDefault);
    QCOMPARE(rowCount(), 2);
    QCOMPARE(date()->value(), std::optional<QDate>(QDate(2004, 4, 1)));

    m_env->presenter.answerYes();
    click("cmd削除");
    QCOMPARE(rowCount(), 1);
    QCOMPARE(rows()[0].date.toString(), QStringLiteral("2004-04-02"));
    QVERIFY(!date()->value());
    QVERIFY(date()->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == date());

    // A date without a record: asked, nothing deleted, page cleared.
    fillPage(QDate(2004, 5, 5), 9, QStringLiteral("x"));
    click("cmd削除");
    QCOMPARE(m_env->presenter.shown.size(), 3);
    QCOMPARE(rowCount(), 1);
    QVERIFY(!date()->value());
    QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(0));
}

void TestJournalPage::eraModeShowsEraTextButKeysTheWesternDate()
{
    m_page->applyCalendarMode(QStringLiteral("和暦"), 2370);
    QCOMPARE(date()->width(), 158);
    fillPage(QDate(2004, 4, 1), 1, QString());
    QCOMPARE(date()->displayText(), QStringLiteral("平成 16年04月01日"));
    click("cmd登録");
    QCOMPARE(m_env->presenter.shown[0].text,
             QStringLiteral(" 平成 16年04月01日 の業務日誌 を登録します。よろしいですか"));
    QCOMPARE(rows()[0].date.toString(), QStringLiteral("2004-04-01"));

    QVERIFY(date()->setValue(QDate(2004, 4, 1)));
    click("cmd削除");
    QCOMPARE(m_env->presenter.shown[1].text, QStringLiteral("平成 16年04月01日 の日誌 を削除します。よろしいですか"));
    QCOMPARE(rowCount(), 0);
}

void TestJournalPage::failedRegisterKeepsThePage()
{
    // The file refuses every write to the journal.
    QVERIFY(exec(kRefuseWrites));
    fillPage(QDate(2004, 4, 1), 4321, QStringLiteral("消えては困る文章"));
    click("cmd登録");
    QCOMPARE(m_env->presenter.shown.size(), 2);
    const common::MessageRequest failure = m_env->presenter.shown[1];
    QCOMPARE(failure.title, QStringLiteral("登録できませんでした"));
    QCOMPARE(failure.style, common::kWarning);
    QVERIFY2(failure.text.startsWith(QStringLiteral("2004年04月01日 の業務日誌は登録されていません。\n理由: ")),
             qPrintable(failure.text));
    QCOMPARE(date()->value(), std::optional<QDate>(QDate(2004, 4, 1)));
    QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(4321));
    QCOMPARE(amount("num出金額")->value(), std::nullopt);
    QCOMPARE(memo()->text(), QStringLiteral("消えては困る文章"));

    QVERIFY(exec(kAllowWrites));
    QCOMPARE(rowCount(), 0);
}

void TestJournalPage::focusOrderAndKeyboardOnlyRegistration()
{
    const char *order[] = {"num売上額", "num仕入額", "num入金額", "num出金額", "txtメモ",
                           "cmd読込",   "cmd登録",   "cmd閉じる", "Cmd印刷",   "cmdクリア",
                           "cmd削除",   "cmd書出",   "cmd取込",   "cmd検索",   "cmdHint"};
    date()->setFocus();
    for (const char *name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromUtf8(name));
    }

    // A whole day typed and registered without the mouse.
    date()->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("20070404"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("num売上額"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1234567"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("-2500"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("300"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("40"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("first line"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("second line"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // 読込
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // 登録
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmd登録"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(rowCount(), 1);
    const Row row = rows()[0];
    QCOMPARE(row.date.toString(), QStringLiteral("2007-04-04"));
    QCOMPARE(row.sales.toLongLong(), 1234567);
    QCOMPARE(row.purchases.toLongLong(), -2500);
    QCOMPARE(row.in.toLongLong(), 300);
    QCOMPARE(row.out.toLongLong(), 40);
    QCOMPARE(row.memo.toString(), QStringLiteral("first line\nsecond line"));
    QTRY_VERIFY(date()->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == date());
}

void TestJournalPage::megabytesOfTextComeBackWhole()
{
    QString text;
    const QString line = QStringLiteral("本日の売上は好調。仕入先への支払いを済ませた。\n");
    while (text.size() < 3 * 1024 * 1024) {
        text += line;
    }
    fillPage(QDate(2010, 1, 1), 1, text);
    click("cmd登録");
    QCOMPARE(rowCount(), 1);
    QVERIFY(date()->setValue(QDate(2010, 1, 1)));
    click("cmd読込");
    QCOMPARE(memo()->text().size(), text.size());
    QVERIFY(memo()->text() == text);
}

void TestJournalPage::commandsStopOnTypingThatIsNoDate_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byMouse"); // otherwise Tab to the button and Enter
    for (const char *command : {"cmd読込", "cmd登録", "cmd削除", "Cmd印刷"}) {
        const QString name = QString::fromUtf8(command);
        QTest::addRow("%s, unfinished, mouse", command) << name << u"2007050"_s << u"2007年05月0_日"_s << true;
        QTest::addRow("%s, no such day, mouse", command) << name << u"20070230"_s << u"2007年02月30日"_s << true;
        QTest::addRow("%s, unfinished, keyboard", command) << name << u"200705"_s << u"2007年05月__日"_s << false;
    }
}

// The day shown is 2007/04/04 with 売上額 changed; the user types another day
// without finishing it and runs a command. Nothing is read, written, deleted
// or printed: the box gets its typing back and one notice says why.
void TestJournalPage::commandsStopOnTypingThatIsNoDate()
{
    QFETCH(QString, command);
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(bool, byMouse);
    QVERIFY(exec(
        u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-04', 100, 200, 300, 400, '四日')"_s));
    QVERIFY(date()->setValue(QDate(2007, 4, 4)));
    click("cmd読込");
    amount("num売上額")->setValue(999);
    const QStringList stored = testsupport::rowsOf(m_env->data.mainPath(), u"業務日誌"_s);
    QSignalSpy printed(m_page.get(), &journal::JournalPage::printRequested);
    m_env->presenter.answerYes();

    date()->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), keys);
    auto *button = child<QPushButton>(command.toUtf8().constData());
    if (byMouse) {
        QTest::mouseClick(button, Qt::LeftButton); // the press takes the focus out of the box first
    } else {
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key_Return); // pressed as Space presses it: shown, then run
    }

    QTRY_COMPARE(m_env->presenter.shown.size(), 1);
    const common::MessageRequest notice = m_env->presenter.shown[0];
    QCOMPARE(notice.title, u"入力注意"_s);
    QCOMPARE(
        notice.text,
        u"日付「"_s + typed +
            u"」は、入力の途中か、存在しない日付です。正しい日付を入力するか、Esc キーで入力を取り消してください。"_s);
    QCOMPARE(notice.style, common::kWarning);
    QCOMPARE(testsupport::rowsOf(m_env->data.mainPath(), u"業務日誌"_s), stored);
    QCOMPARE(printed.size(), 0);
    QTRY_VERIFY(date()->hasFocus());
    QCOMPARE(date()->findChild<QLineEdit *>()->text(), typed);
    QCOMPARE(date()->value(), std::optional(QDate(2007, 4, 4)));
    QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(999));
    QCOMPARE(memo()->text(), u"四日"_s);

    // Finished, the typing is the day the command works on.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClicks(QApplication::focusWidget(), u"20070505"_s);
    m_env->presenter.answerNo();
    button->click();
    QCOMPARE(date()->value(), std::optional(QDate(2007, 5, 5)));
    const bool asks = command == u"cmd登録"_s || command == u"cmd削除"_s;
    QCOMPARE(m_env->presenter.shown.size(), asks ? 2 : 1);
    QVERIFY(!asks || m_env->presenter.shown.last().text.contains(u"2007年05月05日 の"_s));
    QCOMPARE(printed.size(), command == u"Cmd印刷"_s ? 1 : 0);
    QCOMPARE(testsupport::rowsOf(m_env->data.mainPath(), u"業務日誌"_s), stored);
}

QTEST_MAIN(TestJournalPage)
#include "test_journalpage.moc"

void TestJournalPage::weekdayBesideTheDate_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("boxWidth");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour"); // invalid: the page's own text colour
    for (const auto &modeAndWidth : {std::pair(u"西暦"_s, 2000), std::pair(u"和暦"_s, 2370)}) {
        const QString mode = modeAndWidth.first;
        const int width = modeAndWidth.second;
        const auto row = [&](const char *tag, QDate day, const QString &text, QColor colour) {
            QTest::addRow("%s %s", qPrintable(mode), tag) << mode << width << day << text << colour;
        };
        row("weekday", QDate(2021, 5, 6), u"（木）"_s, QColor());
        row("holiday", QDate(2021, 5, 3), u"（月）憲法記念日"_s, Qt::red);
        row("substitute", QDate(2021, 8, 9), u"（月）振替休日"_s, Qt::red);
        row("Saturday", QDate(2021, 5, 8), u"（土）"_s, Qt::blue);
        row("Saturday holiday", QDate(1996, 7, 20), u"（土）海の日"_s, Qt::red);
        row("Sunday", QDate(2021, 5, 9), u"（日）"_s, Qt::red);
        row("long name", QDate(2023, 11, 23), u"（木）勤労感謝の日"_s, Qt::red);
        row("longest names", QDate(2019, 10, 22), u"（火）即位礼正殿の儀"_s, Qt::red);
        row("wedding", QDate(1993, 6, 9), u"（水）皇太子・徳仁親王の結婚の儀"_s, Qt::red);
    }
}

void TestJournalPage::weekdayBesideTheDate()
{
    QFETCH(QString, mode);
    QFETCH(int, boxWidth);
    QFETCH(QDate, day);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    m_page->applyCalendarMode(mode, boxWidth);
    auto *label = child<QLabel>("lbl曜日");
    QVERIFY(!label->accessibleName().isEmpty());
    QVERIFY(label->text().isEmpty()); // no date yet

    // Typed and taken with Enter, as the user does.
    date()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    const QString digits = day.toString(u"yyyyMMdd"_s);
    if (common::isWestern(mode)) {
        QTest::keyClicks(QApplication::focusWidget(), digits);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else {
        QVERIFY(date()->setValue(day));
    }
    QCOMPARE(date()->value(), std::optional(day));
    // Whole when it fits, as every weekday with a name of the holiday law's list
    // does; a longer one-off name ends in an ellipsis and is whole in the tooltip.
    if (text.size() <= 9 || label->fontMetrics().horizontalAdvance(text) <= label->width()) {
        QCOMPARE(label->text(), text);
    } else {
        QVERIFY2(label->text().startsWith(text.left(4)) && label->text().endsWith(u'…'), qPrintable(label->text()));
        QCOMPARE(label->toolTip(), text);
    }
    QCOMPARE(label->accessibleDescription(), text);
    const QColor own = m_page->palette().color(QPalette::WindowText);
    QCOMPARE(label->palette().color(QPalette::WindowText), colour.isValid() ? colour : own);
    QCOMPARE(label->toolTip().isEmpty(), text.size() == 3); // a holiday's name is the tooltip

    // On the date box's line, right of it, clear of every other control, whole.
    const QRect box = date()->geometry();
    QCOMPARE(box.left(), 71);
    QCOMPARE(box.width(), (boxWidth + 7) / 15);
    QVERIFY(label->geometry().left() > box.right());
    QCOMPARE(label->geometry().top(), box.top());
    for (const QWidget *other : label->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (other != label && other->isVisible()) {
            QVERIFY2(!other->geometry().intersects(label->geometry()), qPrintable(other->objectName()));
        }
    }

    // Another day, then none: the label follows.
    QVERIFY(date()->setValue(day.addDays(1)));
    QVERIFY(label->text() != text);
    QVERIFY(label->text().startsWith(u'（'));
    click("cmdクリア");
    QVERIFY(label->text().isEmpty());
    QCOMPARE(label->palette().color(QPalette::WindowText), own);
}
