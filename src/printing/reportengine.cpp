#include "printing/reportengine.h"

#include "common/formats.h"
#include "printing/report.h"
#include "printing/reportpainter.h"

#include <QHash>

#include <cmath>

namespace printing {

namespace {

DrawItem itemFor(const ReportControl &c, const QString &section, int offsetY)
{
    DrawItem item;
    item.name = c.name;
    item.section = section;
    item.colour = c.colour;
    item.lineWidth = c.lineWidth;
    switch (c.kind) {
    case ControlKind::Line:
        item.kind = DrawItem::Kind::Line;
        item.line = QLine(c.x1, c.y1 + offsetY, c.x2, c.y2 + offsetY);
        return item;
    case ControlKind::Rectangle:
        item.kind = DrawItem::Kind::Rectangle;
        item.box = QRect(c.left, c.top + offsetY, c.width, c.height);
        return item;
    case ControlKind::Label:
    case ControlKind::TextBox:
        break;
    }
    item.kind = DrawItem::Kind::Text;
    item.box = QRect(c.left, c.top + offsetY, c.width, c.height);
    item.text = c.text;
    item.fontName = c.fontName;
    item.fontSize = c.fontSize;
    item.bold = c.bold;
    item.alignment = c.alignment;
    item.multiLine = c.multiLine;
    return item;
}

// Lays out sections onto pages for one run.
class PageBuilder
{
public:
    explicit PageBuilder(Report &report) : m_report(report) {}

    void startPage()
    {
        m_pages.append(ReportPage());
        m_report.setContinuing(!m_rest.isEmpty());
        m_report.formatPageHeader();
        const ReportSection &header = m_report.layout().pageHeader;
        place(header, 0, nullptr, true);
        m_y = header.height;
    }

    // One detail band; a band that would run into the page footer starts a new
    // page, unless the page holds no band yet (a band taller than the page).
    void placeBand(const FieldValues *values)
    {
        const ReportLayout &layout = m_report.layout();
        const int limit = layout.page.bodyHeight() - layout.pageFooter.height;
        if (m_y + layout.detail.height > limit && m_y > layout.pageHeader.height) {
            finishPage();
            startPage();
        }
        place(layout.detail, m_y, values);
        m_y += layout.detail.height;
    }

    void finishPage()
    {
        const ReportLayout &layout = m_report.layout();
        place(layout.pageFooter, layout.page.bodyHeight() - layout.pageFooter.height, nullptr);
    }

    // Whether a continued text has lines left for another page.
    bool hasRest() const { return !m_rest.isEmpty(); }

    // Page numbers go in once the pages are counted; a report of one page has none.
    void numberPages()
    {
        const qsizetype count = m_pages.size();
        for (auto it = m_numbered.crbegin(); it != m_numbered.crend(); ++it) {
            QList<DrawItem> &items = m_pages[it->page].items;
            if (count > 1) {
                items[it->item].text = QStringLiteral("%1 / %2").arg(it->page + 1).arg(count);
            } else {
                items.removeAt(it->item);
            }
        }
        m_numbered.clear();
    }

    QList<ReportPage> takePages() { return std::move(m_pages); }

private:
    void place(const ReportSection &section, int offsetY, const FieldValues *values, bool pageHeader = false)
    {
        for (const ReportControl &c : section.controls) {
            if (!c.visible) {
                continue;
            }
            DrawItem item = itemFor(c, section.name, offsetY);
            if (values && c.kind == ControlKind::TextBox && !c.dataField.isEmpty()) {
                item.text = ReportEngine::formatFieldValue(values->value(c.dataField), c.outputFormat);
            }
            if (pageHeader && c.continues && item.kind == DrawItem::Kind::Text) {
                continueText(item);
            }
            if (c.pageOfPages) {
                m_numbered.append({m_pages.size() - 1, m_pages.last().items.size()});
            }
            m_pages.last().items.append(item);
        }
    }

    // A continued box shows the whole lines that it holds; the rest of its text
    // takes the place of its own text on the next page.
    void continueText(DrawItem &item)
    {
        if (m_report.continuing()) {
            item.text = m_rest.take(item.name);
        }
        const qsizetype shown = ReportPainter::wholeLinesLength(item);
        if (shown < item.text.size()) {
            // Blank lines at the end would only make a blank page.
            const QString rest = item.text.mid(shown);
            if (!rest.trimmed().isEmpty()) {
                m_rest.insert(item.name, rest);
            }
            item.text.truncate(shown);
        }
    }

    struct Numbered
    {
        qsizetype page;
        qsizetype item;
    };

    Report &m_report;
    QList<ReportPage> m_pages;
    int m_y = 0;
    QHash<QString, QString> m_rest; // by control name
    QList<Numbered> m_numbered;
};

} // namespace

ReportRun ReportEngine::run(Report &report)
{
    ReportRun result;
    report.start();

    PageBuilder builder(report);
    builder.startPage();
    if (const RowSource &rows = report.dataSource()) {
        result.error = rows([&](const FieldValues &values) { builder.placeBand(&values); });
    } else {
        builder.placeBand(nullptr);
    }
    builder.finishPage();
    while (builder.hasRest()) {
        builder.startPage();
        builder.finishPage();
    }
    builder.numberPages();

    result.document.title = report.layout().title;
    result.document.fileStem = report.fileStem();
    result.document.page = report.layout().page;
    result.document.pages = builder.takePages();
    return result;
}

QString ReportEngine::formatFieldValue(const QVariant &value, const QString &outputFormat)
{
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    switch (value.typeId()) {
    case QMetaType::QDate:
    case QMetaType::QDateTime: {
        const QDate date = value.toDate();
        return outputFormat.isEmpty() ? date.toString(QStringLiteral("yyyy/MM/dd"))
                                      : common::formatDate(date, outputFormat);
    }
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return outputFormat.isEmpty() ? value.toString() : common::formatAmount(value.toLongLong(), outputFormat);
    case QMetaType::Float:
    case QMetaType::Double: {
        // Whole amounts only: a fraction is rounded, as the amount patterns show no decimals.
        const double number = value.toDouble();
        if (outputFormat.isEmpty() || !std::isfinite(number) || std::fabs(number) >= 9.0e18) {
            return value.toString();
        }
        return common::formatAmount(std::llround(number), outputFormat);
    }
    default:
        return value.toString();
    }
}

} // namespace printing
