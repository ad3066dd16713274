// The monthly and yearly summaries written out: the rows with their names in
// the file's calendar, the sums, 日数 and 差引, the 合計 row, in CSV and as a
// workbook read back by openpyxl; an unreadable amount leaves no file.

#include "exchange/summaryexport.h"
#include "exportfixture.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace exporttest;
using namespace Qt::StringLiterals;
using exchange::Encoding;
using exchange::ExportFile;
using exchange::Format;

namespace {

const store::Period kPeriod{QDate(2019, 1, 1), QDate(2020, 12, 31)};

// The cells' values, formulas as their cached values, and whether they are formulas.
const char *const kReadXlsx = R"(import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
values = openpyxl.load_workbook(sys.argv[1], data_only=True).active
print(json.dumps({'sheets': book.sheetnames,
    'rows': [[values[c.coordinate].value for c in row] for row in book.active.iter_rows()],
    'formulas': [c.coordinate for row in book.active.iter_rows() for c in row if c.data_type == 'f']}))
)";

} // namespace

class TestSummaryExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void csvRowsAndTotal();
    void workbook();
    void unreadableAmountWritesNoFile();
    void sumBeyondTheRangeWritesNoFile();

private:
    std::unique_ptr<ExportFolder> m_made;
    ExportFolder *m_folder = nullptr;
    RecordingProgress m_progress;
};

void TestSummaryExport::init()
{
    m_made = std::make_unique<ExportFolder>();
    m_folder = m_made.get();
    QVERIFY(m_folder->open({{u"2019-04-30"_s, {100, {}, 50, 20}, {}},
                            {u"2019-05-01"_s, {200, 10, {}, 5}, u"x"_s},
                            {u"2019-05-31"_s, {-1, {}, {}, {}}, {}},
                            {u"2020-02-29"_s, {1, 1, 1, 1}, {}},
                            {u"2021-01-01"_s, {7, 7, 7, 7}, {}}}));
}

void TestSummaryExport::csvRowsAndTotal()
{
    const QString path = m_folder->out.filePath(u"months.csv"_s);
    exchange::Exported exported =
        exchange::exportSummary(*m_folder->store, kPeriod, store::Grouping::Month, ExportFile{path}, m_progress);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    QCOMPARE(exported.rows, 3);
    QCOMPARE(readAll(path), QByteArray("\xEF\xBB\xBF") + u"年月,売上額,仕入額,入金額,出金額,日数,差引\r\n"
                                                         "2019年4月,100,,50,20,1,30\r\n"
                                                         "2019年5月,199,10,,5,2,-5\r\n"
                                                         "2020年2月,1,1,1,1,1,0\r\n"
                                                         "合計,300,11,51,26,4,25\r\n"_s.toUtf8());

    // Years in the era calendar, in Shift_JIS: the year of two eras named by both.
    ExportFile years{m_folder->out.filePath(u"years.csv"_s), Format::Csv, Encoding::ShiftJis, common::kEra};
    exported = exchange::exportSummary(*m_folder->store, kPeriod, store::Grouping::Year, years, m_progress);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    const QByteArray bytes = readAll(years.path);
    QVERIFY(bytes.contains(QByteArray("\x95\xBD\x90\xAC"
                                      "31\x94\x4E\x81\x45\x97\xDF\x98\x61"
                                      "1\x94\x4E,299,10,50,25,3,25\r\n")));
    QVERIFY(bytes.contains(QByteArray("\x97\xDF\x98\x61"
                                      "2\x94\x4E,1,1,1,1,1,0\r\n")));
}

void TestSummaryExport::workbook()
{
    const ExportFile file{m_folder->out.filePath(u"years.xlsx"_s), Format::Xlsx, Encoding::Utf8, common::kEra};
    const exchange::Exported exported =
        exchange::exportSummary(*m_folder->store, kPeriod, store::Grouping::Year, file, m_progress);
    QVERIFY2(!exported.failure, qPrintable(exported.failure.value_or(QString())));
    QString error;
    const QJsonDocument read = runPython(kReadXlsx, {file.path}, error);
    QVERIFY2(!read.isNull(), qPrintable(error));
    const QJsonObject book = read.object();
    QCOMPARE(book[u"sheets"_s].toArray(), QJsonArray{u"年別集計"_s});
    const QJsonArray expected{
        QJsonArray{u"年"_s, u"売上額"_s, u"仕入額"_s, u"入金額"_s, u"出金額"_s, u"日数"_s, u"差引"_s},
        QJsonArray{u"平成31年・令和1年"_s, 299, 10, 50, 25, 3, 25}, QJsonArray{u"令和2年"_s, 1, 1, 1, 1, 1, 0},
        QJsonArray{u"合計"_s, 300, 11, 51, 26, 4, 25}};
    QCOMPARE(book[u"rows"_s].toArray(), expected);
    QCOMPARE(book[u"formulas"_s].toArray(), (QJsonArray{u"B4"_s, u"C4"_s, u"D4"_s, u"E4"_s, u"F4"_s, u"G4"_s}));
}

void TestSummaryExport::unreadableAmountWritesNoFile()
{
    QVERIFY(testsupport::execOn(m_folder->data.mainPath(),
                                u"update 業務日誌 set 仕入額 = 'abc' where 日付 = '2020-02-29'"_s));
    const QString path = m_folder->out.filePath(u"months.csv"_s);
    const exchange::Exported exported =
        exchange::exportSummary(*m_folder->store, kPeriod, store::Grouping::Month, ExportFile{path}, m_progress);
    QVERIFY(exported.failure);
    QVERIFY2(exported.failure->contains(u"2020/02/29 の仕入額"_s), qPrintable(*exported.failure));
    QVERIFY(entriesOf(m_folder->out.path()).isEmpty());
}

// Each month within the range, the period's 売上額 beyond it: the 合計 row the
// totals page would refuse to show is not written either.
void TestSummaryExport::sumBeyondTheRangeWritesNoFile()
{
    QVERIFY(
        testsupport::execOn(m_folder->data.mainPath(),
                            u"update 業務日誌 set 売上額 = 9999999999 where 日付 in ('2019-04-30', '2020-02-29')"_s));
    const QString path = m_folder->out.filePath(u"months.csv"_s);
    const exchange::Exported exported =
        exchange::exportSummary(*m_folder->store, kPeriod, store::Grouping::Month, ExportFile{path}, m_progress);
    QVERIFY(exported.failure);
    QVERIFY2(exported.failure->startsWith(u"売上額の合計 20,000,000,197 は"_s), qPrintable(*exported.failure));
    QVERIFY(entriesOf(m_folder->out.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestSummaryExport)
#include "test_summaryexport.moc"
