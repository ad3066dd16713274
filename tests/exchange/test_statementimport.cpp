// Other people's files into the journal: the date and amount forms of bank
// statements and hand-kept sheets, kept import layouts (a damaged file never
// written over), a statement's rows summed by day, days added to, and two
// sample statements through `zephra --import-csv --layout`.

#include "exchange/csvimport.h"
#include "exchange/importlayout.h"
#include "exchange/valueforms.h"
#include "exportfixture.h"

#include "support/openstore.h"
#include "support/sqlfile.h"

#include <QStringEncoder>

using namespace exporttest;
using namespace Qt::StringLiterals;
using exchange::ExistingDays;

Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

// A function, not a constant: the calendar's bounds are themselves constants
// of another file, not yet made when this file's constants are.
store::Period everyDay()
{
    return {common::kFirstDate, common::kLastDate};
}

QStringList journalOf(store::Store &store)
{
    QStringList lines;
    const store::DbError error = store.forEachRecord(everyDay(), [&](const store::JournalRecord &record) {
        QStringList parts{record.date.toString(Qt::ISODate)};
        for (const store::AmountColumn column : store::kAmountColumns) {
            parts.append(record.amounts[column] ? QString::number(*record.amounts[column]) : u"-"_s);
        }
        parts.append(u"[%1]"_s.arg(record.text));
        lines.append(parts.join(u'|'));
        return true;
    });
    return error ? QStringList{u"unreadable"_s} : lines;
}

// A bank's statement in Shift_JIS: account lines above the header, 支払 and 預入 apart, 和暦 dates.
QByteArray bankStatement()
{
    const QString text = u"口座番号,1234567\r\n"
                         u"期間,2021/05/01～2021/05/31\r\n"
                         u"\r\n"
                         u"取引日,摘要,支払,預入,残高\r\n"
                         u"R3.5.2,ATM,\"1,000\",,\"99,000\"\r\n"
                         u"R3.5.2,振込 ヤマダ,,\"25,000\",\"124,000\"\r\n"
                         u"R3.5.2,電気代,\"3,210\",,\"120,790\"\r\n"
                         u"R3.5.6,カード,\"12,000\",,\"108,790\"\r\n"_s;
    QStringEncoder encoder("Shift_JIS");
    return encoder(text);
}

exchange::ImportLayout bankLayout()
{
    exchange::ImportLayout layout;
    layout.name = u"○○銀行 普通預金"_s;
    layout.dateColumn = u"取引日"_s;
    layout.amountColumns = {{store::AmountColumn::MoneyOut, u"支払"_s}, {store::AmountColumn::MoneyIn, u"預入"_s}};
    layout.textColumns = {u"摘要"_s};
    return layout;
}

// A shop's own sheet in UTF-8: one signed column with △ and ¥, dates as 2021年5月2日.
QByteArray signedSheet()
{
    return u"日にち,内容,金額,メモ\n"
           u"2021年5月2日,売上 現金,\"¥12,500\",\n"
           u"2021年5月2日,仕入 野菜,\"△¥3,000\",朝市\n"
           u"2021年5月3日,家賃,\"△80,000\",\n"
           u"2021年5月3日,返金,(500),\n"_s.toUtf8();
}

exchange::ImportLayout signedLayout()
{
    exchange::ImportLayout layout;
    layout.name = u"手書きの出納帳"_s;
    layout.dateColumn = u"日にち"_s;
    layout.signedColumn = u"金額"_s;
    layout.textColumns = {u"内容"_s, u"メモ"_s};
    return layout;
}

struct Target : ExportFolder
{
    QString file() const { return out.filePath(u"statement.csv"_s); }

    exchange::ImportPreview preview(const QByteArray &bytes, const exchange::ImportLayout &layout)
    {
        common::NoProgress quiet;
        if (!writeAll(file(), bytes)) {
            return {};
        }
        return exchange::previewCsvImport(*store, file(), std::nullopt, layout, quiet);
    }
};

} // namespace

class TestStatementImport : public QObject
{
    Q_OBJECT

private slots:
    void datesRead_data();
    void datesRead();
    void amountsRead_data();
    void amountsRead();
    void layoutsKeptAndDamagedFileLeftAlone();
    void headerFoundBelowAccountLines();
    void statementRowsSummedByDay_data();
    void statementRowsSummedByDay();
    void existingDaysKeptReplacedOrAddedTo();
    void dayBeyondLimitsRefused();
    void commandLineWithKeptLayout();
};

void TestStatementImport::datesRead_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QDate>("date"); // invalid: refused
    QTest::addColumn<QString>("reason");
    const QDate may2(2021, 5, 2);
    QTest::newRow("slashes") << u"2021/5/2"_s << may2 << QString();
    QTest::newRow("hyphens") << u"2021-05-02"_s << may2 << QString();
    QTest::newRow("kanji") << u"2021年5月2日"_s << may2 << QString();
    QTest::newRow("number") << u"20210502"_s << may2 << QString();
    QTest::newRow("era dots") << u"R3.5.2"_s << may2 << QString();
    QTest::newRow("era slashes, lower case") << u"r3/5/2"_s << may2 << QString();
    QTest::newRow("era name") << u"令和3年5月2日"_s << may2 << QString();
    QTest::newRow("full width and blanks") << u"　令和３年５月２日 "_s << may2 << QString();
    QTest::newRow("full-width era initial") << u"Ｈ３１．４．３０"_s << QDate(2019, 4, 30) << QString();
    QTest::newRow("元年") << u"平成元年1月8日"_s << QDate(1989, 1, 8) << QString();
    QTest::newRow("明治's first day") << u"明治元年9月8日"_s << QDate(1868, 9, 8) << QString();
    QTest::newRow("before its era") << u"平成元年1月7日"_s << QDate() << u"は 平成 の日付ではありません"_s;
    QTest::newRow("after its era") << u"H31.5.1"_s << QDate() << u"は 平成 の日付ではありません"_s;
    QTest::newRow("no such day") << u"R3.2.29"_s << QDate() << u"その日付はありません"_s;
    QTest::newRow("no such day, number") << u"20210230"_s << QDate() << u"その日付はありません"_s;
    QTest::newRow("before the range") << u"1868/09/07"_s << QDate() << u"1868/09/08〜2099/12/31 の外"_s;
    QTest::newRow("after the range") << u"2100年1月1日"_s << QDate() << u"の外"_s;
    QTest::newRow("mixed separators") << u"2021/05-02"_s << QDate() << u"日付として読めません"_s;
    QTest::newRow("two-digit year") << u"21/5/2"_s << QDate() << u"日付として読めません"_s;
    QTest::newRow("unknown era") << u"X3.5.2"_s << QDate() << u"日付として読めません"_s;
    QTest::newRow("era year 0") << u"R0.5.2"_s << QDate() << u"日付として読めません"_s;
    QTest::newRow("time after it") << u"2021/5/2 10:00"_s << QDate() << u"日付として読めません"_s;
}

void TestStatementImport::datesRead()
{
    QFETCH(QString, field);
    QFETCH(QDate, date);
    QFETCH(QString, reason);
    QDate read;
    const std::optional<QString> refused = exchange::readDate(field, read);
    if (date.isValid()) {
        QVERIFY2(!refused, qPrintable(refused.value_or(QString())));
        QCOMPARE(read, date);
    } else {
        QVERIFY2(refused && refused->contains(reason), qPrintable(refused.value_or(u"accepted"_s)));
    }
}

void TestStatementImport::amountsRead_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<std::optional<qint64>>("amount");
    QTest::addColumn<QString>("reason"); // empty: accepted
    using A = std::optional<qint64>;
    QTest::newRow("yen sign") << u"¥1,000"_s << A(1000) << QString();
    QTest::newRow("full-width yen") << u"￥1,000"_s << A(1000) << QString();
    QTest::newRow("円") << u"1,000円"_s << A(1000) << QString();
    QTest::newRow("△") << u"△1,000"_s << A(-1000) << QString();
    QTest::newRow("▲ and ¥") << u"▲¥1,000"_s << A(-1000) << QString();
    QTest::newRow("¥ then minus") << u"¥-1,000"_s << A(-1000) << QString();
    QTest::newRow("parentheses") << u"(1,000)"_s << A(-1000) << QString();
    QTest::newRow("full-width parentheses") << u"（¥1,000）"_s << A(-1000) << QString();
    QTest::newRow("full-width digits") << u"１０００"_s << A(1000) << QString();
    QTest::newRow("full-width comma and minus") << u"－１，０００"_s << A(-1000) << QString();
    QTest::newRow("minus sign") << u"−1,000"_s << A(-1000) << QString();
    QTest::newRow("blanks around") << u"　¥ 1,000 "_s << A(1000) << QString();
    QTest::newRow("zero fraction") << u"1,000.00円"_s << A(1000) << QString();
    QTest::newRow("the limit") << u"△9,999,999,999"_s << A(-9'999'999'999) << QString();
    QTest::newRow("blank") << u"　"_s << A() << QString();
    QTest::newRow("fraction") << u"¥1,000.5"_s << A() << u"円未満の端数"_s;
    QTest::newRow("beyond the limit") << u"10,000,000,000円"_s << A() << u"金額の範囲"_s;
    QTest::newRow("two minus signs") << u"(△1,000)"_s << A() << u"金額として読めません"_s;
    QTest::newRow("minus twice") << u"--1"_s << A() << u"金額として読めません"_s;
    QTest::newRow("both yen and 円") << u"¥1,000円"_s << A() << u"金額として読めません"_s;
    QTest::newRow("bad grouping") << u"1,00"_s << A() << u"金額として読めません"_s;
    QTest::newRow("sign at the end") << u"1,000△"_s << A() << u"金額として読めません"_s;
    QTest::newRow("plus") << u"+5"_s << A() << u"金額として読めません"_s;
    QTest::newRow("parentheses alone") << u"()"_s << A() << u"金額として読めません"_s;
    QTest::newRow("yen alone") << u"¥"_s << A() << u"金額として読めません"_s;
}

void TestStatementImport::amountsRead()
{
    QFETCH(QString, field);
    QFETCH(std::optional<qint64>, amount);
    QFETCH(QString, reason);
    store::Amount read = 42;
    const std::optional<QString> refused = exchange::readAmount(field, read);
    if (reason.isEmpty()) {
        QVERIFY2(!refused, qPrintable(refused.value_or(QString())));
        QCOMPARE(read, amount);
    } else {
        QVERIFY2(refused && refused->contains(reason), qPrintable(refused.value_or(u"accepted"_s)));
        QVERIFY(!read);
    }
}

void TestStatementImport::layoutsKeptAndDamagedFileLeftAlone()
{
    QTemporaryDir dir;
    const QString path = exchange::layoutsFile(dir.path());
    QCOMPARE(exchange::readLayouts(path).layouts.size(), 0);
    QVERIFY(!exchange::readLayouts(path).failure);

    QCOMPARE(exchange::keepLayout(path, bankLayout()), std::nullopt);
    QCOMPARE(exchange::keepLayout(path, signedLayout()), std::nullopt);
    exchange::ImportLayout changed = bankLayout();
    changed.textColumns.append(u"残高"_s);
    QCOMPARE(exchange::keepLayout(path, changed), std::nullopt);
    const exchange::KeptLayouts kept = exchange::readLayouts(path);
    QVERIFY(!kept.failure);
    QCOMPARE(kept.layouts.size(), 2);
    QCOMPARE(kept.layouts.at(0), changed);
    QCOMPARE(kept.layouts.at(1), signedLayout());
    QVERIFY(!QFile::exists(path + u".new"_s));

    // A layout that cannot be used is not kept.
    exchange::ImportLayout twice = bankLayout();
    twice.amountColumns.insert(store::AmountColumn::Sales, u"支払"_s);
    QVERIFY(exchange::keepLayout(path, twice).value_or(QString()).contains(u"「支払」"_s));

    // Damaged: told, and never written over.
    for (const QByteArray &damage : {QByteArray("{\"形式\":1,\"レイアウト\":[{\"名前\":"),
                                     QByteArray("{\"形式\":1,\"レイアウト\":[{\"名前\":3}]}"),
                                     QByteArray("{\"形式\":9,\"レイアウト\":[]}"), QByteArray("[]")}) {
        QVERIFY(writeAll(path, damage));
        const exchange::KeptLayouts read = exchange::readLayouts(path);
        QVERIFY2(read.failure && read.failure->contains(u"取り込みのレイアウト"_s), damage.constData());
        QVERIFY(read.layouts.isEmpty());
        QVERIFY(exchange::keepLayout(path, bankLayout()).has_value());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), damage);
    }
}

void TestStatementImport::headerFoundBelowAccountLines()
{
    QList<exchange::CsvRow> rows;
    for (const QStringList &fields : {QStringList{u"口座番号"_s, u"1234567"_s}, QStringList{u"取引日"_s, u"摘要"_s},
                                      QStringList{u" 取引日"_s, u"摘要 "_s, u"支払"_s, u"預入"_s}}) {
        rows.append(exchange::CsvRow{qint64(rows.size() + 1), fields, std::nullopt, -1});
    }
    const exchange::HeaderFound found = exchange::findHeader(rows, bankLayout());
    QCOMPARE(found.row, 2);
    const exchange::HeaderFound missing = exchange::findHeader(rows.mid(0, 2), bankLayout());
    QCOMPARE(missing.row, -1);
    QCOMPARE(missing.missing, (QStringList{u"預入"_s, u"支払"_s}));
}

void TestStatementImport::statementRowsSummedByDay_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<exchange::ImportLayout>("layout");
    QTest::addColumn<QStringList>("journal");
    QTest::newRow("Shift_JIS, 支払 and 預入")
        << bankStatement() << bankLayout()
        << QStringList{u"2021-05-02|-|-|25000|4210|[ATM 1,000\n振込 ヤマダ 25,000\n電気代 3,210]"_s,
                       u"2021-05-06|-|-|-|12000|[カード 12,000]"_s};
    QTest::newRow("UTF-8, one signed column")
        << signedSheet() << signedLayout()
        << QStringList{u"2021-05-02|-|-|12500|3000|[売上 現金 12,500\n仕入 野菜 朝市 3,000]"_s,
                       u"2021-05-03|-|-|-|80500|[家賃 80,000\n返金 500]"_s};
}

void TestStatementImport::statementRowsSummedByDay()
{
    QFETCH(QByteArray, bytes);
    QFETCH(exchange::ImportLayout, layout);
    QFETCH(QStringList, journal);
    Target target;
    QVERIFY(target.open({}));
    const exchange::ImportPreview preview = target.preview(bytes, layout);
    QVERIFY2(!preview.failure, qPrintable(preview.failure.value_or(QString())));
    QCOMPARE(preview.refused.size(), 0);
    QCOMPARE(preview.newDays, 2);
    QCOMPARE(preview.layoutName, layout.name);
    common::NoProgress quiet;
    const exchange::Imported imported = exchange::importCsv(*target.store, preview, {}, quiet);
    QVERIFY2(!imported.failure, qPrintable(imported.failure.value_or(QString())));
    QCOMPARE(imported.added, 2);
    QCOMPARE(journalOf(*target.store), journal);

    // Without the layout the file wants one.
    const exchange::ImportPreview plain = exchange::previewCsvImport(*target.store, target.file(), {}, quiet);
    QVERIFY(plain.failure && plain.needsLayout);
    QVERIFY(plain.leadingRows.size() >= 4);
}

void TestStatementImport::existingDaysKeptReplacedOrAddedTo()
{
    const QStringList before{u"2021-05-02|100|-|-|-|[朝の売上]"_s, u"2021-05-06|-|-|-|500|[]"_s};
    const struct
    {
        ExistingDays choice;
        QStringList journal;
    } cases[] = {
        {ExistingDays::Keep, before},
        {ExistingDays::Replace,
         {u"2021-05-02|-|-|25000|4210|[ATM 1,000\n振込 ヤマダ 25,000\n電気代 3,210]"_s,
          u"2021-05-06|-|-|-|12000|[カード 12,000]"_s}},
        // Null plus a value is the value; the text follows on a new line, none before an empty text.
        {ExistingDays::Add,
         {u"2021-05-02|100|-|25000|4210|[朝の売上\nATM 1,000\n振込 ヤマダ 25,000\n電気代 3,210]"_s,
          u"2021-05-06|-|-|-|12500|[カード 12,000]"_s}},
    };
    for (const auto &each : cases) {
        Target target;
        QVERIFY(target.open({{u"2021-05-02"_s, {100}, u"朝の売上"_s}, {u"2021-05-06"_s, {{}, {}, {}, 500}, {}}}));
        const exchange::ImportPreview preview = target.preview(bankStatement(), bankLayout());
        QCOMPARE(preview.existingDays, 2);
        // The preview tells each day as the import will leave it.
        QStringList planned;
        for (const exchange::PlannedDay &day : exchange::planImport(preview, {each.choice})) {
            planned.append(u"%1|%2|[%3]"_s.arg(day.result.date.toString(Qt::ISODate))
                               .arg(day.result.amounts[store::AmountColumn::MoneyOut].value_or(-1))
                               .arg(day.result.text));
        }
        QStringList expected;
        for (const QString &line : each.journal) {
            const QStringList parts = line.split(u'|');
            expected.append(u"%1|%2|%3"_s.arg(parts[0], parts[4] == u"-" ? u"-1"_s : parts[4], parts[5]));
        }
        QCOMPARE(planned, expected);

        common::NoProgress quiet;
        const exchange::Imported imported = exchange::importCsv(*target.store, preview, {each.choice}, quiet);
        QVERIFY2(!imported.failure, qPrintable(imported.failure.value_or(QString())));
        QCOMPARE(imported.kept + imported.replaced + imported.addedTo, 2);
        QCOMPARE(journalOf(*target.store), each.journal);
    }

    // Adding goes to the day as it stands at the import, not as the preview saw it.
    Target target;
    QVERIFY(target.open({{u"2021-05-06"_s, {{}, {}, {}, 500}, {}}}));
    const exchange::ImportPreview preview = target.preview(bankStatement(), bankLayout());
    QVERIFY(testsupport::execOn(target.data.mainPath(), u"UPDATE 業務日誌 SET 出金額 = 700, 日誌 = '他' WHERE 日付 = "
                                                        u"'2021-05-06'"_s));
    common::NoProgress quiet;
    QVERIFY(!exchange::importCsv(*target.store, preview, {ExistingDays::Add}, quiet).failure);
    QCOMPARE(journalOf(*target.store).last(), u"2021-05-06|-|-|-|12700|[他\nカード 12,000]"_s);
}

void TestStatementImport::dayBeyondLimitsRefused()
{
    Target target;
    QVERIFY(target.open({{u"2021-05-03"_s, {{}, {}, 9'999'999'000}, u"x"_s}}));
    const QString longText(exchange::kJournalTextLimit - 5, u'長');
    const QByteArray bytes = (u"日にち,内容,金額,メモ\n"
                              u"2021年5月2日,a,1,\n"
                              u"2021年5月2日,b,2,\n"
                              u"2021年5月3日,c,\"1,000\",\n"
                              u"2021年5月4日,"_s +
                              longText + u",1,\n2021年5月4日,もう一行,1,\n"_s)
                                 .toUtf8();
    const exchange::ImportPreview preview = target.preview(bytes, signedLayout());
    QVERIFY2(!preview.failure, qPrintable(preview.failure.value_or(QString())));
    // The day whose joined text grows too long is refused whole, each of its rows told; none is cut.
    QCOMPARE(preview.refused.size(), 2);
    QCOMPARE(preview.refused.at(0).line, 5);
    QCOMPARE(preview.refused.at(1).line, 6);
    QVERIFY(preview.refused.at(0).reason.contains(u"65,535 文字"_s));
    QCOMPARE(preview.firstDays.size(), 2);

    // Adding 1,000 to 9,999,999,000 leaves the range: refused under add, fine under replace.
    const QList<exchange::PlannedDay> added = exchange::planImport(preview, {ExistingDays::Add});
    QCOMPARE(added.at(1).action, exchange::PlannedDay::Refused);
    QVERIFY2(added.at(1).reason.contains(u"入金額の合計（10,000,000,000）"_s), qPrintable(added.at(1).reason));
    QCOMPARE(exchange::planImport(preview, {ExistingDays::Replace}).at(1).action, exchange::PlannedDay::Replaced);
    common::NoProgress quiet;
    const exchange::Imported imported = exchange::importCsv(*target.store, preview, {ExistingDays::Add}, quiet);
    QVERIFY(!imported.failure);
    QCOMPARE(imported.added, 1);
    QCOMPARE(imported.refused, 1);
    QCOMPARE(journalOf(*target.store),
             (QStringList{u"2021-05-02|-|-|3|-|[a 1\nb 2]"_s, u"2021-05-03|-|-|9999999000|-|[x]"_s}));
}

void TestStatementImport::commandLineWithKeptLayout()
{
    Installed zephra;
    QVERIFY(zephra.make({{u"2021-05-02"_s, {100}, u"朝の売上"_s}}));
    QVERIFY(writeAll(zephra.path(u"bank.csv"_s), bankStatement()));
    QVERIFY(writeAll(zephra.path(u"sheet.csv"_s), signedSheet()));
    const auto run = [&](const QStringList &arguments) { return zephra.run(arguments, u"--import-csv"_s); };
    const auto journal = [&] { return testsupport::rowsOf(zephra.mainPath(), u"業務日誌"_s); };
    const QStringList before = journal();

    const Outcome needsLayout = run({u"bank.csv"_s});
    QCOMPARE(needsLayout.exitCode, 1);
    QVERIFY2(needsLayout.err.contains(u"--layout"_s), qPrintable(needsLayout.err));
    const Outcome unknown = run({u"bank.csv"_s, u"--layout"_s, u"○○銀行 普通預金"_s});
    QCOMPARE(unknown.exitCode, 1);
    QVERIFY2(unknown.err.contains(u"レイアウト「○○銀行 普通預金」はありません"_s), qPrintable(unknown.err));
    QCOMPARE(run({u"bank.csv"_s, u"--existing"_s, u"merge"_s}).exitCode, 2);
    QCOMPARE(run({u"bank.csv"_s, u"--existing"_s, u"add"_s, u"--replace"_s}).exitCode, 2);
    QCOMPARE(journal(), before);

    const QString layouts = exchange::layoutsFile(zephra.data());
    QCOMPARE(exchange::keepLayout(layouts, bankLayout()), std::nullopt);
    QCOMPARE(exchange::keepLayout(layouts, signedLayout()), std::nullopt);

    // The wrong layout for the file names the columns it lacks.
    const Outcome wrong = run({u"sheet.csv"_s, u"--layout"_s, u"○○銀行 普通預金"_s});
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY2(wrong.err.contains(u"「支払」"_s), qPrintable(wrong.err));

    const Outcome bank = run({u"bank.csv"_s, u"--layout"_s, u"○○銀行 普通預金"_s, u"--existing"_s, u"add"_s});
    QVERIFY2(bank.exitCode == 0, qPrintable(bank.err));
    QVERIFY2(bank.out.contains(u"追加 1 日"_s) && bank.out.contains(u"足した日 1 日"_s), qPrintable(bank.out));
    const Outcome sheet = run({u"sheet.csv"_s, u"--layout"_s, u"手書きの出納帳"_s});
    QVERIFY2(sheet.exitCode == 0, qPrintable(sheet.err));
    QVERIFY2(sheet.out.contains(u"追加 1 日、置き換え 0 日、今の記録を残した日 1 日"_s), qPrintable(sheet.out));

    std::optional<store::OpenFailure> failure;
    auto store = testsupport::openStore(zephra.data(), failure);
    QVERIFY(store);
    QCOMPARE(journalOf(*store),
             (QStringList{u"2021-05-02|100|-|25000|4210|[朝の売上\nATM 1,000\n振込 ヤマダ 25,000\n電気代 3,210]"_s,
                          u"2021-05-03|-|-|-|80500|[家賃 80,000\n返金 500]"_s,
                          u"2021-05-06|-|-|-|12000|[カード 12,000]"_s}));
}

QTEST_GUILESS_MAIN(TestStatementImport)
#include "test_statementimport.moc"
