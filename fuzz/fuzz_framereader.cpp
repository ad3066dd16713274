// Fuzzes what the program does with the reading child's stream: a child that
// reads a damaged file may send anything. The stream is fed whole and in
// pieces; what it decodes to is then judged row by row as an import would.

#include "fuzzinput.h"

#include "common/formats.h"
#include "legacy/importplan.h"
#include "legacy/importreport.h"
#include "legacy/readerstream.h"

#include <algorithm>

using legacy::FrameReader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    FrameReader whole;
    whole.feed(bytes);
    // Pieces of any size decode to the same: a frame may arrive split anywhere.
    FrameReader pieces;
    const qsizetype piece = qsizetype(1 + size % 97);
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        pieces.feed(bytes.mid(at, piece));
    }
    FUZZ_CHECK(whole.state() == pieces.state(), QByteArray::number(int(pieces.state())));
    FUZZ_CHECK(whole.data().days.size() == pieces.data().days.size(), QByteArray());
    if (whole.state() != FrameReader::State::Finished) {
        return 0;
    }

    const legacy::LegacyData &read = whole.data();
    const legacy::ImportPlan plan = legacy::planImport(read);
    // Every journal row is either brought over or listed as not brought over.
    const auto listedOut = std::count_if(plan.report.cbegin(), plan.report.cend(), [](const legacy::ReportLine &line) {
        return line.table == QStringLiteral("業務日誌") && !line.imported;
    });
    FUZZ_CHECK(plan.days.size() + listedOut == read.days.size(),
               QByteArray::number(plan.days.size()) + " + " + QByteArray::number(listedOut));
    for (const legacy::PlannedDay &day : plan.days) {
        FUZZ_CHECK(day.record.date >= common::kFirstDate && day.record.date <= common::kLastDate,
                   day.record.date.toString().toUtf8());
        for (const store::AmountColumn column : store::kAmountColumns) {
            const store::Amount amount = day.record.amounts[column];
            FUZZ_CHECK(!amount || (*amount >= -common::kAmountLimit && *amount <= common::kAmountLimit),
                       QByteArray::number(*amount));
        }
        FUZZ_CHECK(!day.record.text.contains(QLatin1Char('\r')), fuzz::describe(day.record.text));
    }
    const QByteArray csv = legacy::reportCsv(plan.report);
    FUZZ_CHECK(csv.startsWith("\xEF\xBB\xBF"), QByteArray());
    return 0;
}
