// The monthly and yearly summary on paper: the rows named and figured as on
// the page, the heading on every page of a long report with its number, and
// the totals report's paper, margins and colours.

#include "common/formats.h"
#include "common/summarylabel.h"
#include "printing/reportengine.h"
#include "printing/reportpainter.h"
#include "printing/summaryreport.h"
#include "printing/totalsreport.h"
#include "printing/worktable.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/tempdata.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace printing;
using namespace Qt::StringLiterals;

namespace {

const PrintTotals kTotals{u"昭和63年01月01日"_s, u"令和 7年12月31日"_s, 1234567, 0, 98765, -500};

// Every month from 1988 to 2025, each with its own figures.
QList<store::SummaryRow> months()
{
    QList<store::SummaryRow> rows;
    for (QDate first(1988, 1, 1); first.year() < 2026; first = first.addMonths(1)) {
        const qint64 n = rows.size();
        rows.append({first, first.addMonths(1).addDays(-1), {n * 1000, std::nullopt, n * 7, 12345678}, n % 31});
    }
    return rows;
}

QString pdfText(const QString &path, const QStringList &options = {})
{
    QProcess process;
    process.start(u"pdftotext"_s, QStringList{u"-enc"_s, u"UTF-8"_s} + options + QStringList{path, u"-"_s});
    return process.waitForFinished(30000) && process.exitCode() == 0
               ? QString::fromUtf8(process.readAllStandardOutput())
               : QString();
}

// A word of `pdftotext -bbox`, in points from the page's top-left corner.
struct Word
{
    QString text;
    QRectF box;
};

// The words of each page of a PDF file, in reading order.
QList<QList<Word>> pdfWords(const QString &path)
{
    QList<QList<Word>> pages;
    static const QRegularExpression element(
        uR"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    for (const QRegularExpressionMatch &m : element.globalMatch(pdfText(path, {u"-bbox"_s}))) {
        if (m.captured(0) == u"<page "_s) {
            pages.append(QList<Word>());
        } else if (!pages.isEmpty()) {
            const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
            const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
            pages.last().append({m.captured(5), QRectF(topLeft, bottomRight)});
        }
    }
    return pages;
}

// The first run of words that spells `wanted` with the blanks left out, as one box; an empty box if none.
QRectF findWords(const QList<Word> &words, QString wanted)
{
    wanted.remove(u' ');
    for (qsizetype first = 0; first < words.size(); ++first) {
        QString joined;
        QRectF box;
        for (qsizetype n = first; n < words.size() && joined.size() < wanted.size(); ++n) {
            joined += words.at(n).text;
            box = box.isNull() ? words.at(n).box : box.united(words.at(n).box);
        }
        if (joined == wanted) {
            return box;
        }
    }
    return {};
}

} // namespace

class TestSummaryReport : public QObject
{
    Q_OBJECT

private slots:
    void looksLikeTheTotalsReport();
    void longSummaryInPdf();
    void sumsStandOverTheirColumns();
    void pagesNumberedAndDatedBelowTheRows_data();
    void pagesNumberedAndDatedBelowTheRows();
};

void TestSummaryReport::looksLikeTheTotalsReport()
{
    const QList<store::SummaryRow> rows = months();
    SummaryReport summary(kTotals, rows.mid(0, 3), store::Grouping::Year, u"和暦"_s, 0x0000FF);
    const ReportDocument doc = ReportEngine::run(summary).document;
    QCOMPARE(doc.pages.size(), 1);
    QCOMPARE(doc.title, u"年別集計"_s);

    testsupport::TempData data;
    const std::unique_ptr<store::Store> files = store::makeSqliteStore();
    QVERIFY(data.ok() && !files->open(store::Location::inFolder(data.folder())));
    TotalsReport totals(kTotals, *files, u"和暦"_s, 0x0000FF);
    totals.start();
    const PageSetup &paper = totals.layout().page;
    QCOMPARE(doc.page.paperTwips(), paper.paperTwips());
    QCOMPARE(doc.page.leftMargin, paper.leftMargin);
    QCOMPARE(doc.page.rightMargin, paper.rightMargin);
    QCOMPARE(doc.page.topMargin, paper.topMargin);

    const ReportPage &page = doc.pages.first();
    QCOMPARE(page.item(u"Label11"_s)->text, u"年"_s);
    QCOMPARE(page.item(u"txt期間"_s)->text, kTotals.startText + u" ～ "_s + kTotals.endText);
    QCOMPARE(page.item(u"txt売上計"_s)->text, u"1,234,567"_s);
    for (const QString &name : {u"lblタイトル"_s, u"Label11"_s, u"Line1"_s, u"Line3"_s}) {
        QCOMPARE(page.item(name)->colour, QColor(Qt::red));
    }
    // One line per row, each name right of its own ruled line.
    QStringList names;
    for (const DrawItem &item : page.items) {
        if (item.name == u"txt年月"_s) {
            names << item.text;
            QCOMPARE(item.fontName, kMincho);
        }
    }
    QCOMPARE(names, (QStringList{u"昭和63年"_s, u"昭和63年"_s, u"昭和63年"_s}));
    // No box reaches past the ruled lines' right end.
    for (const DrawItem &item : page.items) {
        QVERIFY2(item.kind != DrawItem::Kind::Text || item.box.right() <= 9500, qPrintable(item.name));
    }
}

void TestSummaryReport::longSummaryInPdf()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    const QList<store::SummaryRow> rows = months();
    SummaryReport report(kTotals, rows, store::Grouping::Month, u"和暦"_s, 0);
    const ReportDocument doc = ReportEngine::run(report).document;
    const qsizetype count = doc.pages.size();
    QVERIFY(count > 5);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"months.pdf"_s);
    QVERIFY(writePdf(doc, path));
    const QString all = pdfText(path);
    QCOMPARE(all.count(u'\f'), count);
    QCOMPARE(all.count(u"月別集計"_s), count);

    // Every month once, in order, over the pages; each page numbered.
    QString text;
    for (qsizetype n = 0; n < count; ++n) {
        const QString number = QString::number(n + 1);
        QString page = pdfText(path, {u"-f"_s, number, u"-l"_s, number});
        page.remove(QRegularExpression(u"\\s"_s));
        QVERIFY2(page.contains(u"%1/%2"_s.arg(n + 1).arg(count)), qPrintable(page));
        text += page;
    }
    qsizetype at = 0;
    for (const store::SummaryRow &row : rows) {
        const QString name = common::monthLabel(row.first.year(), row.first.month(), u"和暦"_s).remove(u' ');
        at = text.indexOf(name, at);
        QVERIFY2(at >= 0, qPrintable(name));
    }
    QVERIFY(text.contains(u"昭和64年・平成1年1月"_s));
    QVERIFY(text.contains(u"12,345,678"_s));
    QVERIFY(text.contains(u"-12,345,678"_s)); // 差引 of a month with no 入金
}

// In the PDF: each sum's caption centred over its column's caption, each sum
// right-aligned with the column's figures; 日数 and 差引 have their sums too.
void TestSummaryReport::sumsStandOverTheirColumns()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    const QList<store::SummaryRow> rows{
        {QDate(2023, 1, 1), QDate(2023, 12, 31), {7654321, 3210987, 6543210, 1098765}, 300},
        {QDate(2024, 1, 1), QDate(2024, 6, 30), {1234, 5678, 9012, 3456}, 17}};
    const PrintTotals totals{u"2023/01/01"_s, u"2024/06/30"_s, 7655555, 3216665, 6552222, 1102221};
    for (const store::Grouping grouping : {store::Grouping::Month, store::Grouping::Year}) {
        SummaryReport report(totals, rows, grouping, u"西暦"_s, 0);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"summary.pdf"_s);
        QVERIFY(writePdf(ReportEngine::run(report).document, path));
        const QList<QList<Word>> pages = pdfWords(path);
        QVERIFY(!pages.isEmpty() && !pages.first().isEmpty());
        const QList<Word> &words = pages.first();
        struct Expected
        {
            QString column, sumCaption, sum, figure;
        };
        const Expected columns[] = {{u"売上額"_s, u"売上計"_s, u"7,655,555"_s, u"7,654,321"_s},
                                    {u"仕入額"_s, u"仕入計"_s, u"3,216,665"_s, u"3,210,987"_s},
                                    {u"入金額"_s, u"入金計"_s, u"6,552,222"_s, u"6,543,210"_s},
                                    {u"出金額"_s, u"出金計"_s, u"1,102,221"_s, u"1,098,765"_s},
                                    {u"日数"_s, u"日数計"_s, u"317"_s, u"300"_s},
                                    {u"差引"_s, u"差引計"_s, u"5,450,001"_s, u"5,444,445"_s}};
        for (const Expected &e : columns) {
            const QRectF column = findWords(words, e.column);
            const QRectF caption = findWords(words, e.sumCaption);
            const QRectF sum = findWords(words, e.sum);
            const QRectF figure = findWords(words, e.figure);
            QVERIFY2(!column.isNull() && !caption.isNull() && !sum.isNull() && !figure.isNull(), qPrintable(e.column));
            QVERIFY2(std::abs(caption.center().x() - column.center().x()) < 2,
                     qPrintable(u"%1 at %2, %3 at %4"_s.arg(e.sumCaption)
                                    .arg(caption.center().x())
                                    .arg(e.column)
                                    .arg(column.center().x())));
            QVERIFY2(
                std::abs(sum.right() - figure.right()) < 2,
                qPrintable(u"%1 ends at %2, %3 at %4"_s.arg(e.sum).arg(sum.right()).arg(e.figure).arg(figure.right())));
            QVERIFY(caption.top() < sum.top() && sum.top() < column.top());
        }
    }
}

void TestSummaryReport::pagesNumberedAndDatedBelowTheRows_data()
{
    QTest::addColumn<bool>("summary");
    QTest::addColumn<QString>("calendarMode");
    QTest::addColumn<QString>("printed");
    // In era mode as the date boxes show a day.
    const QString era = u"印刷日 "_s + common::formatDate(QDate(2021, 5, 10), common::pattern::kDateEra);
    QVERIFY(era.contains(u"令和"_s));
    QTest::newRow("totals, Western") << false << u"西暦"_s << u"印刷日 2021年05月10日"_s;
    QTest::newRow("totals, era") << false << u"和暦"_s << era;
    QTest::newRow("months, era") << true << u"和暦"_s << era;
}

void TestSummaryReport::pagesNumberedAndDatedBelowTheRows()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    QFETCH(bool, summary);
    QFETCH(QString, calendarMode);
    QFETCH(QString, printed);
    const QDate printDate(2021, 5, 10);

    // A hundred rows: three pages of either report.
    ReportDocument doc;
    testsupport::TempData data;
    const std::unique_ptr<store::Store> files = store::makeSqliteStore();
    QVERIFY(data.ok() && !files->open(store::Location::inFolder(data.folder())));
    if (summary) {
        SummaryReport report(kTotals, months().mid(0, 100), store::Grouping::Month, calendarMode, 0);
        report.setPrintDate(printDate);
        doc = ReportEngine::run(report).document;
    } else {
        QVERIFY(printingtest::fillWorkTable(*files, data.mainPath(),
                                            printingtest::consecutiveDays(QDate(2007, 4, 1), 100)));
        TotalsReport report(kTotals, *files, calendarMode, 0);
        report.setPrintDate(printDate);
        doc = ReportEngine::run(report).document;
    }
    QCOMPARE(doc.pages.size(), 3);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"report.pdf"_s);
    QVERIFY(writePdf(doc, path));

    const QList<QList<Word>> pages = pdfWords(path);
    QCOMPARE(pages.size(), 3);
    for (qsizetype n = 0; n < pages.size(); ++n) {
        const QList<Word> &words = pages.at(n);
        const QRectF number = findWords(words, u"%1 / 3"_s.arg(n + 1));
        const QRectF date = findWords(words, printed);
        QString all;
        for (const Word &word : words) {
            all += word.text;
        }
        QVERIFY2(!number.isNull() && !date.isNull(), qPrintable(u"page %1: "_s.arg(n + 1) + all.right(200)));
        // Both on one line below every other word of the page: the date at the left, the number at the right.
        for (const Word &word : words) {
            if (!number.contains(word.box.center()) && !date.contains(word.box.center())) {
                QVERIFY2(word.box.bottom() < date.top(), qPrintable(word.text));
            }
        }
        QVERIFY(qAbs(number.center().y() - date.center().y()) < 2);
        QVERIFY(date.right() < 297 && number.left() > 297);
    }

    // A report of one page carries its date, without a number.
    SummaryReport one(kTotals, months().mid(0, 3), store::Grouping::Year, calendarMode, 0);
    one.setPrintDate(printDate);
    const ReportDocument single = ReportEngine::run(one).document;
    QCOMPARE(single.pages.size(), 1);
    QVERIFY(!single.pages.first().item(u"txtページ"_s));
    QCOMPARE(single.pages.first().item(u"txt印刷日"_s)->text, printed);
}

QTEST_MAIN(TestSummaryReport)
#include "tst_summaryreport.moc"
