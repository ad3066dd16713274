#pragma once
// Draws report pages with QPainter on any device (printer, PDF writer, image),
// converting twips to device units from the device's resolution.

#include "printing/reportdocument.h"

#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;
class QPainter;

namespace printing {

class ReportPainter
{
public:
    // The installed font with the metrics of a layout font name
    // (ＭＳ Ｐゴシック → IPAPGothic, ＭＳ Ｐ明朝 → IPAPMincho); other names stay.
    static QString deviceFontFamily(const QString &layoutFontName);

    // The font of a text item, sized in twips (its pixel size is the size in twips).
    static QFont fontFor(const DrawItem &item);

    // The pixel size in twips at which a one-line text fits the width: the
    // item's own size when it fits, smaller when it does not, never below half.
    static int fittedPixelSize(const DrawItem &item);

    // How much of a multi-line text its box shows on whole lines: the length of
    // the text up to the end of the last line that ends within the box, at least
    // the first line. The whole length when the text fits, or is on one line.
    static qsizetype wholeLinesLength(const DrawItem &item);

    // Draws one page. The painter's origin is the paper's top-left corner and
    // one device unit is 1/dpiX inch across and 1/dpiY inch down.
    static void paintPage(QPainter &painter, const PageSetup &page, const ReportPage &content, qreal dpiX, qreal dpiY);

    // Draws pages `first` to `last` (1-based, 0 = to the end) on a paged device
    // whose painting origin is the paper's corner. False when painting cannot begin.
    static bool paintDocument(QPagedPaintDevice &device, const ReportDocument &document, int first = 1, int last = 0);
};

// The page size and orientation of a report, with no margins: the reports
// place their own margins.
QPageLayout pageLayoutOf(const PageSetup &page);

// Writes every page of a report to a PDF file with the fonts embedded.
// False when the file cannot be written.
bool writePdf(const ReportDocument &document, const QString &path);

// One page on a white image of the paper at `dpi` dots per inch; a null image
// for a page that does not exist.
QImage renderPageToImage(const ReportDocument &document, int pageIndex, int dpi);

} // namespace printing
