// The excerpt of a day's text: matched in the search form, marked on the
// characters the user wrote, cut to one line around the first match.

#include "search/excerpt.h"

#include "store/search.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The line with each mark in brackets.
QString shown(const search::Excerpt &excerpt)
{
    QString line = excerpt.line;
    for (qsizetype k = excerpt.marks.size() - 1; k >= 0; --k) {
        const search::Mark &mark = excerpt.marks.at(k);
        line.insert(mark.start + mark.length, u']');
        line.insert(mark.start, u'[');
    }
    return line;
}

// The excerpt of the text as characters; the one made from its UTF-8, as the
// store hands texts over, must be the same.
QString excerptOf(const QString &text, const QString &typed, qsizetype width = 60)
{
    const QStringList words = store::searchWords(typed);
    const QString fromText = shown(search::makeExcerpt(text, words, width));
    const QString fromUtf8 = shown(search::makeExcerpt(QByteArrayView(text.toUtf8()), words, width));
    return fromText == fromUtf8 ? fromText : u"UTF-8 gave "_s + fromUtf8 + u" for "_s + fromText;
}

} // namespace

class TestExcerpt : public QObject
{
    Q_OBJECT

private slots:
    void marksLandOnTheOriginalCharacters_data();
    void marksLandOnTheOriginalCharacters();
    void lineAroundTheFirstMatch_data();
    void lineAroundTheFirstMatch();
    void longTextsCutWhereTheFormCannotJoin_data();
    void longTextsCutWhereTheFormCannotJoin();
    void kanjiWordsFormedFromNearWhereWritten_data();
    void kanjiWordsFormedFromNearWhereWritten();
};

void TestExcerpt::marksLandOnTheOriginalCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("marked");
    QTest::newRow("株 inside ㈱") << u"㈱山田商店"_s << u"株"_s << u"[㈱]山田商店"_s;
    QTest::newRow("(株) is ㈱") << u"㈱山田商店と(株)川村"_s << u"(株)"_s << u"[㈱]山田商店と[(株)]川村"_s;
    QTest::newRow("ガス in half-width kana") << u"ｶﾞｽ代を払う"_s << u"ガス"_s << u"[ｶﾞｽ]代を払う"_s;
    QTest::newRow("widths and case") << u"ＡＢＣ商事とAbc社"_s << u"abc"_s << u"[ＡＢＣ]商事と[Abc]社"_s;
    QTest::newRow("several words") << u"雨のち晴れ、Invoice No.１２３"_s << u"晴れ　INVOICE 123"_s
                                   << u"雨のち[晴れ]、[Invoice] No.[１２３]"_s;
    QTest::newRow("a combining accent") << u"Cafe\u0301 au lait"_s << u"café"_s << u"[Cafe\u0301] au lait"_s;
    QTest::newRow("plain Japanese text") << u"仕入先へ請求書を送付、請求書の控え"_s << u"請求書"_s
                                         << u"仕入先へ[請求書]を送付、[請求書]の控え"_s;
    QTest::newRow("plain text around a shortened piece")
        << u"請求書とｶﾞｽ代と請求書"_s << u"請求書 ガス"_s << u"[請求書]と[ｶﾞｽ]代と[請求書]"_s;
    QTest::newRow("a kana with a combining voiced mark") << u"かき\u3099り"_s << u"ぎ"_s << u"か[き\u3099]り"_s;
    QTest::newRow("capitals are folded") << u"ABC請求"_s << u"abc"_s << u"[ABC]請求"_s;
    QTest::newRow("beyond the BMP") << u"𠮷野家で昼食"_s << u"𠮷野"_s << u"[𠮷野]家で昼食"_s;
    QTest::newRow("overlapping matches") << u"ああああ"_s << u"あああ"_s << u"[ああああ]"_s;
}

void TestExcerpt::marksLandOnTheOriginalCharacters()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QFETCH(QString, marked);
    QCOMPARE(excerptOf(text, words), marked);
}

void TestExcerpt::lineAroundTheFirstMatch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("line");
    const QString before(100, u'あ');
    const QString after(100, u'い');
    QTest::newRow("cut on both sides") << before + u"目印"_s + after << u"目印"_s << 20
                                       << u"…"_s + QString(5, u'あ') + u"[目印]"_s + QString(13, u'い') + u"…"_s;
    QTest::newRow("near the end") << before + u"目印"_s << u"目印"_s << 20 << u"…"_s + QString(18, u'あ') + u"[目印]"_s;
    QTest::newRow("from the start of the match's line")
        << before + u"\r\n今日の目印"_s + after << u"目印"_s << 20 << u"…今日の[目印]"_s + QString(15, u'い') + u"…"_s;
    QTest::newRow("breaks and tabs as one blank each")
        << u"一行目\r\n二行目の雨\n三行\t目"_s << u"雨"_s << 60 << u"一行目 二行目の[雨] 三行 目"_s;
    QTest::newRow("no match: the start") << after << u"目印"_s << 10 << QString(10, u'い') + u"…"_s;
    // Long texts are put in their search form only as far as the line needs.
    QTest::newRow("match far into a long text")
        << QString(1000, u'あ') + u"目印"_s + after << u"目印"_s << 20
        << u"…"_s + QString(5, u'あ') + u"[目印]"_s + QString(13, u'い') + u"…"_s;
    QTest::newRow("every match of the line marked in a long text")
        << QString(500, u'あ') + u"目印い目印"_s + QString(1000, u'い') + u"目印"_s << u"目印"_s << 20
        << u"…"_s + QString(5, u'あ') + u"[目印]い[目印]"_s + QString(10, u'い') + u"…"_s;
    QTest::newRow("half-width voiced kana where the form is cut")
        << QString(255, u'あ') + u"ｶﾞ"_s + QString(300, u'い') + u"カ"_s << u"カ"_s << 20
        << u"…"_s + QString(19, u'い') + u"[カ]"_s;
    QTest::newRow("a long text without a match")
        << QString(3000, u'い') << u"目印"_s << 10 << QString(10, u'い') + u"…"_s;
}

void TestExcerpt::lineAroundTheFirstMatch()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QFETCH(int, width);
    QFETCH(QString, line);
    QCOMPARE(excerptOf(text, words, width), line);
}

void TestExcerpt::longTextsCutWhereTheFormCannotJoin_data()
{
    // Texts longer than the part an excerpt looks at first, the match placed
    // about the places where the UTF-8 path cuts its parts (256 and 1,024
    // characters for a line of 60).
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("marked");
    const QString kana = u"ﾀﾞｲﾚｸﾄﾒｰﾙ "_s; // 11 units, shorter in the form
    const QString pad = QString(2000, u'あ');
    for (const int at : {0, 100, 180, 200, 250, 255, 256, 257, 300, 900, 1020, 1030, 1500, 1990}) {
        QString text = pad;
        text.replace(at, 3, u"請求書"_s);
        const int lead = std::min(at, 15); // a quarter of the line before the match
        const QString line = (at > lead ? u"…"_s : QString()) + QString(lead, u'あ') + u"[請求書]"_s +
                             QString(60 - lead - 3, u'あ') + u"…"_s;
        QTest::addRow("plain, at %d", at) << text << u"請求書"_s << (at >= 1990 ? QString() : line);
    }
    for (const int repeat : {10, 23, 24, 25, 90, 95, 150}) {
        const QString text = kana.repeated(repeat) + u"ｾｲｷｭｳｼｮと請求書"_s + QString(1000, u'い');
        QTest::addRow("half-width kana, %d times before", repeat) << text << u"セイキュウショ 請求書"_s << QString();
    }
    // A voiced mark that would be cut off its kana at the part's end.
    for (const int before : {250, 254, 255, 256, 1020, 1023}) {
        const QString text = QString(before, u'う') + u"ｶﾞｽ代"_s + QString(1500, u'え');
        QTest::addRow("ｶﾞ about a cut, %d before", before) << text << u"ガス"_s << QString();
    }
    // The word as typed further on than the form's first match, or written
    // where the form does not hold it.
    QTest::newRow("half-width first, as typed later")
        << QString(300, u'く') + u"ｶﾞｽ代"_s + QString(900, u'け') + u"ガス代"_s + QString(300, u'こ') << u"ガス"_s
        << u"…"_s + QString(15, u'く') + u"[ｶﾞｽ]代"_s + QString(41, u'け') + u"…"_s;
    QTest::newRow("as typed but joined to a mark")
        << QString(300, u'さ') + u"カ\u3099ス"_s + QString(900, u'し') + u"カス"_s + QString(300, u'す') << u"カス"_s
        << u"…"_s + QString(15, u'し') + u"[カス]"_s + QString(43, u'す') + u"…"_s;
    QTest::newRow("beyond the BMP near the end") << QString(1990, u'お') + u"𠮷野家𠮷𠮷𠮷"_s << u"野家"_s << QString();
    QTest::newRow("line breaks before a late match")
        << QString(600, u'か') + u"\r\n\r\n山田様\n"_s + QString(600, u'き') << u"山田様"_s
        << u"…[山田様] "_s + QString(56, u'き') + u"…"_s;
}

void TestExcerpt::longTextsCutWhereTheFormCannotJoin()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QFETCH(QString, marked);
    const QString excerpt = excerptOf(text, words);
    QVERIFY2(!excerpt.startsWith(u"UTF-8 gave"_s), qPrintable(excerpt));
    QVERIFY2(excerpt.contains(u'['), qPrintable(excerpt));
    if (!marked.isEmpty()) {
        QCOMPARE(excerpt, marked);
    }
}

void TestExcerpt::kanjiWordsFormedFromNearWhereWritten_data()
{
    // Words of kanji: the UTF-8 path forms a text only from a little before
    // the word as written when nothing before it can become kanji.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("marked");
    const QString before(100, u'あ');
    const QString after(100, u'い');
    QTest::newRow("another word runs on into the written one")
        << before + u"本請求\u2F47"_s + after << u"請求 本請求日"_s
        << u"…"_s + QString(15, u'あ') + u"[本請求\u2F47]"_s + QString(41, u'い') + u"…"_s;
    QTest::newRow("a short text: the line reaches back from its end")
        << QString(80, u'あ') + u"請求"_s + QString(5, u'い') << u"請求"_s
        << u"…"_s + QString(53, u'あ') + u"[請求]"_s + QString(5, u'い');
    QTest::newRow("a short text ending beyond the BMP")
        << QString(70, u'あ') + u"請求"_s + u"𠮷"_s.repeated(5) << u"請求"_s
        << u"…"_s + QString(48, u'あ') + u"[請求]"_s + u"𠮷"_s.repeated(5);
    QTest::newRow("a sign before that forms a kanji")
        << u"㈱"_s + QString(30, u'あ') + u"請求"_s + after << u"株 請求"_s
        << u"[㈱]"_s + QString(30, u'あ') + u"[請求]"_s + QString(27, u'い') + u"…"_s;
    QTest::newRow("a compatibility ideograph before the written word")
        << before + u"\uF9FB"_s + before + u"請求"_s + after << u"請求 炙"_s
        << u"…"_s + QString(15, u'あ') + u"[\uF9FB]"_s + QString(44, u'あ') + u"…"_s;
    QTest::newRow("half-width kana and capitals before, from the line's start")
        << u"伝票No.123 ﾀﾞｲﾚｸﾄﾒｰﾙ"_s.repeated(20) + u"\r\n仕入先へ請求書"_s + after << u"請求"_s
        << u"…仕入先へ[請求]書"_s + QString(53, u'い') + u"…"_s;
    QTest::newRow("a voiced mark where the form would start")
        << QString(50, u'あ') + u"か\u3099"_s + QString(17, u'う') + u"請求"_s + after << u"請求"_s
        << u"…"_s + QString(15, u'う') + u"[請求]"_s + QString(43, u'い') + u"…"_s;
    QTest::newRow("the written word followed by a mark")
        << before + u"請求\u3099"_s + before + u"請求"_s + after << u"請求"_s
        << u"…"_s + QString(15, u'あ') + u"[請求\u3099]"_s + QString(42, u'あ') + u"…"_s;
    QTest::newRow("two words, the later one written first")
        << before + u"書類"_s + before + u"請求"_s + after << u"請求 書類"_s
        << u"…"_s + QString(15, u'あ') + u"[書類]"_s + QString(43, u'あ') + u"…"_s;
}

void TestExcerpt::kanjiWordsFormedFromNearWhereWritten()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QFETCH(QString, marked);
    const QString excerpt = excerptOf(text, words);
    QVERIFY2(!excerpt.startsWith(u"UTF-8 gave"_s), qPrintable(excerpt));
    QVERIFY2(excerpt.contains(u'['), qPrintable(excerpt));
    if (!marked.isEmpty()) {
        QCOMPARE(excerpt, marked);
    }
}

QTEST_GUILESS_MAIN(TestExcerpt)
#include "test_excerpt.moc"
