// Reading the earlier version's Jet files: every value as the file stores it,
// Null told from empty, and files or texts that cannot be read whole refused
// with a reason that names them.

#include "legacy/jetreader.h"
#include "legacy/jettext.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

using namespace legacy;

namespace {

class CollectingSink : public LegacySink
{
public:
    void beginTable(const QString &table, qint64 declaredRows) override
    {
        tables.append(table);
        declared.append(declaredRows);
    }
    void day(const LegacyDay &day) override { data.days.append(day); }
    void settingsRow(const LegacySettingsRow &row) override { data.settings.append(row); }
    void hint(const LegacyHint &hint) override { data.hints.append(hint); }

    QStringList tables;
    QList<qint64> declared;
    LegacyData data;
};

const QStringList kAmountColumns{QStringLiteral("売上額"), QStringLiteral("仕入額"), QStringLiteral("入金額"),
                                 QStringLiteral("出金額")};
const QString &kMain = kLegacyMainFileName;
const QString &kWork = kLegacyWorkFileName;
constexpr int kPageSize = 4096;

QString fixture(const QString &set, const QString &file)
{
    return QStringLiteral(ZEPHRA_LEGACY_FIXTURES "/") + set + QLatin1Char('/') + file;
}

QByteArray utf16(QStringView text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<QString> jsonText(const QJsonValue &value)
{
    return value.isNull() ? std::nullopt : std::optional<QString>(value.toString());
}

// Jet's day count as the fixtures' records write it; a negative count keeps its fraction as a time.
QString dateText(double stored)
{
    const double days = std::trunc(stored);
    const QDateTime midnight(QDate(1899, 12, 30).addDays(qint64(days)), QTime(0, 0), Qt::UTC);
    return midnight.addSecs(std::llround(std::abs(stored - days) * 86400.0))
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// A fixture copied into a temporary folder, with helpers to change Jet 4 pages before it is written back.
class PatchedCopy
{
public:
    PatchedCopy(const QString &set, const QString &file)
        : bytes(contents(fixture(set, file))), m_path(m_dir.filePath(file))
    {}
    QString path() const { return m_path; }
    bool write() const
    {
        QFile out(m_path);
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
    }
    char *page(int index) { return bytes.data() + qsizetype(index) * kPageSize; }
    // Where the bytes stand in the file, if they stand there once.
    qsizetype find(const QByteArray &pattern) const
    {
        const qsizetype at = bytes.indexOf(pattern);
        return at >= 0 && bytes.indexOf(pattern, at + 1) < 0 ? at : -1;
    }
    void putUnit(qsizetype at, char16_t unit)
    {
        bytes[at] = char(unit & 0xff);
        bytes[at + 1] = char(unit >> 8);
    }
    static int u16(const char *at) { return quint8(at[0]) | (quint8(at[1]) << 8); }

    struct RowPlace
    {
        int page = -1;
        int row = -1;
    };
    // The data page row whose bytes hold that stored date.
    RowPlace rowWithDate(double date)
    {
        const QByteArray pattern(reinterpret_cast<const char *>(&date), 8);
        for (int p = 0; p < bytes.size() / kPageSize; ++p) {
            const char *data = page(p);
            for (int r = 0; data[0] == 0x01 && r < u16(data + 12); ++r) {
                const int start = u16(data + 14 + 2 * r) & 0x1fff;
                const int end = r == 0 ? kPageSize : (u16(data + 12 + 2 * r) & 0x1fff);
                if (start < end && QByteArray::fromRawData(data + start, end - start).contains(pattern)) {
                    return {p, r};
                }
            }
        }
        return {};
    }
    char *rowStart(RowPlace place) { return page(place.page) + (u16(page(place.page) + 14 + 2 * place.row) & 0x1fff); }
    void flagRow(RowPlace place, int flag) { page(place.page)[14 + 2 * place.row + 1] |= char(flag >> 8); }

    // A column's 25-byte definition and its stored UTF-16 name in the table definition page.
    struct Column
    {
        char *definition = nullptr;
        char *name = nullptr;
    };
    Column column(const QString &name)
    {
        for (int p = 0; p < bytes.size() / kPageSize; ++p) {
            char *data = page(p);
            const int count = data[0] == 0x02 ? u16(data + 45) : 0;
            const int blocks = 63 + 12 * u16(data + 51);
            for (int c = 0, at = blocks + 25 * count; c < count && at + 2 < kPageSize; ++c) {
                const int length = u16(data + at);
                if (QString::fromUtf16(reinterpret_cast<const char16_t *>(data + at + 2), length / 2) == name) {
                    return {data + blocks + 25 * c, data + at + 2};
                }
                at += 2 + length;
            }
        }
        return {};
    }

    QByteArray bytes;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

const LegacyDay &longestMemo(const QList<LegacyDay> &days)
{
    return *std::max_element(days.begin(), days.end(), [](auto &a, auto &b) {
        return a.text.value_or(QString()).size() < b.text.value_or(QString()).size();
    });
}

// basic's one memo stored in Jet's compressed form, and where its bytes stand.
const LegacyDay *compressedMemo(const QList<LegacyDay> &days, const PatchedCopy &copy, qsizetype &at)
{
    const auto day = std::find_if(days.begin(), days.end(), [](const LegacyDay &candidate) {
        return candidate.text && candidate.text->startsWith(QStringLiteral("Closed for inventory."));
    });
    at = day == days.end() ? -1 : copy.find("\xff\xfe" + day->text->toLatin1());
    return at >= 0 ? &*day : nullptr;
}

} // namespace

class TestJetReader : public QObject
{
    Q_OBJECT

private slots:
    void tablesMatchTheirRecord_data();
    void tablesMatchTheirRecord();
    void oddValuesComeBackAsStored();
    void floatingPointKeepsEveryBit();
    void longMemoComesBackWholeOrIsReportedCut();
    void storedTextsDecode_data();
    void storedTextsDecode();
    void charactersBeyondTheBmpComeBackExactly();
    void textsThatCannotBeReadExactlyAreRefused();
    void deletedRowIsLeftOutMovedRowFollowed();
    void missingTableOrColumnAndUnreadableTypeAreNamed();
    void unreadableOrCutFilesGiveAReason();
    void readingLeavesTheFilesUnchanged();
};

void TestJetReader::tablesMatchTheirRecord_data()
{
    QTest::addColumn<QString>("set");
    for (const char *set : {"basic", "edge", "odd", "decade"}) {
        QTest::newRow(set) << QString::fromLatin1(set);
    }
}

void TestJetReader::tablesMatchTheirRecord()
{
    QFETCH(QString, set);
    const QJsonObject expected =
        QJsonDocument::fromJson(contents(fixture(set, QStringLiteral("expected.json")))).object();
    const QJsonObject main = expected.value(kMain).toObject();
    const QJsonObject journal = main.value(QStringLiteral("業務日誌")).toObject();
    QVERIFY(!journal.isEmpty());

    CollectingSink sink;
    const auto failure = readJetFile(fixture(set, kMain), LegacyFile::Main, sink);
    QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
    QCOMPARE(sink.tables, QStringList({QStringLiteral("業務日誌"), QStringLiteral("自社情報")}));
    const QList<LegacyDay> &days = sink.data.days;
    QCOMPARE(sink.declared.value(0), journal.value(QStringLiteral("row_count")).toInteger());
    QCOMPARE(days.size(), journal.value(QStringLiteral("row_count")).toInteger());
    for (qsizetype i = 0; i < days.size(); ++i) {
        QCOMPARE(days[i].row, int(i + 1));
    }

    // Null counts and whole-yen sums; Currency keeps its four decimals, other numbers are plain.
    static const QRegularExpression currency(QStringLiteral("^(-?\\d+)\\.0000$"));
    static const QRegularExpression plain(QStringLiteral("^(-?\\d+)$"));
    const QJsonArray types = journal.value(QStringLiteral("columns")).toArray();
    const QJsonObject nulls = journal.value(QStringLiteral("null_counts")).toObject();
    for (int a = 0; a < 4; ++a) {
        const bool money = types[a + 1][QStringLiteral("type")].toString() == QStringLiteral("MONEY");
        qint64 sum = 0;
        int nullCount = 0;
        for (const LegacyDay &day : days) {
            const QRegularExpressionMatch match = (money ? currency : plain).match(day.amounts[a].value_or(QString()));
            QVERIFY2(!day.amounts[a] || match.hasMatch(), qPrintable(day.amounts[a].value_or(QString())));
            sum += day.amounts[a] ? match.captured(1).toLongLong() : 0;
            nullCount += day.amounts[a] ? 0 : 1;
        }
        QCOMPARE(nullCount, nulls.value(kAmountColumns[a]).toInt());
        QCOMPARE(sum, journal.value(QStringLiteral("sums"))[kAmountColumns[a]].toInteger());
    }
    QCOMPARE(std::count_if(days.begin(), days.end(), [](const LegacyDay &day) { return !day.date; }),
             nulls.value(QStringLiteral("日付")).toInt());
    QCOMPARE(std::count_if(days.begin(), days.end(), [](const LegacyDay &day) { return !day.text; }),
             nulls.value(QStringLiteral("日誌")).toInt());

    // First and last date, then the memos in date order, ties in storage order.
    QList<LegacyDay> byDate = days;
    std::stable_sort(byDate.begin(), byDate.end(), [](const auto &a, const auto &b) { return *a.date < *b.date; });
    QCOMPARE(byDate.isEmpty() ? QString() : dateText(*byDate.first().date),
             journal.value(QStringLiteral("first_date")).toString());
    QCOMPARE(byDate.isEmpty() ? QString() : dateText(*byDate.last().date),
             journal.value(QStringLiteral("last_date")).toString());
    QByteArrayList memos;
    qsizetype longest = 0;
    int empty = 0;
    for (const LegacyDay &day : byDate) {
        memos.append(day.text.value_or(QString()).toUtf8());
        longest = std::max(longest, day.text.value_or(QString()).size());
        empty += day.text && day.text->isEmpty() ? 1 : 0;
    }
    QCOMPARE(QCryptographicHash::hash(memos.join('\n'), QCryptographicHash::Sha256).toHex(),
             journal.value(QStringLiteral("memo_sha256")).toString().toLatin1());
    QCOMPARE(longest, journal.value(QStringLiteral("memo_max_length_chars")).toInteger());
    QCOMPARE(empty, journal.value(QStringLiteral("memo_empty_string_count")).toInt());

    const QJsonArray settings = main.value(QStringLiteral("自社情報"))[QStringLiteral("rows")].toArray();
    QCOMPARE(sink.data.settings.size(), settings.size());
    for (qsizetype i = 0; i < settings.size(); ++i) {
        QCOMPARE(sink.data.settings[i].era, jsonText(settings[i][QStringLiteral("年号")]));
        QCOMPARE(sink.data.settings[i].lineColour,
                 std::optional(QString::number(settings[i][QStringLiteral("LineColor1")].toInteger())));
    }

    // The work file: ClHint only, every text exactly as stored.
    CollectingSink work;
    QVERIFY(!readJetFile(fixture(set, kWork), LegacyFile::Work, work));
    const QJsonArray hints = expected.value(kWork)[QStringLiteral("ClHint")][QStringLiteral("rows")].toArray();
    QCOMPARE(work.tables, QStringList{QStringLiteral("ClHint")});
    QCOMPARE(work.data.hints.size(), hints.size());
    for (qsizetype i = 0; i < hints.size(); ++i) {
        const LegacyHint &hint = work.data.hints[i];
        QCOMPARE(hint.formName, jsonText(hints[i][QStringLiteral("FormName")]));
        QCOMPARE(hint.ctlName, jsonText(hints[i][QStringLiteral("CtlName")]));
        QCOMPARE(hint.formTitle, jsonText(hints[i][QStringLiteral("FormTitle")]));
        QCOMPARE(hint.contents, jsonText(hints[i][QStringLiteral("Contents")]));
    }
}

void TestJetReader::oddValuesComeBackAsStored()
{
    CollectingSink sink;
    QVERIFY(!readJetFile(fixture(QStringLiteral("odd"), kMain), LegacyFile::Main, sink));
    const QList<LegacyDay> &days = sink.data.days;
    QCOMPARE(days.size(), 8);

    // Storage order, not date order; Jet's zero date is a stored 0.
    QStringList dates;
    for (const LegacyDay &day : days) {
        dates.append(dateText(day.date.value_or(-1)));
    }
    QCOMPARE(dates, QStringList({QStringLiteral("2007-04-04 13:45:00"), QStringLiteral("2100-12-31 23:59:59"),
                                 QStringLiteral("2007-04-05 00:00:00"), QStringLiteral("1899-12-30 00:00:00"),
                                 QStringLiteral("2007-04-05 00:00:00"), QStringLiteral("1900-01-01 00:00:00"),
                                 QStringLiteral("2007-04-03 08:30:15"), QStringLiteral("2007-04-06 12:00:00")}));
    QCOMPARE(days[3].date, std::optional(0.0));

    // Doubles and Longs as plain decimals, the Long's extremes exact; the zero-length memo and the Null one apart.
    QCOMPARE(days[1].amounts,
             (std::array<std::optional<QString>, 4>{QStringLiteral("9999999999"), QStringLiteral("-9999999999"),
                                                    QStringLiteral("9999999999"), QStringLiteral("2147483647")}));
    QCOMPARE(days[7].amounts[3], std::optional(QStringLiteral("-2147483648")));
    QCOMPARE(days[6].text, std::optional(QString()));
    QVERIFY(!days[7].text);
}

void TestJetReader::floatingPointKeepsEveryBit()
{
    // The stored bytes of a Long column read as Single, of a Currency column as Double: every text is plain
    // notation and reads back to the very same number, however tiny, or is "nan".
    int notANumber = 0;
    const auto reread = [&]<typename Float>(const QString &set, int amount, char type, Float) {
        PatchedCopy copy(set, kMain);
        char *definition = copy.column(kAmountColumns[amount]).definition;
        CollectingSink before, after;
        QVERIFY(definition && copy.write() && !readJetFile(copy.path(), LegacyFile::Main, before));
        definition[0] = type;
        QVERIFY(copy.write() && !readJetFile(copy.path(), LegacyFile::Main, after));
        QCOMPARE(after.data.days.size(), before.data.days.size());
        static const QRegularExpression plain(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
        for (qsizetype i = 0; i < before.data.days.size(); ++i) {
            const auto stored = before.data.days[i].amounts[amount];
            const QByteArray text = after.data.days[i].amounts[amount].value_or(QString()).toLatin1();
            QCOMPARE(after.data.days[i].amounts[amount].has_value(), stored.has_value());
            using Bits = std::conditional_t<sizeof(Float) == 4, qint32, qint64>;
            const auto expected =
                std::bit_cast<Float>(Bits(QString(stored.value_or(QString())).remove(u'.').toLongLong()));
            Float read = 0;
            const auto end = std::from_chars(text.cbegin(), text.cend(), read, std::chars_format::fixed).ptr;
            notANumber += stored && std::isnan(expected) ? 1 : 0;
            QVERIFY2(!stored || (std::isnan(expected) ? text == "nan"
                                                      : plain.match(QString::fromLatin1(text)).hasMatch() &&
                                                            end == text.cend() && read == expected),
                     text.constData());
        }
    };
    reread(QStringLiteral("odd"), 3, 0x06, 0.0f);
    reread(QStringLiteral("basic"), 0, 0x07, 0.0);
    QVERIFY(notANumber > 0);
}

void TestJetReader::longMemoComesBackWholeOrIsReportedCut()
{
    const QString path = fixture(QStringLiteral("basic"), kMain);
    CollectingSink whole;
    QVERIFY(!readJetFile(path, LegacyFile::Main, whole));
    const auto longest = std::max_element(whole.data.days.begin(), whole.data.days.end(), [](auto &a, auto &b) {
        return a.text.value_or(QString()).size() < b.text.value_or(QString()).size();
    });
    QCOMPARE(longest->text->size(), 70000);
    const qint64 utf8 = longest->text->toUtf8().size();
    const auto cut = std::optional(
        QStringLiteral("VelmoraA.mdb の表「業務日誌」の第 %1 行の「日誌」が途中で切れて読み取られました。")
            .arg(longest->row));

    CollectingSink library;
    QCOMPARE(readJetFile(path, LegacyFile::Main, library, JetReadOptions{16384}), cut);

    // The library stops short of its buffer at a whole character: around the
    // memo's own length a read is either whole or reported, never quietly short.
    for (qint64 buffer = utf8 - 4; buffer <= utf8 + 8; ++buffer) {
        CollectingSink sink;
        const auto failure = readJetFile(path, LegacyFile::Main, sink, JetReadOptions{buffer});
        if (buffer <= utf8 + 4) {
            QCOMPARE(failure, cut);
        } else {
            QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
            QCOMPARE(sink.data.days.value(longest->row - 1).text, longest->text);
        }
    }
}

void TestJetReader::storedTextsDecode_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("readable");
    // Forms no fixture holds, not even patched in place.
    QTest::newRow("compressed, empty") << QByteArray::fromHex("fffe") << QString() << true;
    QTest::newRow("compressed, Latin-1") << QByteArray::fromHex("fffe 41 e9") << QStringLiteral("Aé") << true;
    QTest::newRow("odd length") << QByteArray::fromHex("4100 42") << QString() << false;
    QTest::newRow("half a unit") << QByteArray::fromHex("fffe 41 00 42d8 b7") << QString() << false;
    QTest::newRow("high alone at the end") << utf16(u"A\xd842") << QString() << false;
    QTest::newRow("high before no low") << QByteArray::fromHex("42d8 4100") << QString() << false;
    QTest::newRow("pair split by a one-byte run")
        << QByteArray::fromHex("fffe 00 42d8 00 41 00 b7df") << QString() << false;
}

void TestJetReader::storedTextsDecode()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, text);
    QFETCH(bool, readable);
    QCOMPARE(decodeJetText(stored), readable ? std::optional(text) : std::nullopt);
}

void TestJetReader::charactersBeyondTheBmpComeBackExactly()
{
    // libmdb converts UCS-2 and gives "??" for these; they are read from the stored bytes instead.
    const QString yoshi = QStringLiteral("\U00020BB7");
    const auto replaced = [&](const QString &text, qsizetype at) { return text.left(at) + yoshi + text.mid(at + 2); };

    // Uncompressed: a memo in its row, a memo in a long-value page, a Text column.
    CollectingSink odd;
    QVERIFY(!readJetFile(fixture(QStringLiteral("odd"), kMain), LegacyFile::Main, odd));
    LegacyData expected = odd.data;
    PatchedCopy plain(QStringLiteral("odd"), kMain);
    for (const int day : {0, 1}) {
        const QString text = odd.data.days[day].text.value_or(QString());
        const qsizetype at = plain.find(utf16(text));
        QVERIFY(text.size() > 12 && at >= 0);
        plain.putUnit(at + 2 * 10, 0xd842);
        plain.putUnit(at + 2 * 11, 0xdfb7);
        expected.days[day].text = replaced(text, 10);
    }
    // A NUL too, where the library's C string ends.
    const qsizetype nulAt = plain.find(utf16(QStringView(odd.data.days[0].text.value_or(QString())).mid(12)));
    QVERIFY(nulAt >= 0);
    plain.putUnit(nulAt + 2 * 3, 0);
    expected.days[0].text->replace(15, 1, QChar(u'\0'));
    const QString era = odd.data.settings[1].era.value_or(QString());
    const qsizetype eraAt = plain.find(utf16(era));
    QVERIFY(era.size() == 2 && eraAt >= 0);
    plain.putUnit(eraAt, 0xd842);
    plain.putUnit(eraAt + 2, 0xdfb7);
    expected.settings[1].era = yoshi;
    QVERIFY(plain.write());
    CollectingSink plainSink;
    const auto plainFailure = readJetFile(plain.path(), LegacyFile::Main, plainSink);
    QVERIFY2(!plainFailure, qPrintable(plainFailure.value_or(QString())));
    QCOMPARE(plainSink.data.days.size(), expected.days.size());
    for (qsizetype i = 0; i < expected.days.size(); ++i) {
        QCOMPARE(plainSink.data.days[i].text, expected.days[i].text);
    }
    QCOMPARE(plainSink.data.settings[0].era, expected.settings[0].era);
    QCOMPARE(plainSink.data.settings[1].era, expected.settings[1].era);

    // Inside the two-byte run of a compressed memo, and across the two first parts of the 70,000-character memo.
    CollectingSink basic;
    QVERIFY(!readJetFile(fixture(QStringLiteral("basic"), kMain), LegacyFile::Main, basic));
    expected = basic.data;
    PatchedCopy parts(QStringLiteral("basic"), kMain);
    qsizetype compressedAt = -1;
    const LegacyDay *compressed = compressedMemo(basic.data.days, parts, compressedAt);
    QVERIFY(compressed);
    parts.bytes.replace(compressedAt + 2 + 7, 6, QByteArray::fromHex("00 42d8 b7df 00"));
    expected.days[compressed->row - 1].text = compressed->text->left(7) + yoshi + compressed->text->mid(13);

    const LegacyDay &longest = longestMemo(basic.data.days);
    const QString text = longest.text.value_or(QString());
    const qsizetype firstAt = parts.find(utf16(QStringView(text).left(64)));
    QVERIFY(firstAt >= 0);
    // The first part fills its page's only row.
    const qsizetype inFirst = ((firstAt / kPageSize + 1) * kPageSize - firstAt) / 2;
    const qsizetype secondAt = parts.find(utf16(QStringView(text).mid(inFirst, 64)));
    QVERIFY(inFirst < 2048 && secondAt >= 0);
    parts.putUnit(firstAt + 2 * (inFirst - 1), 0xd842);
    parts.putUnit(secondAt, 0xdfb7);
    expected.days[longest.row - 1].text = replaced(text, inFirst - 1);
    QVERIFY(parts.write());

    CollectingSink partsSink;
    const auto partsFailure = readJetFile(parts.path(), LegacyFile::Main, partsSink);
    QVERIFY2(!partsFailure, qPrintable(partsFailure.value_or(QString())));
    QCOMPARE(partsSink.data.days.size(), expected.days.size());
    for (qsizetype i = 0; i < expected.days.size(); ++i) {
        QCOMPARE(partsSink.data.days[i].text, expected.days[i].text);
    }
}

void TestJetReader::textsThatCannotBeReadExactlyAreRefused()
{
    CollectingSink odd, basic;
    QVERIFY(!readJetFile(fixture(QStringLiteral("odd"), kMain), LegacyFile::Main, odd));
    QVERIFY(!readJetFile(fixture(QStringLiteral("basic"), kMain), LegacyFile::Main, basic));
    const auto notText = [](const QString &table, int row, const QString &column) {
        return std::optional(
            QStringLiteral("VelmoraA.mdb の表「%1」の第 %2 行の「%3」に文字として読めないデータがあります。"
                           "ファイルが壊れています。")
                .arg(table, QString::number(row), column));
    };
    const auto damaged = [](int row) {
        return std::optional(
            QStringLiteral(
                "VelmoraA.mdb の表「業務日誌」の第 %1 行の「日誌」を読み取れません。ファイルが壊れています。")
                .arg(row));
    };
    const auto read = [](PatchedCopy &copy) {
        CollectingSink sink;
        return copy.write() ? readJetFile(copy.path(), LegacyFile::Main, sink) : std::optional(QStringLiteral("write"));
    };
    const QString journal = QStringLiteral("業務日誌");
    const QString memo = QStringLiteral("日誌");

    // Half a surrogate pair: alone in a Text column, the pair's halves swapped in a memo, alone in a compressed run.
    PatchedCopy lone(QStringLiteral("odd"), kMain);
    const qsizetype eraAt = lone.find(utf16(odd.data.settings[1].era.value_or(QString())));
    QVERIFY(eraAt >= 0);
    lone.putUnit(eraAt, 0xd842);
    QCOMPARE(read(lone), notText(QStringLiteral("自社情報"), 2, QStringLiteral("年号")));

    PatchedCopy swapped(QStringLiteral("odd"), kMain);
    const qsizetype memoAt = swapped.find(utf16(odd.data.days[0].text.value_or(QString())));
    QVERIFY(memoAt >= 0);
    swapped.putUnit(memoAt + 2, 0xdfb7);
    swapped.putUnit(memoAt + 4, 0xd842);
    QCOMPARE(read(swapped), notText(journal, 1, memo));

    PatchedCopy half(QStringLiteral("basic"), kMain);
    qsizetype compressedAt = -1;
    const LegacyDay *compressed = compressedMemo(basic.data.days, half, compressedAt);
    QVERIFY(compressed);
    half.bytes.replace(compressedAt + 2 + 7, 6, QByteArray::fromHex("00 b7df 4100 00"));
    QCOMPARE(read(half), notText(journal, compressed->row, memo));

    // A memo whose parts do not make up its stated length, or whose chain leads off the long-value pages:
    // the library reads on regardless.
    PatchedCopy longer(QStringLiteral("odd"), kMain);
    const qsizetype headerAt = longer.find(utf16(odd.data.days[0].text.value_or(QString()))) - 12;
    QVERIFY(headerAt >= 0);
    longer.bytes[headerAt] = char(longer.bytes[headerAt] + 2);
    QCOMPARE(read(longer), damaged(1));

    const QString single = odd.data.days[1].text.value_or(QString());
    PatchedCopy shorter(QStringLiteral("odd"), kMain);
    QByteArray singleHeader(4, '\0');
    qToLittleEndian(quint32(0x40000000 | (single.size() * 2)), singleHeader.data());
    const qsizetype singleAt = shorter.find(singleHeader);
    QVERIFY(single.size() > 12 && singleAt >= 0);
    shorter.bytes[singleAt] = char(shorter.bytes[singleAt] - 2);
    QCOMPARE(read(shorter), damaged(2));

    const LegacyDay &longest = longestMemo(basic.data.days);
    PatchedCopy astray(QStringLiteral("basic"), kMain);
    const qsizetype partAt = astray.find(utf16(QStringView(*longest.text).left(64))) - 4;
    const auto rows = astray.rowWithDate(43586.0);
    QVERIFY(partAt >= 0 && rows.page >= 0);
    const quint32 pointer = quint32(rows.page) << 8;
    std::memcpy(astray.bytes.data() + partAt, &pointer, 4);
    QCOMPARE(read(astray), damaged(longest.row));
}

void TestJetReader::deletedRowIsLeftOutMovedRowFollowed()
{
    // libmdb reads the two row flags the wrong way round. A deleted 2019-05-01 stays out...
    const double april30 = 43585.0;
    const double may1 = 43586.0;
    PatchedCopy deleted(QStringLiteral("basic"), kMain);
    const auto place = deleted.rowWithDate(may1);
    QVERIFY(place.page >= 0);
    deleted.flagRow(place, 0x8000);
    QVERIFY(deleted.write());
    CollectingSink sink;
    QVERIFY(!readJetFile(deleted.path(), LegacyFile::Main, sink));
    QCOMPARE(sink.data.days.size(), 399);
    QCOMPARE(sink.data.days.last().row, 399);
    QVERIFY(std::none_of(sink.data.days.begin(), sink.data.days.end(), [&](auto &day) { return day.date == may1; }));

    // ...while the row of 2019-04-30, moved onto the place of 2019-05-01 flagged as Jet flags a moved row's new
    // place, comes back from there.
    PatchedCopy moved(QStringLiteral("basic"), kMain);
    const auto oldPlace = moved.rowWithDate(april30);
    const auto newPlace = moved.rowWithDate(may1);
    const quint32 pointer = (quint32(newPlace.page) << 8) | quint32(newPlace.row);
    std::memcpy(moved.rowStart(oldPlace), &pointer, 4);
    moved.flagRow(oldPlace, 0x4000);
    moved.flagRow(newPlace, 0x8000);
    QVERIFY(moved.write());
    CollectingSink movedSink;
    QVERIFY(!readJetFile(moved.path(), LegacyFile::Main, movedSink));
    QCOMPARE(movedSink.data.days.size(), 399);
    QCOMPARE(std::count_if(movedSink.data.days.begin(), movedSink.data.days.end(),
                           [&](auto &day) { return day.date == may1; }),
             1);
}

void TestJetReader::missingTableOrColumnAndUnreadableTypeAreNamed()
{
    CollectingSink sink;
    QCOMPARE(readJetFile(fixture(QStringLiteral("basic"), kWork), LegacyFile::Main, sink),
             std::optional(QStringLiteral("VelmoraAWork.mdb に表「業務日誌」がありません。")));

    PatchedCopy renamed(QStringLiteral("odd"), kMain);
    char *name = renamed.column(QStringLiteral("日誌")).name;
    QVERIFY(name);
    std::memcpy(name + 2, u"記", 2);
    QVERIFY(renamed.write());
    QCOMPARE(readJetFile(renamed.path(), LegacyFile::Main, sink),
             std::optional(QStringLiteral("VelmoraA.mdb の表「業務日誌」に列「日誌」がありません。")));

    PatchedCopy retyped(QStringLiteral("basic"), kMain);
    char *definition = retyped.column(QStringLiteral("売上額")).definition;
    QVERIFY(definition);
    definition[0] = 0x01; // Yes/No
    QVERIFY(retyped.write());
    QCOMPARE(readJetFile(retyped.path(), LegacyFile::Main, sink),
             std::optional(
                 QStringLiteral("VelmoraA.mdb の表「業務日誌」の列「売上額」の型（Yes/No 型）は読み取れません。")));
}

void TestJetReader::unreadableOrCutFilesGiveAReason()
{
    // A copy cut at a page boundary opens like a whole file; no cut may pass as a smaller file.
    const QByteArray main = contents(fixture(QStringLiteral("basic"), kMain));
    const QByteArray work = contents(fixture(QStringLiteral("basic"), kWork));
    QList<std::pair<QString, QByteArray>> files{{kMain, QByteArray()},
                                                {kMain, QStringLiteral("日付,売上額\r\n2019-05-01,1000\r\n").toUtf8()},
                                                {kMain, QByteArray(8 * kPageSize, '\0')},
                                                {kMain, main.left(100000)}};
    for (qsizetype pages = 1; pages < main.size() / kPageSize; ++pages) {
        files.append({kMain, main.left(pages * kPageSize)});
    }
    for (qsizetype pages = 1; pages < work.size() / kPageSize; ++pages) {
        files.append({kWork, work.left(pages * kPageSize)});
    }
    QTemporaryDir dir;
    for (const auto &[name, bytes] : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        file.close();
        CollectingSink sink;
        const auto failure = readJetFile(file.fileName(), name == kMain ? LegacyFile::Main : LegacyFile::Work, sink);
        QVERIFY2(
            failure && failure->startsWith(name + QLatin1Char(' ')),
            qPrintable(QStringLiteral("%1 bytes: %2").arg(bytes.size()).arg(failure.value_or(QStringLiteral("read")))));
    }
}

void TestJetReader::readingLeavesTheFilesUnchanged()
{
    const QString main = fixture(QStringLiteral("basic"), kMain);
    const QString work = fixture(QStringLiteral("basic"), kWork);
    const QByteArray mainBefore = QCryptographicHash::hash(contents(main), QCryptographicHash::Sha256);
    const QByteArray workBefore = QCryptographicHash::hash(contents(work), QCryptographicHash::Sha256);
    CollectingSink sink;
    QVERIFY(!readJetFile(main, LegacyFile::Main, sink));
    QVERIFY(!readJetFile(work, LegacyFile::Work, sink));
    QVERIFY(readJetFile(main, LegacyFile::Main, sink, JetReadOptions{16384}));
    QCOMPARE(QCryptographicHash::hash(contents(main), QCryptographicHash::Sha256), mainBefore);
    QCOMPARE(QCryptographicHash::hash(contents(work), QCryptographicHash::Sha256), workBefore);

    QCOMPARE(readJetFile(QStringLiteral("/nonexistent/VelmoraA.mdb"), LegacyFile::Main, sink),
             std::optional(QStringLiteral("VelmoraA.mdb が見つかりません。")));
}

QTEST_GUILESS_MAIN(TestJetReader)
#include "test_jetreader.moc"
