#include "printing/summaryreport.h"

#include "common/clock.h"
#include "common/colour.h"
#include "common/formats.h"
#include "common/summarylabel.h"
#include "printing/totalsreport.h"

namespace printing {

namespace {

constexpr auto kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr auto kRight = Qt::AlignRight | Qt::AlignVCenter;

ReportControl boundBox(const QString &field, int left, int width, Qt::Alignment alignment, const QString &outputFormat)
{
    ReportControl c =
        ReportControl::textBox(QStringLiteral("txt") + field, left, 0, width, 283, kMincho, kAmountPoints, alignment);
    c.dataField = field;
    c.outputFormat = outputFormat;
    return c;
}

QVariant numberField(const std::optional<qint64> &number)
{
    return number ? QVariant(*number) : QVariant();
}

// The columns of a line, left to right: the name, the four amounts, 日数, 差引;
// each but the name with its sum in the heading, caption and box over the
// column. 日数 is wide enough for its sum's caption.
struct Column
{
    QString field;
    int left;
    int width;
    QString sumCaption;
    QString sumBox;
    QString sumLabel;
};
const Column kColumns[] = {{QStringLiteral("年月"), 142, 2200, {}, {}, {}},
                           {QStringLiteral("売上額"), 2380, 1260, QStringLiteral("売上計"), QStringLiteral("txt売上計"),
                            QStringLiteral("Label7")},
                           {QStringLiteral("仕入額"), 3680, 1260, QStringLiteral("仕入計"), QStringLiteral("txt仕入計"),
                            QStringLiteral("Label8")},
                           {QStringLiteral("入金額"), 4980, 1260, QStringLiteral("入金計"), QStringLiteral("txt入金計"),
                            QStringLiteral("Label9")},
                           {QStringLiteral("出金額"), 6280, 1260, QStringLiteral("出金計"), QStringLiteral("txt出金計"),
                            QStringLiteral("Label10")},
                           {QStringLiteral("日数"), 7580, 660, QStringLiteral("日数計"), QStringLiteral("txt日数計"),
                            QStringLiteral("Label18")},
                           {QStringLiteral("差引"), 8280, 1220, QStringLiteral("差引計"), QStringLiteral("txt差引計"),
                            QStringLiteral("Label19")}};

QString titleOf(store::Grouping grouping)
{
    return grouping == store::Grouping::Month ? QStringLiteral("月別集計") : QStringLiteral("年別集計");
}

} // namespace

RowSource summaryRows(const QList<store::SummaryRow> &rows, store::Grouping grouping, const QString &calendarMode)
{
    return [rows, grouping, calendarMode](const std::function<void(const FieldValues &)> &band) -> store::DbError {
        for (const store::SummaryRow &row : rows) {
            const QString name = grouping == store::Grouping::Month
                                     ? common::monthLabel(row.first.year(), row.first.month(), calendarMode)
                                     : common::yearLabel(row.first.year(), calendarMode);
            band({{QStringLiteral("年月"), name},
                  {QStringLiteral("売上額"), numberField(row.sums.sales)},
                  {QStringLiteral("仕入額"), numberField(row.sums.purchases)},
                  {QStringLiteral("入金額"), numberField(row.sums.moneyIn)},
                  {QStringLiteral("出金額"), numberField(row.sums.moneyOut)},
                  {QStringLiteral("日数"), QVariant(row.days)},
                  {QStringLiteral("差引"), numberField(row.balance())}});
        }
        return {};
    };
}

SummaryReport::SummaryReport(const PrintTotals &data, const QList<store::SummaryRow> &rows, store::Grouping grouping,
                             const QString &calendarMode, qint32 lineColor)
    : Report(designedLayout(grouping))
    , m_data(data)
    , m_rows(rows)
    , m_grouping(grouping)
    , m_printDate(common::SystemClock().today())
    , m_calendarMode(calendarMode)
    , m_lineColor(lineColor)
{}

// The heading is the totals report's (rpt集計): the same places for the
// title, the period, the four sums and the ruled lines.
ReportLayout SummaryReport::designedLayout(store::Grouping grouping)
{
    using C = ReportControl;
    ReportLayout layout;
    layout.name = QStringLiteral("rpt集計");
    layout.title = titleOf(grouping);
    layout.pageHeader.height = 2055;
    layout.detail.height = 310;

    layout.pageHeader.controls = {
        C::title(titleOf(grouping), 213, 213, 1559, 425),
        C::label(QStringLiteral("Label6"), QStringLiteral("期　間"), 2339, 213, 992, 354, kCentre),
        C::textBox(QStringLiteral("txt期間"), 3540, 210, 5610, 360, kMincho, kCaptionPoints),
    };
    addPrintFooter(layout);
    // The ruled lines stand where the totals report has them.
    const ReportLayout totals = TotalsReport::designedLayout();
    for (const char16_t *name : {u"Line1", u"Line2"}) {
        if (const ReportControl *control = totals.control(QString::fromUtf16(name))) {
            layout.pageHeader.controls.append(*control);
        }
    }
    int label = 11;
    for (const Column &column : kColumns) {
        const QString caption = column.field == QStringLiteral("年月") && grouping == store::Grouping::Year
                                    ? QStringLiteral("年")
                                    : column.field;
        layout.pageHeader.controls.append(
            C::label(QStringLiteral("Label%1").arg(label++), caption, column.left, 1630, column.width, 354, kCentre));
        const bool isName = column.field == QStringLiteral("年月");
        const QString format = column.field == QStringLiteral("日数") ? QString() : common::pattern::kAmountZero;
        layout.detail.controls.append(
            boundBox(column.field, column.left, column.width, isName ? kCentre : kRight, isName ? QString() : format));
        if (!column.sumBox.isEmpty()) {
            layout.pageHeader.controls.append(
                C::label(column.sumLabel, column.sumCaption, column.left, 780, column.width, 354, kCentre));
            layout.pageHeader.controls.append(
                C::textBox(column.sumBox, column.left, 1205, column.width, 283, kMincho, kAmountPoints, kRight));
        }
    }
    layout.detail.controls.append(C::line(QStringLiteral("Line3"), 142, 300, 9500, 300));
    return layout;
}

QString SummaryReport::fileStem() const
{
    return periodFileStem(layout().title, m_data);
}

void SummaryReport::start()
{
    setDataSource(summaryRows(m_rows, m_grouping, m_calendarMode));

    // The totals report's paper and margins.
    PageSetup &page = layout().page;
    page.orientation = OrientationPortrait;
    page.leftMargin = 1200;
    page.rightMargin = 600;
    page.topMargin = 50;
    page.paperSize = PaperA4;

    showPrintDate(*this, m_printDate, m_calendarMode);
}

void SummaryReport::formatPageHeader()
{
    showPeriodAndSums(*this, m_data);
    // 日数 counted over the rows, 差引 as 入金計 − 出金計.
    setText(QStringLiteral("txt日数計"), common::formatAmount(store::totalOf(m_rows).days, common::pattern::kAmount));
    setText(QStringLiteral("txt差引計"),
            m_data.moneyIn && m_data.moneyOut
                ? common::formatAmount(*m_data.moneyIn - *m_data.moneyOut, common::pattern::kAmount)
                : QString());

    // Captions and ruled lines in the colour of the settings, as on the totals report.
    const QColor colour = common::colourFromNumber(m_lineColor);
    for (ReportSection *section : {&layout().pageHeader, &layout().detail}) {
        for (ReportControl &c : section->controls) {
            if (c.kind == ControlKind::Line || c.kind == ControlKind::Label) {
                c.colour = colour;
            }
        }
    }
}

} // namespace printing
