// The journal page beside another program on the same data folder: a day
// written, added or removed there after the page took it up is asked about
// (No by default) and never written over unasked, through the page's real
// widgets; the other program is a second store, or the built program run as
// `zephra --import-csv`.

#include "journal/journalpage.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/fixedclock.h"
#include "support/pageenvironment.h"
#include "support/scriptedpresenter.h"
#include "support/sqlfile.h"
#include "support/verifyok.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/journaltextbox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using common::Answer;

namespace {

const QDate kDay(2026, 12, 7);

// The question's text for a change written at `moment`.
QString changedQuestion(const QDateTime &moment)
{
    return u"他の端末で変更されています。上書きしますか\n（他の端末での変更: "_s +
           moment.toLocalTime().toString(u"yyyy/MM/dd HH:mm:ss"_s) + u"）"_s;
}

} // namespace

class TestJournalConflict : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveAfterTheOthersSave_data();
    void saveAfterTheOthersSave();
    void theOtherIsRefusedAfterThePagesSave();
    void deleteAgainstTheOthersSave_data();
    void deleteAgainstTheOthersSave();
    void saveAfterTheOthersDelete_data();
    void saveAfterTheOthersDelete();
    void dayAddedByAnotherProcess_data();
    void dayAddedByAnotherProcess();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_page.get(), name); }
    ui::AmountBox *amount(const char *name) const { return child<ui::AmountBox>(name); }
    ui::DateBox *date() const { return child<ui::DateBox>("Dt日付"); }
    ui::JournalTextBox *memo() const { return child<ui::JournalTextBox>("txtメモ"); }
    void click(const char *button) { child<QPushButton>(button)->click(); }
    // The page shows the day as read, with 売上額 and the text changed by the user.
    void readAndEdit();
    void expectPageAsEdited();
    // The day as stored: "売上額|日誌", or "none".
    QString stored() const;
    QString mainPath() const { return QDir(m_data).filePath(store::kMainFileName); }
    store::WriteOutcome otherSaves(qint64 sales, const QString &text);
    QStringList titlesShown() const;
    // Presses 登録 or 削除, answers Yes to its question and `overwrite` to the
    // one about the change, which must read `question`, No by default.
    void answerTheChange(const char *button, const QString &question, bool overwrite);

    std::unique_ptr<QTemporaryDir> m_root; // the program's folder, with data/ beside it
    QString m_data;
    std::unique_ptr<store::Store> m_store;
    std::unique_ptr<store::Store> m_other;
    testsupport::ScriptedPresenter m_presenter;
    std::unique_ptr<common::Msg> m_msg;
    testsupport::FixedClock m_clock{QDate(2026, 12, 7)};
    std::unique_ptr<journal::JournalPage> m_page;
};

void TestJournalConflict::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_data = m_root->filePath(u"data"_s);
    QVERIFY(QDir().mkpath(m_data));
    VERIFY_OK(store::createSqliteFiles(m_data));
    m_store = store::makeSqliteStore();
    QVERIFY(!m_store->open(store::Location::inFolder(m_data)));
    m_other = store::makeSqliteStore();
    QVERIFY(!m_other->open(store::Location::inFolder(m_data)));
    m_presenter.answers.clear();
    m_presenter.shown.clear();
    m_msg = std::make_unique<common::Msg>(m_presenter);
    m_page = std::make_unique<journal::JournalPage>(*m_store, *m_msg, m_clock);
    m_page->applyCalendarMode(u"西暦"_s, 2000);
    m_page->show();
    QApplication::setActiveWindow(m_page.get());
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
}

void TestJournalConflict::cleanup()
{
    m_page.reset();
    m_other.reset();
    m_store.reset();
    m_root.reset();
}

void TestJournalConflict::readAndEdit()
{
    VERIFY_OK(m_other->saveDay({kDay, {100, 10, std::nullopt, 0}, u"元の日誌"_s, {}}));
    QVERIFY(date()->setValue(kDay));
    click("cmd読込");
    QCOMPARE(memo()->text(), u"元の日誌"_s);
    amount("num売上額")->selectAll();
    QTest::keyClicks(amount("num売上額"), u"999"_s);
    memo()->setText(u"こちらで書き直した日誌"_s);
}

void TestJournalConflict::expectPageAsEdited()
{
    QCOMPARE(date()->value(), std::optional(kDay));
    QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(999));
    QCOMPARE(amount("num仕入額")->value(), std::optional<qint64>(10));
    QCOMPARE(memo()->text(), u"こちらで書き直した日誌"_s);
}

QString TestJournalConflict::stored() const
{
    const QList<QVariantList> rows =
        testsupport::SqlFile(mainPath()).select(u"SELECT 売上額, 日誌 FROM 業務日誌 WHERE 日付 = '2026-12-07'"_s);
    if (rows.size() > 1) {
        return u"two records"_s;
    }
    return rows.isEmpty() ? u"none"_s : rows[0][0].toString() + u'|' + rows[0][1].toString();
}

store::WriteOutcome TestJournalConflict::otherSaves(qint64 sales, const QString &text)
{
    std::optional<store::JournalRecord> record;
    store::Seen seen;
    store::WriteOutcome outcome;
    if (m_other->readDay(kDay, record, seen) ||
        m_other->saveDay({kDay, {sales, {}, {}, {}}, text, {}}, store::Expected::as(seen), outcome)) {
        qWarning("the other program could not write");
    }
    return outcome;
}

QStringList TestJournalConflict::titlesShown() const
{
    QStringList titles;
    for (const common::MessageRequest &request : m_presenter.shown) {
        titles << request.title;
    }
    return titles;
}

void TestJournalConflict::answerTheChange(const char *button, const QString &question, bool overwrite)
{
    m_presenter.answers = {Answer::Yes, overwrite ? Answer::Yes : Answer::No};
    click(button);
    const QString confirm = qstrcmp(button, "cmd削除") == 0 ? u"削除の確認"_s : u"登録の確認"_s;
    QCOMPARE(titlesShown(), (QStringList{confirm, u"他の端末での変更"_s}));
    QCOMPARE(m_presenter.shown[1].text, question);
    QCOMPARE(m_presenter.shown[1].style, common::kQuestionNoDefault);
}

void TestJournalConflict::saveAfterTheOthersSave_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void TestJournalConflict::saveAfterTheOthersSave()
{
    QFETCH(bool, overwrite);
    readAndEdit();
    const store::WriteOutcome theirs = otherSaves(555, u"向こうの変更"_s);

    answerTheChange("cmd登録", changedQuestion(theirs.now->written), overwrite);
    if (QTest::currentTestFailed()) {
        return;
    }
    if (!overwrite) {
        expectPageAsEdited();
        QCOMPARE(stored(), u"555|向こうの変更"_s);
        return;
    }
    QCOMPARE(stored(), u"999|こちらで書き直した日誌"_s);
    QVERIFY(!date()->value()); // cleared, as after any 登録

    // The page holds the version it wrote: the same day again asks only the usual question.
    QVERIFY(date()->setValue(kDay));
    amount("num売上額")->setValue(1);
    m_presenter.answers = {Answer::Yes};
    click("cmd登録");
    QCOMPARE(titlesShown().size(), 3);
    QCOMPARE(stored(), u"1|"_s);
}

// The other order: the page writes first, and the other program, which read
// the day before, is the one refused.
void TestJournalConflict::theOtherIsRefusedAfterThePagesSave()
{
    readAndEdit();
    std::optional<store::JournalRecord> record;
    store::Seen otherRead;
    VERIFY_OK(m_other->readDay(kDay, record, otherRead));
    click("cmd登録");
    QCOMPARE(titlesShown(), (QStringList{u"登録の確認"_s}));
    QCOMPARE(stored(), u"999|こちらで書き直した日誌"_s);

    store::WriteOutcome outcome;
    QCOMPARE(m_other->saveDay({kDay, {1, {}, {}, {}}, u"遅れた"_s, {}}, store::Expected::as(otherRead), outcome).number,
             int(store::ErrChanged));
    QCOMPARE(stored(), u"999|こちらで書き直した日誌"_s);
}

void TestJournalConflict::deleteAgainstTheOthersSave_data()
{
    saveAfterTheOthersSave_data();
}

void TestJournalConflict::deleteAgainstTheOthersSave()
{
    QFETCH(bool, overwrite);
    readAndEdit();
    const store::WriteOutcome theirs = otherSaves(555, u"向こうの変更"_s);

    answerTheChange("cmd削除", changedQuestion(theirs.now->written), overwrite);
    if (QTest::currentTestFailed()) {
        return;
    }
    if (!overwrite) {
        expectPageAsEdited();
        QCOMPARE(stored(), u"555|向こうの変更"_s);
        return;
    }
    QCOMPARE(stored(), u"none"_s);
    QVERIFY(!date()->value());
}

void TestJournalConflict::saveAfterTheOthersDelete_data()
{
    saveAfterTheOthersSave_data();
}

void TestJournalConflict::saveAfterTheOthersDelete()
{
    QFETCH(bool, overwrite);
    readAndEdit();
    VERIFY_OK(m_other->removeDay(kDay));

    answerTheChange("cmd登録", u"他の端末で削除されています。もう一度登録しますか"_s, overwrite);
    if (QTest::currentTestFailed()) {
        return;
    }
    if (!overwrite) {
        expectPageAsEdited();
        QCOMPARE(stored(), u"none"_s);
        return;
    }
    QCOMPARE(stored(), u"999|こちらで書き直した日誌"_s);
}

void TestJournalConflict::dayAddedByAnotherProcess_data()
{
    saveAfterTheOthersSave_data();
}

// The page types a new day; the built program, run beside it on the same
// folder, imports a file holding that day; 登録 then asks.
void TestJournalConflict::dayAddedByAnotherProcess()
{
    QFETCH(bool, overwrite);
    const QString program = m_root->filePath(u"zephra"_s);
    QVERIFY(QFile::copy(QStringLiteral(ZEPHRA_PATH), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QFile csv(m_root->filePath(u"in.csv"_s));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("日付,売上額,仕入額,入金額,出金額,日誌\r\n2026/12/07,4321,,,,別の端末で入力\r\n");
    csv.close();

    QTest::keyClicks(date()->findChild<QLineEdit *>(), u"20261207"_s);
    QTest::keyClick(date()->findChild<QLineEdit *>(), Qt::Key_Return);
    QCOMPARE(date()->value(), std::optional(kDay));
    QTest::keyClicks(amount("num売上額"), u"777"_s);
    memo()->setText(u"こちらで入力"_s);

    QProcess other;
    other.setWorkingDirectory(m_root->path());
    other.start(program, {u"--import-csv"_s, u"in.csv"_s});
    QVERIFY(other.waitForFinished(60'000));
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(stored(), u"4321|別の端末で入力"_s);
    std::optional<store::JournalRecord> record;
    store::Seen theirs;
    VERIFY_OK(m_other->readDay(kDay, record, theirs));

    answerTheChange("cmd登録", changedQuestion(theirs->written), overwrite);
    if (QTest::currentTestFailed()) {
        return;
    }
    if (!overwrite) {
        QCOMPARE(date()->value(), std::optional(kDay));
        QCOMPARE(amount("num売上額")->value(), std::optional<qint64>(777));
        QCOMPARE(memo()->text(), u"こちらで入力"_s);
        QCOMPARE(stored(), u"4321|別の端末で入力"_s);
        return;
    }
    QCOMPARE(stored(), u"777|こちらで入力"_s);
}

QTEST_MAIN(TestJournalConflict)
#include "test_journalconflict.moc"
