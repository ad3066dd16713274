#pragma once
// An Excel workbook of one sheet, through libxlsxwriter: a bold header row
// that stays in view, real date cells, amounts as numbers shown "#,##0", the
// journal text wrapped in a wide column, and the 合計 row as SUM formulas that
// carry their value for readers that do not compute. Printed on A4 across,
// one page wide with the captions repeated, in ＭＳ Ｐゴシック 11 pt.
//
// Date cells show yyyy/mm/dd, or in the era calendar "平成 19年04月05日" as the
// date boxes do ([$-411]ggg ee"年"mm"月"dd"日", which Excel and LibreOffice
// both show; LibreOffice shows a bare serial number for the language tag
// ja-JP-x-gannen). Days before 1900/03/01 are texts in the same look: Excel
// has no serial number before 1900, and below 61 its serials (with their
// 1900/02/29) mean a day later than in LibreOffice. Line breaks in a text
// are LF, as in any cell: a CRLF or a lone CR that another program stored
// becomes one.

#include "exchange/sheet.h"

#include <QFileDevice>
#include <QTemporaryDir>

#include <array>

struct lxw_format;
struct lxw_workbook;
struct lxw_worksheet;

namespace exchange {

class WorkbookWriter final : public SheetWriter
{
public:
    // The workbook is made in a temporary folder and copied into `out` by finish().
    WorkbookWriter(QFileDevice &out, const QString &calendarMode, const QString &sheetName);
    ~WorkbookWriter() override;
    WorkbookWriter(const WorkbookWriter &) = delete;
    WorkbookWriter &operator=(const WorkbookWriter &) = delete;

    std::optional<QString> header(const QStringList &captions) override;
    std::optional<QString> line(const Line &line) override;
    std::optional<QString> sums(const store::Sums &sums, const QList<store::Amount> &more) override;
    std::optional<QString> finish() override;

    // The number format of the date cells in a calendar mode.
    static QString dateFormat(const QString &calendarMode);

private:
    std::optional<QString> amounts(const store::Amounts &amounts, lxw_format *format);
    std::optional<QString> more(const QList<store::Amount> &numbers, lxw_format *format);
    void setWidths();

    QFileDevice &m_out;
    QString m_calendarMode;
    QString m_sheetName;
    QTemporaryDir m_folder;
    QByteArray m_scratch; // the folder's name for libxlsxwriter's own files
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_bold = nullptr;
    lxw_format *m_date = nullptr;
    lxw_format *m_dateText = nullptr;
    lxw_format *m_amount = nullptr;
    lxw_format *m_text = nullptr;
    lxw_format *m_sumAmount = nullptr;
    quint32 m_row = 0;
    int m_columns = 0;
    std::array<int, 4> m_amountWidths{}; // the widest amount shown in each column, in characters
    QList<int> m_moreWidths;             // the same for the numbers after the amounts
    int m_firstWidth = 0;                // the widest text written in the first column (a month's name)
};

} // namespace exchange
