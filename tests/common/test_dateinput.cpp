// The date box logic: reading typed dates, the three views and typing.

#include "common/dateinput.h"

#include <QRandomGenerator>
#include <QTest>

using common::DateInput;
using namespace Qt::StringLiterals;

namespace {

const QString kWest = QStringLiteral("西暦");
const QString kEraMode = QStringLiteral("和暦");

QDate date(int y, int m, int d)
{
    return QDate(y, m, d);
}

// Types `keys` one character at a time; "<" is Backspace.
void typeKeys(DateInput &input, const QString &keys)
{
    for (const QChar c : keys) {
        if (c == u'<') {
            input.backspace();
        } else {
            input.typeText(QString(c));
        }
    }
}

} // namespace

class TestDateInput : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void displayTextReadsBack_data();
    void displayTextReadsBack();
    void views();
    void setDateNumber_data();
    void setDateNumber();
    void typing_data();
    void typing();
    void editLifecycle();
    void unfinishedTyping_data();
    void unfinishedTyping();
    void leavingSetsTypingAside();
    void neverCrashesOnNoise();
};

void TestDateInput::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QDate>("expected"); // invalid: refused

    const QDate no;
    const struct
    {
        const char *name;
        QString text;
        QString mode;
        QDate expected;
    } rows[] = {
        {"yyyymmdd", u"20070404"_s, kWest, date(2007, 4, 4)},
        {"one-digit month and day", u"2007/4/4"_s, kWest, date(2007, 4, 4)},
        {"display pattern", u"2007年04月04日"_s, kWest, date(2007, 4, 4)},
        {"full-width", u"２００７／０４／０４"_s, kWest, date(2007, 4, 4)},
        {"first day", u"18680908"_s, kWest, date(1868, 9, 8)},
        {"day before first", u"18680907"_s, kWest, no},
        {"day after last", u"2100/01/01"_s, kWest, no},
        {"no leap 1900", u"1900/02/29"_s, kWest, no},
        {"february 30", u"2007/02/30"_s, kWest, no},
        {"yyyymmdd february 30", u"20070230"_s, kWest, no},
        {"month 13", u"2007/13/01"_s, kWest, no},
        {"double slash", u"2007//04/04"_s, kWest, no},
        {"trailing letter", u"2007/04/04x"_s, kWest, no},
        {"prompts left", u"2007年04月0_日"_s, kWest, no},
        {"era text in Western mode", u"平成 19年04月04日"_s, kWest, no},
        {"era display pattern", u"平成 19年04月04日"_s, kEraMode, date(2007, 4, 4)},
        {"lower-case initial", u"h19/4/4"_s, kEraMode, date(2007, 4, 4)},
        {"initial yymmdd", u"H190404"_s, kEraMode, date(2007, 4, 4)},
        {"full-width initial", u"Ｈ１９．４．４"_s, kEraMode, date(2007, 4, 4)},
        {"gannen", u"令和元年5月1日"_s, kEraMode, date(2019, 5, 1)},
        {"meiji before range", u"M1/9/7"_s, kEraMode, no},
        {"taisho past its end", u"T15/12/25"_s, kEraMode, no},
        {"showa past its end", u"S64/1/8"_s, kEraMode, no},
        {"heisei before its start", u"H1/1/7"_s, kEraMode, no},
        {"heisei past its end", u"H31/5/1"_s, kEraMode, no},
        {"heisei 32", u"平成 32年01月01日"_s, kEraMode, no},
        {"era year 0", u"平成0年1月1日"_s, kEraMode, no},
        {"reiwa past the range", u"R82/1/1"_s, kEraMode, no},
        {"no era", u"19/04/04"_s, kEraMode, no}, // never the current era by default
        {"Western in era mode", u"2007/04/04"_s, kEraMode, date(2007, 4, 4)},
        {"any other mode is era", u"H19/04/04"_s, QString(), date(2007, 4, 4)},
    };
    for (const auto &row : rows) {
        QTest::newRow(row.name) << row.text << row.mode << row.expected;
    }
}

void TestDateInput::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, mode);
    QFETCH(QDate, expected);
    const auto result = DateInput::parse(text, mode);
    if (expected.isValid()) {
        QVERIFY(result.has_value());
        QCOMPARE(*result, expected);
    } else {
        QVERIFY2(!result, qPrintable(result ? result->toString(Qt::ISODate) : QString()));
    }
}

void TestDateInput::displayTextReadsBack_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("Western") << kWest;
    QTest::newRow("era") << kEraMode;
}

void TestDateInput::displayTextReadsBack()
{
    // Every date shown by a box is read back, and typing it gives the same
    // date: across the range, and on each side of every change of era.
    QFETCH(QString, mode);
    QList<QDate> dates;
    for (QDate d = common::kFirstDate; d <= common::kLastDate; d = d.addDays(97)) {
        dates << d;
    }
    for (const common::Era &era : common::eraTable()) {
        dates << era.first << era.last;
    }
    dates << common::kLastDate;
    QVERIFY(common::eraTable().size() >= 5);

    DateInput input(mode);
    for (const QDate &d : std::as_const(dates)) {
        QVERIFY(input.setValue(d));
        const QString shown = input.displayText();
        QVERIFY2(!shown.isEmpty(), qPrintable(d.toString(Qt::ISODate)));
        QCOMPARE(DateInput::parse(shown, mode), std::optional<QDate>(d));

        input.clearEdit();
        QVERIFY2(input.typeText(shown), qPrintable(shown));
        QCOMPARE(input.editText(), shown);
        QVERIFY(input.setValue(std::nullopt));
        input.clearEdit();
        input.typeText(shown);
        QVERIFY(input.commitEdit());
        QCOMPARE(input.value(), std::optional<QDate>(d));
    }
}

void TestDateInput::views()
{
    DateInput input(kWest);
    QVERIFY(input.isEmpty());
    QVERIFY(input.dateNumber().isNull());
    QCOMPARE(input.displayText(), QString());
    QVERIFY(input.setValue(date(2004, 4, 1)));
    QCOMPARE(input.dateNumber(), QVariant(20040401));
    QCOMPARE(input.displayText(), u"2004年04月01日"_s);
    input.setCalendarMode(kEraMode);
    QCOMPARE(input.displayText(), u"平成 16年04月01日"_s);
    input.setCalendarMode(u"西暦 "_s); // only the exact word selects Western
    QCOMPARE(input.displayText(), u"平成 16年04月01日"_s);
    QCOMPARE(input.calendarTitlePattern(), u"ggg ee年mm月"_s);
    QVERIFY(!input.setValue(date(1868, 9, 7)));
    QVERIFY(!input.setValue(date(2100, 1, 1)));
    QVERIFY(!input.setValue(QDate()));
    QCOMPARE(input.value(), std::optional<QDate>(date(2004, 4, 1)));
}

void TestDateInput::setDateNumber_data()
{
    QTest::addColumn<QVariant>("number");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QDate>("after"); // invalid: the box is empty

    const QDate before = date(2000, 1, 1);
    QTest::newRow("int") << QVariant(20040401) << true << date(2004, 4, 1);
    QTest::newRow("whole double") << QVariant(20991231.0) << true << date(2099, 12, 31);
    QTest::newRow("null") << QVariant() << true << QDate();
    QTest::newRow("typed null") << QVariant(QMetaType::fromType<int>()) << true << QDate();
    QTest::newRow("seven digits") << QVariant(u"2004041"_s) << false << before;
    QTest::newRow("ISO text") << QVariant(u"2004-04-01"_s) << false << before;
    QTest::newRow("april 31") << QVariant(20040431) << false << before;
    QTest::newRow("before range") << QVariant(18680907) << false << before;
    QTest::newRow("fraction") << QVariant(20040401.5) << false << before;
    QTest::newRow("list") << QVariant(QStringList{u"20040401"_s}) << false << before;
}

void TestDateInput::setDateNumber()
{
    QFETCH(QVariant, number);
    QFETCH(bool, accepted);
    QFETCH(QDate, after);
    DateInput input(kWest);
    QVERIFY(input.setValue(date(2000, 1, 1)));
    QCOMPARE(input.setDateNumber(number), accepted);
    QCOMPARE(input.value(), after.isValid() ? std::optional<QDate>(after) : std::nullopt);
    QCOMPARE(input.dateNumber().isNull(), !after.isValid());
    if (after.isValid()) {
        QCOMPARE(input.dateNumber().toString(), after.toString(u"yyyyMMdd"_s));
    }
}

void TestDateInput::typing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("keys"); // typed one by one; "<" is Backspace
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QDate>("committed"); // invalid: refused, or empty when nothing is left

    const QDate no;
    QTest::newRow("nothing typed") << kWest << QString() << u"____年__月__日"_s << 0 << no;
    QTest::newRow("eight digits") << kWest << u"20070404"_s << u"2007年04月04日"_s << 11 << date(2007, 4, 4);
    QTest::newRow("month 4 closes itself") << kWest << u"20074"_s << u"2007年04月__日"_s << 8 << no;
    QTest::newRow("one-digit day taken") << kWest << u"2007年2月3"_s << u"2007年02月3_日"_s << 9 << date(2007, 2, 3);
    QTest::newRow("month 13 refused") << kWest << u"200713"_s << u"2007年1_月__日"_s << 6 << no;
    QTest::newRow("day 32 refused") << kWest << u"20071232"_s << u"2007年12月3_日"_s << 9 << date(2007, 12, 3);
    QTest::newRow("february 30 refused") << kWest << u"20070230"_s << u"2007年02月30日"_s << 11 << no;
    QTest::newRow("backspace across fields") << kWest << u"20070404<<<"_s << u"2007年0_月__日"_s << 6 << no;
    QTest::newRow("backspace to empty") << kWest << u"2<<"_s << u"____年__月__日"_s << 0 << no;
    QTest::newRow("era initial") << kEraMode << u"h19/4/4"_s << u"平成 19年04月04日"_s << 12 << date(2007, 4, 4);
    QTest::newRow("era gannen") << kEraMode << u"R元5/1"_s << u"令和 01年05月1_日"_s << 10 << date(2019, 5, 1);
    QTest::newRow("era replaced") << kEraMode << u"HS1/"_s << u"昭和 01年__月__日"_s << 6 << no;
    QTest::newRow("era 32 refused") << kEraMode << u"H32/1/1"_s << u"平成 32年01月1_日"_s << 10 << no;
    QTest::newRow("era year 00 refused") << kEraMode << u"H00"_s << u"平成 0_年__月__日"_s << 4 << no;
    QTest::newRow("Western in era mode") << kEraMode << u"20070404"_s << u"2007年04月04日"_s << 11 << date(2007, 4, 4);
    QTest::newRow("era backspace to empty") << kEraMode << u"H1<<"_s << u"__ __年__月__日"_s << 0 << no;
    QTest::newRow("era name in Western mode") << kWest << u"平成"_s << u"____年__月__日"_s << 0 << no;
}

void TestDateInput::typing()
{
    QFETCH(QString, mode);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(int, cursor);
    QFETCH(QDate, committed);

    DateInput input(mode);
    input.clearEdit();
    typeKeys(input, keys);
    QCOMPARE(input.editText(), shown);
    QCOMPARE(input.editCursor(), cursor);
    const bool empty = input.isEditEmpty();
    QCOMPARE(input.commitEdit(), committed.isValid() || empty);
    QCOMPARE(input.value(), committed.isValid() ? std::optional<QDate>(committed) : std::nullopt);
    if (!committed.isValid() && !empty) {
        QCOMPARE(input.editText(), shown); // kept for correction
    }
}

void TestDateInput::editLifecycle()
{
    DateInput input(kEraMode);
    QVERIFY(input.setValue(date(2007, 4, 4)));
    input.beginEdit();
    QVERIFY(input.isFresh());
    QCOMPARE(input.editText(), u"平成 19年04月04日"_s);
    QVERIFY(!input.typeText(u"x"_s)); // refused keys leave the fresh edit alone
    QCOMPARE(input.editText(), u"平成 19年04月04日"_s);
    QVERIFY(input.commitEdit());
    QCOMPARE(input.value(), std::optional<QDate>(date(2007, 4, 4)));

    // The first key replaces the held date; a text arrives whole or not at all.
    QVERIFY(input.typeText(u"r2"_s));
    QVERIFY(!input.typeText(u"/3x"_s));
    QCOMPARE(input.editText(), u"令和 2_年__月__日"_s);
    QVERIFY(input.typeText(u"／０２／３０"_s));
    QVERIFY(!input.commitEdit()); // no such day: the date stays, never March 1st
    QCOMPARE(input.value(), std::optional<QDate>(date(2007, 4, 4)));
    input.backspace();
    input.backspace();
    QVERIFY(input.typeText(u"29"_s));
    QVERIFY(input.commitEdit());
    QCOMPARE(input.value(), std::optional<QDate>(date(2020, 2, 29)));

    // A mode change starts the edit again from the held date.
    input.beginEdit();
    QVERIFY(input.typeText(u"1999"_s));
    input.setCalendarMode(kWest);
    QCOMPARE(input.editText(), u"2020年02月29日"_s);

    // Backspace on the fresh edit empties it, and so the box.
    input.backspace();
    QCOMPARE(input.editText(), u"____年__月__日"_s);
    QVERIFY(input.commitEdit());
    QVERIFY(input.isEmpty());
}

void TestDateInput::unfinishedTyping_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("unfinished");
    QTest::newRow("a day digit short") << kWest << u"2007050"_s << true;
    QTest::newRow("no such day") << kWest << u"20070230"_s << true;
    QTest::newRow("beyond the last day") << kWest << u"21000101"_s << true;
    QTest::newRow("an era alone") << kEraMode << u"H"_s << true;
    QTest::newRow("complete") << kWest << u"20070501"_s << false;
    QTest::newRow("complete, era") << kEraMode << u"H190501"_s << false;
    QTest::newRow("typed and taken back") << kWest << u"2007<<<<"_s << false; // empties the box
}

// What a command must not act on: typing that is no complete, existing date.
void TestDateInput::unfinishedTyping()
{
    QFETCH(QString, mode);
    QFETCH(QString, keys);
    QFETCH(bool, unfinished);
    DateInput input(mode);
    QVERIFY(input.setValue(date(2007, 4, 4)));
    QVERIFY(!input.holdsUnfinishedTyping()); // the held date, fresh
    typeKeys(input, keys);
    QCOMPARE(input.holdsUnfinishedTyping(), unfinished);
    QCOMPARE(input.unfinishedText(), input.editText());
    QCOMPARE(input.commitEdit(), !unfinished);
}

void TestDateInput::leavingSetsTypingAside()
{
    DateInput input(kWest);
    QVERIFY(input.setValue(date(2007, 4, 4)));
    typeKeys(input, u"2007050"_s);
    QVERIFY(!input.leaveEdit());
    // The held date shows again; the typing waits aside, unchanged.
    QCOMPARE(input.value(), std::optional<QDate>(date(2007, 4, 4)));
    QVERIFY(input.isFresh());
    QCOMPARE(input.editText(), u"2007年04月04日"_s);
    QVERIFY(input.hasTypingAside());
    QVERIFY(input.holdsUnfinishedTyping());
    QCOMPARE(input.unfinishedText(), u"2007年05月0_日"_s);
    QVERIFY(input.commitEdit()); // a fresh commit does not throw it away
    QVERIFY(input.hasTypingAside());

    // Brought back, it is corrected where it stopped.
    input.resumeEdit();
    QVERIFY(!input.hasTypingAside());
    QCOMPARE(input.editText(), u"2007年05月0_日"_s);
    QVERIFY(input.typeText(u"6"_s));
    QVERIFY(input.leaveEdit());
    QCOMPARE(input.value(), std::optional<QDate>(date(2007, 5, 6)));
    QVERIFY(!input.holdsUnfinishedTyping());

    // Anything that replaces the typing throws the kept typing away.
    const auto setAside = [&] {
        input.beginEdit();
        QVERIFY(input.typeText(u"20070230"_s));
        QVERIFY(!input.leaveEdit());
        QVERIFY(input.hasTypingAside());
    };
    setAside();
    QVERIFY(input.setValue(date(2008, 1, 1)));
    QVERIFY(!input.holdsUnfinishedTyping());
    setAside();
    input.beginEdit(); // Escape
    QVERIFY(!input.holdsUnfinishedTyping());
    setAside();
    QVERIFY(input.typeText(u"2009"_s));
    QVERIFY(!input.hasTypingAside());
    setAside();
    input.setCalendarMode(kEraMode);
    QVERIFY(!input.holdsUnfinishedTyping());
    QCOMPARE(input.value(), std::optional<QDate>(date(2008, 1, 1)));
}

void TestDateInput::neverCrashesOnNoise()
{
    // Random texts from the characters a date is made of, and some that it
    // is not: nothing but a date in range is ever read, and typing keeps the
    // cursor inside the shown text.
    const QString alphabet =
        u"0123456789/-.年月日 元平成令和昭大正明治HhRrSsTtMmXx_,０９／Ｈ㍻\u3000\u00a0\U0001F600"_s;
    QRandomGenerator random(20070404);
    for (int round = 0; round < 4000; ++round) {
        QString text;
        const int length = int(random.bounded(24));
        for (int i = 0; i < length; ++i) {
            text += alphabet.at(qsizetype(random.bounded(int(alphabet.size()))));
        }
        for (const QString &mode : {kWest, kEraMode}) {
            const auto parsed = DateInput::parse(text, mode);
            if (parsed) {
                QVERIFY2(DateInput::inRange(*parsed), qPrintable(text));
            }
            DateInput input(mode);
            input.clearEdit();
            input.typeText(text);
            typeKeys(input, text);
            const int cursor = input.editCursor();
            QVERIFY2(cursor >= 0 && cursor <= input.editText().size(), qPrintable(text));
            input.commitEdit();
            QVERIFY(!input.value() || DateInput::inRange(*input.value()));
        }
    }
    QVERIFY(!DateInput::parse(QString(100000, u'9'), kEraMode));
    QVERIFY(!DateInput::parse(QString(10000, u'平'), kEraMode));
}

QTEST_GUILESS_MAIN(TestDateInput)
#include "test_dateinput.moc"
