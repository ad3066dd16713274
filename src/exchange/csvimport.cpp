#include "exchange/csvimport.h"

#include "exchange/csvreader.h"
#include "exchange/formulaguard.h"

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
    enum Kind { Ignored, Date, Amount, Text } kind = Ignored;
    store::AmountColumn amount = store::AmountColumn::Sales;
};

QString slashDate(QDate date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

// A value as a reason quotes it: long ones cut short.
QString quoted(const QString &value)
{
    constexpr qsizetype kShown = 24;
    return QStringLiteral("「%1」").arg(value.size() > kShown ? value.left(kShown) + QStringLiteral("…") : value);
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The number of leading ASCII digits of `text` from `at`, at most `most`.
qsizetype digitsAt(QStringView text, qsizetype at, qsizetype most)
{
    qsizetype count = 0;
    while (at + count < text.size() && count < most && isAsciiDigit(text[at + count])) {
        ++count;
    }
    return count;
}

// yyyy/mm/dd, yyyy/m/d (Excel saving the file again) or yyyy-mm-dd, within
// the date boxes' range. The reason when it is none of these.
std::optional<QString> readDate(const QString &field, QDate &date)
{
    const QStringView text = QStringView(field).trimmed();
    if (text.isEmpty()) {
        return QStringLiteral("日付がありません。");
    }
    const auto unreadable = [&] { return QStringLiteral("日付として読めません（%1）。").arg(quoted(field)); };
    if (digitsAt(text, 0, 5) != 4 || text.size() < 8) {
        return unreadable();
    }
    const QChar separator = text[4];
    if (separator != u'/' && separator != u'-') {
        return unreadable();
    }
    const qsizetype monthDigits = digitsAt(text, 5, 3);
    const qsizetype dayAt = 5 + monthDigits + 1;
    if (monthDigits < 1 || monthDigits > 2 || dayAt >= text.size() || text[dayAt - 1] != separator) {
        return unreadable();
    }
    const qsizetype dayDigits = digitsAt(text, dayAt, 3);
    if (dayDigits < 1 || dayDigits > 2 || dayAt + dayDigits != text.size()) {
        return unreadable();
    }
    date = QDate(text.left(4).toInt(), text.mid(5, monthDigits).toInt(), text.mid(dayAt).toInt());
    if (!date.isValid()) {
        return QStringLiteral("その日付はありません（%1）。").arg(quoted(field));
    }
    if (date < common::kFirstDate || date > common::kLastDate) {
        return QStringLiteral("日付が %1〜%2 の外です（%3）。")
            .arg(slashDate(common::kFirstDate), slashDate(common::kLastDate), quoted(field));
    }
    return std::nullopt;
}

// Whole yen: an optional leading minus, ASCII digits, commas only where they
// group by thousands ("1,234,567", as Excel writes a formatted cell), a
// decimal part only when it is all zeros. Empty is no value.
std::optional<QString> readAmount(const QString &field, store::Amount &amount)
{
    amount.reset();
    const QStringView text = QStringView(field).trimmed();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const auto unreadable = [&] { return QStringLiteral("金額として読めません（%1）。").arg(quoted(field)); };
    const bool negative = text.startsWith(u'-');
    qsizetype at = negative ? 1 : 0;

    QString digits;
    const qsizetype firstGroup = digitsAt(text, at, text.size());
    if (firstGroup == 0) {
        return unreadable();
    }
    digits += text.mid(at, firstGroup);
    at += firstGroup;
    if (at < text.size() && text[at] == u',') {
        if (firstGroup > 3 || text[negative ? 1 : 0] == u'0') {
            return unreadable();
        }
        while (at < text.size() && text[at] == u',') {
            if (digitsAt(text, at + 1, 4) != 3) {
                return unreadable();
            }
            digits += text.mid(at + 1, 3);
            at += 4;
        }
    }
    bool fraction = false;
    if (at < text.size() && text[at] == u'.') {
        const qsizetype places = digitsAt(text, at + 1, text.size());
        if (places == 0) {
            return unreadable();
        }
        for (qsizetype i = at + 1; i <= at + places; ++i) {
            fraction = fraction || text[i] != u'0';
        }
        at += 1 + places;
    }
    if (at != text.size()) {
        return unreadable();
    }
    if (fraction) {
        return QStringLiteral("円未満の端数があります（%1）。").arg(quoted(field));
    }
    qsizetype firstNonZero = 0;
    while (firstNonZero + 1 < digits.size() && digits[firstNonZero] == u'0') {
        ++firstNonZero;
    }
    const QStringView value = QStringView(digits).mid(firstNonZero);
    const qint64 magnitude = value.size() > 10 ? common::kAmountLimit + 1 : value.toLongLong();
    if (magnitude > common::kAmountLimit) {
        return QStringLiteral("金額の範囲（±%1）を超えています（%2）。")
            .arg(common::formatAmount(common::kAmountLimit, common::pattern::kAmountZero), quoted(field));
    }
    amount = negative ? -magnitude : magnitude;
    return std::nullopt;
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

// The columns the header names, or why the file cannot be taken.
std::optional<QString> readHeader(const CsvRow &header, QList<Column> &columns, QStringList &names,
                                  QStringList &ignored)
{
    if (header.fault) {
        return QStringLiteral("%1 行目の見出しを読めません。%2").arg(header.line).arg(*header.fault);
    }
    QHash<QString, store::AmountColumn> amounts;
    for (const store::AmountColumn column : store::kAmountColumns) {
        amounts.insert(store::columnCaption(column), column);
    }
    if (const std::optional<QString> value = dataInHeader(header)) {
        return QStringLiteral("%1 行目は見出しではなく記録のようです（%2）。ファイルの最初の行には 日付,売上額,仕入額,"
                              "入金額,出金額,日誌 のように列の名前を書いてください。")
            .arg(header.line)
            .arg(quoted(*value));
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
        return QStringLiteral("見出しの行（%1 行目）に「日付」の列がありません。1 行目に 日付,売上額,仕入額,入金額,"
                              "出金額,日誌 のような見出しのある CSV ファイルを選んでください。")
            .arg(header.line);
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

JudgedRow judge(const CsvRow &row, const QList<Column> &columns, const QStringList &names)
{
    JudgedRow judged;
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
        case Column::Text:
            judged.record.text = unguardedText(field);
            break;
        case Column::Ignored:
            break;
        }
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

ImportPreview previewCsvImport(store::Store &store, const QString &path, std::optional<Encoding> encoding,
                               common::Progress &progress)
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

    QList<Column> columns;
    QStringList names;
    QStringList ignored;
    if (auto why = readHeader(text.rows.first(), columns, names, ignored)) {
        return fail(*why);
    }

    const QString label = QStringLiteral("ファイルの行を確かめています…");
    const qint64 total = text.rows.size() - 1;
    QList<JudgedRow> rows;
    rows.reserve(total);
    for (qsizetype i = 1; i < text.rows.size(); ++i) {
        rows.append(judge(text.rows.at(i), columns, names));
        if (i % kProgressEvery == 0) {
            progress.report(label, i, total);
        }
    }
    text.rows.clear();
    refuseSharedDates(rows);

    for (JudgedRow &row : rows) {
        if (row.refusal) {
            preview.refused.append(*row.refusal);
        } else {
            preview.records.append(std::move(row.record));
        }
    }

    // One pass over the journal of the file's period: far fewer statements
    // than a look-up for each of a hundred years of days.
    QSet<QDate> recorded;
    if (!preview.records.isEmpty()) {
        progress.report(QStringLiteral("業務日誌と照らし合わせています…"), 0, 0);
        if (const store::DbError error =
                store.forEachRecord(periodOf(preview.records), [&](const store::JournalRecord &record) {
                    recorded.insert(record.date);
                    return true;
                })) {
            preview.refused.clear();
            preview.records.clear();
            return fail(QStringLiteral("業務日誌を読めませんでした。%1").arg(store::describeForUser(error)));
        }
    }
    for (const store::JournalRecord &record : std::as_const(preview.records)) {
        ++(recorded.contains(record.date) ? preview.existingDays : preview.newDays);
    }
    preview.ignoredColumns = ignored;
    progress.finish();
    return preview;
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
        QHash<QDate, const store::JournalRecord *> written;
        written.reserve(preview.records.size());
        qint64 step = 0;
        for (const store::JournalRecord &record : preview.records) {
            if (++step % kProgressEvery == 0) {
                progress.report(label, step, total);
            }
            bool added = false;
            if (const store::DbError failure = store.addDay(record, added)) {
                return failure;
            }
            if (added) {
                ++done.added;
            } else if (!choice.replaceExisting) {
                // Existing, or added by another program since the preview.
                ++done.kept;
                continue;
            } else if (const store::DbError failure = store.saveDay(record)) {
                return failure;
            } else {
                ++done.replaced;
            }
            written.insert(record.date, &record);
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
                if (!sameRecord(**at, stored)) {
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
