#include "exchange/csvimport.h"

#include "exchange/csvreader.h"
#include "exchange/formulaguard.h"
#include "exchange/valueforms.h"

#include "common/formats.h"

#include <QBitArray>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

namespace exchange {

namespace {

constexpr int kProgressEvery = 256;
constexpr int kLinesNamed = 5; // of the other rows that share a date

const QString kDateCaption = QStringLiteral("日付");
const QString kTextCaption = QStringLiteral("日誌");

// What a column of the file holds.
struct Column
{
    enum Kind { Ignored, Date, Amount, Signed, Text } kind = Ignored;
    store::AmountColumn amount = store::AmountColumn::Sales;
    qsizetype textOrder = 0; // where the column's text goes in a row's 日誌 line
};

QString slashDate(QDate date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

// The first of the other lines named, the rest counted: 「3 行目、7 行目ほか 2 行」.
QString linesText(const QList<qint64> &lines, qint64 total)
{
    QStringList named;
    for (qsizetype i = 0; i < lines.size() && i < kLinesNamed; ++i) {
        named.append(QStringLiteral("%1 行目").arg(lines.at(i)));
    }
    QString text = named.join(QStringLiteral("、"));
    if (total > named.size()) {
        text += QStringLiteral("ほか %1 行").arg(total - named.size());
    }
    return text;
}

// A file without a header row starts with a record: its first row names no
// 日付 column and holds a date or an amount where names belong. The value
// that shows it, or none.
std::optional<QString> dataInHeader(const CsvRow &header)
{
    for (const QString &field : header.fields) {
        if (field.trimmed() == kDateCaption) {
            return std::nullopt;
        }
    }
    for (const QString &field : header.fields) {
        QDate date;
        store::Amount amount;
        if (!readDate(field, date) || (!readAmount(field, amount) && amount)) {
            return field.trimmed();
        }
    }
    return std::nullopt;
}

// The columns the header names, or why the file cannot be taken. `foreign`
// when the header names none of the journal's columns.
std::optional<QString> readHeader(const CsvRow &header, QList<Column> &columns, QStringList &names,
                                  QStringList &ignored, bool &foreign)
{
    if (header.fault) {
        return QStringLiteral("%1 行目の見出しを読めません。%2").arg(header.line).arg(*header.fault);
    }
    QHash<QString, store::AmountColumn> amounts;
    for (const store::AmountColumn column : store::kAmountColumns) {
        amounts.insert(store::columnCaption(column), column);
    }
    if (const std::optional<QString> value = dataInHeader(header)) {
        foreign = true;
        return QStringLiteral("%1 行目は見出しではなく記録のようです（%2）。ファイルの最初の行には 日付,売上額,仕入額,"
                              "入金額,出金額,日誌 のように列の名前を書いてください。")
            .arg(header.line)
            .arg(quotedValue(*value));
    }
    bool hasDate = false;
    for (const QString &field : header.fields) {
        const QString name = field.trimmed();
        if (!name.isEmpty() && names.contains(name)) {
            return QStringLiteral("見出しに「%1」が二度あります。どちらの列を取り込むのか決められません。").arg(name);
        }
        names.append(name);
        Column column;
        if (name == kDateCaption) {
            column.kind = Column::Date;
            hasDate = true;
        } else if (name == kTextCaption) {
            column.kind = Column::Text;
        } else if (const auto found = amounts.constFind(name); found != amounts.cend()) {
            column.kind = Column::Amount;
            column.amount = *found;
        } else if (!name.isEmpty()) {
            ignored.append(name);
        }
        columns.append(column);
    }
    if (!hasDate) {
        foreign = true;
        return QStringLiteral("見出しの行（%1 行目）に「日付」の列がありません。1 行目に 日付,売上額,仕入額,入金額,"
                              "出金額,日誌 のような見出しのある CSV ファイルを選んでください。")
            .arg(header.line);
    }
    return std::nullopt;
}

// The columns of a header row read through a layout.
std::optional<QString> readLayoutHeader(const CsvRow &header, const ImportLayout &layout, QList<Column> &columns,
                                        QStringList &names)
{
    if (header.fault) {
        return QStringLiteral("%1 行目の見出しを読めません。%2").arg(header.line).arg(*header.fault);
    }
    for (const QString &field : header.fields) {
        const QString name = field.trimmed();
        if (!name.isEmpty() && names.contains(name) && layout.columnNames().contains(name)) {
            return QStringLiteral("見出しに「%1」が二度あります。どちらの列を取り込むのか決められません。").arg(name);
        }
        names.append(name);
        Column column;
        if (name.isEmpty()) {
        } else if (name == layout.dateColumn) {
            column.kind = Column::Date;
        } else if (name == layout.signedColumn) {
            column.kind = Column::Signed;
        } else {
            for (auto it = layout.amountColumns.cbegin(); it != layout.amountColumns.cend(); ++it) {
                if (it.value() == name) {
                    column.kind = Column::Amount;
                    column.amount = it.key();
                }
            }
        }
        if (column.kind == Column::Ignored && layout.textColumns.contains(name)) {
            column.kind = Column::Text;
        }
        column.textOrder = layout.textColumns.indexOf(name);
        columns.append(column);
    }
    return std::nullopt;
}

struct JudgedRow
{
    qint64 line = 0;
    QDate date; // valid whenever the 日付 field was read, the row refused or not
    std::optional<RefusedRow> refusal;
    store::JournalRecord record;
};

// A row's 日誌 line through a layout: its text columns in the layout's order,
// then its amounts as the journal shows them (「振込 ヤマダ 1,000」).
QString layoutLine(const QStringList &texts, const store::Amounts &amounts)
{
    QStringList parts;
    for (const QString &text : texts) {
        if (!text.trimmed().isEmpty()) {
            parts.append(text.trimmed());
        }
    }
    for (const store::AmountColumn column : store::kAmountColumns) {
        if (amounts[column]) {
            parts.append(common::formatAmount(amounts[column], common::pattern::kAmountZero));
        }
    }
    return parts.join(u' ');
}

JudgedRow judge(const CsvRow &row, const QList<Column> &columns, const QStringList &names, bool layout)
{
    JudgedRow judged;
    QStringList texts;
    judged.line = row.line;
    const auto refuse = [&](const QString &column, const QString &reason) {
        if (!judged.refusal) {
            judged.refusal = RefusedRow{row.line, column, reason};
        }
    };
    if (row.fault) {
        refuse(row.faultField >= 0 && row.faultField < names.size() ? names.at(row.faultField) : QString(), *row.fault);
        return judged;
    }
    if (row.fields.size() != columns.size()) {
        refuse(QString(), QStringLiteral("欄の数が見出しと違います（見出し %1、この行 %2）。")
                              .arg(columns.size())
                              .arg(row.fields.size()));
        return judged;
    }
    // Checked left to right, so that the reason given is the first fault the user sees in the row.
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const Column &column = columns.at(i);
        const QString &field = row.fields.at(i);
        switch (column.kind) {
        case Column::Date: {
            QDate date;
            if (auto reason = readDate(field, date)) {
                refuse(names.at(i), *reason);
            } else {
                judged.date = date;
                judged.record.date = date;
            }
            break;
        }
        case Column::Amount:
            if (auto reason = readAmount(field, judged.record.amounts[column.amount])) {
                refuse(names.at(i), *reason);
            }
            break;
        case Column::Signed: {
            store::Amount amount;
            if (auto reason = readAmount(field, amount)) {
                refuse(names.at(i), *reason);
            } else if (amount) {
                const bool out = *amount < 0;
                judged.record.amounts[out ? store::AmountColumn::MoneyOut : store::AmountColumn::MoneyIn] =
                    out ? -*amount : *amount;
            }
            break;
        }
        case Column::Text:
            if (!layout) {
                judged.record.text = unguardedText(field);
            }
            break;
        case Column::Ignored:
            break;
        }
        if (layout && column.textOrder >= 0) {
            if (texts.size() <= column.textOrder) {
                texts.resize(column.textOrder + 1);
            }
            texts[column.textOrder] = unguardedText(field);
        }
    }
    if (layout && !texts.isEmpty()) {
        judged.record.text = layoutLine(texts, judged.record.amounts);
    }
    return judged;
}

QString textTooLong()
{
    return QStringLiteral("この日の日誌が %1 文字を超えます。")
        .arg(common::formatAmount(kJournalTextLimit, common::pattern::kAmountZero));
}

// Why `more` cannot be added to a day of these sums and text length; the day's text and the
// added one go on separate lines.
std::optional<QString> sumRefusal(const store::Amounts &sums, store::AmountColumns unreadable, qsizetype dayText,
                                  const store::Amounts &more, qsizetype moreText)
{
    for (const store::AmountColumn column : store::kAmountColumns) {
        const store::Amount &add = more[column];
        if (!add) {
            continue;
        }
        if (unreadable.testFlag(column)) {
            return QStringLiteral("この日の%1には読めない値が入っているため、足せません。")
                .arg(store::columnCaption(column));
        }
        const qint64 total = sums[column].value_or(0) + *add; // both within ±10^10: no overflow
        if (total > common::kAmountLimit || total < -common::kAmountLimit) {
            return QStringLiteral("この日の%1の合計（%2）が金額の範囲（±%3）を超えます。")
                .arg(store::columnCaption(column), common::formatAmount(total, common::pattern::kAmountZero),
                     common::formatAmount(common::kAmountLimit, common::pattern::kAmountZero));
        }
    }
    const qsizetype length = moreText == 0 ? dayText : dayText == 0 ? moreText : dayText + 1 + moreText;
    if (length > kJournalTextLimit) {
        return textTooLong();
    }
    return std::nullopt;
}

void addAmounts(store::Amounts &sums, const store::Amounts &more)
{
    for (const store::AmountColumn column : store::kAmountColumns) {
        if (more[column]) {
            sums[column] = sums[column].value_or(0) + *more[column];
        }
    }
}

// A record as a number, to check what was written against what reads back
// without keeping the records: the date, each amount and the text.
size_t recordHash(const store::JournalRecord &record)
{
    size_t hash = qHash(record.date.toJulianDay());
    for (const store::AmountColumn column : store::kAmountColumns) {
        const store::Amount &amount = record.amounts[column];
        hash = qHashMulti(hash, amount.has_value(), amount.value_or(0));
    }
    return qHash(record.text, hash);
}

// The data rows of a file, judged one by one as they are read, after its header.
class RowSource
{
public:
    RowSource(const QString &path, std::optional<Encoding> encoding, const ImportLayout *layout)
        : m_stream(path, encoding), m_layout(layout), m_path(path)
    {}

    // Reads up to the header. Fills what the preview tells of the file's start
    // when `preview` is given. The reason when the file cannot be taken.
    std::optional<QString> open(ImportPreview *preview)
    {
        if (m_stream.failure()) {
            return m_stream.failure();
        }
        QList<CsvRow> leading;
        CsvRow row;
        while (leading.size() < kHeaderSearchRows && m_stream.next(row)) {
            leading.append(std::move(row));
        }
        if (m_stream.failure()) {
            return m_stream.failure();
        }
        if (preview) {
            preview->encoding = m_stream.encoding();
            preview->leadingRows = leading;
        }
        if (leading.isEmpty()) {
            return QStringLiteral("「%1」には何も書かれていません。").arg(QDir::toNativeSeparators(m_path));
        }
        qsizetype headerAt = 0;
        QStringList ignored;
        bool foreign = false;
        if (m_layout) {
            const HeaderFound header = findHeader(leading, *m_layout);
            if (header.row < 0) {
                QStringList missing;
                for (const QString &name : header.missing) {
                    missing.append(QStringLiteral("「%1」").arg(name));
                }
                return QStringLiteral("取り込みのレイアウト「%1」の列 %2 が、このファイルの見出しにありません。")
                    .arg(m_layout->name, missing.join(QStringLiteral("、")));
            }
            headerAt = header.row;
            if (auto why = readLayoutHeader(leading.at(headerAt), *m_layout, m_columns, m_names)) {
                return why;
            }
        } else if (auto why = readHeader(leading.first(), m_columns, m_names, ignored, foreign)) {
            if (preview) {
                preview->needsLayout = foreign;
            }
            return why;
        }
        if (preview) {
            preview->ignoredColumns = ignored;
        }
        m_pending = leading.mid(headerAt + 1);
        return std::nullopt;
    }

    bool next(JudgedRow &judged)
    {
        if (m_pendingAt < m_pending.size()) {
            judged = judge(m_pending.at(m_pendingAt++), m_columns, m_names, m_layout != nullptr);
            return true;
        }
        m_pending.clear();
        if (!m_stream.next(m_row)) {
            return false;
        }
        judged = judge(m_row, m_columns, m_names, m_layout != nullptr);
        return true;
    }

    const CsvStream &stream() const { return m_stream; }

private:
    CsvStream m_stream;
    const ImportLayout *m_layout;
    QString m_path;
    QList<Column> m_columns;
    QStringList m_names;
    QList<CsvRow> m_pending; // rows read with the header's search, not judged yet
    qsizetype m_pendingAt = 0;
    CsvRow m_row;
};

// What the preview keeps of a date of the file.
struct DateSeen
{
    qint32 rows = 0;     // rows with this date, refused or not
    qint32 goodRows = 0; // not refused for a fault of their own
    qint32 linesKept = 0;
    std::array<qint64, kLinesNamed + 1> lines{}; // the first rows' lines
    store::Amounts amounts;                      // of the good rows, summed through a layout
    qsizetype textLength = 0;                    // of their 日誌, joined through a layout
    std::optional<QString> refusal;              // through a layout: the day's sums or text beyond limits
};

// What one pass over the rows finds.
struct Tally
{
    QList<RefusedRow> refused;
    qint64 refusedRows = 0;
    qint64 goodRows = 0;
    QList<store::JournalRecord> firstDays;
    QHash<QDate, qsizetype> shownAt;
};

QString fileChanged(const QString &path)
{
    return QStringLiteral("「%1」は確かめた後に変わりました。もう一度読み込んで確かめてから取り込んでください。")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

namespace {

// One reading of the rows. The first (with `seen`) gathers what each date
// holds; a second is made with the dates found refused, to name every row of them.
std::optional<QString> readRows(RowSource &source, bool layout, QHash<QDate, DateSeen> *seen,
                                const QHash<QDate, DateSeen> &known, const QSet<QDate> &refusedDates, qint64 fileSize,
                                Tally &tally, common::Progress &progress)
{
    const QString label = QStringLiteral("ファイルの行を確かめています…");
    JudgedRow row;
    qint64 step = 0;
    while (source.next(row)) {
        if (++step % kProgressEvery == 0) {
            progress.report(label, source.stream().bytesRead(), fileSize);
        }
        if (seen && row.date.isValid()) {
            DateSeen &date = (*seen)[row.date];
            ++date.rows;
            if (date.linesKept < qint32(date.lines.size())) {
                date.lines[date.linesKept++] = row.line;
            }
            if (!row.refusal) {
                if (!layout) {
                    date.amounts = row.record.amounts;
                    date.textLength = row.record.text.size();
                } else if (date.goodRows == 0) {
                    date.amounts = row.record.amounts;
                    date.textLength = row.record.text.size();
                    if (date.textLength > kJournalTextLimit) {
                        date.refusal = textTooLong();
                    }
                } else if (!date.refusal) {
                    date.refusal =
                        sumRefusal(date.amounts, {}, date.textLength, row.record.amounts, row.record.text.size());
                    addAmounts(date.amounts, row.record.amounts);
                    const qsizetype more = row.record.text.size();
                    date.textLength = more == 0              ? date.textLength
                                      : date.textLength == 0 ? more
                                                             : date.textLength + 1 + more;
                }
                ++date.goodRows;
            }
        }
        if (!row.refusal && refusedDates.contains(row.date)) {
            const DateSeen &date = known.value(row.date);
            if (layout) {
                row.refusal = RefusedRow{row.line, QString(), date.refusal.value_or(QString())};
            } else {
                QList<qint64> others;
                for (qint32 i = 0; i < date.linesKept; ++i) {
                    if (date.lines.at(i) != row.line) {
                        others.append(date.lines.at(i));
                    }
                }
                row.refusal =
                    RefusedRow{row.line, kDateCaption,
                               QStringLiteral("同じ日付が %1にもあります。").arg(linesText(others, date.rows - 1))};
            }
        }
        if (row.refusal) {
            ++tally.refusedRows;
            if (tally.refused.size() < kKeptRefusals) {
                tally.refused.append(*row.refusal);
            }
            continue;
        }
        ++tally.goodRows;
        if (const auto at = tally.shownAt.constFind(row.date); layout && at != tally.shownAt.cend()) {
            // Within the day's limits: the first reading found them, or the day is refused above.
            std::ignore = addToDay(tally.firstDays[*at], row.record);
        } else if (tally.firstDays.size() < kShownDays) {
            tally.shownAt.insert(row.date, tally.firstDays.size());
            tally.firstDays.append(std::move(row.record));
        }
    }
    return source.stream().failure();
}

ImportPreview judgeFile(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                        const ImportLayout *layout, common::Progress &progress)
{
    ImportPreview preview;
    preview.path = path;
    preview.encodingDetected = !encoding;
    if (layout) {
        preview.layoutName = layout->name;
        preview.layout = *layout;
    }
    const auto fail = [&](const QString &why) {
        const bool needsLayout = preview.needsLayout;
        QList<CsvRow> leading = preview.leadingRows;
        const Encoding found = preview.encoding;
        preview = ImportPreview{};
        preview.path = path;
        preview.encodingDetected = !encoding;
        preview.encoding = found;
        preview.needsLayout = needsLayout;
        preview.leadingRows = leading;
        preview.layoutName = layout ? layout->name : QString();
        preview.failure = why;
        progress.finish();
        return preview;
    };

    progress.report(QStringLiteral("ファイルを読んでいます…"), 0, 0);
    QHash<QDate, DateSeen> seen;
    Tally tally;
    qint64 fileSize = 0;
    {
        RowSource source(path, encoding, layout);
        if (auto why = source.open(&preview)) {
            return fail(*why);
        }
        fileSize = source.stream().stamp().size;
        if (auto why = readRows(source, layout, &seen, seen, {}, fileSize, tally, progress)) {
            return fail(*why);
        }
        preview.stamp = source.stream().stamp();
    }
    for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
        if (layout ? it->refusal.has_value() : (it->rows > 1 && it->goodRows > 0)) {
            preview.refusedDates.insert(it.key());
        }
    }
    if (!preview.refusedDates.isEmpty()) {
        // Each row of those dates is named in its place among the refused ones.
        tally = Tally{};
        RowSource again(path, preview.encoding, layout);
        if (auto why = again.open(nullptr)) {
            return fail(*why);
        }
        if (auto why = readRows(again, layout, nullptr, seen, preview.refusedDates, fileSize, tally, progress)) {
            return fail(*why);
        }
        if (again.stream().stamp() != preview.stamp) {
            return fail(fileChanged(path));
        }
    }
    preview.refused = std::move(tally.refused);
    preview.refusedRows = tally.refusedRows;
    preview.firstDays = std::move(tally.firstDays);

    QDate first;
    QDate last;
    for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
        if (it->goodRows > 0 && !preview.refusedDates.contains(it.key())) {
            ++preview.days;
            first = first.isValid() ? std::min(first, it.key()) : it.key();
            last = last.isValid() ? std::max(last, it.key()) : it.key();
        }
    }

    // One pass over the journal of the file's period: far fewer statements
    // than a look-up for each of a hundred years of days.
    if (preview.days > 0) {
        progress.report(QStringLiteral("業務日誌と照らし合わせています…"), 0, 0);
        if (const store::DbError error = store.forEachRecord({first, last}, [&](const store::JournalRecord &record) {
                const auto date = seen.constFind(record.date);
                if (date == seen.cend() || date->goodRows == 0 || preview.refusedDates.contains(record.date)) {
                    return true;
                }
                ++preview.existingDays;
                if (tally.shownAt.contains(record.date)) {
                    preview.existing.insert(record.date, record);
                }
                if (auto why = whyNotAdded(record, date->amounts, date->textLength)) {
                    ++preview.daysNotAdded;
                    if (preview.notAdded.size() < kKeptRefusals) {
                        PlannedDay day;
                        day.action = PlannedDay::Refused;
                        day.result.date = record.date;
                        day.result.amounts = date->amounts;
                        day.reason = *why;
                        preview.notAdded.append(day);
                    }
                }
                return true;
            })) {
            return fail(QStringLiteral("業務日誌を読めませんでした。%1").arg(store::describeForUser(error)));
        }
    }
    preview.newDays = preview.days - preview.existingDays;
    progress.finish();
    return preview;
}

} // namespace

ImportPreview previewCsvImport(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                               common::Progress &progress)
{
    return judgeFile(store, path, encoding, nullptr, progress);
}

ImportPreview previewCsvImport(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                               const ImportLayout &layout, common::Progress &progress)
{
    return judgeFile(store, path, encoding, &layout, progress);
}

std::optional<QString> whyNotAdded(const store::JournalRecord &day, const store::Amounts &more, qsizetype moreText)
{
    return sumRefusal(day.amounts, day.unreadable, day.text.size(), more, moreText);
}

std::optional<QString> addToDay(store::JournalRecord &day, const store::JournalRecord &more)
{
    if (auto why = whyNotAdded(day, more.amounts, more.text.size())) {
        return why;
    }
    addAmounts(day.amounts, more.amounts);
    if (!more.text.isEmpty()) {
        day.text = day.text.isEmpty() ? more.text : day.text + u'\n' + more.text;
    }
    return std::nullopt;
}

QList<PlannedDay> planImport(const ImportPreview &preview, const ImportChoice &choice)
{
    QList<PlannedDay> planned;
    planned.reserve(preview.firstDays.size());
    for (const store::JournalRecord &record : preview.firstDays) {
        PlannedDay day;
        day.result = record;
        const auto existing = preview.existing.constFind(record.date);
        if (existing == preview.existing.cend()) {
            day.action = PlannedDay::New;
        } else if (choice.existing == ExistingDays::Keep) {
            day.action = PlannedDay::Kept;
            day.result = *existing;
        } else if (choice.existing == ExistingDays::Replace) {
            day.action = PlannedDay::Replaced;
        } else {
            day.result = *existing;
            day.action = PlannedDay::Added;
            if (auto reason = addToDay(day.result, record)) {
                day.action = PlannedDay::Refused;
                day.reason = *reason;
                day.result = record;
            }
        }
        planned.append(day);
    }
    return planned;
}

namespace {

const QString kNotImported = QStringLiteral("何も取り込んでいません。");

// Writes the days of an import inside its transaction as the choice says, and
// reads them back before the transaction is kept.
class DayWriter
{
public:
    DayWriter(store::Store &store, ExistingDays existing) : m_store(store), m_existing(existing) {}

    // `notAdded` when adding to the day's record would leave the amounts' range or the text's length.
    store::DbError write(const store::JournalRecord &record, bool &notAdded)
    {
        notAdded = false;
        if (m_existing == ExistingDays::Add) {
            // Adding goes to the day as it stands now, under the write lock.
            std::optional<store::JournalRecord> stored;
            if (const store::DbError failure = m_store.readDay(record.date, stored)) {
                return failure;
            }
            if (stored) {
                store::JournalRecord result = *stored;
                if (addToDay(result, record)) {
                    notAdded = true;
                    ++m_done.refused;
                    return {};
                }
                if (const store::DbError failure = m_store.saveDay(result)) {
                    return failure;
                }
                ++m_done.addedTo;
                wrote(result);
                return {};
            }
        }
        bool added = false;
        if (const store::DbError failure = m_store.addDay(record, added)) {
            return failure;
        }
        if (added) {
            ++m_done.added;
        } else if (m_existing != ExistingDays::Replace) {
            ++m_done.kept; // existing, or added by another program since the preview
            return {};
        } else if (const store::DbError failure = m_store.saveDay(record)) {
            return failure;
        } else {
            ++m_done.replaced;
        }
        wrote(record);
        return {};
    }

    // Every day written read back as written, in one pass over the period
    // written; the reason in Japanese in `refusal` when one is not.
    store::DbError readBack(std::optional<QString> &refusal)
    {
        if (m_written.empty()) {
            return {};
        }
        if (!m_inOrder) {
            // A day written twice reads back as its last write.
            std::stable_sort(m_written.begin(), m_written.end(),
                             [](const Written &a, const Written &b) { return a.day < b.day; });
            const auto last = std::unique(m_written.rbegin(), m_written.rend(),
                                          [](const Written &a, const Written &b) { return a.day == b.day; });
            m_written.erase(m_written.begin(), last.base());
        }
        const store::Period period{QDate::fromJulianDay(m_written.front().day),
                                   QDate::fromJulianDay(m_written.back().day)};
        size_t at = 0;
        size_t found = 0;
        std::optional<QDate> differs;
        if (const store::DbError failure = m_store.forEachRecord(period, [&](const store::JournalRecord &stored) {
                const qint64 day = stored.date.toJulianDay();
                while (at < m_written.size() && m_written[at].day < day) {
                    ++at;
                }
                if (at == m_written.size() || m_written[at].day != day) {
                    return true; // a day of the journal the import left alone
                }
                ++found; // a day given two records by another program counts twice, and is told
                if (m_written[at].hash != recordHash(stored) || stored.unreadable) {
                    differs = stored.date;
                    return false;
                }
                return true;
            })) {
            return failure;
        }
        if (differs) {
            refusal =
                QStringLiteral("%1 の記録を読み返すと、書き込んだ内容と違っていました。").arg(slashDate(*differs)) +
                kNotImported;
        } else if (found != m_written.size()) {
            refusal = QStringLiteral("取り込んだ記録を読み返すと、書き込んだ日数と合いませんでした。") + kNotImported;
        }
        return {};
    }

    const Imported &done() const { return m_done; }

private:
    // A day written and what it should read back as, as a number: the calendar's days at most.
    struct Written
    {
        qint64 day = 0;
        size_t hash = 0;
    };

    void wrote(const store::JournalRecord &record)
    {
        const qint64 day = record.date.toJulianDay();
        m_inOrder = m_inOrder && (m_written.empty() || m_written.back().day < day);
        m_written.push_back({day, recordHash(record)});
    }

    store::Store &m_store;
    ExistingDays m_existing;
    Imported m_done;
    std::vector<Written> m_written;
    bool m_inOrder = true;
};

// The days of the calendar an import has met, one bit each.
class DaysMet
{
public:
    DaysMet() : m_bits(int(common::kFirstDate.daysTo(common::kLastDate)) + 1) {}

    // False when the day was met before.
    bool meet(QDate date)
    {
        const qint64 at = common::kFirstDate.daysTo(date);
        if (at < 0 || at >= m_bits.size() || m_bits.testBit(at)) {
            return false;
        }
        m_bits.setBit(at);
        return true;
    }

private:
    QBitArray m_bits;
};

} // namespace

Imported importCsv(store::Store &store, const ImportPreview &preview, const ImportChoice &choice,
                   common::Progress &progress)
{
    Imported imported;
    if (preview.failure) {
        imported.failure = *preview.failure;
        progress.finish();
        return imported;
    }
    if (preview.days == 0) {
        progress.finish();
        return imported;
    }
    const QFileInfo info(preview.path);
    if (info.size() != preview.stamp.size || info.lastModified().toUTC() != preview.stamp.modified) {
        imported.failure = fileChanged(preview.path) + kNotImported;
        progress.finish();
        return imported;
    }

    const QString label = QStringLiteral("業務日誌に取り込んでいます…");
    std::optional<QString> refusal;
    Imported done;
    const store::DbError error = store.inTransaction([&]() -> store::DbError {
        const auto refuse = [&](const QString &why) -> store::DbError {
            refusal = why;
            return {store::DbErrorKind::RefusedValue, why};
        };
        DayWriter writer(store, choice.existing);
        bool notAdded = false;

        RowSource source(preview.path, preview.encoding, preview.layout ? &*preview.layout : nullptr);
        if (auto why = source.open(nullptr)) {
            return refuse(*why + kNotImported);
        }
        JudgedRow row;
        qint64 step = 0;
        // Through a layout a day's rows may lie apart in the file: the days are summed first.
        QHash<QDate, store::JournalRecord> days;
        QList<QDate> order;
        while (source.next(row)) {
            if (++step % kProgressEvery == 0) {
                progress.report(label, source.stream().bytesRead(), preview.stamp.size);
            }
            if (row.refusal || preview.refusedDates.contains(row.date)) {
                continue;
            }
            if (!preview.layout) {
                if (const store::DbError failure = writer.write(row.record, notAdded)) {
                    return failure;
                }
            } else if (const auto day = days.find(row.date); day == days.end()) {
                days.insert(row.date, row.record);
                order.append(row.date);
            } else if (addToDay(*day, row.record)) {
                return refuse(fileChanged(preview.path) + kNotImported);
            }
        }
        if (const std::optional<QString> &failure = source.stream().failure()) {
            return refuse(*failure + kNotImported);
        }
        if (source.stream().stamp() != preview.stamp) {
            return refuse(fileChanged(preview.path) + kNotImported);
        }
        for (const QDate date : std::as_const(order)) {
            if (const store::DbError failure = writer.write(days.value(date), notAdded)) {
                return failure;
            }
        }
        done = writer.done();
        progress.report(QStringLiteral("取り込んだ記録を確かめています…"), 0, 0);
        if (const store::DbError failure = writer.readBack(refusal)) {
            return failure;
        }
        return refusal ? refuse(*refusal) : store::DbError{};
    });
    progress.finish();
    if (error) {
        imported.failure = refusal ? *refusal
                                   : QStringLiteral("業務日誌に書き込めませんでした。%1%2")
                                         .arg(kNotImported, store::describeForUser(error));
        return imported;
    }
    return done;
}

OnePassImport importCsvInOnePass(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                                 const ImportChoice &choice, common::Progress &progress)
{
    OnePassImport result;
    ImportPreview &preview = result.preview;
    preview.path = path;
    preview.encodingDetected = !encoding;

    const QString label = QStringLiteral("業務日誌に取り込んでいます…");
    progress.report(label, 0, 0);
    bool judge = false; // a row or the file wants the preview's judgement: nothing is kept
    std::optional<QString> refusal;
    const store::DbError error = store.inTransaction([&]() -> store::DbError {
        const store::DbError stop{store::DbErrorKind::RefusedValue, QStringLiteral("to be judged first")};
        RowSource source(path, encoding, nullptr);
        if (source.open(&preview)) {
            judge = true;
            return stop;
        }
        DayWriter writer(store, choice.existing);
        DaysMet met;
        JudgedRow row;
        qint64 step = 0;
        bool notAdded = false;
        while (source.next(row)) {
            if (++step % kProgressEvery == 0) {
                progress.report(label, source.stream().bytesRead(), source.stream().stamp().size);
            }
            if (row.refusal || !met.meet(row.date)) {
                judge = true;
                return stop;
            }
            if (const store::DbError failure = writer.write(row.record, notAdded)) {
                return failure;
            }
            if (notAdded) {
                judge = true;
                return stop;
            }
        }
        if (source.stream().failure()) {
            judge = true;
            return stop;
        }
        preview.stamp = source.stream().stamp();
        result.imported = writer.done();
        progress.report(QStringLiteral("取り込んだ記録を確かめています…"), 0, 0);
        if (const store::DbError failure = writer.readBack(refusal)) {
            return failure;
        }
        return refusal ? store::DbError{store::DbErrorKind::RefusedValue, *refusal} : store::DbError{};
    });
    progress.finish();
    if (judge) {
        result.outcome = OnePassImport::Judge;
        result.imported = Imported{};
        return result;
    }
    if (error) {
        result.outcome = OnePassImport::Failed;
        result.imported = Imported{};
        result.imported.failure = refusal ? *refusal
                                          : QStringLiteral("業務日誌に書き込めませんでした。%1%2")
                                                .arg(kNotImported, store::describeForUser(error));
        return result;
    }
    const Imported &done = result.imported;
    preview.newDays = done.added;
    preview.existingDays = done.kept + done.replaced + done.addedTo;
    preview.days = preview.newDays + preview.existingDays;
    result.outcome = OnePassImport::Done;
    return result;
}

} // namespace exchange
