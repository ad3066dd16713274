#include "printing/reportpainter.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace printing {

namespace {

// Vector output is drawn at this resolution; text and lines stay vectors.
constexpr int kPdfResolution = 1200;

QString layoutText(const DrawItem &item)
{
    if (!item.multiLine) {
        return item.text;
    }
    // Paragraph breaks as typed into the journal text, whatever the line ending.
    QString text = item.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

void drawTextItem(QPainter &painter, const DrawItem &item)
{
    if (item.text.isEmpty() || item.box.isEmpty()) {
        return;
    }
    QFont font = ReportPainter::fontFor(item);
    QTextOption option(item.alignment);
    if (item.multiLine) {
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    } else {
        option.setWrapMode(QTextOption::NoWrap);
        font.setPixelSize(ReportPainter::fittedPixelSize(item));
    }
    const QRectF box(item.box);
    painter.save();
    // A text never runs into its neighbours: what does not fit the box is cut off.
    painter.setClipRect(box, Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(item.colour);
    const QString text = layoutText(item);
    painter.drawText(box, text, option);
    if (item.bold && !QFontInfo(font).styleName().contains(QStringLiteral("bold"), Qt::CaseInsensitive)) {
        // The IPA fonts have no bold face: strike the text again a little to
        // the right, the way the platform emboldens a regular face.
        painter.drawText(box.translated(std::max(1, font.pixelSize() / 32), 0), text, option);
    }
    painter.restore();
}

} // namespace

QString ReportPainter::deviceFontFamily(const QString &layoutFontName)
{
    if (layoutFontName == kGothic) {
        return QStringLiteral("IPAPGothic");
    }
    if (layoutFontName == kMincho) {
        return QStringLiteral("IPAPMincho");
    }
    return layoutFontName;
}

QFont ReportPainter::fontFor(const DrawItem &item)
{
    QFont font(deviceFontFamily(item.fontName));
    font.setPixelSize(std::max(1, int(std::lround(item.fontSize * kTwipsPerPoint))));
    font.setBold(item.bold);
    // The same glyph advances on screen, printer and PDF.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

int ReportPainter::fittedPixelSize(const DrawItem &item)
{
    QFont font = fontFor(item);
    const int size = font.pixelSize();
    const int smallest = (size + 1) / 2;
    const qreal width = item.box.width();
    qreal advance = QFontMetricsF(font).horizontalAdvance(item.text);
    if (advance <= width || advance <= 0) {
        return size;
    }
    int fitted = std::max(smallest, int(std::floor(size * width / advance)));
    font.setPixelSize(fitted);
    advance = QFontMetricsF(font).horizontalAdvance(item.text);
    while (advance > width && fitted > smallest) {
        font.setPixelSize(--fitted);
        advance = QFontMetricsF(font).horizontalAdvance(item.text);
    }
    return fitted;
}

void ReportPainter::paintPage(QPainter &painter, const PageSetup &page, const ReportPage &content, qreal dpiX,
                              qreal dpiY)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(dpiX / kTwipsPerInch, dpiY / kTwipsPerInch);
    painter.translate(page.leftMargin, page.topMargin);
    for (const DrawItem &item : content.items) {
        switch (item.kind) {
        case DrawItem::Kind::Line: {
            QPen pen(item.colour, item.lineWidth, Qt::SolidLine, Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(QLineF(item.line));
            break;
        }
        case DrawItem::Kind::Rectangle: {
            QPen pen(item.colour, item.lineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(item.box));
            break;
        }
        case DrawItem::Kind::Text:
            drawTextItem(painter, item);
            break;
        }
    }
    painter.restore();
}

bool ReportPainter::paintDocument(QPagedPaintDevice &device, const ReportDocument &document, int first, int last)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    const int count = int(document.pages.size());
    first = std::max(first, 1);
    last = last <= 0 ? count : std::min(last, count);
    for (int number = first; number <= last; ++number) {
        if (number > first) {
            device.newPage();
        }
        paintPage(painter, document.page, document.pages.at(number - 1), device.logicalDpiX(), device.logicalDpiY());
    }
    return painter.end();
}

QPageLayout pageLayoutOf(const PageSetup &page)
{
    const QPageSize size(page.paperSize == PaperLetter ? QPageSize::Letter : QPageSize::A4);
    const auto orientation = page.orientation == OrientationLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0));
}

bool writePdf(const ReportDocument &document, const QString &path)
{
    QPdfWriter writer(path);
    writer.setTitle(document.title);
    writer.setCreator(QStringLiteral("業務日誌 ZEPHRA"));
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(pageLayoutOf(document.page));
    return ReportPainter::paintDocument(writer, document);
}

QImage renderPageToImage(const ReportDocument &document, int pageIndex, int dpi)
{
    if (pageIndex < 0 || pageIndex >= document.pages.size() || dpi <= 0) {
        return {};
    }
    const QSize paper = document.page.paperTwips();
    QImage image(int(std::ceil(paper.width() * qreal(dpi) / kTwipsPerInch)),
                 int(std::ceil(paper.height() * qreal(dpi) / kTwipsPerInch)), QImage::Format_RGB32);
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    ReportPainter::paintPage(painter, document.page, document.pages.at(pageIndex), dpi, dpi);
    return image;
}

} // namespace printing
