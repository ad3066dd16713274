// The two reports as drawing items: layout, filling, colours and pagination.

#include "printing/journalreport.h"
#include "printing/journaltext.h"
#include "printing/reportengine.h"
#include "printing/totalsreport.h"
#include "printing/worktable.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/tempdata.h"

#include <QSet>
#include <QTest>

using namespace printing;

namespace {

// Where a control must be: a box for texts and rectangles, a line for lines.
struct Place
{
    const char *name;
    QRect box;
    QLine line = {};
};

void checkPlaces(const ReportPage &page, const QList<Place> &places, int offsetY = 0)
{
    QSet<QString> names;
    for (const Place &p : places) {
        const QString name = QString::fromUtf8(p.name);
        names.insert(name);
        const DrawItem *item = page.item(name);
        QVERIFY2(item, p.name);
        if (p.line.isNull()) {
            QVERIFY2(item->kind != DrawItem::Kind::Line && item->box == p.box.translated(0, offsetY), p.name);
        } else {
            QVERIFY2(item->kind == DrawItem::Kind::Line && item->line == p.line.translated(0, offsetY), p.name);
        }
    }
    for (const DrawItem &item : page.items) {
        if (item.kind == DrawItem::Kind::Text) {
            // A box holds at least one line of its font (a point is 20 twips).
            QVERIFY2(item.fontSize * 20 < item.box.height(), qPrintable(item.name));
        }
    }
}

QStringList textsOf(const ReportPage &page, const QString &name)
{
    QStringList texts;
    for (const DrawItem &item : page.itemsNamed(name)) {
        texts.append(item.text);
    }
    return texts;
}

const QString kGothicName = QStringLiteral("ＭＳ Ｐゴシック");
const QString kMinchoName = QStringLiteral("ＭＳ Ｐ明朝");

PrintJournal sampleJournal()
{
    return {QStringLiteral("2007年04月04日"),
            1234567,
            0,
            -500,
            std::nullopt,
            QStringLiteral("本日は晴天なり。\n午後から来客二件。")};
}

PrintTotals sampleTotals()
{
    return {QStringLiteral("2007/04/01"), QStringLiteral("2007/04/30"), 1234567, 0, -500, std::nullopt};
}

ReportRun runJournal(const PrintJournal &data, qint32 lineColor = 0)
{
    JournalReport report(data, lineColor);
    return ReportEngine::run(report);
}

} // namespace

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void journalLayout();
    void journalAmounts_data();
    void journalAmounts();
    void journalTextsAndColours();
    void journalTextOverPages();
    void journalTextOfTheFrameCapacity();
    void totalsLayout();
    void totalsHeading_data();
    void totalsHeading();
    void totalsRows();
    void rowDates_data();
    void rowDates();
    void hundredRowsOverThreePages();
    void emptyOrUnreadableWorkTable();
    void bandTallerThanThePage();

private:
    ReportRun runTotals(const PrintTotals &data, const QString &mode = QStringLiteral("西暦"), qint32 colour = 0);

    QString workPath() const { return m_data->workPath(); }
    std::unique_ptr<testsupport::TempData> m_data;
    std::unique_ptr<store::Store> m_store;
};

void TestReports::init()
{
    m_data = std::make_unique<testsupport::TempData>();
    m_store = store::makeSqliteStore();
    QVERIFY(m_data->ok() && !m_store->open(store::Location::inFolder(m_data->folder())));
}

void TestReports::cleanup()
{
    m_store.reset();
    m_data.reset();
}

ReportRun TestReports::runTotals(const PrintTotals &data, const QString &mode, qint32 colour)
{
    TotalsReport report(data, *m_store, mode, colour);
    return ReportEngine::run(report);
}

void TestReports::journalLayout()
{
    const ReportDocument doc = runJournal(sampleJournal()).document;
    QCOMPARE(doc.pages.size(), 1);
    const PageSetup &page = doc.page;
    QCOMPARE(QList<int>({page.paperSize, page.orientation, page.leftMargin, page.rightMargin, page.topMargin}),
             QList<int>({9, 1, 1000, 600, 50}));
    QCOMPARE(page.bottomMargin, 1440);
    QCOMPARE(page.paperTwips(), QSize(qRound(210 / 25.4 * 1440), qRound(297 / 25.4 * 1440))); // A4 in mm
    QCOMPARE(JournalReport::designedLayout().page.paperSize, int(PaperDefault)); // set by the start handler

    const ReportPage &p = doc.pages.first();
    checkPlaces(p, {{"lblタイトル", {283, 142, 1560, 425}},
                    {"Label1", {6236, 142, 709, 354}},
                    {"txt日付", {7080, 135, 2520, 360}},
                    {"Label2", {1772, 780, 992, 320}},
                    {"Label3", {4039, 780, 1063, 320}},
                    {"Label4", {6165, 780, 1063, 320}},
                    {"Label5", {8000, 800, 1063, 320}},
                    {"txt日誌", {420, 2055, 9600, 4680}},
                    {"Label6", {425, 1559, 709, 354}},
                    {"txt売上額", {1205, 1260, 1488, 283}},
                    {"txt仕入額", {3331, 1260, 1559, 283}},
                    {"txt入金額", {5528, 1260, 1559, 283}},
                    {"txt出金額", {7441, 1260, 1559, 283}},
                    {"Shape1", {210, 1980, 9975, 4890}},
                    {"Line1", {}, {1000, 680, 9300, 680}},
                    {"Line2", {}, {1000, 1150, 9300, 1150}}});
    QCOMPARE(p.items.size(), 16);
    QCOMPARE(p.item(QStringLiteral("Shape1"))->kind, DrawItem::Kind::Rectangle);
    const QStringList labels{QStringLiteral("業務日誌"), QStringLiteral("日付"),   QStringLiteral("売上額"),
                             QStringLiteral("仕入額"),   QStringLiteral("入金額"), QStringLiteral("出金額"),
                             QStringLiteral("日誌")};
    int label = 0;
    for (const DrawItem &item : p.items) {
        const bool isLabel = item.name.startsWith(QStringLiteral("L")) && item.kind == DrawItem::Kind::Text;
        if (isLabel || item.name == QStringLiteral("lblタイトル")) {
            QCOMPARE(item.text, labels.at(label++));
        }
        if (item.kind == DrawItem::Kind::Text) {
            const bool gothic =
                isLabel || item.name == QStringLiteral("lblタイトル") || item.name == QStringLiteral("txt日付");
            QCOMPARE(item.fontName, gothic ? kGothicName : kMinchoName);
            QCOMPARE(item.bold, item.name == QStringLiteral("lblタイトル"));
        }
    }
    QCOMPARE(label, labels.size());
}

void TestReports::journalAmounts_data()
{
    QTest::addColumn<std::optional<qint64>>("amount");
    QTest::addColumn<QString>("shown");
    QTest::newRow("millions") << std::optional<qint64>(1234567) << QStringLiteral("1,234,567");
    QTest::newRow("zero") << std::optional<qint64>(0) << QString();
    QTest::newRow("negative") << std::optional<qint64>(-500) << QStringLiteral("-500");
    QTest::newRow("empty box") << std::optional<qint64>() << QString();
    QTest::newRow("smallest") << std::optional<qint64>(-9999999999) << QStringLiteral("-9,999,999,999");
}

void TestReports::journalAmounts()
{
    QFETCH(std::optional<qint64>, amount);
    QFETCH(QString, shown);
    // The amount goes into each box in turn, the others hold 7,000 + their index:
    // a box filled from the wrong amount shows.
    const QStringList boxes{QStringLiteral("txt売上額"), QStringLiteral("txt仕入額"), QStringLiteral("txt入金額"),
                            QStringLiteral("txt出金額")};
    for (int target = 0; target < 4; ++target) {
        PrintJournal data = sampleJournal();
        std::optional<qint64> *amounts[] = {&data.sales, &data.purchases, &data.moneyIn, &data.moneyOut};
        for (int i = 0; i < 4; ++i) {
            *amounts[i] = i == target ? amount : std::optional<qint64>(7000 + i);
        }
        const ReportPage page = runJournal(data).document.pages.first();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(page.item(boxes.at(i))->text, i == target ? shown : QStringLiteral("7,00%1").arg(i));
        }
        QCOMPARE(page.item(QStringLiteral("txt日誌"))->text, data.memo); // the rest is still filled
    }
}

void TestReports::journalTextsAndColours()
{
    const QSet<QString> coloured{QStringLiteral("lblタイトル"), QStringLiteral("Label2"), QStringLiteral("Label3"),
                                 QStringLiteral("Label4"),      QStringLiteral("Label5"), QStringLiteral("Line1"),
                                 QStringLiteral("Line2"),       QStringLiteral("Shape1")};
    // 0x00BBGGRR: 0x804020 is red 0x20, green 0x40, blue 0x80.
    const ReportPage page = runJournal(sampleJournal(), 0x804020).document.pages.first();
    for (const DrawItem &item : page.items) {
        const QColor expected = coloured.contains(item.name) ? QColor(0x20, 0x40, 0x80) : QColor(Qt::black);
        QVERIFY2(item.colour == expected, qPrintable(item.name + QLatin1Char(' ') + item.colour.name()));
    }
    QCOMPARE(page.item(QStringLiteral("txt日付"))->text, QStringLiteral("2007年04月04日"));
    const DrawItem *memo = page.item(QStringLiteral("txt日誌"));
    QCOMPARE(memo->text, sampleJournal().memo);
    QVERIFY(memo->multiLine);

    // An empty page prints empty fields; an era date prints as the box shows it.
    PrintJournal era;
    era.dateText = QStringLiteral("平成 19年04月04日");
    const ReportPage empty = runJournal(era).document.pages.first();
    QCOMPARE(empty.item(QStringLiteral("txt日付"))->text, era.dateText);
    for (const QString &name : {QStringLiteral("txt売上額"), QStringLiteral("txt出金額"), QStringLiteral("txt日誌")}) {
        QVERIFY(empty.item(name)->text.isEmpty());
    }
}

void TestReports::journalTextOverPages()
{
    PrintJournal data = sampleJournal();
    data.memo = printingtest::journalText(3000);
    const ReportRun run = runJournal(data);
    const QList<ReportPage> &pages = run.document.pages;
    QVERIFY(pages.size() >= 3);

    const ReportPage &first = pages.first();
    const QRect firstMemo = first.item(QStringLiteral("txt日誌"))->box;
    const QRect firstFrame = first.item(QStringLiteral("Shape1"))->box;
    QString joined;
    for (qsizetype n = 0; n < pages.size(); ++n) {
        const ReportPage &page = pages.at(n);
        const DrawItem *memo = page.item(QStringLiteral("txt日誌"));
        QVERIFY(memo && !memo->text.isEmpty());
        joined += memo->text;
        QCOMPARE(page.item(QStringLiteral("txtページ"))->text, QStringLiteral("%1 / %2").arg(n + 1).arg(pages.size()));
        QCOMPARE(page.item(QStringLiteral("txt日付"))->text,
                 n == 0 ? data.dateText : data.dateText + QStringLiteral("（続き）"));
        if (n == 0) {
            QCOMPARE(page.items.size(), 17);
            continue;
        }
        // The heading as on the first page; the amounts only there.
        for (const QString &name : {QStringLiteral("lblタイトル"), QStringLiteral("Label1"), QStringLiteral("Line1"),
                                    QStringLiteral("Label6")}) {
            QVERIFY2(page.item(name) && *page.item(name) == *first.item(name), qPrintable(name));
        }
        QCOMPARE(page.item(QStringLiteral("txt日付"))->box, first.item(QStringLiteral("txt日付"))->box);
        for (const QString &name : {QStringLiteral("Label2"), QStringLiteral("Label5"), QStringLiteral("txt売上額"),
                                    QStringLiteral("txt出金額"), QStringLiteral("Line2")}) {
            QVERIFY2(!page.item(name), qPrintable(name));
        }
        QCOMPARE(page.items.size(), 8);
        // The first page's frame reaching down to the bottom margin, the text
        // box in it as far from its edges.
        const QRect frame = page.item(QStringLiteral("Shape1"))->box;
        QCOMPARE(frame.topLeft(), firstFrame.topLeft());
        QCOMPARE(frame.width(), firstFrame.width());
        QCOMPARE(frame.top() + frame.height(), run.document.page.bodyHeight());
        QCOMPARE(memo->box.topLeft(), firstMemo.topLeft());
        QCOMPARE(memo->box.width(), firstMemo.width());
        QCOMPARE(frame.bottom() - memo->box.bottom(), firstFrame.bottom() - firstMemo.bottom());
    }
    // Split in order, nothing left out, nothing twice.
    QCOMPARE(joined, data.memo);
}

void TestReports::journalTextOfTheFrameCapacity()
{
    // The frame's capacity in lines is what the first page of a longer text
    // holds: about 20 lines of 10.5 points in 4,680 twips.
    PrintJournal data = sampleJournal();
    data.memo = printingtest::numberedLines(60);
    const QString held = runJournal(data).document.pages.first().item(QStringLiteral("txt日誌"))->text;
    const int capacity = int(held.count(QLatin1Char('\n')));
    QVERIFY2(capacity >= 18 && capacity <= 22, qPrintable(held));
    QCOMPARE(held, printingtest::numberedLines(capacity) + QLatin1Char('\n'));

    // Up to the capacity, the page is the one of a short text with a longer one.
    const ReportPage shortPage = runJournal(sampleJournal()).document.pages.first();
    const auto withText = [](ReportPage page, const QString &text) {
        for (DrawItem &item : page.items) {
            if (item.name == QStringLiteral("txt日誌")) {
                item.text = text;
            }
        }
        return page;
    };
    QCOMPARE(shortPage.items.size(), 16);
    data.memo = printingtest::numberedLines(capacity);
    const QList<ReportPage> full = runJournal(data).document.pages;
    QCOMPARE(full.size(), 1);
    QVERIFY(full.first().items == withText(shortPage, data.memo).items);
    // Paragraph breaks and blank lines at the end take no page of their own.
    data.memo += QStringLiteral("\n\n\u3000\r\n ");
    QCOMPARE(runJournal(data).document.pages.size(), 1);

    // One line more takes a second page, with that line alone.
    data.memo = printingtest::numberedLines(capacity + 1);
    const QList<ReportPage> over = runJournal(data).document.pages;
    QCOMPARE(over.size(), 2);
    ReportPage firstPage = over.first();
    QCOMPARE(firstPage.item(QStringLiteral("txtページ"))->text, QStringLiteral("1 / 2"));
    firstPage.items.removeIf([](const DrawItem &item) { return item.name == QStringLiteral("txtページ"); });
    QVERIFY(firstPage.items == withText(shortPage, printingtest::numberedLines(capacity) + QLatin1Char('\n')).items);
    QCOMPARE(over.last().item(QStringLiteral("txt日誌"))->text,
             QStringLiteral("第%1行　本日の業務について記す。").arg(capacity + 1));
    QCOMPARE(over.last().item(QStringLiteral("txtページ"))->text, QStringLiteral("2 / 2"));
}

void TestReports::totalsLayout()
{
    QVERIFY(
        printingtest::fillWorkTable(*m_store, m_data->mainPath(), printingtest::consecutiveDays(QDate(2007, 4, 1), 2)));
    const ReportRun run = runTotals(sampleTotals(), QStringLiteral("西暦"), 0x30C010);
    QVERIFY(run.ok());
    const PageSetup &page = run.document.page;
    QCOMPARE(QList<int>({page.paperSize, page.orientation, page.leftMargin, page.rightMargin, page.topMargin}),
             QList<int>({9, 1, 1200, 600, 50}));
    const ReportPage &p = run.document.pages.first();
    checkPlaces(p, {{"lblタイトル", {213, 213, 1559, 425}},
                    {"Label2", {3047, 1630, 992, 354}},
                    {"Label3", {4677, 1630, 1063, 354}},
                    {"Label4", {6591, 1630, 1063, 354}},
                    {"Label5", {8433, 1630, 1063, 354}},
                    {"Label6", {2339, 213, 992, 354}},
                    {"txt期間", {3540, 210, 5610, 360}},
                    {"Line1", {}, {142, 1559, 9500, 1559}},
                    {"Label7", {2622, 780, 992, 354}},
                    {"Label8", {4677, 780, 1063, 354}},
                    {"Label9", {6591, 780, 1063, 354}},
                    {"Label10", {8433, 780, 1063, 354}},
                    {"txt売上計", {1845, 1200, 1845, 285}},
                    {"txt仕入計", {3750, 1200, 1920, 285}},
                    {"txt入金計", {5740, 1205, 1772, 283}},
                    {"txt出金計", {7866, 1205, 1559, 283}},
                    {"Label11", {850, 1630, 993, 354}},
                    {"Line2", {}, {142, 1984, 9500, 1984}}});
    // Detail bands below the heading of 2055, 310 apart.
    const QList<Place> band{{"txt日付", {285, 0, 1965, 300}},    {"txt売上額", {2268, 0, 1600, 283}},
                            {"txt仕入額", {4181, 0, 1559, 283}}, {"txt入金額", {6100, 0, 1559, 283}},
                            {"txt出金額", {7900, 0, 1600, 283}}, {"Line3", {}, {142, 300, 9500, 300}}};
    checkPlaces(p, band, 2055);
    ReportPage second;
    for (const Place &place : band) {
        const QList<DrawItem> both = p.itemsNamed(QString::fromUtf8(place.name));
        QCOMPARE(both.size(), 2);
        second.items.append(both.last());
    }
    checkPlaces(second, band, 2055 + 310);
    QCOMPARE(p.items.size(), 18 + 2 * 6 + 1); // and the date printed in the footer

    QCOMPARE(p.item(QStringLiteral("Label6"))->text, QStringLiteral("期\u3000間"));
    QCOMPARE(p.item(QStringLiteral("Label10"))->text, QStringLiteral("出金計"));
    for (const DrawItem &item : p.items) {
        if (item.kind == DrawItem::Kind::Text) {
            const bool label = item.name.startsWith(QStringLiteral("Label")) ||
                               item.name == QStringLiteral("lblタイトル") ||
                               item.section == QStringLiteral("PageFooter");
            QCOMPARE(item.fontName, label ? kGothicName : kMinchoName);
        }
        // 0x00BBGGRR 0x30C010: all eleven labels and the three lines in green.
        const bool coloured = item.name.startsWith(QStringLiteral("Label")) ||
                              item.name.startsWith(QStringLiteral("Line")) ||
                              item.name == QStringLiteral("lblタイトル");
        QVERIFY2(item.colour == (coloured ? QColor(0x10, 0xC0, 0x30) : QColor(Qt::black)), qPrintable(item.name));
    }
}

void TestReports::totalsHeading_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("period");
    QTest::newRow("western") << QStringLiteral("2007/04/01") << QStringLiteral("2007/04/30")
                             << QStringLiteral("2007/04/01 \uFF5E 2007/04/30");
    QTest::newRow("era") << QStringLiteral("平成 19年04月01日") << QStringLiteral("平成 19年04月30日")
                         << QStringLiteral("平成 19年04月01日 \uFF5E 平成 19年04月30日");
    QTest::newRow("empty") << QString() << QString() << QStringLiteral(" \uFF5E ");
}

void TestReports::totalsHeading()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, period);
    PrintTotals data = sampleTotals();
    data.startText = start;
    data.endText = end;
    const ReportPage page = runTotals(data).document.pages.first();
    QCOMPARE(page.item(QStringLiteral("txt期間"))->text, period);
    QCOMPARE(page.item(QStringLiteral("txt売上計"))->text, QStringLiteral("1,234,567"));
    QCOMPARE(page.item(QStringLiteral("txt仕入計"))->text, QString()); // a sum of 0
    QCOMPARE(page.item(QStringLiteral("txt入金計"))->text, QStringLiteral("-500"));
    QCOMPARE(page.item(QStringLiteral("txt出金計"))->text, QString()); // no value
}

void TestReports::totalsRows()
{
    // Stored out of date order, they print in the table's order; zero prints as 0.
    QVERIFY(printingtest::fillWorkTable(*m_store, m_data->mainPath(),
                                        {{QDate(2007, 4, 3), 0, 1234567, -500, std::nullopt},
                                         {QDate(2007, 4, 1), 9999999999, -9999999999, 999, 1000}}));
    const ReportPage page = runTotals(sampleTotals()).document.pages.first();
    QCOMPARE(textsOf(page, QStringLiteral("txt日付")),
             QStringList({QStringLiteral("2007/04/03"), QStringLiteral("2007/04/01")}));
    QCOMPARE(textsOf(page, QStringLiteral("txt売上額")),
             QStringList({QStringLiteral("0"), QStringLiteral("9,999,999,999")}));
    QCOMPARE(textsOf(page, QStringLiteral("txt仕入額")),
             QStringList({QStringLiteral("1,234,567"), QStringLiteral("-9,999,999,999")}));
    QCOMPARE(textsOf(page, QStringLiteral("txt入金額")), QStringList({QStringLiteral("-500"), QStringLiteral("999")}));
    QCOMPARE(textsOf(page, QStringLiteral("txt出金額")), QStringList({QString(), QStringLiteral("1,000")}));
    QCOMPARE(page.item(QStringLiteral("txt仕入計"))->text, QString()); // the heading's 0 stays empty

    // A later change of the table leaves a run report as it was.
    const ReportRun before = runTotals(sampleTotals());
    QVERIFY(!m_store->clearWork());
    QCOMPARE(before.document.pages.first().itemsNamed(QStringLiteral("txt日付")).size(), 2);
}

void TestReports::rowDates_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("shown");
    QTest::newRow("western") << QStringLiteral("西暦") << QDate(2007, 4, 4) << QStringLiteral("2007/04/04");
    QTest::newRow("heisei") << QStringLiteral("和暦") << QDate(2007, 4, 4) << QStringLiteral("H 19/04/04");
    QTest::newRow("reiwa 1") << QStringLiteral("和暦") << QDate(2019, 5, 1) << QStringLiteral("R 01/05/01");
    QTest::newRow("showa") << QStringLiteral("和暦") << QDate(1988, 12, 31) << QStringLiteral("S 63/12/31");
    // Only the exact text selects the Western calendar.
    QTest::newRow("western and a blank") << QStringLiteral("西暦 ") << QDate(2007, 4, 4)
                                         << QStringLiteral("H 19/04/04");
    QTest::newRow("no mode") << QString() << QDate(2007, 4, 4) << QStringLiteral("H 19/04/04");
}

void TestReports::rowDates()
{
    QFETCH(QString, mode);
    QFETCH(QDate, date);
    QFETCH(QString, shown);
    QVERIFY(printingtest::fillWorkTable(*m_store, m_data->mainPath(), {{date, 1, 2, 3, 4}}));
    QCOMPARE(textsOf(runTotals(sampleTotals(), mode).document.pages.first(), QStringLiteral("txt日付")),
             QStringList{shown});
}

void TestReports::hundredRowsOverThreePages()
{
    // A4 less the margins (50, 1440), the heading (2055) and the footer (420) leaves 12873 twips: 41 bands of 310.
    constexpr int perPage = (16838 - 50 - 1440 - 2055 - 420) / 310;
    const QList<printingtest::WorkRow> rows = printingtest::consecutiveDays(QDate(2007, 1, 1), 100);
    QVERIFY(printingtest::fillWorkTable(*m_store, m_data->mainPath(), rows));
    const ReportRun run = runTotals(sampleTotals());
    QVERIFY(run.ok());
    QCOMPARE(run.document.pages.size(), 3);
    int row = 0;
    for (const ReportPage &page : run.document.pages) {
        QCOMPARE(page.itemsNamed(QStringLiteral("lblタイトル")).size(), 1);
        QCOMPARE(page.item(QStringLiteral("txt期間"))->text, QStringLiteral("2007/04/01 ～ 2007/04/30"));
        QCOMPARE(page.item(QStringLiteral("txt売上計"))->text, QStringLiteral("1,234,567"));
        const QList<DrawItem> dates = page.itemsNamed(QStringLiteral("txt日付"));
        const QList<DrawItem> lines = page.itemsNamed(QStringLiteral("Line3"));
        QCOMPARE(dates.size(), std::min(perPage, 100 - row));
        QCOMPARE(lines.size(), dates.size());
        for (int n = 0; n < dates.size(); ++n, ++row) {
            QCOMPARE(dates.at(n).text, rows.at(row).date.toString(QStringLiteral("yyyy/MM/dd")));
            QCOMPARE(dates.at(n).box.top(), 2055 + n * 310);
            QVERIFY(lines.at(n).line.y1() <= run.document.page.bodyHeight());
        }
    }
    QCOMPARE(row, 100);
}

void TestReports::emptyOrUnreadableWorkTable()
{
    const ReportRun empty = runTotals(sampleTotals());
    QVERIFY(empty.ok());
    QCOMPARE(empty.document.pages.size(), 1);
    QCOMPARE(empty.document.pages.first().items.size(), 19); // the heading and the date printed

    QVERIFY(
        printingtest::fillWorkTable(*m_store, m_data->mainPath(), printingtest::consecutiveDays(QDate(2007, 4, 1), 2)));
    m_store->close();
    const ReportRun unreadable = runTotals(sampleTotals());
    QVERIFY(!unreadable.ok()); // not a report that merely looks empty
    QCOMPARE(unreadable.document.pages.first().items.size(), 19);
}

void TestReports::bandTallerThanThePage()
{
    // A detail band that can never fit prints one per page, and the run ends.
    class TallReport final : public Report
    {
    public:
        TallReport(store::Store &store) : Report(TotalsReport::designedLayout()), m_store(store) {}
        void start() override
        {
            setDataSource(workTableRows(m_store));
            layout().detail.height = 20000;
        }
        store::Store &m_store;
    };
    QVERIFY(
        printingtest::fillWorkTable(*m_store, m_data->mainPath(), printingtest::consecutiveDays(QDate(2007, 4, 1), 3)));
    TallReport report(*m_store);
    const ReportRun run = ReportEngine::run(report);
    QCOMPARE(run.document.pages.size(), 3);
    QCOMPARE(textsOf(run.document.pages.last(), QStringLiteral("txt売上額")), QStringList{QStringLiteral("3,000")});
}

// The journal's text is set with the fonts of the printed page.
QTEST_MAIN(TestReports)
#include "tst_reports.moc"
