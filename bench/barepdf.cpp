#include "barepdf.h"

#include "common/colour.h"
#include "common/formats.h"
#include "printing/reportpainter.h"
#include "printing/totalsreport.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <sqlite3.h>

namespace bench {

namespace {

constexpr int kResolution = 1200;

QFont fontOf(const printing::ReportControl &control)
{
    QFont font(printing::ReportPainter::deviceFontFamily(control.fontName));
    font.setPixelSize(int(std::lround(control.fontSize * printing::kTwipsPerPoint)));
    font.setBold(control.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// "#,##0" by hand.
QString grouped(qint64 amount)
{
    QString digits = QString::number(amount < 0 ? -amount : amount);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, u',');
    }
    return amount < 0 ? u'-' + digits : digits;
}

QString columnText(sqlite3_stmt *row, int column)
{
    if (sqlite3_column_type(row, column) == SQLITE_NULL) {
        return {};
    }
    if (column == 0) {
        QString date = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(row, 0)));
        return date.replace(u'-', u'/');
    }
    return grouped(sqlite3_column_int64(row, column));
}

// A painter that is given a font or a pen only when it differs from the one
// it holds, as any loop drawing many cells in few fonts keeps them.
class Pens
{
public:
    explicit Pens(QPainter &painter) : m_painter(painter) {}

    void drawCell(const BareCell &cell, int offsetY, const QString &text)
    {
        if (text.isEmpty()) {
            return;
        }
        if (!m_font || *m_font != cell.font) {
            m_painter.setFont(cell.font);
            m_font = &cell.font;
        }
        use(QPen(cell.colour));
        m_painter.drawText(cell.box.translated(0, offsetY), int(cell.alignment), text);
    }

    void drawRule(const BareRule &rule, int offsetY)
    {
        use(QPen(rule.colour, rule.width, Qt::SolidLine, Qt::FlatCap));
        m_painter.drawLine(rule.line.translated(0, offsetY));
    }

private:
    void use(const QPen &pen)
    {
        if (m_pen != pen) {
            m_painter.setPen(pen);
            m_pen = pen;
        }
    }

    QPainter &m_painter;
    const QFont *m_font = nullptr; // one of the layout's fonts, which outlive the loop
    QPen m_pen{Qt::NoPen};
};

} // namespace

BareTotalsLayout bareTotalsLayout(const printing::PrintTotals &data, qint32 lineColor, int rowsPerPage)
{
    using printing::ControlKind;
    const printing::ReportLayout designed = printing::TotalsReport::designedLayout();
    const QColor colour = common::colourFromNumber(lineColor);
    const QString sums[] = {
        common::formatAmount(data.sales, common::pattern::kAmount),
        common::formatAmount(data.purchases, common::pattern::kAmount),
        common::formatAmount(data.moneyIn, common::pattern::kAmount),
        common::formatAmount(data.moneyOut, common::pattern::kAmount),
    };
    const auto headingText = [&](const printing::ReportControl &c) {
        if (c.name == QStringLiteral("txt期間")) {
            return data.startText + QStringLiteral(" ～ ") + data.endText;
        }
        const QString sumBoxes[] = {QStringLiteral("txt売上計"), QStringLiteral("txt仕入計"),
                                    QStringLiteral("txt入金計"), QStringLiteral("txt出金計")};
        for (int k = 0; k < 4; ++k) {
            if (c.name == sumBoxes[k]) {
                return sums[k];
            }
        }
        return c.text;
    };

    BareTotalsLayout layout;
    printing::PageSetup a4;
    a4.paperSize = printing::PaperA4;
    a4.orientation = printing::OrientationPortrait;
    layout.page = printing::pageLayoutOf(a4);
    layout.leftMargin = 1200;
    layout.topMargin = 50;
    layout.headerHeight = designed.pageHeader.height;
    layout.rowHeight = designed.detail.height;
    layout.rowsPerPage = std::max(1, rowsPerPage);
    for (const printing::ReportControl &c : designed.pageHeader.controls) {
        if (c.kind == ControlKind::Line) {
            layout.headerRules.append({QLine(c.x1, c.y1, c.x2, c.y2), colour, c.lineWidth});
        } else {
            const QColor text = c.kind == ControlKind::Label ? colour : QColor(Qt::black);
            layout.header.append(
                {QRect(c.left, c.top, c.width, c.height), fontOf(c), c.alignment, text, headingText(c)});
        }
    }
    for (const printing::ReportControl &c : designed.detail.controls) {
        if (c.kind == ControlKind::Line) {
            layout.rowRule = {QLine(c.x1, c.y1, c.x2, c.y2), colour, c.lineWidth};
        } else {
            layout.rowCells.append({QRect(c.left, c.top, c.width, c.height), fontOf(c), c.alignment, Qt::black, {}});
        }
    }
    return layout;
}

int writeBareTotalsPdf(const BareTotalsLayout &layout, const QString &workDbPath, const QString &pdfPath)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(workDbPath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    sqlite3_stmt *rows = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 日付, 売上額, 仕入額, 入金額, 出金額 FROM w集計 ORDER BY rowid", -1, &rows,
                           nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }

    QPdfWriter writer(pdfPath);
    writer.setResolution(kResolution);
    writer.setPageLayout(layout.page);
    QPainter painter;
    int written = -1;
    if (painter.begin(&writer)) {
        painter.scale(qreal(kResolution) / printing::kTwipsPerInch, qreal(kResolution) / printing::kTwipsPerInch);
        painter.translate(layout.leftMargin, layout.topMargin);
        Pens pens(painter);
        const auto heading = [&] {
            for (const BareCell &cell : layout.header) {
                pens.drawCell(cell, 0, cell.text);
            }
            for (const BareRule &rule : layout.headerRules) {
                pens.drawRule(rule, 0);
            }
        };
        written = 0;
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
            const int onPage = written % layout.rowsPerPage;
            if (onPage == 0) {
                if (written > 0) {
                    writer.newPage();
                }
                heading();
            }
            const int top = layout.headerHeight + onPage * layout.rowHeight;
            for (int column = 0; column < layout.rowCells.size(); ++column) {
                pens.drawCell(layout.rowCells.at(column), top, columnText(rows, column));
            }
            pens.drawRule(layout.rowRule, top);
            ++written;
        }
        if (written == 0) {
            heading();
        }
        if (!painter.end() || step != SQLITE_DONE) {
            written = -1;
        }
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return written;
}

} // namespace bench
