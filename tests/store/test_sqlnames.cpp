// Every name of our tables and columns in the store's statements stands in
// double quotes, as they were made: a server that folds bare names to lower
// case would otherwise look for `clhint` where `ClHint` is. The statements
// are read from the store's sources, so that every one is seen, also those
// of failure paths and the pieces a statement is put together from, which no
// run of the store would prepare.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kNames = {
    u"業務日誌"_s,
    u"日付"_s,
    u"売上額"_s,
    u"仕入額"_s,
    u"入金額"_s,
    u"出金額"_s,
    u"日誌"_s,
    u"版"_s,
    u"更新日時"_s,
    u"自社情報"_s,
    u"年号"_s,
    u"LineColor1"_s,
    u"w集計"_s,
    u"ClHint"_s,
    u"FormName"_s,
    u"CtlName"_s,
    u"FormTitle"_s,
    u"Contents"_s,
    u"データ版"_s,
    u"業務日誌_日付"_s,
    u"ClHint_FormName_CtlName"_s,
    u"日誌索引"_s,
    u"日誌索引状態"_s,
    u"本文"_s,
    u"日誌索引_content"_s,
    u"日誌索引_docsize"_s,
};

bool isOurName(const QString &word)
{
    return std::any_of(kNames.cbegin(), kNames.cend(),
                       [&word](const QString &name) { return name.compare(word, Qt::CaseInsensitive) == 0; });
}

// The string literals of a C++ source as the compiler sees them: escapes
// read, literals that follow each other joined. Comments and character
// literals are skipped.
QStringList literalsOf(const QString &source)
{
    QStringList literals;
    QString current;
    bool joining = false; // only blanks and comments since the last literal
    qsizetype i = 0;
    const qsizetype n = source.size();
    const auto endLiteral = [&] {
        if (joining) {
            literals.append(current);
            current.clear();
            joining = false;
        }
    };
    while (i < n) {
        const QChar c = source.at(i);
        if (source.mid(i, 2) == "//"_L1) {
            const qsizetype end = source.indexOf(u'\n', i);
            i = end < 0 ? n : end;
        } else if (source.mid(i, 2) == "/*"_L1) {
            const qsizetype end = source.indexOf("*/"_L1, i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == u'\'') {
            endLiteral();
            for (++i; i < n && source.at(i) != u'\''; ++i) {
                i += source.at(i) == u'\\' ? 1 : 0;
            }
            ++i;
        } else if (c == u'"') {
            for (++i; i < n && source.at(i) != u'"'; ++i) {
                if (source.at(i) == u'\\' && i + 1 < n) {
                    ++i;
                }
                current.append(source.at(i));
            }
            ++i;
            joining = true;
        } else {
            if (!c.isSpace()) {
                endLiteral();
            }
            ++i;
        }
    }
    endLiteral();
    return literals;
}

// Our names that stand bare in a statement's text: outside double quotes
// (a quoted name) and single quotes (a text). A literal that is one name
// alone is a value bound to a statement, not a statement.
QStringList bareNames(const QString &sql)
{
    if (kNames.contains(sql)) {
        return {};
    }
    QStringList found;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    const auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'"' || c == u'\'') {
            const qsizetype end = sql.indexOf(c, i + 1);
            i = end < 0 ? n : end + 1;
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < n && isWordChar(sql.at(i))) {
                ++i;
            }
            const QString word = sql.mid(start, i - start);
            const bool parameter = start > 0 && sql.at(start - 1) == u'?';
            if (!parameter && isOurName(word)) {
                found.append(word);
            }
        } else {
            ++i;
        }
    }
    return found;
}

} // namespace

class TestSqlNames : public QObject
{
    Q_OBJECT

private slots:
    void findsBareNames_data();
    void findsBareNames();
    void storeStatementsQuoteEveryName();
};

void TestSqlNames::findsBareNames_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("bare");
    QTest::newRow("quoted") << uR"(s("SELECT \"日付\" FROM main.\"業務日誌\" WHERE \"日付\" = ?1");)"_s
                            << QStringList();
    QTest::newRow("bare table") << uR"(s("SELECT \"日付\" FROM 業務日誌");)"_s << QStringList{u"業務日誌"_s};
    QTest::newRow("bare after a schema") << uR"(s("DELETE FROM work.ClHint");)"_s << QStringList{u"ClHint"_s};
    QTest::newRow("folded spelling") << uR"(s("SELECT clhint.formname FROM x");)"_s
                                     << QStringList{u"clhint"_s, u"formname"_s};
    QTest::newRow("split over literals") << uR"(s("SELECT 1 FROM "
                                              "業務日誌");)"_s
                                         << QStringList{u"業務日誌"_s};
    QTest::newRow("a piece of a statement") << uR"(x = a ? "i.c0" : "i.本文";)"_s << QStringList{u"本文"_s};
    QTest::newRow("a text, a comment, a bound name") << uR"(// FROM 業務日誌
           s("SELECT name FROM t WHERE name IN ('日誌索引') AND c = '\''"); bind(1, "業務日誌"); c = '"';)"_s
                                                     << QStringList();
    QTest::newRow("a parameter and a longer word")
        << uR"(s("SELECT 日付らしさ FROM t WHERE x = ?1");)"_s << QStringList();
}

void TestSqlNames::findsBareNames()
{
    QFETCH(QString, source);
    QFETCH(QStringList, bare);
    QStringList found;
    for (const QString &literal : literalsOf(source)) {
        found += bareNames(literal);
    }
    QCOMPARE(found, bare);
}

void TestSqlNames::storeStatementsQuoteEveryName()
{
    const QDir sources(QStringLiteral(ZEPHRA_STORE_SOURCE_DIR));
    const QStringList files = sources.entryList({u"*.cpp"_s}, QDir::Files, QDir::Name);
    QVERIFY(files.contains(u"sqlitestore.cpp"_s));
    static const QRegularExpression statement(u"\\b(SELECT|INSERT|UPDATE|DELETE|CREATE|ALTER|DROP)\\b"_s);
    int statements = 0;
    QStringList faults;
    for (const QString &name : files) {
        QFile file(sources.filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        for (const QString &literal : literalsOf(QString::fromUtf8(file.readAll()))) {
            statements += statement.match(literal).hasMatch() ? 1 : 0;
            const QStringList bare = bareNames(literal);
            if (!bare.isEmpty()) {
                faults.append(name + u": "_s + bare.join(u", "_s) + u" in: "_s + literal);
            }
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    // The scan saw the store's statements, not an empty folder.
    QVERIFY2(statements > 50, qPrintable(QString::number(statements)));
}

QTEST_GUILESS_MAIN(TestSqlNames)
#include "test_sqlnames.moc"
