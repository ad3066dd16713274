// Report output: pixels, PDF files and the viewer.

#include "printing/journalreport.h"
#include "printing/journaltext.h"
#include "printing/pdfname.h"
#include "printing/printcommands.h"
#include "printing/reportengine.h"
#include "printing/reportpainter.h"
#include "printing/reportviewer.h"
#include "printing/summaryreport.h"
#include "printing/totalsreport.h"
#include "printing/worktable.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/scriptedpresenter.h"
#include "support/tempdata.h"
#include "ui/platform.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPointer>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <tuple>

using namespace printing;

namespace {

const PrintJournal kJournal{QStringLiteral("2007年04月04日"),
                            1234567,
                            0,
                            -500,
                            98765,
                            QStringLiteral("本日は晴天なり。\n午後から来客二件、見積書を提出。\n明日は棚卸し。")};
const PrintTotals kTotals{QStringLiteral("2007/04/01"), QStringLiteral("2007/04/30"), 1234567, 0, -500, 4321};

ReportDocument journalDocument(const PrintJournal &data, qint32 lineColor)
{
    JournalReport report(data, lineColor);
    return ReportEngine::run(report).document;
}

int inkIn(const QImage &image, const QRect &area)
{
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            count += qGray(image.pixel(x, y)) < 220 ? 1 : 0;
        }
    }
    return count;
}

// A twips rectangle of the printable area in image pixels at `dpi`, grown by
// `grow` pixels (negative: shrunk) for antialiased edges.
QRect toPixels(const PageSetup &page, const QRect &twips, int dpi, int grow = 1)
{
    const qreal f = qreal(dpi) / 1440;
    return QRectF((page.leftMargin + twips.left()) * f, (page.topMargin + twips.top()) * f, twips.width() * f,
                  twips.height() * f)
        .toAlignedRect()
        .adjusted(-grow, -grow, grow, grow);
}

ReportDocument singleItem(const QRect &box, const QString &text, bool multiLine, bool bold = false)
{
    DrawItem item;
    item.name = QStringLiteral("probe");
    item.box = box;
    item.text = text;
    item.fontName = kMincho;
    item.fontSize = 10;
    item.multiLine = multiLine;
    item.bold = bold;
    ReportDocument doc;
    doc.page.leftMargin = 0;
    doc.page.topMargin = 0;
    doc.pages.append(ReportPage{{item}});
    return doc;
}

// The ink below the first `memo.box.height()` twips of `text` set into a box of
// the memo's width and font that is 1,500 twips taller: where the memo's box
// would have cut the text off.
int inkBelowTheBox(const DrawItem &memo, const QString &text)
{
    constexpr int dpi = 288;
    constexpr int more = 1500;
    ReportDocument doc = singleItem(QRect(0, 0, memo.box.width(), memo.box.height() + more), text, true);
    DrawItem &item = doc.pages[0].items[0];
    item.fontName = memo.fontName;
    item.fontSize = memo.fontSize;
    item.alignment = memo.alignment;
    const QImage image = renderPageToImage(doc, 0, dpi);
    return inkIn(image, toPixels(doc.page, QRect(0, memo.box.height() + 1, memo.box.width(), more - 1), dpi, 0));
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(30000) && process.exitCode() == 0;
    return ok ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

} // namespace

class TestReportOutput : public QObject
{
    Q_OBJECT

private slots:
    void fonts();
    void textStaysInsideItsBox_data();
    void textStaysInsideItsBox();
    void oneLineKeepsItsSizeWhereItFits_data();
    void oneLineKeepsItsSizeWhereItFits();
    void textsComeOutAsDrawnAlone();
    void longJournalTextStaysInsideItsFrame();
    void journalTextBreaksAtWholeLines();
    void longJournalTextInPdfAndPreview();
    void coloursOnThePage();
    void pdf();
    void screenshots();
    void viewer();
    void printCommands();
    void pdfNameAndFolder();
    void emojiFromTheEmojiFont();

private:
    QTemporaryDir m_dir;
};

void TestReportOutput::fonts()
{
    QCOMPARE(ReportPainter::deviceFontFamily(QStringLiteral("ＭＳ Ｐゴシック")), QStringLiteral("IPAPGothic"));
    QCOMPARE(ReportPainter::deviceFontFamily(QStringLiteral("ＭＳ Ｐ明朝")), QStringLiteral("IPAPMincho"));
    DrawItem item = singleItem(QRect(0, 0, 1559, 283), QStringLiteral("1,234,567"), false).pages[0].items[0];
    item.fontSize = 10.5;
    QCOMPARE(QFontInfo(ReportPainter::fontFor(item)).family(), QStringLiteral("IPAPMincho")); // installed
    QCOMPARE(ReportPainter::fontFor(item).pixelSize(), 210);                                  // twips: 10.5 pt × 20
    QCOMPARE(ReportPainter::fittedPixelSize(item), 210);

    // A one-line amount too wide for its box is shrunk until it fits, not cut.
    item.text = QStringLiteral("-9,999,999,999,999");
    item.box.setWidth(1000);
    const int fitted = ReportPainter::fittedPixelSize(item);
    QFont font = ReportPainter::fontFor(item);
    QVERIFY(QFontMetricsF(font).horizontalAdvance(item.text) > 1000);
    font.setPixelSize(fitted);
    QVERIFY(QFontMetricsF(font).horizontalAdvance(item.text) <= 1000);
    font.setPixelSize(fitted + 1);
    QVERIFY(QFontMetricsF(font).horizontalAdvance(item.text) > 1000);

    // The IPA fonts have no bold face, yet a bold title comes out heavier.
    const QRect title(0, 0, 3000, 500);
    const QRect area(0, 0, 3000 * 300 / 1440 + 2, 500 * 300 / 1440 + 2);
    const int regular = inkIn(renderPageToImage(singleItem(title, QStringLiteral("業務日誌"), false), 0, 300), area);
    const int bold = inkIn(renderPageToImage(singleItem(title, QStringLiteral("業務日誌"), false, true), 0, 300), area);
    QVERIFY2(regular > 0 && bold > regular * 11 / 10, qPrintable(QStringLiteral("%1 / %2").arg(bold).arg(regular)));
}

void TestReportOutput::textStaysInsideItsBox_data()
{
    QTest::addColumn<bool>("multiLine");
    QTest::addColumn<QString>("text");
    const QString longJapanese = QStringLiteral("売上額と仕入額の集計は月末に行う。").repeated(30);
    QTest::newRow("one line, far too long") << false << longJapanese;
    QTest::newRow("many lines") << true << longJapanese;
    QTest::newRow("many paragraphs") << true << QStringLiteral("一行\r\n").repeated(40);
    QTest::newRow("no break opportunity") << true << QStringLiteral("ABCDEFGHIJ").repeated(60);
}

void TestReportOutput::textStaysInsideItsBox()
{
    QFETCH(bool, multiLine);
    QFETCH(QString, text);
    const QRect box(1440, 1440, 2880, 600);
    const ReportDocument doc = singleItem(box, text, multiLine);
    const QImage image = renderPageToImage(doc, 0, 144);
    const QRect allowed = toPixels(doc.page, box, 144);
    QVERIFY(inkIn(image, allowed) > 100);
    QCOMPARE(inkIn(image, image.rect()) - inkIn(image, allowed), 0);
    if (multiLine) {
        // Wrapped: the lower half of the box holds text too.
        QVERIFY(inkIn(image, toPixels(doc.page, box.adjusted(0, 300, 0, 0), 144, -1)) > 0);
    }
}

void TestReportOutput::oneLineKeepsItsSizeWhereItFits_data()
{
    QTest::addColumn<QString>("fontName");
    QTest::addColumn<QString>("text");
    QTest::newRow("amount") << kMincho << QStringLiteral("-9,999,999,999");
    QTest::newRow("era date") << kMincho << QStringLiteral("H 31/04/30");
    QTest::newRow("period") << kMincho << QStringLiteral("2019/04/20 ～ 2019/06/03");
    // Pairs that kern apart: their single advances add up to less than the text.
    QTest::newRow("kerned") << QStringLiteral("DejaVu Sans") << QStringLiteral("-J -J -J -J -J -J");
}

void TestReportOutput::oneLineKeepsItsSizeWhereItFits()
{
    QFETCH(QString, fontName);
    QFETCH(QString, text);
    DrawItem item = singleItem(QRect(0, 0, 1, 283), text, false).pages[0].items[0];
    item.fontName = fontName;
    const QFont font = ReportPainter::fontFor(item);
    const qreal advance = QFontMetricsF(font).horizontalAdvance(text);
    for (int width = int(advance) - 100; width <= int(advance) + 100; ++width) {
        item.box.setWidth(width);
        QCOMPARE(ReportPainter::fittedPixelSize(item) == font.pixelSize(), advance <= width);
    }
}

void TestReportOutput::textsComeOutAsDrawnAlone()
{
    // Texts of different fonts, sizes and weights, fitting, shrunk and cut off:
    // what one leaves behind in the painter must not change the next.
    const auto text = [](const QRect &box, const QString &fontName, qreal size, const QString &content) {
        DrawItem item = singleItem(box, content, false).pages[0].items[0];
        item.fontName = fontName;
        item.fontSize = size;
        return item;
    };
    QList<DrawItem> items{
        text(QRect(0, 0, 1559, 425), kGothic, kTitlePoints, QStringLiteral("日誌集計")),
        text(QRect(1700, 0, 1559, 425), kGothic, kTitlePoints, QStringLiteral("業務日誌")),
        text(QRect(0, 600, 1600, 283), kMincho, kAmountPoints, QStringLiteral("1,234,567")),
        text(QRect(0, 1000, 1000, 283), kMincho, kAmountPoints, QStringLiteral("-9,999,999,999,999")),
        text(QRect(0, 1400, 992, 354), kGothic, kCaptionPoints, QStringLiteral("売上額")),
        text(QRect(0, 1900, 1965, 300), kMincho, kAmountPoints, QStringLiteral("2019/04/20")),
        text(QRect(0, 2300, 600, 300), kGothic, kCaptionPoints, QStringLiteral("売上額と仕入額の集計")),
        text(QRect(0, 2700, 2880, 600), kMincho, kMemoPoints, QStringLiteral("本日は晴天なり。").repeated(20)),
    };
    items[0].bold = true;
    items[1].bold = true;
    items[2].alignment = Qt::AlignRight | Qt::AlignVCenter;
    items[4].alignment = Qt::AlignHCenter | Qt::AlignVCenter;
    items[7].multiLine = true;
    ReportDocument doc = singleItem(QRect(), QString(), false);
    doc.pages[0].items = items;
    const QImage all = renderPageToImage(doc, 0, 144);
    for (const DrawItem &item : items) {
        doc.pages[0].items = {item};
        const QRect area = toPixels(doc.page, item.box, 144, 2);
        QCOMPARE(all.copy(area), renderPageToImage(doc, 0, 144).copy(area));
    }
}

void TestReportOutput::longJournalTextStaysInsideItsFrame()
{
    PrintJournal data = kJournal;
    for (int i = 1; i <= 300; ++i) {
        data.memo += QStringLiteral("\n%1行目：本日の業務について記す。").arg(i);
    }
    const ReportDocument doc = journalDocument(data, 0x0000FF);
    const QImage image = renderPageToImage(doc, 0, 144);
    const QRect memo = doc.pages[0].item(QStringLiteral("txt日誌"))->box;
    const QRect frame = doc.pages[0].item(QStringLiteral("Shape1"))->box;
    QVERIFY(inkIn(image, toPixels(doc.page, memo, 144)) > 1000);
    // White between the text box and the frame's lower edge, and below the frame.
    const QRect strip(memo.left(), memo.bottom() + 30, memo.width(), frame.bottom() - memo.bottom() - 60);
    QCOMPARE(inkIn(image, toPixels(doc.page, strip, 144, -1)), 0);
    QCOMPARE(inkIn(image, toPixels(doc.page, QRect(0, frame.bottom() + 30, 10000, 9000), 144, -1)), 0);
}

void TestReportOutput::journalTextBreaksAtWholeLines()
{
    PrintJournal data = kJournal;
    data.memo = printingtest::journalText(3000);
    const ReportDocument doc = journalDocument(data, 0);
    QVERIFY(doc.pages.size() >= 3);
    QString rest = data.memo;
    for (const ReportPage &page : doc.pages) {
        const DrawItem &memo = *page.item(QStringLiteral("txt日誌"));
        QVERIFY(rest.startsWith(memo.text));
        rest.remove(0, memo.text.size());
        // Each page shows its lines whole, and the next line would not have fitted.
        QCOMPARE(inkBelowTheBox(memo, memo.text), 0);
        QVERIFY(rest.isEmpty() || inkBelowTheBox(memo, memo.text + rest) > 0);
    }
    QVERIFY(rest.isEmpty());
}

void TestReportOutput::longJournalTextInPdfAndPreview()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    PrintJournal data = kJournal;
    data.memo = printingtest::journalText(3000);
    const ReportDocument doc = journalDocument(data, 0x0000FF);
    const qsizetype count = doc.pages.size();
    QVERIFY(count >= 2);
    const QString path = m_dir.filePath(QStringLiteral("long-journal.pdf"));
    QVERIFY(writePdf(doc, path));
    const auto pdfText = [&](const QStringList &options) {
        return run(QStringLiteral("pdftotext"), QStringList{QStringLiteral("-enc"), QStringLiteral("UTF-8")} + options +
                                                    QStringList{path, QStringLiteral("-")});
    };
    QCOMPARE(pdfText({}).count(QLatin1Char('\f')), count);

    // pdftotext leaves out the blanks of "n / m" and puts in its own line breaks.
    const auto joined = [](QString text) {
        text.remove(QRegularExpression(QStringLiteral("\\s")));
        return text;
    };
    QString memo;
    for (qsizetype n = 0; n < count; ++n) {
        const QString number = QString::number(n + 1);
        const QStringList onePage{QStringLiteral("-f"), number, QStringLiteral("-l"), number};
        const QString page = pdfText(onePage);
        QVERIFY2(joined(page).contains(QStringLiteral("%1/%2").arg(n + 1).arg(count)), qPrintable(page));
        QCOMPARE(page.contains(kJournal.dateText + QStringLiteral("（続き）")), n > 0);
        QCOMPARE(page.contains(QStringLiteral("1,234,567")), n == 0);
        // The text of the frame alone, cut out at 72 dpi, in points.
        const QRect box = doc.pages[n].item(QStringLiteral("Shape1"))->box;
        const QRect area((doc.page.leftMargin + box.left()) / 20, (doc.page.topMargin + box.top()) / 20,
                         box.width() / 20, box.height() / 20);
        memo += pdfText(onePage + QStringList{QStringLiteral("-x"), QString::number(area.x()), QStringLiteral("-y"),
                                              QString::number(area.y()), QStringLiteral("-W"),
                                              QString::number(area.width()), QStringLiteral("-H"),
                                              QString::number(area.height())});
    }
    // Every character in order, once the lines are joined again.
    QCOMPARE(joined(memo), joined(data.memo));

    // The preview shows the same pages.
    QPointer<ReportViewer> viewer = showJournalReport(data, 0, nullptr);
    QVERIFY(viewer && QTest::qWaitForWindowExposed(viewer));
    QCOMPARE(viewer->document().pages.size(), count);
    QTRY_COMPARE(viewer->findChild<QPrintPreviewWidget *>()->pageCount(), int(count));
    viewer->close();
    QTRY_VERIFY(viewer.isNull());
}

void TestReportOutput::coloursOnThePage()
{
    const ReportDocument doc = journalDocument(kJournal, 0x0000FF); // red
    const int dpi = 288;
    const QImage image = renderPageToImage(doc, 0, dpi);
    QCOMPARE(image.size(), QSize(qCeil(11906 / 5.0), qCeil(16838 / 5.0)));
    const auto isRed = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80; };
    // Line1 runs 680 twips down from the top margin of 50, from 1000 to 9300 across.
    const QRgb onLine = image.pixel((1000 + 5000) / 5, (50 + 680) / 5);
    QVERIFY2(isRed(onLine), qPrintable(QColor(onLine).name()));
    // The darkest pixel of a text tells its colour.
    const auto darkest = [&](const QString &name) {
        const QRect area = toPixels(doc.page, doc.pages[0].item(name)->box, dpi);
        QRgb best = qRgb(255, 255, 255);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                best = qGray(image.pixel(x, y)) < qGray(best) ? image.pixel(x, y) : best;
            }
        }
        return best;
    };
    QVERIFY(isRed(darkest(QStringLiteral("lblタイトル"))) && isRed(darkest(QStringLiteral("Label5"))));
    for (const QString &name : {QStringLiteral("Label1"), QStringLiteral("txt売上額"), QStringLiteral("txt日付")}) {
        QVERIFY2(qGray(darkest(name)) < 80 && !isRed(darkest(name)), qPrintable(name));
    }
}

void TestReportOutput::pdf()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    testsupport::TempData data;
    const std::unique_ptr<store::Store> files = store::makeSqliteStore();
    QVERIFY(data.ok() && !files->open(store::Location::inFolder(data.folder())));
    QVERIFY(
        printingtest::fillWorkTable(*files, data.mainPath(), printingtest::consecutiveDays(QDate(2007, 4, 1), 100)));
    TotalsReport totals(kTotals, *files, QStringLiteral("和暦"), 0x008000);
    const ReportDocument totalsDoc = ReportEngine::run(totals).document;

    const QList<std::tuple<QString, ReportDocument, QStringList>> cases{
        {QStringLiteral("journal.pdf"),
         journalDocument(kJournal, 0x0000FF),
         {QStringLiteral("業務日誌"), QStringLiteral("2007年04月04日"), QStringLiteral("1,234,567"),
          QStringLiteral("-500"), QStringLiteral("98,765"), QStringLiteral("出金額"),
          QStringLiteral("本日は晴天なり。"), QStringLiteral("明日は棚卸し。")}},
        {QStringLiteral("totals.pdf"),
         totalsDoc,
         {QStringLiteral("日誌集計"), QStringLiteral("2007/04/01 ～ 2007/04/30"), QStringLiteral("4,321"),
          QStringLiteral("H 19/04/01"), QStringLiteral("H 19/07/09"), QStringLiteral("100,000"),
          QStringLiteral("-99")}}};
    for (const auto &[name, doc, expected] : cases) {
        const QString path = m_dir.filePath(name);
        QVERIFY(writePdf(doc, path));
        QString text = run(QStringLiteral("pdftotext"),
                           {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
        // The IPA fonts draw U+FF5E and the wave dash U+301C with one glyph,
        // which the PDF maps back to the wave dash.
        text.replace(QChar(0x301C), QChar(0xFF5E));
        for (const QString &e : expected) {
            QVERIFY2(text.contains(e), qPrintable(e + QStringLiteral(" is not in:\n") + text));
        }
        QCOMPARE(text.count(QLatin1Char('\f')), doc.pages.size());
        QCOMPARE(text.count(doc.title), doc.pages.size());
        // Every font embedded: the column "emb" of pdffonts, fifth from the end.
        const QStringList fonts = run(QStringLiteral("pdffonts"), {path}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(fonts.size() > 2);
        for (const QString &line : fonts.mid(2)) {
            const QStringList columns = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QVERIFY2(columns.size() >= 7 && columns.at(columns.size() - 5) == QStringLiteral("yes"), qPrintable(line));
        }
    }
    QCOMPARE(totalsDoc.pages.size(), 3);
    QVERIFY(!writePdf(totalsDoc, m_dir.filePath(QStringLiteral("no/such/folder.pdf"))));
}

void TestReportOutput::screenshots()
{
    // Set ZEPHRA_SCREENSHOT_DIR to keep the pictures for a look.
    const QDir folder(qEnvironmentVariableIsSet("ZEPHRA_SCREENSHOT_DIR") ? qEnvironmentVariable("ZEPHRA_SCREENSHOT_DIR")
                                                                         : m_dir.path());
    testsupport::TempData data;
    const std::unique_ptr<store::Store> files = store::makeSqliteStore();
    QVERIFY(data.ok() && !files->open(store::Location::inFolder(data.folder())));
    QList<printingtest::WorkRow> rows = printingtest::consecutiveDays(QDate(2019, 4, 20), 45);
    rows[3].sales = 9999999999;
    rows[4].moneyIn = -9999999999;
    rows[5].purchases = std::nullopt;
    QVERIFY(printingtest::fillWorkTable(*files, data.mainPath(), rows));
    PrintTotals period{
        QStringLiteral("平成 31年04月20日"), QStringLiteral("令和 01年06月03日"), 99999999999, 0, -500, 1};
    TotalsReport totals(period, *files, QStringLiteral("和暦"), 0xC06000);
    const ReportDocument totalsDoc = ReportEngine::run(totals).document;
    const ReportDocument journalDoc = journalDocument(kJournal, 0x0000C0);
    QCOMPARE(totalsDoc.pages.size(), 2);
    const QImage shots[] = {renderPageToImage(journalDoc, 0, 110), renderPageToImage(totalsDoc, 0, 110),
                            renderPageToImage(totalsDoc, 1, 110)};
    const char *names[] = {"report_journal.png", "report_totals_1.png", "report_totals_2.png"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(shots[i].width(), qCeil(11906 * 110 / 1440.0));
        QVERIFY(shots[i].save(folder.filePath(QString::fromLatin1(names[i]))));
    }
    QVERIFY(renderPageToImage(totalsDoc, 2, 110).isNull());
}

void TestReportOutput::viewer()
{
    ReportDocument doc = journalDocument(kJournal, 0);
    doc.pages.append(doc.pages.first());
    QPointer<ReportViewer> viewer = new ReportViewer(doc);
    QVERIFY(viewer->testAttribute(Qt::WA_DeleteOnClose) && !viewer->isModal());
    auto *save = viewer->findChild<QAction *>(QStringLiteral("actionSavePdf"));
    QVERIFY(save);
    QCOMPARE(save->text(), QStringLiteral("PDFに保存"));
    QVERIFY(viewer->findChild<QToolBar *>()->actions().contains(save));

    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    auto *preview = viewer->findChild<QPrintPreviewWidget *>();
    QTRY_COMPARE(preview->pageCount(), 2);
    // Landscape chosen in the preview does not turn the report's A4 portrait pages.
    preview->setLandscapeOrientation();
    preview->updatePreview();
    QTRY_COMPARE(preview->pageCount(), 2);
    QCOMPARE(viewer->printer()->pageLayout().orientation(), QPageLayout::Portrait);
    QCOMPARE(viewer->printer()->pageLayout().pageSize().id(), QPageSize::A4);

    QVERIFY(viewer->savePdf(m_dir.filePath(QStringLiteral("viewer.pdf"))));
    QFile file(m_dir.filePath(QStringLiteral("viewer.pdf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(5), QByteArray("%PDF-"));
    testsupport::ScriptedPresenter presenter;
    viewer->setPresenter(&presenter);
    QVERIFY(!viewer->savePdf(m_dir.filePath(QStringLiteral("missing/viewer.pdf"))));
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.first().style, common::kWarning);

    viewer->close();
    QTRY_VERIFY(viewer.isNull());
}

void TestReportOutput::printCommands()
{
    QPointer<ReportViewer> first = showJournalReport(kJournal, 0, nullptr);
    QPointer<ReportViewer> second = showJournalReport(PrintJournal(), 0, nullptr);
    QVERIFY(first && second && first != second && first->isVisible());
    QCOMPARE(first->document().pages[0].item(QStringLiteral("txt日付"))->text, kJournal.dateText);
    QCOMPARE(second->document().pages[0].item(QStringLiteral("txt日付"))->text, QString());
    first->close();
    second->close();
    QTRY_VERIFY(first.isNull() && second.isNull());

    testsupport::TempData data;
    const std::unique_ptr<store::Store> files = store::makeSqliteStore();
    QVERIFY(data.ok() && !files->open(store::Location::inFolder(data.folder())));
    QVERIFY(printingtest::fillWorkTable(*files, data.mainPath(), printingtest::consecutiveDays(QDate(2007, 4, 1), 5)));
    testsupport::ScriptedPresenter presenter;
    QPointer<ReportViewer> totals = showTotalsReport(kTotals, *files, QStringLiteral("西暦"), 0, nullptr, &presenter);
    QVERIFY(totals && presenter.shown.isEmpty());
    QCOMPARE(totals->document().pages[0].itemsNamed(QStringLiteral("txt日付")).size(), 5);
    totals->close();

    // A work table that cannot be read gives a notice, not a report without rows.
    files->close();
    QVERIFY(!showTotalsReport(kTotals, *files, QStringLiteral("西暦"), 0, nullptr, &presenter));
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.first().style, common::kWarning);
}

void TestReportOutput::pdfNameAndFolder()
{
    // The report and its day or period, the dates as ISO days in either calendar mode.
    PrintJournal day = kJournal;
    day.date = QDate(2021, 5, 10);
    QCOMPARE(pdfFileName(journalDocument(day, 0)), QStringLiteral("業務日誌_2021-05-10.pdf"));
    QCOMPARE(pdfFileName(journalDocument(PrintJournal(), 0)), QStringLiteral("業務日誌.pdf"));

    PrintTotals period = kTotals;
    period.start = QDate(2018, 1, 1);
    period.end = QDate(2020, 12, 31);
    testsupport::TempData data;
    const std::unique_ptr<store::Store> files = store::makeSqliteStore();
    QVERIFY(data.ok() && !files->open(store::Location::inFolder(data.folder())));
    TotalsReport totals(period, *files, QStringLiteral("和暦"), 0);
    const ReportDocument totalsDoc = ReportEngine::run(totals).document;
    QCOMPARE(pdfFileName(totalsDoc), QStringLiteral("集計_2018-01-01_2020-12-31.pdf"));
    SummaryReport years(period, {}, store::Grouping::Year, QStringLiteral("西暦"), 0);
    QCOMPARE(pdfFileName(ReportEngine::run(years).document), QStringLiteral("年別集計_2018-01-01_2020-12-31.pdf"));
    SummaryReport months(period, {}, store::Grouping::Month, QStringLiteral("西暦"), 0);
    QCOMPARE(pdfFileName(ReportEngine::run(months).document), QStringLiteral("月別集計_2018-01-01_2020-12-31.pdf"));

    // In the folder last saved into while it is there, else in the documents folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(proposedPdfPath(totalsDoc, m_dir.path()),
             m_dir.filePath(QStringLiteral("集計_2018-01-01_2020-12-31.pdf")));
    QCOMPARE(proposedPdfPath(totalsDoc, m_dir.filePath(QStringLiteral("gone"))),
             QDir(documents).filePath(QStringLiteral("集計_2018-01-01_2020-12-31.pdf")));
    QCOMPARE(proposedPdfPath(totalsDoc, QString()),
             QDir(documents).filePath(QStringLiteral("集計_2018-01-01_2020-12-31.pdf")));

    // The folder is remembered per user, in the user's settings, not in the data folder.
    QStandardPaths::setTestModeEnabled(true);
    const QString saved = m_dir.filePath(QStringLiteral("集計_2018-01-01_2020-12-31.pdf"));
    rememberPdfFolder(saved);
    QCOMPARE(lastPdfFolder(), m_dir.path());
    QCOMPARE(proposedPdfPath(journalDocument(day, 0), lastPdfFolder()),
             m_dir.filePath(QStringLiteral("業務日誌_2021-05-10.pdf")));
    const QDir configs(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QVERIFY(QFileInfo::exists(configs.filePath(QStringLiteral("zephra/zephra.conf"))));
    QVERIFY(QDir(data.folder()).entryList(QDir::Files).filter(QStringLiteral(".conf")).isEmpty());
    QFile::remove(configs.filePath(QStringLiteral("zephra/zephra.conf")));
    QStandardPaths::setTestModeEnabled(false);
}

void TestReportOutput::emojiFromTheEmojiFont()
{
    const QString emoji = QStringLiteral("Noto Color Emoji");
    if (!QFontDatabase::hasFamily(emoji)) {
        QSKIP("fonts-noto-color-emoji is not installed");
    }
    // On screen: after the Japanese gothic, for the characters it lacks.
    QCOMPARE(ui::uiFontFamilies(), (QStringList{QStringLiteral("IPAPGothic"), emoji}));
    const QFont before = QApplication::font();
    ui::useScreenFont();
    QCOMPARE(QApplication::font().families(), (QStringList{QStringLiteral("IPAPGothic"), emoji}));
    QApplication::setFont(before);

    // On paper: a journal text with 🔥 embeds the emoji font beside the IPA fonts.
    PrintJournal data = kJournal;
    data.memo = QStringLiteral("本日は大盛況🔥 完売。");
    const ReportDocument doc = journalDocument(data, 0);
    QCOMPARE(ReportPainter::fontFor(*doc.pages[0].item(QStringLiteral("txt日誌"))).families(),
             (QStringList{QStringLiteral("IPAPMincho"), emoji}));
    if (QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty()) {
        QSKIP("pdffonts (poppler-utils) is not installed");
    }
    const QString path = m_dir.filePath(QStringLiteral("emoji.pdf"));
    QVERIFY(writePdf(doc, path));
    const QString fonts = run(QStringLiteral("pdffonts"), {path});
    QVERIFY2(fonts.contains(QStringLiteral("NotoColorEmoji")), qPrintable(fonts));
    QVERIFY2(fonts.contains(QStringLiteral("IPAPMincho")), qPrintable(fonts));
    // Its glyph is a colour picture that a PDF font cannot carry: the picture is drawn over the character.
    const QStringList images =
        run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(images.size(), 2 + 2); // the heading, then the picture and its transparency

    // Drawn in colour on an image of the page, as on the screen's preview.
    const QImage page = renderPageToImage(doc, 0, 144);
    const QRect memo = toPixels(doc.page, doc.pages[0].item(QStringLiteral("txt日誌"))->box, 144);
    int orange = 0;
    for (int y = memo.top(); y <= memo.bottom(); ++y) {
        for (int x = memo.left(); x <= memo.right(); ++x) {
            const QRgb p = page.pixel(x, y);
            orange += qRed(p) > 200 && qGreen(p) > 60 && qGreen(p) < 190 && qBlue(p) < 90 ? 1 : 0;
        }
    }
    QVERIFY2(orange > 20, qPrintable(QString::number(orange)));
}

QTEST_MAIN(TestReportOutput)
#include "tst_reportoutput.moc"
