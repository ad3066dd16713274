#include "exchange/workbookwriter.h"

#include "common/fileerror.h"
#include "common/formats.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <xlsxwriter.h>

namespace exchange {

namespace {

const QDate kFirstSerialDay{1900, 3, 1};
const QDate kSerialZero{1899, 12, 30};

// Excel's limit for the text of a cell.
constexpr qsizetype kCellTextLimit = 32767;

// Column widths in Excel's units, about one per digit; a kanji takes two.
constexpr double kTextWidth = 60;
constexpr int kAmountCaptionWidth = 6;

// The font of every cell, and of the workbook's Normal style: on every
// Japanese Windows, and mapped to IPAPGothic by fontconfig elsewhere.
constexpr const char *kFontName = "ＭＳ Ｐゴシック";
constexpr double kFontPoints = 11;
constexpr uint8_t kFontFamilyModern = 3; // fixed pitch class Excel gives its Japanese fonts
constexpr uint8_t kShiftJisCharset = 128;

void useJapaneseFont(lxw_format *format)
{
    format_set_font_name(format, kFontName);
    format_set_font_size(format, kFontPoints);
    format_set_font_family(format, kFontFamilyModern);
    format_set_font_charset(format, kShiftJisCharset);
}

// libxlsxwriter's own texts are English; the system's error, when it names
// one (a full disk in the temporary folder), says more than its number.
QString libraryFailure(lxw_error error, const QString &folder)
{
    const QString reason = common::systemReason(common::lastSystemError());
    const bool onDisk = error == LXW_ERROR_CREATING_XLSX_FILE || error == LXW_ERROR_CREATING_TMPFILE ||
                        error == LXW_ERROR_READING_TMPFILE || error == LXW_ERROR_ZIP_FILE_OPERATION ||
                        error == LXW_ERROR_ZIP_FILE_ADD || error == LXW_ERROR_ZIP_CLOSE;
    if (onDisk && !reason.isEmpty()) {
        return QStringLiteral("一時フォルダー「%1」に Excel のファイルを作れませんでした。%2")
            .arg(QDir::toNativeSeparators(folder), reason);
    }
    return QStringLiteral("Excel のファイルを作れませんでした（エラー %1）。").arg(int(error));
}

// The width of a text in Excel's units: a character beyond Latin-1 (kanji,
// kana) takes two.
int textWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        width += c.unicode() < 0x100 ? 1 : 2;
    }
    return width;
}

// The width "#,##0" gives a whole number.
int shownWidth(qint64 value)
{
    int digits = 1;
    for (quint64 rest = value < 0 ? 0 - quint64(value) : quint64(value); rest >= 10; rest /= 10) {
        ++digits;
    }
    return digits + (digits - 1) / 3 + (value < 0 ? 1 : 0);
}

// XML 1.0, which holds a workbook's texts, has no place for these: libxlsxwriter
// would write them as "_x0001_", which Excel reads as the character and other
// readers as those seven.
std::optional<qsizetype> firstUnfit(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<QString> cellText(const QString &text, const QString &day, const QString &column, QByteArray &utf8)
{
    if (text.size() > kCellTextLimit) {
        return QStringLiteral(
                   "%1 の%2は %3 字あり、Excel の 1 つのセルに入る 32,767 字を超えます。CSV を選んでください。")
            .arg(day, column)
            .arg(text.size());
    }
    if (const auto at = firstUnfit(text)) {
        const QString code = QStringLiteral("%1").arg(text.at(*at).unicode(), 4, 16, QLatin1Char('0')).toUpper();
        return QStringLiteral("%1 の%2の制御文字 (U+%3) は Excel のファイルに書けません。CSV を選んでください。")
            .arg(day, column, code);
    }
    // A cell breaks its lines with LF; a CR would be written "_x000D_".
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    // Excel reads "_x0041_" in a cell as the character it codes ("A"). Such a
    // run written by the user keeps its underscore as "_x005F_", so that the
    // cell reads back as typed.
    static const QRegularExpression codedCharacter(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    if (lines.contains(QStringLiteral("_x"))) {
        lines.replace(codedCharacter, QStringLiteral("_x005F_"));
    }
    utf8 = lines.toUtf8();
    return std::nullopt;
}

} // namespace

WorkbookWriter::WorkbookWriter(QFileDevice &out, const QString &calendarMode, const QString &sheetName)
    : m_out(out), m_calendarMode(calendarMode), m_sheetName(sheetName)
{}

WorkbookWriter::~WorkbookWriter()
{
    if (m_book) {
        lxw_workbook_free(m_book);
    }
}

QString WorkbookWriter::dateFormat(const QString &calendarMode)
{
    return common::isWestern(calendarMode) ? QStringLiteral("yyyy/mm/dd")
                                           : QStringLiteral("[$-411]ggg ee\"年\"mm\"月\"dd\"日\"");
}

std::optional<QString> WorkbookWriter::header(const QStringList &captions)
{
    if (!m_folder.isValid()) {
        return QStringLiteral("一時フォルダー「%1」の中に作業用のフォルダーを作れませんでした。")
            .arg(QDir::toNativeSeparators(QDir::tempPath()));
    }
    const QByteArray path = QFile::encodeName(m_folder.filePath(QStringLiteral("book.xlsx")));
    m_scratch = QFile::encodeName(m_folder.path());
    // Row by row to a file of its own, so that a hundred years need no more memory than ten.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_scratch.data();
    m_book = workbook_new_opt(path.constData(), &options);
    if (!m_book) {
        return QStringLiteral("Excel のファイルを作れませんでした。");
    }
    m_sheet = workbook_add_worksheet(m_book, m_sheetName.toUtf8().constData());
    if (!m_sheet) {
        return QStringLiteral("Excel のファイルを作れませんでした。");
    }
    // The first format of a workbook is its Normal style, which cells without a format of their own take.
    if (lxw_format *normal = STAILQ_FIRST(m_book->formats)) {
        useJapaneseFont(normal);
    }
    m_bold = workbook_add_format(m_book);
    format_set_bold(m_bold);
    // Top-aligned, so that a day whose text takes several lines reads along its first one.
    m_date = workbook_add_format(m_book);
    format_set_num_format(m_date, dateFormat(m_calendarMode).toUtf8().constData());
    format_set_align(m_date, LXW_ALIGN_VERTICAL_TOP);
    m_dateText = workbook_add_format(m_book);
    format_set_align(m_dateText, LXW_ALIGN_RIGHT);
    format_set_align(m_dateText, LXW_ALIGN_VERTICAL_TOP);
    m_amount = workbook_add_format(m_book);
    format_set_num_format(m_amount, "#,##0");
    format_set_align(m_amount, LXW_ALIGN_VERTICAL_TOP);
    m_text = workbook_add_format(m_book);
    format_set_text_wrap(m_text);
    format_set_align(m_text, LXW_ALIGN_VERTICAL_TOP);
    m_sumAmount = workbook_add_format(m_book);
    format_set_num_format(m_sumAmount, "#,##0");
    format_set_bold(m_sumAmount);
    for (lxw_format *format : {m_bold, m_date, m_dateText, m_amount, m_text, m_sumAmount}) {
        useJapaneseFont(format);
    }

    m_columns = int(captions.size());
    for (int column = 0; column < m_columns; ++column) {
        const lxw_error error =
            worksheet_write_string(m_sheet, 0, lxw_col_t(column), captions.at(column).toUtf8().constData(), m_bold);
        if (error != LXW_NO_ERROR) {
            return libraryFailure(error, m_folder.path());
        }
    }
    worksheet_freeze_panes(m_sheet, 1, 0);
    // Printed on A4 across, all columns on one page wide, the captions above every page.
    worksheet_set_landscape(m_sheet);
    worksheet_set_paper(m_sheet, 9);
    worksheet_fit_to_pages(m_sheet, 1, 0);
    if (const lxw_error repeat = worksheet_repeat_rows(m_sheet, 0, 0); repeat != LXW_NO_ERROR) {
        return libraryFailure(repeat, m_folder.path());
    }
    m_row = 1;
    return std::nullopt;
}

std::optional<QString> WorkbookWriter::line(const Line &line)
{
    lxw_error error = LXW_NO_ERROR;
    if (line.date.isValid() && line.date >= kFirstSerialDay) {
        error = worksheet_write_number(m_sheet, m_row, 0, double(kSerialZero.daysTo(line.date)), m_date);
    } else {
        QString shown = line.storedDate;
        if (line.date.isValid()) {
            // Before Meiji there is no era to show: such a day keeps its Western date.
            shown = common::formatDate(line.date, common::isWestern(m_calendarMode) ? common::pattern::kSlashWestern
                                                                                    : common::pattern::kDateEra);
            if (shown.isEmpty()) {
                shown = common::formatDate(line.date, common::pattern::kSlashWestern);
            }
        }
        QByteArray utf8;
        if (auto refusal = cellText(shown, dayOf(line), QStringLiteral("日付"), utf8)) {
            return refusal;
        }
        error = worksheet_write_string(m_sheet, m_row, 0, utf8.constData(), m_dateText);
        m_firstWidth = std::max(m_firstWidth, textWidth(shown));
    }
    if (error != LXW_NO_ERROR) {
        return libraryFailure(error, m_folder.path());
    }
    if (auto failure = amounts(line.amounts, m_amount)) {
        return failure;
    }
    if (auto failure = more(line.more, m_amount)) {
        return failure;
    }
    if (line.text && !line.text->isEmpty()) {
        QByteArray utf8;
        if (auto refusal = cellText(*line.text, dayOf(line), QStringLiteral("日誌"), utf8)) {
            return refusal;
        }
        error = worksheet_write_string(m_sheet, m_row, 5, utf8.constData(), m_text);
        if (error != LXW_NO_ERROR) {
            return libraryFailure(error, m_folder.path());
        }
    }
    ++m_row;
    return std::nullopt;
}

std::optional<QString> WorkbookWriter::sums(const store::Sums &sums, const QList<store::Amount> &more)
{
    lxw_error error = worksheet_write_string(m_sheet, m_row, 0, kSumsCaption.toUtf8().constData(), m_bold);
    if (error != LXW_NO_ERROR) {
        return libraryFailure(error, m_folder.path());
    }
    // With no rows above there is nothing to add up: the sums stay empty, as in a CSV file.
    if (m_row > 1) {
        int index = 0;
        for (const store::AmountColumn column : store::kAmountColumns) {
            const char letter = char('B' + index);
            const QByteArray formula =
                QByteArrayLiteral("=SUM(") + letter + "2:" + letter + QByteArray::number(m_row) + ')';
            // SUM over empty cells is 0, and so is the value stored with it.
            const qint64 value = sums[column].value_or(0);
            error = worksheet_write_formula_num(m_sheet, m_row, lxw_col_t(index + 1), formula.constData(), m_sumAmount,
                                                double(value));
            if (error != LXW_NO_ERROR) {
                return libraryFailure(error, m_folder.path());
            }
            m_amountWidths[size_t(index)] = std::max(m_amountWidths[size_t(index)], shownWidth(value));
            ++index;
        }
        for (qsizetype n = 0; n < more.size(); ++n) {
            const char letter = char('F' + n);
            const QByteArray formula =
                QByteArrayLiteral("=SUM(") + letter + "2:" + letter + QByteArray::number(m_row) + ')';
            const qint64 value = more[n].value_or(0);
            error = worksheet_write_formula_num(m_sheet, m_row, lxw_col_t(5 + n), formula.constData(), m_sumAmount,
                                                double(value));
            if (error != LXW_NO_ERROR) {
                return libraryFailure(error, m_folder.path());
            }
            m_moreWidths.resize(std::max(m_moreWidths.size(), n + 1));
            m_moreWidths[n] = std::max(m_moreWidths[n], shownWidth(value));
        }
    }
    ++m_row;
    return std::nullopt;
}

std::optional<QString> WorkbookWriter::amounts(const store::Amounts &amounts, lxw_format *format)
{
    int index = 0;
    for (const store::AmountColumn column : store::kAmountColumns) {
        if (const store::Amount &amount = amounts[column]) {
            const lxw_error error =
                worksheet_write_number(m_sheet, m_row, lxw_col_t(index + 1), double(*amount), format);
            if (error != LXW_NO_ERROR) {
                return libraryFailure(error, m_folder.path());
            }
            m_amountWidths[size_t(index)] = std::max(m_amountWidths[size_t(index)], shownWidth(*amount));
        }
        ++index;
    }
    return std::nullopt;
}

std::optional<QString> WorkbookWriter::more(const QList<store::Amount> &numbers, lxw_format *format)
{
    m_moreWidths.resize(std::max(m_moreWidths.size(), numbers.size()));
    for (qsizetype n = 0; n < numbers.size(); ++n) {
        if (const store::Amount &number = numbers[n]) {
            const lxw_error error = worksheet_write_number(m_sheet, m_row, lxw_col_t(5 + n), double(*number), format);
            if (error != LXW_NO_ERROR) {
                return libraryFailure(error, m_folder.path());
            }
            m_moreWidths[n] = std::max(m_moreWidths[n], shownWidth(*number));
        }
    }
    return std::nullopt;
}

void WorkbookWriter::setWidths()
{
    const double dateWidth = common::isWestern(m_calendarMode) ? 12 : 19;
    worksheet_set_column(m_sheet, 0, 0, std::max(dateWidth, double(m_firstWidth + 2)), nullptr);
    for (int index = 0; index < 4; ++index) {
        const int widest = std::max(kAmountCaptionWidth, m_amountWidths[size_t(index)]);
        worksheet_set_column(m_sheet, lxw_col_t(index + 1), lxw_col_t(index + 1), widest + 2, nullptr);
    }
    if (!m_moreWidths.isEmpty()) {
        for (qsizetype n = 0; n < m_moreWidths.size(); ++n) {
            const int widest = std::max(kAmountCaptionWidth, m_moreWidths[n]);
            worksheet_set_column(m_sheet, lxw_col_t(5 + n), lxw_col_t(5 + n), widest + 2, nullptr);
        }
    } else if (m_columns > 5) {
        worksheet_set_column(m_sheet, 5, 5, kTextWidth, nullptr);
    }
}

std::optional<QString> WorkbookWriter::finish()
{
    setWidths();
    const lxw_error error = workbook_close(m_book);
    m_book = nullptr;
    if (error != LXW_NO_ERROR) {
        return libraryFailure(error, m_folder.path());
    }
    QFile made(m_folder.filePath(QStringLiteral("book.xlsx")));
    if (!made.open(QIODevice::ReadOnly)) {
        return common::fileFailure(common::FileStep::Open, made);
    }
    constexpr qint64 kChunk = 1 << 20;
    while (!made.atEnd()) {
        const QByteArray chunk = made.read(kChunk);
        if (chunk.isEmpty() && made.error() != QFileDevice::NoError) {
            return common::fileFailure(common::FileStep::Read, made);
        }
        if (m_out.write(chunk) != chunk.size()) {
            return writeFailure(m_out);
        }
    }
    return std::nullopt;
}

} // namespace exchange
