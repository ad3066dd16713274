// The manual compiled into the program: its parts, what they say, its links, and the search over all pages.

#include "help/manual.h"
#include "help/topics.h"

#include "app/commandline.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

QString pageText(const help::Manual &manual, const QString &anchor)
{
    return manual.text(manual.indexOf(manual.pageOf(anchor)));
}

QString source(const QString &page)
{
    QFile file(QStringLiteral(":/help/") + page);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestManual : public QObject
{
    Q_OBJECT

private slots:
    void everyPartIsThere_data();
    void everyPartIsThere();
    void anchorsAreUniqueAndPagesHaveAHeading();
    void everyTopicHasItsPart();
    void tabsOpenTheirPage_data();
    void tabsOpenTheirPage();
    void dateKeysAreExplained();
    void everyVerbIsExplained();
    void linksStayInsideTheManual();
    void searchGoesOnAcrossPagesAndRoundAgain();
    void searchBackwardsAndCase();
    void searchForNothingFindsNothing();
};

void TestManual::everyPartIsThere_data()
{
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<QString>("inTitle");
    const std::pair<const char *, QString> parts[] = {
        {"start", QStringLiteral("はじめに")},     {"help", QStringLiteral("説明書")},
        {"hint", QStringLiteral("ヒント")},        {"journal", QStringLiteral("業務日誌")},
        {"datebox", QStringLiteral("日付")},       {"datekeys", QStringLiteral("キー")},
        {"calendar-mode", QStringLiteral("和暦")}, {"holidays", QStringLiteral("祝日")},
        {"totals", QStringLiteral("集計")},        {"totals-views", QStringLiteral("月別")},
        {"charts", QStringLiteral("グラフ")},      {"settings", QStringLiteral("設定")},
        {"reports", QStringLiteral("印刷")},       {"pdf", QStringLiteral("PDF")},
        {"export", QStringLiteral("書き出し")},    {"import", QStringLiteral("取り込み")},
        {"import-columns", QStringLiteral("列")},  {"legacy", QStringLiteral("以前の版")},
        {"search", QStringLiteral("検索")},        {"data-folder", QStringLiteral("保存場所")},
        {"server", QStringLiteral("PostgreSQL")},  {"backup", QStringLiteral("控え")},
        {"restore", QStringLiteral("復元")},       {"commandline", QStringLiteral("コマンドライン")},
    };
    for (const auto &[anchor, title] : parts) {
        QTest::newRow(anchor) << QString::fromLatin1(anchor) << title;
    }
}

void TestManual::everyPartIsThere()
{
    QFETCH(QString, anchor);
    QFETCH(QString, inTitle);
    const help::Manual manual;
    const auto part = std::find_if(manual.parts().cbegin(), manual.parts().cend(),
                                   [&](const help::Part &p) { return p.anchor == anchor; });
    QVERIFY2(part != manual.parts().cend(), qPrintable(anchor));
    QVERIFY2(part->title.contains(inTitle), qPrintable(part->title));
    QCOMPARE(manual.pageOf(anchor), part->page);
    QCOMPARE(manual.urlOf(anchor).fragment(), anchor);
    // The page behind the part is really there and has text.
    QVERIFY(pageText(manual, anchor).contains(part->title));
}

void TestManual::anchorsAreUniqueAndPagesHaveAHeading()
{
    const help::Manual manual;
    QVERIFY(manual.pages().size() >= 9);
    QSet<QString> anchors;
    for (const help::Part &part : manual.parts()) {
        QVERIFY2(!anchors.contains(part.anchor), qPrintable(part.anchor));
        anchors.insert(part.anchor);
    }
    for (const QString &page : manual.pages()) {
        const auto first = std::find_if(manual.parts().cbegin(), manual.parts().cend(),
                                        [&](const help::Part &p) { return p.page == page; });
        QVERIFY2(first != manual.parts().cend() && first->level == 1, qPrintable(page));
        QVERIFY2(source(page).contains(QStringLiteral("lang=\"ja\"")), qPrintable(page));
    }
    QVERIFY(manual.pageOf(QStringLiteral("no-such-part")).isEmpty());
    // An unknown part opens the first page rather than nothing.
    QCOMPARE(manual.urlOf(QStringLiteral("no-such-part")), help::Manual::urlOfPage(QStringLiteral("index.html")));
}

void TestManual::everyTopicHasItsPart()
{
    const help::Manual manual;
    using help::Topic;
    for (Topic topic : {Topic::Start, Topic::Journal, Topic::Totals, Topic::Settings, Topic::Search, Topic::Export,
                        Topic::Import, Topic::Hint}) {
        QVERIFY2(!manual.pageOf(help::anchorOf(topic)).isEmpty(), qPrintable(help::anchorOf(topic)));
    }
}

void TestManual::tabsOpenTheirPage_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("page");
    QTest::newRow("日誌") << 0 << QStringLiteral("journal.html");
    QTest::newRow("集計") << 1 << QStringLiteral("totals.html");
    QTest::newRow("設定・情報") << 2 << QStringLiteral("settings.html");
    QTest::newRow("none") << -1 << QStringLiteral("index.html");
}

void TestManual::tabsOpenTheirPage()
{
    QFETCH(int, tab);
    QFETCH(QString, page);
    const help::Manual manual;
    QCOMPARE(manual.pageOf(help::anchorOf(help::topicOfTab(tab))), page);
}

void TestManual::dateKeysAreExplained()
{
    const help::Manual manual;
    const QString text = pageText(manual, QStringLiteral("datekeys"));
    for (const char *key : {"F2", "F4", "Alt+↓", "Delete", "Backspace", "Esc", "Enter"}) {
        QVERIFY2(text.contains(QString::fromUtf8(key)), key);
    }
    const QString modes = pageText(manual, QStringLiteral("calendar-mode"));
    QVERIFY(modes.contains(QStringLiteral("H19/4/4")));
    QVERIFY(modes.contains(QStringLiteral("西暦")));
}

// A verb added to the command line without its line in the manual fails here.
void TestManual::everyVerbIsExplained()
{
    const help::Manual manual;
    const QString text = pageText(manual, QStringLiteral("commandline"));
    QStringList options = {QStringLiteral("--help"), QStringLiteral("--version"), QStringLiteral("--server"),
                           QStringLiteral("--layout")};
    for (const app::Verb &verb : app::verbs()) {
        options << verb.option;
    }
    for (const QString &option : options) {
        const QRegularExpression named(QRegularExpression::escape(option) + QStringLiteral("(?![\\w-])"));
        QVERIFY2(text.contains(named), qPrintable(option));
    }
}

// Every link names a page of the manual and, when it has one, an anchor on that page;
// nothing reaches outside (no web addresses, no scripts).
void TestManual::linksStayInsideTheManual()
{
    const help::Manual manual;
    static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    for (const QString &page : manual.pages()) {
        const QString html = source(page);
        QVERIFY2(!html.contains(QStringLiteral("<script"), Qt::CaseInsensitive), qPrintable(page));
        for (const QRegularExpressionMatch &m : link.globalMatch(html)) {
            const QString target = m.captured(1);
            QVERIFY2(!target.contains(QLatin1Char(':')), qPrintable(page + QStringLiteral(": ") + target));
            const QString file = target.section(QLatin1Char('#'), 0, 0);
            const QString anchor = target.section(QLatin1Char('#'), 1);
            if (file == QLatin1String("manual.css")) {
                continue;
            }
            const QString linked = file.isEmpty() ? page : file;
            QVERIFY2(manual.indexOf(linked) >= 0, qPrintable(page + QStringLiteral(": ") + target));
            if (!anchor.isEmpty()) {
                QCOMPARE(manual.pageOf(anchor), linked);
            }
        }
    }
    QVERIFY(!source(QStringLiteral("manual.css")).isEmpty());
}

void TestManual::searchGoesOnAcrossPagesAndRoundAgain()
{
    const help::Manual manual;
    // 「PostgreSQL」 stands on the data page and the command line's page, not on the first page.
    const QString words = QStringLiteral("postgresql");
    const int total = manual.count(words);
    QVERIFY(total >= 2);

    help::Hit hit = manual.find(words, {});
    QVERIFY(hit.isValid());
    QVERIFY(hit.page > 0);
    QList<help::Hit> seen;
    for (int i = 0; i < total; ++i) {
        QVERIFY(hit.isValid());
        QCOMPARE(manual.text(hit.page).mid(hit.position, hit.length).toLower(), words);
        QVERIFY2(!seen.contains(hit), "a place was found twice before going round");
        if (!seen.isEmpty()) {
            // Forward through the pages, and forward within a page.
            const help::Hit &last = seen.last();
            QVERIFY(hit.page > last.page || (hit.page == last.page && hit.position > last.position));
        }
        seen << hit;
        hit = manual.find(words, hit);
    }
    // After the last place the search starts again at the first.
    QCOMPARE(hit, seen.first());

    // Starting on a later page finds that page's place first.
    const help::Hit fromData = manual.find(words, {manual.indexOf(QStringLiteral("data.html")), 0, 0});
    QCOMPARE(fromData.page, manual.indexOf(QStringLiteral("data.html")));
}

void TestManual::searchBackwardsAndCase()
{
    const help::Manual manual;
    const QString words = QStringLiteral("Ctrl+F");
    const help::Hit first = manual.find(words, {});
    const help::Hit second = manual.find(words, first);
    QVERIFY(first.isValid() && second.isValid());
    QVERIFY(!(first == second));
    QCOMPARE(manual.find(words, second, true), first);
    // Backwards from the first place goes round to the last one.
    const help::Hit last = manual.find(words, first, true);
    QVERIFY(last.isValid());
    QCOMPARE(manual.find(words, last), first);
    // Letters in either case.
    QCOMPARE(manual.find(QStringLiteral("ctrl+f"), {}), first);
    QCOMPARE(manual.count(QStringLiteral("ctrl+f")), manual.count(words));
}

void TestManual::searchForNothingFindsNothing()
{
    const help::Manual manual;
    QVERIFY(!manual.find(QString(), {}).isValid());
    QVERIFY(!manual.find(QStringLiteral("存在しない言葉ＸＹＺ"), {}).isValid());
    QCOMPARE(manual.count(QStringLiteral("存在しない言葉ＸＹＺ")), 0);
}

QTEST_MAIN(TestManual)
#include "test_manual.moc"
