// The number box rules: limits, grouping while typing, refused keystrokes.

#include "common/amountinput.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using common::AmountInput;
using namespace Qt::StringLiterals;

namespace {

AmountInput rulesNamed(const QString &name)
{
    return name == u"colour"_s ? AmountInput::colourNumber() : AmountInput::amount();
}

} // namespace

class TestAmountInput : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void keystroke_data();
    void keystroke();
    void removal_data();
    void removal();
    void editedTextsAreAlwaysWellFormed();
};

void TestAmountInput::format_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<bool>("hasValue");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no value") << u"amount"_s << false << qint64(0) << QString();
    QTest::newRow("four digits") << u"amount"_s << true << qint64(1000) << u"1,000"_s;
    QTest::newRow("millions") << u"amount"_s << true << qint64(1234567) << u"1,234,567"_s;
    QTest::newRow("negative") << u"amount"_s << true << qint64(-1500) << u"-1,500"_s;
    QTest::newRow("largest") << u"amount"_s << true << qint64(9'999'999'999) << u"9,999,999,999"_s;
    QTest::newRow("smallest") << u"amount"_s << true << qint64(-9'999'999'999) << u"-9,999,999,999"_s;
    QTest::newRow("colour white") << u"colour"_s << true << qint64(16777215) << u"16777215"_s;
    QTest::newRow("colour largest") << u"colour"_s << true << qint64(999'999'999) << u"999999999"_s;
}

void TestAmountInput::format()
{
    QFETCH(QString, rules);
    QFETCH(bool, hasValue);
    QFETCH(qint64, value);
    QFETCH(QString, expected);
    const AmountInput input = rulesNamed(rules);
    const auto v = hasValue ? std::optional<qint64>(value) : std::nullopt;
    QCOMPARE(input.format(v), expected);
    QCOMPARE(input.valueOf(expected), v); // the text reads back
}

void TestAmountInput::keystroke_data()
{
    // `typed` goes in at `cursor`, as a key or a paste would put it.
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursorAfter");

    const QString amount = u"amount"_s;
    const QString colour = u"colour"_s;
    QTest::newRow("fourth digit groups") << amount << u"123"_s << 3 << u"4"_s << true << u"1,234"_s << 5;
    QTest::newRow("seventh digit") << amount << u"123,456"_s << 7 << u"7"_s << true << u"1,234,567"_s << 9;
    QTest::newRow("digit after comma") << amount << u"1,234"_s << 2 << u"9"_s << true << u"19,234"_s << 2;
    QTest::newRow("letter") << amount << u"12"_s << 2 << u"a"_s << false << u"12"_s << 2;
    QTest::newRow("decimal point") << amount << u"12"_s << 2 << u"."_s << false << u"12"_s << 2;
    QTest::newRow("lone minus") << amount << QString() << 0 << u"-"_s << true << u"-"_s << 1;
    QTest::newRow("digits after minus") << amount << u"-"_s << 1 << u"1500"_s << true << u"-1,500"_s << 6;
    QTest::newRow("minus behind digits") << amount << u"15"_s << 2 << u"-"_s << false << u"15"_s << 2;
    QTest::newRow("minus zero waits") << amount << u"-"_s << 1 << u"0"_s << true << u"-0"_s << 2;
    QTest::newRow("tenth digit") << amount << u"999,999,999"_s << 11 << u"9"_s << true << u"9,999,999,999"_s << 13;
    QTest::newRow("eleventh digit") << amount << u"9,999,999,999"_s << 13 << u"0"_s << false << u"9,999,999,999"_s
                                    << 13;
    QTest::newRow("over the limit in front")
        << amount << u"1,000,000,000"_s << 0 << u"9"_s << false << u"1,000,000,000"_s << 0;
    QTest::newRow("below the lowest") << amount << u"-9,999,999,999"_s << 14 << u"9"_s << false << u"-9,999,999,999"_s
                                      << 14;
    QTest::newRow("leading zero goes") << amount << u"0"_s << 1 << u"7"_s << true << u"7"_s << 1;
    QTest::newRow("full-width digits") << amount << QString() << 0 << u"１２３４"_s << true << u"1,234"_s << 5;
    QTest::newRow("pasted too long") << amount << QString() << 0 << u"12345678901"_s << false << QString() << 0;
    QTest::newRow("pasted past qint64") << amount << QString() << 0 << u"9223372036854775808"_s << false << QString()
                                        << 0;
    QTest::newRow("colour tenth digit") << colour << u"999999999"_s << 9 << u"9"_s << false << u"999999999"_s << 9;
    QTest::newRow("colour minus") << colour << QString() << 0 << u"-"_s << false << QString() << 0;
}

void TestAmountInput::keystroke()
{
    QFETCH(QString, rules);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, after);
    QFETCH(int, cursorAfter);

    const AmountInput input = rulesNamed(rules);
    QString text = before;
    text.insert(cursor, typed);
    int pos = cursor + int(typed.size());
    const bool ok = input.edit(text, pos);
    QCOMPARE(ok, accepted);
    if (ok) {
        QCOMPARE(text, after);
        QCOMPARE(pos, cursorAfter);
    } else {
        // A refused change is the box's old text: the line edit puts it back.
        QCOMPARE(before, after);
    }
}

void TestAmountInput::removal_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursorAfter");
    QTest::newRow("last digit") << u"1,234"_s << 4 << 1 << u"123"_s << 3;
    QTest::newRow("digit regroups") << u"1,234,567"_s << 3 << 1 << u"124,567"_s << 2;
    QTest::newRow("comma alone comes back") << u"1,234"_s << 1 << 1 << u"1,234"_s << 1;
    QTest::newRow("digits behind minus") << u"-1,500"_s << 1 << 5 << u"-"_s << 1;
}

void TestAmountInput::removal()
{
    QFETCH(QString, before);
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(QString, after);
    QFETCH(int, cursorAfter);
    QString text = before;
    text.remove(from, count);
    int pos = from;
    QVERIFY(AmountInput::amount().edit(text, pos));
    QCOMPARE(text, after);
    QCOMPARE(pos, cursorAfter);
}

void TestAmountInput::editedTextsAreAlwaysWellFormed()
{
    // Whatever is typed or pasted, an accepted text is empty, a lone minus,
    // or a value in range shown as format() shows it, with the cursor inside.
    const QString alphabet = u"0123456789-,. a+１－\u00a0\U0001F600"_s;
    const QRegularExpression grouped(u"^-?(0|[1-9]\\d{0,2}(,\\d{3})*)$"_s);
    const QRegularExpression plain(u"^(0|[1-9]\\d*)$"_s);
    QRandomGenerator random(1234567);
    for (const AmountInput &input : {AmountInput::amount(), AmountInput::colourNumber()}) {
        const bool isAmount = input.minimum() < 0;
        for (int round = 0; round < 5000; ++round) {
            QString text;
            const int length = int(random.bounded(20));
            for (int i = 0; i < length; ++i) {
                text += alphabet.at(qsizetype(random.bounded(int(alphabet.size()))));
            }
            int cursor = int(random.bounded(length + 1));
            if (!input.edit(text, cursor)) {
                continue;
            }
            QVERIFY2(cursor >= 0 && cursor <= text.size(), qPrintable(text));
            if (text.isEmpty() || text == u"-"_s || text == u"-0"_s) {
                QVERIFY(isAmount || text.isEmpty());
                continue;
            }
            QVERIFY2((isAmount ? grouped : plain).match(text).hasMatch(), qPrintable(text));
            const auto value = input.valueOf(text);
            QVERIFY2(value && input.inRange(*value), qPrintable(text));
            QCOMPARE(input.format(value), text);
        }
    }
}

QTEST_GUILESS_MAIN(TestAmountInput)
#include "test_amountinput.moc"
