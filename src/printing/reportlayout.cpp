#include "printing/reportlayout.h"

namespace printing {

QSize PageSetup::paperTwips() const
{
    // 210 × 297 mm and 8.5 × 11 in, rounded to whole twips.
    const QSize size = paperSize == PaperLetter ? QSize(12240, 15840) : QSize(11906, 16838);
    return orientation == OrientationLandscape ? size.transposed() : size;
}

namespace {

// A control that takes a box on the page.
ReportControl boxed(ControlKind kind, const QString &name, int left, int top, int width, int height)
{
    ReportControl c;
    c.name = name;
    c.kind = kind;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    return c;
}

} // namespace

ReportControl ReportControl::label(const QString &name, const QString &text, int left, int top, int width, int height,
                                   Qt::Alignment alignment)
{
    ReportControl c = boxed(ControlKind::Label, name, left, top, width, height);
    c.text = text;
    c.fontName = kGothic;
    c.fontSize = kCaptionPoints;
    c.alignment = alignment;
    return c;
}

ReportControl ReportControl::textBox(const QString &name, int left, int top, int width, int height,
                                     const QString &fontName, qreal fontSize, Qt::Alignment alignment)
{
    ReportControl c = boxed(ControlKind::TextBox, name, left, top, width, height);
    c.fontName = fontName;
    c.fontSize = fontSize;
    c.alignment = alignment;
    return c;
}

ReportControl ReportControl::title(const QString &text, int left, int top, int width, int height)
{
    ReportControl control = label(QStringLiteral("lblタイトル"), text, left, top, width, height);
    control.fontSize = kTitlePoints;
    control.bold = true;
    return control;
}

ReportControl ReportControl::line(const QString &name, int x1, int y1, int x2, int y2)
{
    ReportControl c;
    c.name = name;
    c.kind = ControlKind::Line;
    c.x1 = x1;
    c.y1 = y1;
    c.x2 = x2;
    c.y2 = y2;
    return c;
}

ReportControl ReportControl::rectangle(const QString &name, int left, int top, int width, int height)
{
    return boxed(ControlKind::Rectangle, name, left, top, width, height);
}

ReportControl *ReportLayout::control(const QString &controlName)
{
    for (ReportSection *section : {&pageHeader, &detail, &pageFooter}) {
        for (ReportControl &c : section->controls) {
            if (c.name == controlName) {
                return &c;
            }
        }
    }
    return nullptr;
}

const ReportControl *ReportLayout::control(const QString &controlName) const
{
    return const_cast<ReportLayout *>(this)->control(controlName);
}

} // namespace printing
