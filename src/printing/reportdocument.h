#pragma once
// A run report: pages of drawing items in twips, measured from the top-left
// corner of the printable area (inside the left and top margins).

#include "printing/reportlayout.h"

#include <QColor>
#include <QLine>
#include <QList>
#include <QRect>
#include <QString>

namespace printing {

struct DrawItem
{
    enum class Kind { Text, Line, Rectangle };

    Kind kind = Kind::Text;
    QString name;    // the control it was made from
    QString section; // the section it belongs to
    QRect box;       // text and rectangle
    QLine line;      // line
    QString text;
    QString fontName;
    qreal fontSize = kCaptionPoints; // points
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool multiLine = false;
    QColor colour = Qt::black;
    int lineWidth = 15; // twips

    friend bool operator==(const DrawItem &, const DrawItem &) = default;
};

struct ReportPage
{
    QList<DrawItem> items;

    // Every item made from the control `name`, top to bottom in page order.
    QList<DrawItem> itemsNamed(const QString &name) const;
    // The first item made from `name`, or nullptr.
    const DrawItem *item(const QString &name) const;
};

struct ReportDocument
{
    QString title;
    QString fileStem; // the name a saved file is offered under, without its extension
    PageSetup page;
    QList<ReportPage> pages;
};

} // namespace printing
