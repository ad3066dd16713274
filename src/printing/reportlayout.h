#pragma once
// A report layout as data: page setup, the three sections and their controls,
// all geometry in twips (1/1440 inch) relative to the section.

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>

namespace printing {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kTwipsPerPoint = 20;

// The font names kept in the layouts; the painter maps them to installed fonts.
inline const QString kGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kMincho = QStringLiteral("ＭＳ Ｐ明朝");

// Point sizes used by the layouts: the title, the captions and one-line boxes,
// the amounts and rows, the journal text.
inline constexpr qreal kTitlePoints = 16.0;
inline constexpr qreal kCaptionPoints = 11.0;
inline constexpr qreal kAmountPoints = 10.0;
inline constexpr qreal kMemoPoints = 10.5;

// Paper codes and orientation codes of the printer settings.
enum PaperCode : int { PaperDefault = 0, PaperLetter = 1, PaperA4 = 9 };
enum OrientationCode : int { OrientationDefault = 0, OrientationPortrait = 1, OrientationLandscape = 2 };

// Paper, orientation and margins of a report. The defaults are the component's
// own until the report's start handler sets them.
struct PageSetup
{
    int paperSize = PaperDefault;
    int orientation = OrientationDefault;
    int leftMargin = kTwipsPerInch;
    int rightMargin = kTwipsPerInch;
    int topMargin = kTwipsPerInch;
    int bottomMargin = kTwipsPerInch;

    // The paper in twips, turned for landscape. An unknown or default code is A4.
    QSize paperTwips() const;
    // The height between the top and the bottom margin that the sections fill.
    int bodyHeight() const { return paperTwips().height() - topMargin - bottomMargin; }
};

enum class ControlKind { Label, TextBox, Line, Rectangle };

// One control of a section. Labels, text boxes and rectangles use the box
// (left, top, width, height); a line runs from (x1, y1) to (x2, y2).
struct ReportControl
{
    QString name;
    ControlKind kind = ControlKind::Label;
    QString text;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    QString fontName = kGothic;
    qreal fontSize = kCaptionPoints;
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    // A multi-line box wraps its text at the box width; a one-line box keeps
    // its text on one line and shrinks the font rather than lose characters.
    bool multiLine = false;
    // A multi-line box of the page header whose text, where it does not fit,
    // goes on in the same box on the pages after; the report's handlers tell
    // such a page by Report::continuing().
    bool continues = false;
    // A box that shows "n / m" on every page of a report of more than one page
    // and is left out of a report of one page.
    bool pageOfPages = false;
    bool visible = true;       // a hidden control is not placed
    QColor colour = Qt::black; // text colour, line colour or outline colour
    int lineWidth = 15;        // twips, for lines and outlines
    QString outputFormat;      // pattern applied to a bound field's value
    QString dataField;         // bound field of the detail's data source

    static ReportControl label(const QString &name, const QString &text, int left, int top, int width, int height,
                               Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    static ReportControl textBox(const QString &name, int left, int top, int width, int height, const QString &fontName,
                                 qreal fontSize, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    // The report's title: a bold label in the title size.
    static ReportControl title(const QString &text, int left, int top, int width, int height);
    static ReportControl line(const QString &name, int x1, int y1, int x2, int y2);
    static ReportControl rectangle(const QString &name, int left, int top, int width, int height);
};

struct ReportSection
{
    QString name;
    int height = 0;
    QList<ReportControl> controls;
};

struct ReportLayout
{
    QString name;
    QString title; // shown in the viewer and stored in saved PDF files
    PageSetup page;
    ReportSection pageHeader{QStringLiteral("PageHeader"), 0, {}};
    ReportSection detail{QStringLiteral("Detail"), 0, {}};
    ReportSection pageFooter{QStringLiteral("PageFooter"), 0, {}};

    // The control of that name in any section, or nullptr.
    ReportControl *control(const QString &controlName);
    const ReportControl *control(const QString &controlName) const;
};

} // namespace printing
