#pragma once
// The floor of the totals report: the same texts and lines written straight
// onto a QPdfWriter by a plain loop, with no layout, events or drawing items.

#include "printing/printdata.h"

#include <QColor>
#include <QFont>
#include <QLine>
#include <QList>
#include <QPageLayout>
#include <QRect>
#include <QString>

namespace bench {

struct BareCell
{
    QRect box; // twips, from the printable area's corner
    QFont font;
    Qt::Alignment alignment;
    QColor colour;
    QString text;
};

struct BareRule
{
    QLine line;
    QColor colour;
    int width = 15;
};

struct BareTotalsLayout
{
    QPageLayout page;
    int leftMargin = 0;
    int topMargin = 0;
    int headerHeight = 0;
    int rowHeight = 0;
    int rowsPerPage = 1;
    QList<BareCell> header;
    QList<BareRule> headerRules;
    QList<BareCell> rowCells; // 日付 and the four amounts; the texts come from the rows
    BareRule rowRule;
};

// The positions, fonts and heading texts of the totals report, taken once
// from its designed layout (Western dates).
BareTotalsLayout bareTotalsLayout(const printing::PrintTotals &data, qint32 lineColor, int rowsPerPage);

// Writes the rows of w集計 in the work file `workDbPath` as the totals report
// would. Returns the number of rows written, or -1 when the file could not be
// read or the PDF not written.
int writeBareTotalsPdf(const BareTotalsLayout &layout, const QString &workDbPath, const QString &pdfPath);

} // namespace bench
