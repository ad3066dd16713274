// Excel workbooks of the journal and the totals, read back cell by cell with
// openpyxl as another program reads them: dates as dates in both calendar
// modes, numbers, texts exactly, the sums as formulas with their values, and
// the texts a workbook cannot hold refused.

#include "exchange/export.h"
#include "exportfixture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace exporttest;
using namespace Qt::StringLiterals;
using exchange::Encoding;
using exchange::ExportFile;
using exchange::Format;

namespace {

const store::Period kAll{QDate(1600, 1, 1), QDate(2099, 12, 31)};

// Every cell of the first sheet, with the cached values of formulas.
// Texts are read as Excel reads them: "_xHHHH_" is the character it codes.
const char *const kReadXlsx = R"(import datetime, json, re, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
values = openpyxl.load_workbook(sys.argv[1], data_only=True).active
sheet = book.active
def cell(c):
    v = c.value
    if isinstance(v, str):
        v = re.sub('_x([0-9A-Fa-f]{4})_', lambda m: chr(int(m.group(1), 16)), v)
    if isinstance(v, datetime.datetime):
        v = {'date': v.isoformat()}
    elif c.data_type == 'f':
        v = {'formula': v, 'value': values[c.coordinate].value}
    return {'v': v, 'format': c.number_format, 'bold': bool(c.font.b), 'wrap': bool(c.alignment.wrap_text)}
def oneUnlessSet(v):  # the file format's default for fitToWidth and fitToHeight
    return 1 if v is None else v
print(json.dumps({
    'sheets': book.sheetnames,
    'freeze': sheet.freeze_panes,
    'widths': {k: d.width for k, d in sheet.column_dimensions.items()},
    'rows': [[cell(c) for c in row] for row in sheet.iter_rows()],
    'print': {'orientation': sheet.page_setup.orientation, 'paper': str(sheet.page_setup.paperSize),
              'fitToPage': bool(sheet.sheet_properties.pageSetUpPr and sheet.sheet_properties.pageSetUpPr.fitToPage),
              'fitToWidth': str(oneUnlessSet(sheet.page_setup.fitToWidth)),
              'fitToHeight': str(oneUnlessSet(sheet.page_setup.fitToHeight)),
              'titleRows': str(sheet.print_title_rows)},
    'fonts': sorted({'%s %s' % (c.font.name, c.font.sz) for row in sheet.iter_rows() for c in row}
                    | {'%s %s' % (s.font.name, s.font.sz) for s in book._named_styles if s.name == 'Normal'}),
}))
)";

QJsonObject cell(const QJsonValue &value, const QString &format = u"General"_s, bool bold = false, bool wrap = false)
{
    return QJsonObject{{u"v"_s, value}, {u"format"_s, format}, {u"bold"_s, bold}, {u"wrap"_s, wrap}};
}

QJsonObject dateCell(const QString &iso, const QString &format)
{
    return cell(QJsonObject{{u"date"_s, iso + u"T00:00:00"_s}}, format);
}

QJsonObject amountCell(std::optional<qint64> amount)
{
    return amount ? cell(double(*amount), u"#,##0"_s) : cell(QJsonValue::Null);
}

QJsonArray headerRow(bool withText)
{
    QJsonArray row;
    for (const QString &caption : {u"日付"_s, u"売上額"_s, u"仕入額"_s, u"入金額"_s, u"出金額"_s, u"日誌"_s}) {
        if (withText || caption != u"日誌") {
            row.append(cell(caption, u"General"_s, true));
        }
    }
    return row;
}

QJsonObject readBack(const QString &path, QString &error)
{
    return runPython(kReadXlsx, {path}, error).object();
}

// Row by row, so that a difference shows where it is.
void compareRows(const QJsonArray &rows, const QJsonArray &expected)
{
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).toArray(), expected.at(i).toArray());
    }
}

struct Folder : ExportFolder
{
    QString path() const { return out.filePath(u"out.xlsx"_s); }
    ExportFile file(const QString &calendarMode) const
    {
        return ExportFile{path(), Format::Xlsx, Encoding::Utf8, calendarMode, false};
    }
};

} // namespace

class TestXlsxExport : public QObject
{
    Q_OBJECT

private slots:
    void journalReadsBackCellByCell_data();
    void journalReadsBackCellByCell();
    void totalsEndWithSumFormulas();
    void printsAcrossOnePageWideInAJapaneseFont();
    void textsAWorkbookCannotHoldAreRefused_data();
    void textsAWorkbookCannotHoldAreRefused();
    void aWriterModuleThatCannotBeLoadedWritesNothing();
};

void TestXlsxExport::journalReadsBackCellByCell_data()
{
    QTest::addColumn<QString>("calendarMode");
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<QStringList>("earlyDays"); // how the days before 1900/03/01 read
    QTest::newRow("西暦") << common::kWestern << u"yyyy/mm/dd"_s
                          << QStringList{u"1701/03/14"_s, u"1868/09/08"_s, u"1900/02/28"_s};
    QTest::newRow("和暦") << common::kEra << u"[$-411]ggg ee\"年\"mm\"月\"dd\"日\""_s
                          << QStringList{u"1701/03/14"_s, u"明治 01年09月08日"_s, u"明治 33年02月28日"_s};
}

void TestXlsxExport::journalReadsBackCellByCell()
{
    QFETCH(QString, calendarMode);
    QFETCH(QString, dateFormat);
    QFETCH(QStringList, earlyDays);
    const QString text = u"  売上, 仕入 \"特売\"\n二行目 😀 𠮷 한 é ¥ ～ ①\t=SUM(A1)"_s;
    const QList<Day> days{
        {u"1701-03-14"_s, {}, u"他のプログラムが書いた日"_s},
        {u"1868-09-08"_s, {1, 2, 3, 4}, u"明治元年"_s},
        {u"1900-02-28"_s, {5}, std::nullopt},
        {u"1900-03-01"_s, {6}, u"a"_s},
        {u"2007-04-05"_s, {1200, std::nullopt, 0, -9'999'999'999}, text},
        // Another program's CRLF and lone CR: a cell breaks its lines with LF.
        {u"2008-01-01"_s, {7}, u"一\r\n二\r三"_s},
        // Runs that Excel would read as coded characters.
        {u"2010-10-10"_s, {8}, u"品番_x0041_と_X004a_x0042_の件 _x00_"_s},
        // Texts that look like formulas stay texts, as typed, without the CSV file's apostrophe.
        {u"2011-01-01"_s, {-1000}, u"=HYPERLINK(\"http://example.com/?x=\"&A1,\"詳細\")"_s},
        {u"2011-01-02"_s, {}, u"+81 3 1234"_s},
        {u"2011-01-03"_s, {}, u"@SUM(A1)"_s},
        {u"2011-01-04"_s, {}, u"'=1"_s},
        {u"2011-01-05"_s, {}, u"-500"_s},
        {u"2019-05-01"_s, {}, std::nullopt},
        {u"2099-12-31"_s, {9'999'999'999}, u"最後の日"_s},
    };
    Folder folder;
    QVERIFY(folder.open(days));
    common::NoProgress quiet;
    const exchange::Exported exported = exchange::exportJournal(*folder.store, kAll, folder.file(calendarMode), quiet);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    QCOMPARE(exported.rows, days.size());

    QString error;
    const QJsonObject book = readBack(folder.path(), error);
    QVERIFY2(!book.isEmpty(), qPrintable(error));
    QCOMPARE(book[u"sheets"_s].toArray(), QJsonArray{u"業務日誌"_s});
    QCOMPARE(book[u"freeze"_s].toString(), u"A2"_s);

    // Appended, not braced: a braced list of one array is that array copied, with clang.
    QJsonArray expected;
    expected.append(headerRow(true));
    for (const Day &day : days) {
        QJsonArray row;
        const QDate date = QDate::fromString(day.date, Qt::ISODate);
        if (date < QDate(1900, 3, 1)) {
            row.append(cell(earlyDays.at(expected.size() - 1)));
        } else {
            row.append(dateCell(day.date, dateFormat));
        }
        for (const auto &amount : day.amounts) {
            row.append(amountCell(amount));
        }
        QString lines = day.text.value_or(QString());
        lines.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        row.append(day.text ? cell(lines, u"General"_s, false, true) : cell(QJsonValue::Null));
        expected.append(row);
    }
    compareRows(book[u"rows"_s].toArray(), expected);

    // The text column is the wide one, and every column holds its widest value.
    const QJsonObject widths = book[u"widths"_s].toObject();
    QVERIFY(widths[u"F"_s].toDouble() >= 50);
    QVERIFY(widths[u"A"_s].toDouble() >= (calendarMode == common::kWestern ? 10 : 17));
    QVERIFY(widths[u"E"_s].toDouble() >= QStringLiteral("-9,999,999,999").size());
    for (const QString &column : {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s}) {
        QVERIFY(widths[column].toDouble() < widths[u"F"_s].toDouble());
    }
}

void TestXlsxExport::totalsEndWithSumFormulas()
{
    Folder folder;
    QVERIFY(folder.open({
        {u"2007-04-05"_s, {1200, std::nullopt, 0, -5}, u"x"_s},
        {u"2007-04-06"_s, {9'999'998'000, std::nullopt, std::nullopt, 5}, u"y"_s},
        {u"2019-04-30"_s, {1, std::nullopt, 2, 3}, u"z"_s},
    }));
    store::FillReport report;
    QVERIFY(folder.store->fillWork(kAll, report).ok());
    common::NoProgress quiet;
    const exchange::Exported exported = exchange::exportTotals(*folder.store, folder.file(common::kEra), quiet);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    QCOMPARE(exported.rows, 3);

    QString error;
    QJsonObject book = readBack(folder.path(), error);
    QVERIFY2(!book.isEmpty(), qPrintable(error));
    QCOMPARE(book[u"sheets"_s].toArray(), QJsonArray{u"集計"_s});
    const QString era = u"[$-411]ggg ee\"年\"mm\"月\"dd\"日\""_s;
    const auto sum = [](const QString &column, double value) {
        return cell(QJsonObject{{u"formula"_s, u"=SUM("_s + column + u"2:"_s + column + u"4)"_s}, {u"value"_s, value}},
                    u"#,##0"_s, true);
    };
    const QJsonArray expected{
        headerRow(false),
        QJsonArray{dateCell(u"2007-04-05"_s, era), amountCell(1200), amountCell({}), amountCell(0), amountCell(-5)},
        QJsonArray{dateCell(u"2007-04-06"_s, era), amountCell(9'999'998'000), amountCell({}), amountCell({}),
                   amountCell(5)},
        QJsonArray{dateCell(u"2019-04-30"_s, era), amountCell(1), amountCell({}), amountCell(2), amountCell(3)},
        // A column without a value sums to 0, in Excel as in the value stored.
        QJsonArray{cell(u"合計"_s, u"General"_s, true), sum(u"B"_s, 9'999'999'201.0), sum(u"C"_s, 0), sum(u"D"_s, 2),
                   sum(u"E"_s, 3)},
    };
    compareRows(book[u"rows"_s].toArray(), expected);
    QVERIFY(book[u"widths"_s].toObject()[u"B"_s].toDouble() >= QStringLiteral("10,000,001,200").size());

    // An empty table: the header and an empty sums row.
    QVERIFY(folder.store->clearWork().ok());
    ExportFile again = folder.file(common::kEra);
    again.overwrite = true;
    QVERIFY(!exchange::exportTotals(*folder.store, again, quiet).failure);
    book = readBack(folder.path(), error);
    const QJsonArray empty{headerRow(false),
                           QJsonArray{cell(u"合計"_s, u"General"_s, true), cell(QJsonValue::Null),
                                      cell(QJsonValue::Null), cell(QJsonValue::Null), cell(QJsonValue::Null)}};
    compareRows(book[u"rows"_s].toArray(), empty);
}

void TestXlsxExport::printsAcrossOnePageWideInAJapaneseFont()
{
    // A year of days with long texts: printed, the text column stays beside its day.
    QList<Day> days;
    for (QDate day(2021, 1, 1); day.year() == 2021; day = day.addDays(1)) {
        days.append(
            {day.toString(Qt::ISODate), {1000, 2000, std::nullopt, 4000}, u"仕入先と打ち合わせ。"_s.repeated(8)});
    }
    Folder folder;
    QVERIFY(folder.open(days));
    common::NoProgress quiet;
    const exchange::Exported exported =
        exchange::exportJournal(*folder.store, kAll, folder.file(common::kWestern), quiet);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));

    QString error;
    const QJsonObject book = readBack(folder.path(), error);
    QVERIFY2(!book.isEmpty(), qPrintable(error));
    const QJsonObject print = book[u"print"_s].toObject();
    QCOMPARE(print[u"orientation"_s].toString(), u"landscape"_s);
    QCOMPARE(print[u"paper"_s].toString(), u"9"_s); // A4
    QVERIFY(print[u"fitToPage"_s].toBool());
    QCOMPARE(print[u"fitToWidth"_s].toString(), u"1"_s);
    QCOMPARE(print[u"fitToHeight"_s].toString(), u"0"_s); // as many pages down as it takes
    QCOMPARE(print[u"titleRows"_s].toString(), u"$1:$1"_s);
    // Every cell and the Normal style in one Japanese font.
    QCOMPARE(book[u"fonts"_s].toArray(), QJsonArray{u"ＭＳ Ｐゴシック 11.0"_s});
    QVERIFY(book[u"widths"_s].toObject()[u"F"_s].toDouble() >= 50);
    QVERIFY(book[u"rows"_s].toArray().at(1).toArray().at(5).toObject()[u"wrap"_s].toBool());
}

void TestXlsxExport::textsAWorkbookCannotHoldAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("failure");
    QTest::newRow("control character") << u"a\u0001b"_s
                                       << u"2007/04/05 の日誌の制御文字 (U+0001) は Excel のファイルに書けません。"
                                          u"CSV を選んでください。"_s;
    QTest::newRow("longer than a cell") << u"字"_s.repeated(32768)
                                        << u"2007/04/05 の日誌は 32768 字あり、Excel の 1 つのセルに入る 32,767 "
                                           u"字を超えます。CSV を選んでください。"_s;
}

void TestXlsxExport::textsAWorkbookCannotHoldAreRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, failure);
    Folder folder;
    QVERIFY(folder.open({{u"2007-04-04"_s, {1}, u"字"_s.repeated(32767)}, {u"2007-04-05"_s, {1}, text}}));
    common::NoProgress quiet;
    const exchange::Exported exported =
        exchange::exportJournal(*folder.store, kAll, folder.file(common::kWestern), quiet);
    QCOMPARE(exported.failure.value_or(QString()), failure);
    QCOMPARE(entriesOf(folder.out.path()), QStringList());
}

// The Excel writer is loaded with the first workbook: without it the export
// says so, leaves no file behind, and works once the module is back.
void TestXlsxExport::aWriterModuleThatCannotBeLoadedWritesNothing()
{
    Folder folder;
    QVERIFY(folder.open({{u"2021-03-04"_s, {1000, std::nullopt, std::nullopt, std::nullopt}, u"来店"_s}}));
    common::NoProgress quiet;
    const QByteArray kept = qgetenv("ZEPHRA_MODULE_DIR");
    QTemporaryDir empty;
    qputenv("ZEPHRA_MODULE_DIR", empty.path().toLocal8Bit());
    const exchange::Exported refused =
        exchange::exportJournal(*folder.store, kAll, folder.file(common::kWestern), quiet);
    qputenv("ZEPHRA_MODULE_DIR", kept);
    QVERIFY(refused.failure);
    QVERIFY2(refused.failure->contains(u"zephra-xlsx.so"_s), qPrintable(*refused.failure));
    QCOMPARE(refused.rows, 0);
    QCOMPARE(entriesOf(folder.out.path()), QStringList());

    const exchange::Exported written =
        exchange::exportJournal(*folder.store, kAll, folder.file(common::kWestern), quiet);
    QVERIFY2(!written.failure, qPrintable(written.failure.value_or(QString())));
    QCOMPARE(written.rows, 1);
    QCOMPARE(entriesOf(folder.out.path()), QStringList{u"out.xlsx"_s});
}

QTEST_GUILESS_MAIN(TestXlsxExport)
#include "test_xlsxexport.moc"
