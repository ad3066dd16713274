#include "printing/totalsreport.h"

#include "common/clock.h"
#include "common/colour.h"
#include "common/formats.h"
#include "store/store.h"

namespace printing {

namespace {

constexpr auto kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr auto kRight = Qt::AlignRight | Qt::AlignVCenter;

ReportControl boundBox(const QString &name, const QString &field, int left, int width, int height,
                       Qt::Alignment alignment, const QString &outputFormat)
{
    ReportControl c = ReportControl::textBox(name, left, 0, width, height, kMincho, kAmountPoints, alignment);
    c.dataField = field;
    c.outputFormat = outputFormat;
    return c;
}

QVariant amountField(const store::Amount &amount)
{
    return amount ? QVariant(*amount) : QVariant();
}

} // namespace

RowSource workTableRows(store::Store &store)
{
    return [&store](const std::function<void(const FieldValues &)> &band) -> store::DbError {
        constexpr int kPageRows = 512;
        QList<store::WorkRow> rows;
        qint64 after = 0;
        do {
            rows.clear();
            if (const store::DbError error = store.workRows(after, kPageRows, rows)) {
                return error;
            }
            for (const store::WorkRow &row : rows) {
                // A value that is no stored date prints as it is stored.
                band({{QStringLiteral("日付"), row.date.isValid() ? QVariant(row.date) : QVariant(row.storedDate)},
                      {QStringLiteral("売上額"), amountField(row.amounts.sales)},
                      {QStringLiteral("仕入額"), amountField(row.amounts.purchases)},
                      {QStringLiteral("入金額"), amountField(row.amounts.moneyIn)},
                      {QStringLiteral("出金額"), amountField(row.amounts.moneyOut)}});
                after = row.id;
            }
        } while (rows.size() == kPageRows);
        return {};
    };
}

TotalsReport::TotalsReport(const PrintTotals &data, store::Store &store, const QString &calendarMode, qint32 lineColor)
    : Report(designedLayout())
    , m_data(data)
    , m_store(store)
    , m_printDate(common::SystemClock().today())
    , m_calendarMode(calendarMode)
    , m_lineColor(lineColor)
{}

void addPrintFooter(ReportLayout &layout)
{
    using C = ReportControl;
    // Below the last row, within the ruled width of the heading.
    layout.pageFooter.height = 420;
    C printed = C::textBox(QStringLiteral("txt印刷日"), 142, 60, 4000, 300, kGothic, kAmountPoints);
    C pageNumber = C::textBox(QStringLiteral("txtページ"), 7500, 60, 2000, 300, kGothic, kAmountPoints, kRight);
    pageNumber.pageOfPages = true;
    layout.pageFooter.controls = {printed, pageNumber};
}

void showPrintDate(Report &report, const QDate &date, const QString &calendarMode)
{
    const QString shown = common::formatDate(date, calendarMode == common::kWestern ? common::pattern::kDateWestern
                                                                                    : common::pattern::kDateEra);
    report.setText(QStringLiteral("txt印刷日"), QStringLiteral("印刷日 ") + shown);
}

ReportLayout TotalsReport::designedLayout()
{
    using C = ReportControl;
    ReportLayout layout;
    layout.name = QStringLiteral("rpt集計");
    layout.title = QStringLiteral("日誌集計");
    layout.pageHeader.height = 2055;
    layout.detail.height = 310;

    layout.pageHeader.controls = {
        C::title(QStringLiteral("日誌集計"), 213, 213, 1559, 425),
        C::label(QStringLiteral("Label2"), QStringLiteral("売上額"), 3047, 1630, 992, 354, kCentre),
        C::label(QStringLiteral("Label3"), QStringLiteral("仕入額"), 4677, 1630, 1063, 354, kCentre),
        C::label(QStringLiteral("Label4"), QStringLiteral("入金額"), 6591, 1630, 1063, 354, kCentre),
        C::label(QStringLiteral("Label5"), QStringLiteral("出金額"), 8433, 1630, 1063, 354, kCentre),
        C::label(QStringLiteral("Label6"), QStringLiteral("期　間"), 2339, 213, 992, 354, kCentre),
        C::textBox(QStringLiteral("txt期間"), 3540, 210, 5610, 360, kMincho, kCaptionPoints),
        C::line(QStringLiteral("Line1"), 142, 1559, 9500, 1559),
        C::label(QStringLiteral("Label7"), QStringLiteral("売上計"), 2622, 780, 992, 354, kCentre),
        C::label(QStringLiteral("Label8"), QStringLiteral("仕入計"), 4677, 780, 1063, 354, kCentre),
        C::label(QStringLiteral("Label9"), QStringLiteral("入金計"), 6591, 780, 1063, 354, kCentre),
        C::label(QStringLiteral("Label10"), QStringLiteral("出金計"), 8433, 780, 1063, 354, kCentre),
        C::textBox(QStringLiteral("txt売上計"), 1845, 1200, 1845, 285, kMincho, kAmountPoints, kRight),
        C::textBox(QStringLiteral("txt仕入計"), 3750, 1200, 1920, 285, kMincho, kAmountPoints, kRight),
        C::textBox(QStringLiteral("txt入金計"), 5740, 1205, 1772, 283, kMincho, kAmountPoints, kRight),
        C::textBox(QStringLiteral("txt出金計"), 7866, 1205, 1559, 283, kMincho, kAmountPoints, kRight),
        C::label(QStringLiteral("Label11"), QStringLiteral("日付"), 850, 1630, 993, 354, kCentre),
        C::line(QStringLiteral("Line2"), 142, 1984, 9500, 1984),
    };
    addPrintFooter(layout);

    const QString amount = common::pattern::kAmountZero;
    layout.detail.controls = {
        boundBox(QStringLiteral("txt日付"), QStringLiteral("日付"), 285, 1965, 300, kCentre, QString()),
        boundBox(QStringLiteral("txt売上額"), QStringLiteral("売上額"), 2268, 1600, 283, kRight, amount),
        boundBox(QStringLiteral("txt仕入額"), QStringLiteral("仕入額"), 4181, 1559, 283, kRight, amount),
        boundBox(QStringLiteral("txt入金額"), QStringLiteral("入金額"), 6100, 1559, 283, kRight, amount),
        boundBox(QStringLiteral("txt出金額"), QStringLiteral("出金額"), 7900, 1600, 283, kRight, amount),
        C::line(QStringLiteral("Line3"), 142, 300, 9500, 300),
    };
    return layout;
}

void TotalsReport::start()
{
    setDataSource(workTableRows(m_store));

    PageSetup &page = layout().page;
    page.orientation = OrientationPortrait;
    page.leftMargin = 1200;
    page.rightMargin = 600;
    page.topMargin = 50;
    page.paperSize = PaperA4;

    layout().pageHeader.height = 2055;
    layout().detail.height = 310;

    // Exactly "西暦" selects the Western date; any other mode the era one.
    if (ReportControl *date = control(QStringLiteral("txt日付"))) {
        date->outputFormat =
            m_calendarMode == common::kWestern ? common::pattern::kSlashWestern : common::pattern::kSlashEra;
    }
    showPrintDate(*this, m_printDate, m_calendarMode);
}

void showPeriodAndSums(Report &report, const PrintTotals &totals)
{
    report.setText(QStringLiteral("txt期間"), totals.startText + QStringLiteral(" ～ ") + totals.endText);
    report.setText(QStringLiteral("txt売上計"), common::formatAmount(totals.sales, common::pattern::kAmount));
    report.setText(QStringLiteral("txt仕入計"), common::formatAmount(totals.purchases, common::pattern::kAmount));
    report.setText(QStringLiteral("txt入金計"), common::formatAmount(totals.moneyIn, common::pattern::kAmount));
    report.setText(QStringLiteral("txt出金計"), common::formatAmount(totals.moneyOut, common::pattern::kAmount));
}

QString periodFileStem(const QString &name, const PrintTotals &totals)
{
    QString stem = name;
    for (const std::optional<QDate> &day : {totals.start, totals.end}) {
        if (day) {
            stem += QLatin1Char('_') + day->toString(Qt::ISODate);
        }
    }
    return stem;
}

void TotalsReport::formatPageHeader()
{
    showPeriodAndSums(*this, m_data);

    const QColor colour = common::colourFromNumber(m_lineColor);
    QStringList coloured{QStringLiteral("lblタイトル")};
    for (int n = 2; n <= 11; ++n) {
        coloured.append(QStringLiteral("Label%1").arg(n));
    }
    coloured << QStringLiteral("Line1") << QStringLiteral("Line2") << QStringLiteral("Line3");
    for (const QString &name : coloured) {
        if (ReportControl *c = control(name)) {
            c->colour = colour;
        }
    }
}

} // namespace printing
