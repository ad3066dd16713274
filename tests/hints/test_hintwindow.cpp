// The hint window on a real work database: storing, deleting and clearing a
// hint, its questions and notices, the edit mode, and writes that fail.

#include "hints/hintwindow.h"
#include "store/sqlitefiles.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "support/verifyok.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

struct StoredHint
{
    QString formName, ctlName, formTitle;
    QVariant contents;
};

const QString kTitle = QStringLiteral("業務日誌 ZEPHRA Ver 1.40");

} // namespace

class TestHintWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storingReplacesTheOneRowOfThePair();
    void answeringNoChangesNothing_data();
    void answeringNoChangesNothing();
    void deleteAsksAboutAllDataButDeletesThePair();
    void clearThenCloseKeepsTheStoredHint();
    void editButtonTogglesTheTextBox();
    void emptyKeyAsksButTouchesNothing_data();
    void emptyKeyAsksButTouchesNothing();
    void failedWriteKeepsHintAndText_data();
    void failedWriteKeepsHintAndText();
    void quotedNamesAndRestartKeepTheHint();
    void hintChangedElsewhereIsAskedAbout_data();
    void hintChangedElsewhereIsAskedAbout();
    void windowNamesThePageNotItsKey_data();
    void windowNamesThePageNotItsKey();
    void emptyHintExplainsItselfAndIsNeverStored();

private:
    // Opens a fresh window on that hint target.
    void open(const QString &formName, const QString &ctlName, const QString &pageName = QStringLiteral("日誌"));
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_window.get(), name); }
    void click(const char *button) { child<QPushButton>(button)->click(); }
    QString text() const { return m_window->contents()->toPlainText(); }
    void setText(const QString &text) { m_window->contents()->setPlainText(text); }
    void exec(const QString &sql) const;
    QList<StoredHint> stored() const;
    QStringList titlesShown() const;
    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<hints::HintWindow> m_window;
};

void TestHintWindow::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
}

void TestHintWindow::cleanup()
{
    m_window.reset();
    m_env.reset();
}

void TestHintWindow::open(const QString &formName, const QString &ctlName, const QString &pageName)
{
    m_window.reset();
    m_window = std::make_unique<hints::HintWindow>(*m_env->store, m_env->msg,
                                                   hints::HintTarget{formName, ctlName, kTitle, pageName});
    m_window->open();
}

void TestHintWindow::exec(const QString &sql) const
{
    QVERIFY2(testsupport::execOn(m_env->data.workPath(), sql), qPrintable(sql));
}

QList<StoredHint> TestHintWindow::stored() const
{
    QList<StoredHint> result;
    testsupport::SqlFile file(m_env->data.workPath());
    for (qint64 row = 0, count = file.count(QStringLiteral("ClHint")); row < count; ++row) {
        const auto column = [&](const char *name) {
            return file.value(QStringLiteral("select %1 from ClHint order by rowid limit 1 offset %2")
                                  .arg(QLatin1String(name))
                                  .arg(row));
        };
        result.append({column("FormName").toString(), column("CtlName").toString(), column("FormTitle").toString(),
                       column("Contents")});
    }
    return result;
}

QStringList TestHintWindow::titlesShown() const
{
    QStringList titles;
    for (const common::MessageRequest &request : m_env->presenter.shown) {
        titles << request.title;
    }
    return titles;
}

void TestHintWindow::storingReplacesTheOneRowOfThePair()
{
    exec(QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint2', "
                        "'t', '設定の説明')"));
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    QCOMPARE(m_window->objectName(), QStringLiteral("Hint"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("ヒント － 日誌"));
    QCOMPARE(child<QLabel>("lblFormName")->text(), QStringLiteral("ページ：日誌"));
    QCOMPARE(child<QLabel>("lblCtlName")->text(), QString());
    QCOMPARE(child<QLabel>("lblFormTitle")->text(), kTitle);
    QCOMPARE(text(), QString()); // no row for the pair: the box stays as loaded

    setText(QStringLiteral("最初の説明"));
    click("cmd登録");
    setText(QStringLiteral("日付を入れて読込を押す。\n二行目"));
    click("cmd登録");
    QCOMPARE(m_env->presenter.shown.size(), 4);
    QCOMPARE(m_env->presenter.shown[0].text, QStringLiteral("ヒント を登録します。よろしいですか"));
    QCOMPARE(m_env->presenter.shown[0].style, common::kQuestionYesDefault);
    QCOMPARE(m_env->presenter.shown[1].title, QStringLiteral("登録完了"));
    QCOMPARE(m_env->presenter.shown[1].text, QStringLiteral("ヒント を登録しました。"));

    QList<StoredHint> rows = stored();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].ctlName, QStringLiteral("cmdHint2")); // the other pair is untouched
    QCOMPARE(rows[0].contents.toString(), QStringLiteral("設定の説明"));
    QCOMPARE(rows[1].formName, QStringLiteral("FrmNippo"));
    QCOMPARE(rows[1].ctlName, QStringLiteral("cmdHint"));
    QCOMPARE(rows[1].formTitle, kTitle);
    QCOMPARE(rows[1].contents.toString(), QStringLiteral("日付を入れて読込を押す。\n二行目"));

    // An empty box stores the empty text in place of the old one.
    setText(QString());
    click("cmd登録");
    rows = stored();
    QCOMPARE(rows.size(), 2);
    QVERIFY(!rows[1].contents.isNull());
    QCOMPARE(rows[1].contents.toString(), QString());
}

void TestHintWindow::answeringNoChangesNothing_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("register") << QByteArray("cmd登録");
    QTest::newRow("delete") << QByteArray("cmd削除");
}

void TestHintWindow::answeringNoChangesNothing()
{
    QFETCH(QByteArray, button);
    exec(QStringLiteral(
        "insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint', 't', '古い説明')"));
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    QCOMPARE(text(), QStringLiteral("古い説明"));
    setText(QStringLiteral("書きかけ"));
    m_env->presenter.answerNo();
    click(button.constData());
    QCOMPARE(m_env->presenter.shown.size(), 1); // the question only
    QCOMPARE(text(), QStringLiteral("書きかけ"));
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].contents.toString(), QStringLiteral("古い説明"));
}

void TestHintWindow::deleteAsksAboutAllDataButDeletesThePair()
{
    exec(QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint', "
                        "'t', '日誌の説明')"));
    exec(QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint1', "
                        "'t', '集計の説明')"));
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    click("cmd削除");
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QCOMPARE(m_env->presenter.shown[0].title, QStringLiteral("削除の確認"));
    QCOMPARE(m_env->presenter.shown[0].text, QStringLiteral("すべてのデータを削除します。よろしいですか"));
    QCOMPARE(m_env->presenter.shown[0].style, common::kQuestionNoDefault);
    QCOMPARE(m_env->presenter.shown[1].title, QStringLiteral("削除の完了"));
    QCOMPARE(m_env->presenter.shown[1].text, QStringLiteral("データ ヒント を削除しました。"));
    QCOMPARE(text(), QString());
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].ctlName, QStringLiteral("cmdHint1"));

    // Once more on the pair that has no row now: the box is emptied all the same.
    setText(QStringLiteral("まだ残っている"));
    click("cmd削除");
    QCOMPARE(m_env->presenter.shown.size(), 4);
    QCOMPARE(m_env->presenter.shown[3].text, QStringLiteral("データ ヒント を削除しました。"));
    QCOMPARE(text(), QString());
    QCOMPARE(stored().size(), 1);
}

void TestHintWindow::clearThenCloseKeepsTheStoredHint()
{
    exec(QStringLiteral(
        "insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint', 't', '残す説明')"));
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowModality(), Qt::NonModal);
    click("cmdクリア");
    QCOMPARE(text(), QString());
    click("cmd閉じる");
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_env->presenter.shown.isEmpty());
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].contents.toString(), QStringLiteral("残す説明"));
}

void TestHintWindow::editButtonTogglesTheTextBox()
{
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QPlainTextEdit *box = m_window->contents();
    QCOMPARE(m_window->editButtonColour(), 13488593);
    QVERIFY(box->isReadOnly());

    click("cmd編集");
    QCOMPARE(m_window->editButtonColour(), 8421631);
    QVERIFY(!box->isReadOnly());
    QCOMPARE(QApplication::focusWidget(), box);
    QTest::keyClicks(box, QStringLiteral("typed"));
    QCOMPARE(text(), QStringLiteral("typed"));

    child<QPushButton>("cmd登録")->setFocus();
    click("cmd編集");
    QCOMPARE(m_window->editButtonColour(), 13488593);
    QVERIFY(box->isReadOnly());
    QCOMPARE(QApplication::focusWidget(), box);
    QTest::keyClicks(box, QStringLiteral("more"));
    QCOMPARE(text(), QStringLiteral("typed"));

    // Clearing or storing does not leave the mode.
    click("cmd編集");
    click("cmdクリア");
    click("cmd登録");
    QCOMPARE(m_window->editButtonColour(), 8421631);
}

void TestHintWindow::emptyKeyAsksButTouchesNothing_data()
{
    QTest::addColumn<QString>("formName");
    QTest::addColumn<QString>("ctlName");
    QTest::newRow("no window name") << QString() << QStringLiteral("cmdHint");
    QTest::newRow("no control name") << QStringLiteral("FrmNippo") << QString();
}

void TestHintWindow::emptyKeyAsksButTouchesNothing()
{
    QFETCH(QString, formName);
    QFETCH(QString, ctlName);
    exec(
        QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('%1', '%2', 't', '空の鍵')")
            .arg(formName, ctlName));
    open(formName, ctlName);
    QCOMPARE(text(), QString()); // not read either

    setText(QStringLiteral("入力"));
    click("cmd登録");
    click("cmd削除");
    QCOMPARE(titlesShown(), (QStringList{QStringLiteral("登録の確認"), QStringLiteral("登録完了"),
                                         QStringLiteral("削除の確認"), QStringLiteral("削除の完了")}));
    QCOMPARE(text(), QStringLiteral("入力"));
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].contents.toString(), QStringLiteral("空の鍵"));
}

void TestHintWindow::failedWriteKeepsHintAndText_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("failureTitle");
    // The write of the hint read fails: the hint and the typing stay.
    QTest::newRow("register") << QByteArray("cmd登録")
                              << QStringLiteral("before update on ClHint begin select raise(abort, 'disk full'); end")
                              << QStringLiteral("登録できませんでした");
    QTest::newRow("delete") << QByteArray("cmd削除")
                            << QStringLiteral("before delete on ClHint begin select raise(abort, 'locked'); end")
                            << QStringLiteral("削除できませんでした");
}

void TestHintWindow::failedWriteKeepsHintAndText()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, trigger);
    QFETCH(QString, failureTitle);
    exec(QStringLiteral(
        "insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint', 't', '古い説明')"));
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    exec(QStringLiteral("create trigger refuse ") + trigger);

    setText(QStringLiteral("新しい説明"));
    click(button.constData());
    QCOMPARE(m_env->presenter.shown.size(), 2); // the question, then the failure; no completion notice
    QCOMPARE(m_env->presenter.shown[1].title, failureTitle);
    QCOMPARE(m_env->presenter.shown[1].style, common::kWarning);
    QCOMPARE(text(), QStringLiteral("新しい説明"));
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].contents.toString(), QStringLiteral("古い説明"));

    // Once the cause is gone the same press succeeds.
    exec(QStringLiteral("drop trigger refuse"));
    click(button.constData());
    QCOMPARE(m_env->presenter.shown.size(), 4);
    QVERIFY(m_env->presenter.shown[3].title != failureTitle);
}

void TestHintWindow::quotedNamesAndRestartKeepTheHint()
{
    const QString formName = QStringLiteral("O'Brien's");
    const QString ctlName = QStringLiteral("cmd'Hint");
    open(formName, ctlName);
    setText(QStringLiteral("引用符つき"));
    click("cmd登録");
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].formName, formName);
    QCOMPARE(stored()[0].ctlName, ctlName);

    // Closed, the store closed and opened again, the window loaded anew.
    click("cmd閉じる");
    m_window.reset();
    m_env->store->close();
    QVERIFY(!m_env->store->open(store::Location::inFolder(m_env->data.folder())));
    open(formName, ctlName);
    QCOMPARE(text(), QStringLiteral("引用符つき"));
    open(QStringLiteral("O"), ctlName); // a name cut at the quote is another pair
    QCOMPARE(text(), QString());

    open(formName, ctlName);
    click("cmd削除");
    QVERIFY(stored().isEmpty());
    QCOMPARE(m_env->presenter.shown.size(), 4);
}

void TestHintWindow::hintChangedElsewhereIsAskedAbout_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

// Another program on the same folder stores the hint after the window read
// it: 登録 asks, No by default; No keeps the typing and the other's hint, Yes
// writes and holds the new version.
void TestHintWindow::hintChangedElsewhereIsAskedAbout()
{
    QFETCH(bool, overwrite);
    exec(QStringLiteral(
        "insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint', 't', '古い説明')"));
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    auto other = store::makeSqliteStore();
    QVERIFY(!other->open(store::Location::inFolder(m_env->data.folder())));
    VERIFY_OK(other->storeHint(
        {{QStringLiteral("FrmNippo"), QStringLiteral("cmdHint")}, kTitle, QStringLiteral("向こうの説明")}));
    std::optional<store::Hint> theirs;
    store::Seen theirVersion;
    QVERIFY(!other->readHint({QStringLiteral("FrmNippo"), QStringLiteral("cmdHint")}, theirs, theirVersion));

    setText(QStringLiteral("こちらの説明"));
    m_env->presenter.answers = {common::Answer::Yes, overwrite ? common::Answer::Yes : common::Answer::No};
    click("cmd登録");
    QCOMPARE(titlesShown().mid(0, 2), (QStringList{QStringLiteral("登録の確認"), QStringLiteral("他の端末での変更")}));
    const common::MessageRequest question = m_env->presenter.shown[1];
    QCOMPARE(question.text, QStringLiteral("他の端末で変更されています。上書きしますか\n（他の端末での変更: ") +
                                theirVersion->written.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) +
                                QStringLiteral("）"));
    QCOMPARE(question.style, common::kQuestionNoDefault);
    QCOMPARE(text(), QStringLiteral("こちらの説明"));
    QCOMPARE(stored().size(), 1);
    if (!overwrite) {
        QCOMPARE(m_env->presenter.shown.size(), 2);
        QCOMPARE(stored()[0].contents.toString(), QStringLiteral("向こうの説明"));
        return;
    }
    QCOMPARE(titlesShown().value(2), QStringLiteral("登録完了"));
    QCOMPARE(stored()[0].contents.toString(), QStringLiteral("こちらの説明"));
    // The window holds what it wrote: the next 登録 asks nothing more.
    setText(QStringLiteral("三度目"));
    click("cmd登録");
    QCOMPARE(titlesShown().mid(3), (QStringList{QStringLiteral("登録の確認"), QStringLiteral("登録完了")}));
    QCOMPARE(stored()[0].contents.toString(), QStringLiteral("三度目"));
}

void TestHintWindow::windowNamesThePageNotItsKey_data()
{
    QTest::addColumn<QString>("ctlName");
    QTest::addColumn<QString>("pageName");
    QTest::newRow("日誌") << QStringLiteral("cmdHint") << QStringLiteral("日誌");
    QTest::newRow("集計") << QStringLiteral("cmdHint1") << QStringLiteral("集計");
    QTest::newRow("設定・情報") << QStringLiteral("cmdHint2") << QStringLiteral("設定・情報");
}

// The user sees the page's name; the key's names stay in the stored row only.
void TestHintWindow::windowNamesThePageNotItsKey()
{
    QFETCH(QString, ctlName);
    QFETCH(QString, pageName);
    open(QStringLiteral("FrmNippo"), ctlName, pageName);
    QVERIFY(m_window->windowTitle().contains(pageName));
    QStringList shown = {m_window->windowTitle()};
    for (const QLabel *label : m_window->findChildren<QLabel *>()) {
        shown << label->text();
    }
    QVERIFY(shown.join(QLatin1Char('|')).contains(pageName));
    for (const QString &text : shown) {
        QVERIFY2(!text.contains(QStringLiteral("FrmNippo")) && !text.contains(QStringLiteral("cmdHint")),
                 qPrintable(text));
    }

    setText(QStringLiteral("メモ"));
    click("cmd登録");
    const QList<StoredHint> rows = stored();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].formName, QStringLiteral("FrmNippo"));
    QCOMPARE(rows[0].ctlName, ctlName);
    QCOMPARE(rows[0].formTitle, kTitle);
}

void TestHintWindow::emptyHintExplainsItselfAndIsNeverStored()
{
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    const QString note = hints::HintWindow::emptyHintNote();
    QVERIFY(note.contains(QStringLiteral("メモ")));
    QVERIFY(note.contains(QStringLiteral("F1")));
    QCOMPARE(m_window->contents()->placeholderText(), note);
    QCOMPARE(text(), QString()); // the note is no text of the hint

    // Written in the edit mode, as a user would type it, then stored.
    click("cmd編集");
    m_window->contents()->setFocus();
    QInputMethodEvent typed; // Japanese as an input method commits it
    typed.setCommitString(QStringLiteral("月末は集計"));
    QApplication::sendEvent(m_window->contents(), &typed);
    click("cmd登録");
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].contents.toString(), QStringLiteral("月末は集計"));

    // Cleared and stored: the empty text, never the note.
    click("cmdクリア");
    click("cmd登録");
    QCOMPARE(stored()[0].contents.toString(), QString());
    QVERIFY(!stored()[0].contents.isNull());

    // Opened again on a stored hint: its text, with the note behind it unseen.
    exec(QStringLiteral("update ClHint set Contents = '読込を先に' where CtlName = 'cmdHint'"));
    open(QStringLiteral("FrmNippo"), QStringLiteral("cmdHint"));
    QCOMPARE(text(), QStringLiteral("読込を先に"));
}

QTEST_MAIN(TestHintWindow)
#include "test_hintwindow.moc"
