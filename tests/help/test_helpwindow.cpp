// The manual's window driven by the keyboard: opening at a part, the contents, and the search across pages.

#include "help/helpwindow.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

class TestHelpWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensAtThePartAsked_data();
    void opensAtThePartAsked();
    void contentsShowThePartChosen();
    void enterFindsTheNextPlaceOnAnotherPage();
    void shiftEnterGoesBackAndNewWordsStartAfresh();
    void wordsNotInTheManualAreSaidSo();
    void escapeCloses();

private:
    template <typename T> T *child(const char *name) const { return m_window->findChild<T *>(QString::fromUtf8(name)); }
    QTextBrowser *browser() const { return child<QTextBrowser>("brw本文"); }
    QLineEdit *searchBox() const { return child<QLineEdit>("txt検索"); }
    void search(const QString &words);
    void pressEnter(Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(searchBox(), Qt::Key_Return, modifiers);
    }
    // The text marked as found on the page shown.
    QString marked() const
    {
        const auto marks = browser()->extraSelections();
        return marks.isEmpty() ? QString() : marks.first().cursor.selectedText();
    }

    std::unique_ptr<help::HelpWindow> m_window;
};

void TestHelpWindow::init()
{
    m_window = std::make_unique<help::HelpWindow>();
}

void TestHelpWindow::cleanup()
{
    m_window.reset();
}

void TestHelpWindow::search(const QString &words)
{
    searchBox()->setFocus();
    searchBox()->selectAll();
    // Japanese words arrive as an input method's committed text.
    QInputMethodEvent typed;
    typed.setCommitString(words);
    QApplication::sendEvent(searchBox(), &typed);
    QCOMPARE(searchBox()->text(), words);
    pressEnter();
}

void TestHelpWindow::opensAtThePartAsked_data()
{
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("heading");
    QTest::newRow("journal") << QStringLiteral("journal") << QStringLiteral("journal.html")
                             << QStringLiteral("日誌のページ");
    QTest::newRow("datekeys") << QStringLiteral("datekeys") << QStringLiteral("journal.html")
                              << QStringLiteral("日付の欄のキー");
    QTest::newRow("settings") << QStringLiteral("settings") << QStringLiteral("settings.html")
                              << QStringLiteral("設定・情報のページ");
    QTest::newRow("restore") << QStringLiteral("restore") << QStringLiteral("data.html")
                             << QStringLiteral("控えから戻す");
    QTest::newRow("unknown") << QStringLiteral("nowhere") << QStringLiteral("index.html") << QStringLiteral("はじめに");
}

void TestHelpWindow::opensAtThePartAsked()
{
    QFETCH(QString, anchor);
    QFETCH(QString, page);
    QFETCH(QString, heading);
    m_window->showPart(anchor);
    QVERIFY(m_window->isVisible());
    QCOMPARE(browser()->source().fileName(), page);
    QVERIFY(browser()->toPlainText().contains(heading));
    QVERIFY(m_window->currentAnchor() == anchor || anchor == QLatin1String("nowhere"));
    QVERIFY(m_window->windowTitle().contains(QStringLiteral("説明書")));
    // Opening the same part again keeps the one page shown.
    m_window->showPart(anchor);
    QCOMPARE(browser()->source().fileName(), page);
}

void TestHelpWindow::contentsShowThePartChosen()
{
    m_window->showPart(QStringLiteral("start"));
    auto *contents = child<QTreeWidget>("lst目次");
    QVERIFY(contents);
    contents->setFocus();
    QCOMPARE(m_window->currentAnchor(), QStringLiteral("start"));
    // Down through the contents: each part chosen is shown at once.
    QString lastPage = browser()->source().fileName();
    bool pageChanged = false;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(contents, Qt::Key_Down);
        const QString anchor = m_window->currentAnchor();
        QCOMPARE(browser()->source().fragment(), anchor);
        QCOMPARE(browser()->source().fileName(), m_window->manual().pageOf(anchor));
        pageChanged = pageChanged || browser()->source().fileName() != lastPage;
    }
    QVERIFY(pageChanged);
    // Enter takes the reader into the page.
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QTest::keyClick(contents, Qt::Key_Return);
    QTRY_VERIFY(browser()->hasFocus());
}

void TestHelpWindow::enterFindsTheNextPlaceOnAnotherPage()
{
    m_window->showPart(QStringLiteral("journal"));
    // 「復元」 is not on the journal page: the search goes on to the pages after it.
    QVERIFY(!browser()->toPlainText().contains(QStringLiteral("復元")));
    search(QStringLiteral("復元"));
    const QString firstPage = browser()->source().fileName();
    QCOMPARE(firstPage, QStringLiteral("settings.html"));
    QCOMPARE(marked(), QStringLiteral("復元"));
    const int firstPlace = browser()->extraSelections().first().cursor.position();
    QVERIFY(child<QLabel>("lbl結果")->text().contains(QStringLiteral("復元")));
    QVERIFY(searchBox()->hasFocus() || !m_window->isActiveWindow());

    // Enter again: the next place, further on the same page or on a later one.
    pressEnter();
    QCOMPARE(marked(), QStringLiteral("復元"));
    const QString secondPage = browser()->source().fileName();
    const int secondPlace = browser()->extraSelections().first().cursor.position();
    QVERIFY(secondPage != firstPage || secondPlace > firstPlace);

    // Round the whole manual and back to the first place.
    const int total = m_window->manual().count(QStringLiteral("復元"));
    for (int i = 2; i < total; ++i) {
        pressEnter();
    }
    pressEnter();
    QCOMPARE(browser()->source().fileName(), QStringLiteral("settings.html"));
    QCOMPARE(browser()->extraSelections().first().cursor.position(), firstPlace);
}

void TestHelpWindow::shiftEnterGoesBackAndNewWordsStartAfresh()
{
    m_window->showPart(QStringLiteral("start"));
    search(QStringLiteral("PDF"));
    const QUrl first = browser()->source();
    const int firstPlace = browser()->extraSelections().first().cursor.position();
    pressEnter();
    pressEnter(Qt::ShiftModifier);
    QCOMPARE(browser()->source(), first);
    QCOMPARE(browser()->extraSelections().first().cursor.position(), firstPlace);
    QCOMPARE(marked(), QStringLiteral("PDF"));

    // Other words: searched from where the reader is, the text marked is theirs.
    search(QStringLiteral("server.conf"));
    QCOMPARE(marked(), QStringLiteral("server.conf"));
    QCOMPARE(browser()->source().fileName(), QStringLiteral("data.html"));
}

void TestHelpWindow::wordsNotInTheManualAreSaidSo()
{
    m_window->showPart(QStringLiteral("totals"));
    search(QStringLiteral("ありえない言葉ＱＱ"));
    QCOMPARE(browser()->source().fileName(), QStringLiteral("totals.html"));
    QVERIFY(browser()->extraSelections().isEmpty());
    QVERIFY(child<QLabel>("lbl結果")->text().contains(QStringLiteral("見つかりませんでした")));
}

void TestHelpWindow::escapeCloses()
{
    m_window->showPart(QStringLiteral("start"));
    QVERIFY(m_window->isVisible());
    QTest::keyClick(browser(), Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(TestHelpWindow)
#include "test_helpwindow.moc"
