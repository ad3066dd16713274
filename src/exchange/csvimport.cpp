#include "exchange/csvimport.h"

#include "exchange/csvreader.h"
#include "exchange/formulaguard.h"
#include "exchange/valueforms.h"

#include "common/formats.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <algorithm>

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

QString linesText(const QList<qint64> &lines)
{
    QStringList named;
    for (qsizetype i = 0; i < lines.size() && i < kLinesNamed; ++i) {
        named.append(QStringLiteral("%1 行目").arg(lines.at(i)));
    }
    QString text = named.join(QStringLiteral("、"));
    if (lines.size() > kLinesNamed) {
        text += QStringLiteral("ほか %1 行").arg(lines.size() - kLinesNamed);
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

// Every row whose date another row has too is refused, naming the others.
void refuseSharedDates(QList<JudgedRow> &rows)
{
    QHash<QDate, QList<qint64>> linesOfDate;
    for (const JudgedRow &row : std::as_const(rows)) {
        if (row.date.isValid()) {
            linesOfDate[row.date].append(row.line);
        }
    }
    for (JudgedRow &row : rows) {
        if (!row.date.isValid() || row.refusal) {
            continue;
        }
        QList<qint64> others = linesOfDate.value(row.date);
        if (others.size() < 2) {
            continue;
        }
        others.removeOne(row.line);
        row.refusal =
            RefusedRow{row.line, kDateCaption, QStringLiteral("同じ日付が %1にもあります。").arg(linesText(others))};
    }
}

QString textTooLong()
{
    return QStringLiteral("この日の日誌が %1 文字を超えます。")
        .arg(common::formatAmount(kJournalTextLimit, common::pattern::kAmountZero));
}

// The good rows of one day, through a layout, as one record: amounts summed,
// a 日誌 line for each row. A day whose sums or text would be refused has
// each of its rows refused with the reason.
QList<store::JournalRecord> sumDays(QList<JudgedRow> &rows)
{
    QList<store::JournalRecord> days;
    QHash<QDate, qsizetype> dayAt;
    QHash<QDate, QString> refusedDays;
    for (const JudgedRow &row : std::as_const(rows)) {
        if (row.refusal) {
            continue;
        }
        const auto at = dayAt.constFind(row.date);
        if (at == dayAt.cend()) {
            dayAt.insert(row.date, days.size());
            days.append(row.record);
            if (row.record.text.size() > kJournalTextLimit) {
                refusedDays.insert(row.date, textTooLong());
            }
        } else if (!refusedDays.contains(row.date)) {
            if (auto reason = addToDay(days[*at], row.record)) {
                refusedDays.insert(row.date, *reason);
            }
        }
    }
    if (refusedDays.isEmpty()) {
        return days;
    }
    for (JudgedRow &row : rows) {
        if (!row.refusal && refusedDays.contains(row.date)) {
            row.refusal = RefusedRow{row.line, QString(), refusedDays.value(row.date)};
        }
    }
    days.removeIf([&](const store::JournalRecord &day) { return refusedDays.contains(day.date); });
    return days;
}

store::Period periodOf(const QList<store::JournalRecord> &records)
{
    const auto [first, last] = std::minmax_element(
        records.cbegin(), records.cend(),
        [](const store::JournalRecord &a, const store::JournalRecord &b) { return a.date < b.date; });
    return {first->date, last->date};
}

bool sameRecord(const store::JournalRecord &written, const store::JournalRecord &stored)
{
    return written.date == stored.date && written.amounts == stored.amounts && written.text == stored.text &&
           !stored.unreadable;
}

} // namespace

namespace {

ImportPreview judgeFile(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                        const ImportLayout *layout, common::Progress &progress)
{
    ImportPreview preview;
    preview.path = path;
    preview.encodingDetected = !encoding;
    const auto fail = [&](const QString &why) {
        preview.failure = why;
        progress.finish();
        return preview;
    };

    progress.report(QStringLiteral("ファイルを読んでいます…"), 0, 0);
    CsvText text = readCsvFile(path, encoding);
    if (text.failure) {
        return fail(*text.failure);
    }
    preview.encoding = text.encoding;
    if (text.rows.isEmpty()) {
        return fail(QStringLiteral("「%1」には何も書かれていません。").arg(QDir::toNativeSeparators(path)));
    }
    preview.leadingRows = text.rows.mid(0, kHeaderSearchRows);

    QList<Column> columns;
    QStringList names;
    QStringList ignored;
    qsizetype headerAt = 0;
    if (layout) {
        preview.layoutName = layout->name;
        const HeaderFound header = findHeader(text.rows, *layout);
        if (header.row < 0) {
            QStringList missing;
            for (const QString &name : header.missing) {
                missing.append(QStringLiteral("「%1」").arg(name));
            }
            return fail(QStringLiteral("取り込みのレイアウト「%1」の列 %2 が、このファイルの見出しにありません。")
                            .arg(layout->name, missing.join(QStringLiteral("、"))));
        }
        headerAt = header.row;
        if (auto why = readLayoutHeader(text.rows.at(headerAt), *layout, columns, names)) {
            return fail(*why);
        }
    } else if (auto why = readHeader(text.rows.first(), columns, names, ignored, preview.needsLayout)) {
        return fail(*why);
    }

    const QString label = QStringLiteral("ファイルの行を確かめています…");
    const qint64 total = text.rows.size() - 1 - headerAt;
    QList<JudgedRow> rows;
    rows.reserve(total);
    for (qsizetype i = headerAt + 1; i < text.rows.size(); ++i) {
        rows.append(judge(text.rows.at(i), columns, names, layout != nullptr));
        if (i % kProgressEvery == 0) {
            progress.report(label, i - headerAt, total);
        }
    }
    text.rows.clear();
    if (layout) {
        preview.records = sumDays(rows);
    } else {
        refuseSharedDates(rows);
    }

    for (JudgedRow &row : rows) {
        if (row.refusal) {
            preview.refused.append(*row.refusal);
        } else if (!layout) {
            preview.records.append(std::move(row.record));
        }
    }

    // One pass over the journal of the file's period: far fewer statements
    // than a look-up for each of a hundred years of days.
    QHash<QDate, store::JournalRecord> recorded;
    if (!preview.records.isEmpty()) {
        progress.report(QStringLiteral("業務日誌と照らし合わせています…"), 0, 0);
        if (const store::DbError error =
                store.forEachRecord(periodOf(preview.records), [&](const store::JournalRecord &record) {
                    recorded.insert(record.date, record);
                    return true;
                })) {
            preview.refused.clear();
            preview.records.clear();
            return fail(QStringLiteral("業務日誌を読めませんでした。%1").arg(store::describeForUser(error)));
        }
    }
    for (const store::JournalRecord &record : std::as_const(preview.records)) {
        if (const auto found = recorded.constFind(record.date); found != recorded.cend()) {
            ++preview.existingDays;
            preview.existing.insert(record.date, *found);
        } else {
            ++preview.newDays;
        }
    }
    preview.ignoredColumns = ignored;
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

std::optional<QString> addToDay(store::JournalRecord &day, const store::JournalRecord &more)
{
    store::Amounts sums = day.amounts;
    for (const store::AmountColumn column : store::kAmountColumns) {
        const store::Amount &add = more.amounts[column];
        store::Amount &sum = sums[column];
        if (!add) {
            continue;
        }
        if (day.unreadable.testFlag(column)) {
            return QStringLiteral("この日の%1には読めない値が入っているため、足せません。")
                .arg(store::columnCaption(column));
        }
        const qint64 total = sum.value_or(0) + *add; // both within ±10^10: no overflow
        if (total > common::kAmountLimit || total < -common::kAmountLimit) {
            return QStringLiteral("この日の%1の合計（%2）が金額の範囲（±%3）を超えます。")
                .arg(store::columnCaption(column), common::formatAmount(total, common::pattern::kAmountZero),
                     common::formatAmount(common::kAmountLimit, common::pattern::kAmountZero));
        }
        sum = total;
    }
    QString text = day.text;
    if (!more.text.isEmpty()) {
        text = text.isEmpty() ? more.text : text + u'\n' + more.text;
    }
    if (text.size() > kJournalTextLimit) {
        return textTooLong();
    }
    day.amounts = sums;
    day.text = text;
    return std::nullopt;
}

QList<PlannedDay> planImport(const ImportPreview &preview, const ImportChoice &choice)
{
    QList<PlannedDay> planned;
    planned.reserve(preview.records.size());
    for (const store::JournalRecord &record : preview.records) {
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

Imported importCsv(store::Store &store, const ImportPreview &preview, const ImportChoice &choice,
                   common::Progress &progress)
{
    Imported imported;
    if (preview.failure) {
        imported.failure = *preview.failure;
        progress.finish();
        return imported;
    }
    if (preview.records.isEmpty()) {
        progress.finish();
        return imported;
    }

    const QString label = QStringLiteral("業務日誌に取り込んでいます…");
    const qint64 total = preview.records.size();
    std::optional<QString> refusal;
    Imported done;
    const store::DbError error = store.inTransaction([&]() -> store::DbError {
        done = Imported{};
        QHash<QDate, store::JournalRecord> written;
        written.reserve(preview.records.size());
        // Adding goes to the days as they stand now, read in one pass under the write lock.
        QHash<QDate, store::JournalRecord> current;
        if (choice.existing == ExistingDays::Add) {
            if (const store::DbError failure =
                    store.forEachRecord(periodOf(preview.records), [&](const store::JournalRecord &record) {
                        current.insert(record.date, record);
                        return true;
                    })) {
                return failure;
            }
        }
        qint64 step = 0;
        for (const store::JournalRecord &record : preview.records) {
            if (++step % kProgressEvery == 0) {
                progress.report(label, step, total);
            }
            store::JournalRecord result = record;
            if (const auto stored = current.constFind(record.date); stored != current.cend()) {
                result = *stored;
                if (addToDay(result, record)) {
                    ++done.refused;
                    continue;
                }
                if (const store::DbError failure = store.saveDay(result)) {
                    return failure;
                }
                ++done.addedTo;
                written.insert(record.date, result);
                continue;
            }
            bool added = false;
            if (const store::DbError failure = store.addDay(record, added)) {
                return failure;
            }
            if (added) {
                ++done.added;
            } else if (choice.existing != ExistingDays::Replace) {
                // Existing, or added by another program since the preview.
                ++done.kept;
                continue;
            } else if (const store::DbError failure = store.saveDay(record)) {
                return failure;
            } else {
                ++done.replaced;
            }
            written.insert(record.date, result);
        }
        if (written.isEmpty()) {
            return {};
        }

        // Read back before it is kept: every day written, as written.
        const auto refuse = [&](const QString &why) -> store::DbError {
            refusal = why;
            return {store::DbErrorKind::RefusedValue, why};
        };
        progress.report(QStringLiteral("取り込んだ記録を確かめています…"), 0, 0);
        qint64 found = 0;
        std::optional<QDate> differs;
        const store::Period period = periodOf(preview.records);
        if (const store::DbError failure = store.forEachRecord(period, [&](const store::JournalRecord &stored) {
                const auto at = written.constFind(stored.date);
                if (at == written.cend()) {
                    return true;
                }
                ++found;
                if (!sameRecord(*at, stored)) {
                    differs = stored.date;
                    return false;
                }
                return true;
            })) {
            return failure;
        }
        if (differs) {
            return refuse(
                QStringLiteral("%1 の記録を読み返すと、書き込んだ内容と違っていました。何も取り込んでいません。")
                    .arg(slashDate(*differs)));
        }
        if (found != written.size()) {
            return refuse(QStringLiteral(
                "取り込んだ記録を読み返すと、書き込んだ日数と合いませんでした。何も取り込んでいません。"));
        }
        return {};
    });
    progress.finish();
    if (error) {
        imported.failure = refusal ? *refusal
                                   : QStringLiteral("業務日誌に書き込めませんでした。何も取り込んでいません。%1")
                                         .arg(store::describeForUser(error));
        return imported;
    }
    return done;
}

} // namespace exchange
