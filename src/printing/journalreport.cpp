#include "printing/journalreport.h"

#include "common/colour.h"
#include "common/formats.h"

#include <algorithm>

namespace printing {

namespace {

constexpr auto kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr auto kRight = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

JournalReport::JournalReport(const PrintJournal &data, qint32 lineColor)
    : Report(designedLayout()), m_data(data), m_lineColor(lineColor)
{}

ReportLayout JournalReport::designedLayout()
{
    using C = ReportControl;
    ReportLayout layout;
    layout.name = QStringLiteral("rpt業務日誌");
    layout.title = QStringLiteral("業務日誌");
    layout.pageHeader.height = 7155;

    C memo = C::textBox(QStringLiteral("txt日誌"), 420, 2055, 9600, 4680, kMincho, kMemoPoints,
                        Qt::AlignLeft | Qt::AlignTop);
    memo.multiLine = true;
    memo.continues = true;
    // Right of the date, ending with the frame.
    C pageNumber = C::textBox(QStringLiteral("txtページ"), 9600, 135, 585, 360, kGothic, kCaptionPoints, kRight);
    pageNumber.pageOfPages = true;

    layout.pageHeader.controls = {
        C::title(QStringLiteral("業務日誌"), 283, 142, 1560, 425),
        C::label(QStringLiteral("Label1"), QStringLiteral("日付"), 6236, 142, 709, 354),
        C::textBox(QStringLiteral("txt日付"), 7080, 135, 2520, 360, kGothic, kCaptionPoints),
        pageNumber,
        C::label(QStringLiteral("Label2"), QStringLiteral("売上額"), 1772, 780, 992, 320, kCentre),
        C::label(QStringLiteral("Label3"), QStringLiteral("仕入額"), 4039, 780, 1063, 320, kCentre),
        C::label(QStringLiteral("Label4"), QStringLiteral("入金額"), 6165, 780, 1063, 320, kCentre),
        C::label(QStringLiteral("Label5"), QStringLiteral("出金額"), 8000, 800, 1063, 320, kCentre),
        memo,
        C::label(QStringLiteral("Label6"), QStringLiteral("日誌"), 425, 1559, 709, 354),
        C::textBox(QStringLiteral("txt売上額"), 1205, 1260, 1488, 283, kMincho, kAmountPoints, kRight),
        C::textBox(QStringLiteral("txt仕入額"), 3331, 1260, 1559, 283, kMincho, kAmountPoints, kRight),
        C::textBox(QStringLiteral("txt入金額"), 5528, 1260, 1559, 283, kMincho, kAmountPoints, kRight),
        C::textBox(QStringLiteral("txt出金額"), 7441, 1260, 1559, 283, kMincho, kAmountPoints, kRight),
        C::rectangle(QStringLiteral("Shape1"), 210, 1980, 9975, 4890),
        C::line(QStringLiteral("Line1"), 1000, 680, 9300, 680),
        C::line(QStringLiteral("Line2"), 1000, 1150, 9300, 1150),
    };
    return layout;
}

QString JournalReport::fileStem() const
{
    return m_data.date ? QStringLiteral("業務日誌_") + m_data.date->toString(Qt::ISODate) : QStringLiteral("業務日誌");
}

void JournalReport::start()
{
    PageSetup &page = layout().page;
    page.orientation = OrientationPortrait;
    page.leftMargin = 1000;
    page.rightMargin = 600;
    page.topMargin = 50;
    page.paperSize = PaperA4;
}

void JournalReport::formatPageHeader()
{
    // A control missing from the layout is skipped; the rest is still filled.
    const QColor colour = common::colourFromNumber(m_lineColor);
    for (const QString &name :
         {QStringLiteral("lblタイトル"), QStringLiteral("Label2"), QStringLiteral("Label3"), QStringLiteral("Label4"),
          QStringLiteral("Label5"), QStringLiteral("Line1"), QStringLiteral("Line2"), QStringLiteral("Shape1")}) {
        if (ReportControl *c = control(name)) {
            c->colour = colour;
        }
    }
    setText(QStringLiteral("txt日付"), m_data.dateText);
    setText(QStringLiteral("txt売上額"), common::formatAmount(m_data.sales, common::pattern::kAmount));
    setText(QStringLiteral("txt仕入額"), common::formatAmount(m_data.purchases, common::pattern::kAmount));
    setText(QStringLiteral("txt入金額"), common::formatAmount(m_data.moneyIn, common::pattern::kAmount));
    setText(QStringLiteral("txt出金額"), common::formatAmount(m_data.moneyOut, common::pattern::kAmount));
    setText(QStringLiteral("txt日誌"), m_data.memo);
    if (continuing()) {
        formatContinuation();
    }
}

void JournalReport::formatContinuation()
{
    // The day's amounts are on the first page; a following page carries the
    // heading and the rest of the text, in a frame that reaches from where it
    // starts on the first page down to the bottom margin.
    for (const QString &name : {QStringLiteral("Label2"), QStringLiteral("Label3"), QStringLiteral("Label4"),
                                QStringLiteral("Label5"), QStringLiteral("txt売上額"), QStringLiteral("txt仕入額"),
                                QStringLiteral("txt入金額"), QStringLiteral("txt出金額"), QStringLiteral("Line2")}) {
        if (ReportControl *c = control(name)) {
            c->visible = false;
        }
    }
    if (ReportControl *date = control(QStringLiteral("txt日付"))) {
        date->text += QStringLiteral("（続き）");
    }
    ReportControl *frame = control(QStringLiteral("Shape1"));
    if (!frame) {
        return;
    }
    const int frameBottom = layout().page.bodyHeight() - layout().pageFooter.height;
    if (ReportControl *memo = control(QStringLiteral("txt日誌"))) {
        const int below = frame->top + frame->height - (memo->top + memo->height);
        memo->height = frameBottom - below - memo->top;
    }
    frame->height = frameBottom - frame->top;
    layout().pageHeader.height = std::max(layout().pageHeader.height, frameBottom);
}

} // namespace printing
