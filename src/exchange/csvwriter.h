#pragma once
// CSV as RFC 4180 has it: fields holding a comma, a quote, CR or LF are
// quoted with their quotes doubled, rows end with CRLF. A line break inside a
// text is written CRLF too, as Excel writes it; a lone CR stays as it is.
// Dates yyyy/mm/dd, amounts as plain whole numbers, no value as an empty field.
// A journal text that would read as a formula is guarded (formulaguard.h).

#include "exchange/export.h"
#include "exchange/sheet.h"
#include "exchange/shiftjis.h"

#include <QFileDevice>

#include <memory>

namespace exchange {

class CsvWriter final : public SheetWriter
{
public:
    // UTF-8 begins with a byte-order mark: without one, Japanese Excel reads
    // the file as Shift_JIS.
    CsvWriter(QFileDevice &out, Encoding encoding);

    std::optional<QString> header(const QStringList &captions) override;
    std::optional<QString> line(const Line &line) override;
    std::optional<QString> sums(const store::Sums &sums, const QList<store::Amount> &more) override;
    std::optional<QString> finish() override;
    std::optional<ShiftJisRefusal> shiftJisRefusal() const override { return m_refusal; }

private:
    std::optional<QString> writable(const QString &text, const QString &day, const QString &column);
    void appendText(const QString &text);
    void appendAmounts(const store::Amounts &amounts);
    void appendNumber(const store::Amount &number);
    std::optional<QString> endRow();
    std::optional<QString> flush();
    QString refuse(ShiftJisRefusal refusal);

    QFileDevice &m_out;
    Encoding m_encoding;
    std::unique_ptr<ShiftJisEncoder> m_shiftJis;
    QString m_pending; // rows not yet written
    std::optional<ShiftJisRefusal> m_refusal;
};

} // namespace exchange
