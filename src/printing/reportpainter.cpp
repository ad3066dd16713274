#include "printing/reportpainter.h"

#include "ui/platform.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <optional>
#include <vector>

namespace printing {

namespace {

// Vector output is drawn at this resolution; text and lines stay vectors.
constexpr int kPdfResolution = 1200;

int pixelSizeOf(const DrawItem &item)
{
    return std::max(1, int(std::lround(item.fontSize * kTwipsPerPoint)));
}

// A font of the painter with its metrics. One-line texts of printable ASCII
// (dates, amounts) are measured from the advances of their characters, each
// learnt once: measuring a whole text shapes it, which costs as much as
// drawing it. The sum is taken only where every neighbouring pair of the text
// was found to add up in this font (no kerning, no ligature).
class Face
{
public:
    Face(const QFont &font, bool strikeTwice) : m_font(font), m_metrics(font), m_strikeTwice(strikeTwice)
    {
        for (Glyph &g : m_glyphs) {
            g.advance = -1;
        }
    }

    const QFont &font() const { return m_font; }
    const QFontMetricsF &metrics() const { return m_metrics; }
    int pixelSize() const { return m_font.pixelSize(); }

    // Bold asked of a family without a bold face: the text is struck twice,
    // the second time this far to the right.
    int strike() const { return m_strikeTwice ? std::max(1, pixelSize() / 32) : 0; }

    // Room kept free above and below a text that is not clipped, for glyphs
    // that reach past the font's ascent or descent.
    qreal inkRoom() const { return pixelSize() / 8.0; }

    // The advance of `text` summed from its characters, or nothing when the
    // text is not all printable ASCII or a pair of it does not add up.
    std::optional<qreal> summedAdvance(const QString &text)
    {
        qreal sum = 0;
        int previous = -1;
        for (const QChar c : text) {
            const int index = indexOf(c);
            if (index < 0 || (previous >= 0 && !adds(previous, index))) {
                return std::nullopt;
            }
            sum += glyph(index).advance;
            previous = index;
        }
        return sum;
    }

    // Whether the ink of a one-line text stays within its advance at both
    // ends: its first visible character reaches no further left than its
    // origin and its last no further right than its advance.
    bool endsWithinAdvance(const QString &text)
    {
        qsizetype first = 0;
        qsizetype last = text.size() - 1;
        while (first <= last && text.at(first).isSpace()) {
            ++first;
        }
        while (last >= first && text.at(last).isSpace()) {
            --last;
        }
        if (first > last) {
            return true; // nothing to see
        }
        return leftBearing(text.at(first)) >= 0 && rightBearing(text.at(last)) >= 0;
    }

private:
    static constexpr char16_t kFirst = 0x20;
    static constexpr int kCount = 0x7F - kFirst;

    struct Glyph
    {
        qreal advance; // negative until measured
        qreal leftBearing;
        qreal rightBearing;
    };

    static int indexOf(QChar c)
    {
        const char16_t u = c.unicode();
        return u >= kFirst && u < kFirst + kCount ? u - kFirst : -1;
    }

    qreal leftBearing(QChar c)
    {
        if (c.isSurrogate()) {
            return -1; // not known from half a character
        }
        const int index = indexOf(c);
        return index >= 0 ? glyph(index).leftBearing : m_metrics.leftBearing(c);
    }

    qreal rightBearing(QChar c)
    {
        if (c.isSurrogate()) {
            return -1;
        }
        const int index = indexOf(c);
        return index >= 0 ? glyph(index).rightBearing : m_metrics.rightBearing(c);
    }

    const Glyph &glyph(int index)
    {
        Glyph &g = m_glyphs[index];
        if (g.advance < 0) {
            const QChar c(char16_t(kFirst + index));
            g.advance = m_metrics.horizontalAdvance(QString(c));
            g.leftBearing = m_metrics.leftBearing(c);
            g.rightBearing = m_metrics.rightBearing(c);
        }
        return g;
    }

    bool adds(int first, int second)
    {
        if (m_pairs.empty()) {
            m_pairs.assign(kCount * kCount, 0);
        }
        qint8 &known = m_pairs[first * kCount + second];
        if (known == 0) {
            const QChar pair[] = {QChar(char16_t(kFirst + first)), QChar(char16_t(kFirst + second))};
            const qreal whole = m_metrics.horizontalAdvance(QString(pair, 2));
            known = whole == glyph(first).advance + glyph(second).advance ? 1 : -1;
        }
        return known > 0;
    }

    QFont m_font;
    QFontMetricsF m_metrics;
    bool m_strikeTwice;
    std::array<Glyph, kCount> m_glyphs;
    std::vector<qint8> m_pairs; // 1 adds up, -1 does not, 0 not yet measured
};

// The faces of one painting run, made once per layout font, pixel size and
// weight: a page of rows uses two or three of them.
class FontCache
{
public:
    Face &face(const DrawItem &item, int pixelSize)
    {
        for (Entry &e : m_entries) {
            if (e.pixelSize == pixelSize && e.bold == item.bold && e.fontName == item.fontName) {
                return e.face;
            }
        }
        QFont font;
        font.setFamilies(QStringList{ReportPainter::deviceFontFamily(item.fontName)} + ui::emojiFontFamilies());
        font.setPixelSize(pixelSize);
        font.setBold(item.bold);
        // The same glyph advances on screen, printer and PDF.
        font.setHintingPreference(QFont::PreferNoHinting);
        const bool strikeTwice =
            item.bold && !QFontInfo(font).styleName().contains(QStringLiteral("bold"), Qt::CaseInsensitive);
        return m_entries.emplace_back(Entry{item.fontName, pixelSize, item.bold, Face(font, strikeTwice)}).face;
    }

private:
    struct Entry
    {
        QString fontName;
        int pixelSize;
        bool bold;
        Face face;
    };
    std::deque<Entry> m_entries; // stays put while faces are handed out
};

struct OneLineFit
{
    int pixelSize;
    qreal advance;
};

// The largest pixel size, from the item's own down to half of it, at which a
// one-line text fits the width of its box, and the text's advance at that size.
OneLineFit fitOneLine(const DrawItem &item, FontCache &fonts)
{
    const int size = pixelSizeOf(item);
    const int smallest = (size + 1) / 2;
    const qreal width = item.box.width();
    Face &face = fonts.face(item, size);
    // A summed advance is trusted only where it leaves a quarter of the size to spare.
    const std::optional<qreal> sum = face.summedAdvance(item.text);
    if (sum && *sum + size / 4.0 <= width) {
        return {size, *sum};
    }
    qreal advance = face.metrics().horizontalAdvance(item.text);
    if (advance <= width || advance <= 0) {
        return {size, advance};
    }
    int fitted = std::max(smallest, int(std::floor(size * width / advance)));
    advance = fonts.face(item, fitted).metrics().horizontalAdvance(item.text);
    while (advance > width && fitted > smallest) {
        --fitted;
        advance = fonts.face(item, fitted).metrics().horizontalAdvance(item.text);
    }
    return {fitted, advance};
}

// Whether a one-line text of that advance keeps its ink inside its box, so
// that it needs no clip.
bool fitsUnclipped(const DrawItem &item, Face &face, qreal advance)
{
    if (face.strike() > 0) {
        return false; // the second stroke lies past the first
    }
    for (const QChar c : item.text) {
        // A line break would put a second line into the box.
        if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            return false;
        }
    }
    // The room above and below is there only when the line sits in the middle.
    const bool centred = (item.alignment & Qt::AlignVertical_Mask) == Qt::AlignVCenter;
    return centred && advance <= item.box.width() &&
           face.metrics().height() + 2 * face.inkRoom() <= item.box.height() && face.endsWithinAdvance(item.text);
}

// Colour glyphs (the emoji font's pictures) have no outlines: a PDF keeps the
// character invisible, and a scaled painter on an image or the preview draws
// nothing. Each is drawn as its picture, made unscaled, over its place.
// Whether a text may hold a character of the emoji font: one outside the
// Basic Multilingual Plane, or one of the symbol blocks (☀, ✅, ⭐).
bool hasWideCharacters(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.isSurrogate() || (c.unicode() >= 0x2000 && c.unicode() <= 0x2BFF); });
}

void drawGlyphPictures(QPainter &painter, const QTextLine &line, const QPointF &origin)
{
    const QStringList emoji = ui::emojiFontFamilies();
    if (emoji.isEmpty()) {
        return;
    }
    constexpr qreal kPicturePixels = 128; // about the size of the font's own pictures
    for (const QGlyphRun &run : line.glyphRuns()) {
        if (!emoji.contains(run.rawFont().familyName())) {
            continue;
        }
        QRawFont pictureFont = run.rawFont();
        const qreal scale = pictureFont.pixelSize() / kPicturePixels;
        pictureFont.setPixelSize(kPicturePixels);
        const qreal ascent = pictureFont.ascent();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        const QList<QPointF> advances = pictureFont.advancesForGlyphIndexes(glyphs);
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size() && i < advances.size(); ++i) {
            QImage picture(QSize(int(std::ceil(advances[i].x())), int(std::ceil(ascent + pictureFont.descent()))),
                           QImage::Format_ARGB32_Premultiplied);
            if (picture.isNull()) {
                continue;
            }
            picture.fill(Qt::transparent);
            QGlyphRun one;
            one.setRawFont(pictureFont);
            one.setGlyphIndexes({glyphs[i]});
            one.setPositions({QPointF(0, ascent)});
            QPainter onPicture(&picture);
            onPicture.drawGlyphRun(QPointF(0, 0), one);
            onPicture.end();
            const QPointF topLeft = origin + positions[i] - QPointF(0, ascent * scale);
            painter.drawImage(QRectF(topLeft, QSizeF(picture.size()) * scale), picture);
        }
    }
}

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

// The position in an item's text of a position in its laid-out text, where a
// CR LF pair is one paragraph break.
qsizetype positionInText(const QString &text, qsizetype laidOut)
{
    qsizetype i = 0;
    for (; i < text.size() && laidOut > 0; ++i, --laidOut) {
        if (text.at(i) == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            ++i;
        }
    }
    return i;
}

// A multi-line text set into its box the way QPainter sets a text into a
// rectangle: wrapped at the box width, each line on the first whole twip past
// the line before and its leading, made until one reaches the box's bottom.
// Drawing and the page breaks of a continued text both take their lines from
// here, so that a page shows exactly the lines it was given.
class BoxText
{
public:
    BoxText(const DrawItem &item, const Face &face) : m_layout(layoutText(item), face.font())
    {
        QTextOption option(Qt::AlignLeft); // each line is moved across in draw()
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_layout.setTextOption(option);
        m_layout.setCacheEnabled(true);
        const qreal leading = face.metrics().leading();
        const qreal bottom = item.box.height();
        m_height = -leading;
        m_layout.beginLayout();
        for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
            line.setLineWidth(item.box.width());
            m_height = std::ceil(m_height + leading);
            line.setPosition(QPointF(0, m_height));
            m_height += line.ascent() + line.descent();
            if (m_height <= bottom) {
                m_wholeLines = line.lineNumber() + 1;
            }
            if (m_height >= bottom) {
                break;
            }
        }
        m_layout.endLayout();
    }

    const QTextLayout &layout() const { return m_layout; }
    // The lines that end within the box when set from its top.
    int wholeLines() const { return m_wholeLines; }

    void draw(QPainter &painter, const DrawItem &item, qreal shiftX) const
    {
        // Centred or at the bottom, the lines move as QPainter moves them, a
        // text centred from top to bottom by whole device pixels.
        qreal y = 0;
        if (item.alignment & Qt::AlignBottom) {
            y = item.box.height() - m_height;
        } else if (item.alignment & Qt::AlignVCenter) {
            y = (item.box.height() - m_height) / 2;
            const QTransform &transform = painter.transform();
            if (transform.type() <= QTransform::TxScale && transform.m22() != 0) {
                y = -qRound(-y * transform.m22()) / transform.m22();
            }
        }
        const bool pictures = !ui::emojiFontFamilies().isEmpty() && hasWideCharacters(item.text);
        for (int i = 0; i < m_layout.lineCount(); ++i) {
            const QTextLine line = m_layout.lineAt(i);
            qreal x = shiftX;
            if (item.alignment & Qt::AlignRight) {
                x += item.box.width() - line.horizontalAdvance();
            } else if (item.alignment & Qt::AlignHCenter) {
                x += (item.box.width() - line.horizontalAdvance()) / 2;
            }
            const QPointF origin = QPointF(item.box.topLeft()) + QPointF(x, y);
            line.draw(&painter, origin);
            if (pictures) {
                drawGlyphPictures(painter, line, origin);
            }
        }
    }

private:
    QTextLayout m_layout;
    qreal m_height = 0; // to the bottom of the last line made
    int m_wholeLines = 0;
};

// Draws the items of a page, setting the painter's font only when it changes.
class PagePainter
{
public:
    PagePainter(QPainter &painter, FontCache &fonts) : m_painter(painter), m_fonts(fonts) {}

    void drawText(const DrawItem &item)
    {
        if (item.text.isEmpty() || item.box.isEmpty()) {
            return;
        }
        Face *face = nullptr;
        bool fits = false;
        if (item.multiLine) {
            face = &m_fonts.face(item, pixelSizeOf(item));
        } else {
            const OneLineFit fit = fitOneLine(item, m_fonts);
            face = &m_fonts.face(item, fit.pixelSize);
            fits = fitsUnclipped(item, *face, fit.advance);
        }
        if (face != m_current) {
            m_painter.setFont(face->font());
            m_current = face;
        }
        m_painter.setPen(item.colour);
        const QRectF box(item.box);
        // A text never runs into its neighbours: what does not fit the box is cut off.
        if (!fits) {
            m_painter.save();
            m_painter.setClipRect(box, Qt::IntersectClip);
        }
        // The IPA fonts have no bold face: a bold text is struck again a little
        // to the right, the way the platform emboldens a regular face.
        const int strike = face->strike();
        if (item.multiLine) {
            const BoxText text(item, *face);
            text.draw(m_painter, item, 0);
            if (strike) {
                text.draw(m_painter, item, strike);
            }
        } else {
            QTextOption option(item.alignment);
            option.setWrapMode(QTextOption::NoWrap);
            m_painter.drawText(box, item.text, option);
            if (strike) {
                m_painter.drawText(box.translated(strike, 0), item.text, option);
            }
        }
        if (!fits) {
            m_painter.restore();
        }
    }

private:
    QPainter &m_painter;
    FontCache &m_fonts;
    Face *m_current = nullptr;
};

void paintPageWith(QPainter &painter, const PageSetup &page, const ReportPage &content, qreal dpiX, qreal dpiY,
                   FontCache &fonts)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(dpiX / kTwipsPerInch, dpiY / kTwipsPerInch);
    painter.translate(page.leftMargin, page.topMargin);
    PagePainter texts(painter, fonts);
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
            texts.drawText(item);
            break;
        }
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
    FontCache fonts;
    return fonts.face(item, pixelSizeOf(item)).font();
}

int ReportPainter::fittedPixelSize(const DrawItem &item)
{
    FontCache fonts;
    return fitOneLine(item, fonts).pixelSize;
}

qsizetype ReportPainter::wholeLinesLength(const DrawItem &item)
{
    if (!item.multiLine || item.text.isEmpty()) {
        return item.text.size();
    }
    FontCache fonts;
    const BoxText text(item, fonts.face(item, pixelSizeOf(item)));
    // A box lower than one line still takes one, cut off as it always was, so
    // that a continued text moves on.
    const QTextLine last = text.layout().lineAt(std::max(text.wholeLines(), 1) - 1);
    return positionInText(item.text, last.textStart() + last.textLength());
}

void ReportPainter::paintPage(QPainter &painter, const PageSetup &page, const ReportPage &content, qreal dpiX,
                              qreal dpiY)
{
    FontCache fonts;
    paintPageWith(painter, page, content, dpiX, dpiY, fonts);
}

bool ReportPainter::paintDocument(QPagedPaintDevice &device, const ReportDocument &document, int first, int last)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    FontCache fonts;
    const int count = int(document.pages.size());
    first = std::max(first, 1);
    last = last <= 0 ? count : std::min(last, count);
    for (int number = first; number <= last; ++number) {
        if (number > first) {
            device.newPage();
        }
        paintPageWith(painter, document.page, document.pages.at(number - 1), device.logicalDpiX(), device.logicalDpiY(),
                      fonts);
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
