// The modules loaded on first use: found in the first folder that holds them,
// their functions doing what the linked code does, a missing or broken module
// told in Japanese without harm, and the program itself mapping none of the
// libraries they bring.

#include "exchange/workbookmodule.h"
#include "legacy/jetmodule.h"
#include "legacy/jetreader.h"

#include "common/module.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kBuildFolder = QStringLiteral(ZEPHRA_MODULE_BUILD_DIR);

class CollectingSink : public legacy::LegacySink
{
public:
    void beginTable(const QString &table, qint64) override { tables << table; }
    void day(const legacy::LegacyDay &day) override
    {
        days << day.text.value_or(u"<null>"_s) + u'|' + day.amounts[0].value_or(u"<null>"_s);
    }
    void settingsRow(const legacy::LegacySettingsRow &) override { ++settings; }
    void hint(const legacy::LegacyHint &) override { ++hints; }

    QStringList tables;
    QStringList days;
    int settings = 0;
    int hints = 0;
};

QString fixture(const QString &set, const QString &file)
{
    return QStringLiteral(ZEPHRA_LEGACY_FIXTURES "/") + set + u'/' + file;
}

// A module of `name` in `folder`, made from the bytes of `from`.
bool placeModule(const QString &folder, const QString &name, const QString &from)
{
    return QFile::copy(from, folder + u'/' + common::moduleFileName(name));
}

} // namespace

class TestModules : public QObject
{
    Q_OBJECT
private slots:
    void jetModuleReadsAsTheLinkedReader_data();
    void jetModuleReadsAsTheLinkedReader();
    void firstFolderHoldingTheModuleWins();
    void failuresAreToldAndHarmless_data();
    void failuresAreToldAndHarmless();
    void foldersSearchedInOrder();
    void programFindsItsModulesBesideItself();
    void programMapsNoneOfTheModulesLibraries_data();
    void programMapsNoneOfTheModulesLibraries();
};

void TestModules::jetModuleReadsAsTheLinkedReader_data()
{
    QTest::addColumn<QString>("set");
    QTest::addColumn<int>("which");
    QTest::newRow("basic main") << u"basic"_s << int(legacy::LegacyFile::Main);
    QTest::newRow("odd main") << u"odd"_s << int(legacy::LegacyFile::Main);
    QTest::newRow("basic work") << u"basic"_s << int(legacy::LegacyFile::Work);
}

void TestModules::jetModuleReadsAsTheLinkedReader()
{
    QFETCH(QString, set);
    QFETCH(int, which);
    const auto read =
        common::moduleFunctionAs<legacy::ReadJetFunction>(legacy::kJetModule, legacy::kReadJetSymbol, u"読み取り"_s);
    QVERIFY2(read.function, qPrintable(read.failure));
    const QString file =
        which == int(legacy::LegacyFile::Main) ? legacy::kLegacyMainFileName : legacy::kLegacyWorkFileName;
    CollectingSink throughModule;
    QString failure;
    QVERIFY2(read.function(fixture(set, file), which, throughModule, &failure), qPrintable(failure));
    CollectingSink linked;
    QVERIFY(!legacy::readJetFile(fixture(set, file), static_cast<legacy::LegacyFile>(which), linked));
    QVERIFY(!throughModule.tables.isEmpty());
    QCOMPARE(throughModule.tables, linked.tables);
    QCOMPARE(throughModule.days, linked.days);
    QCOMPARE(throughModule.settings, linked.settings);
    QCOMPARE(throughModule.hints, linked.hints);

    // A file that is no Jet file is refused through the module as well, with the reason.
    QTemporaryDir dir;
    const QString bogus = dir.filePath(file);
    QFile out(bogus);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(QByteArray(8192, 'x')) == 8192);
    out.close();
    CollectingSink none;
    QVERIFY(!read.function(bogus, which, none, &failure));
    QVERIFY(!failure.isEmpty());
}

void TestModules::firstFolderHoldingTheModuleWins()
{
    QTemporaryDir empty;
    QTemporaryDir holding;
    // The Excel module under another module's name: found, but without the
    // reader's function, so the folder it came from shows in the answer.
    QVERIFY(placeModule(holding.path(), u"zephra-probe"_s,
                        kBuildFolder + u'/' + common::moduleFileName(exchange::kWorkbookModule)));
    const common::ModuleFunction found = common::moduleFunction(
        u"zephra-probe"_s, exchange::kMakeWorkbookSymbol, u"確認"_s, {empty.path(), holding.path(), kBuildFolder});
    QVERIFY2(found.function, qPrintable(found.failure));
    const common::ModuleFunction wrong =
        common::moduleFunction(u"zephra-probe"_s, legacy::kReadJetSymbol, u"確認"_s, {empty.path(), holding.path()});
    QVERIFY(!wrong.function);
    QVERIFY(wrong.failure.contains(u"版がプログラムと合いません"_s));

    // A broken file in an earlier folder is the one taken, and told, not passed over.
    QTemporaryDir broken;
    QFile bad(broken.filePath(common::moduleFileName(u"zephra-probe"_s)));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("no library") > 0);
    bad.close();
    const common::ModuleFunction shadowed = common::moduleFunction(u"zephra-probe"_s, exchange::kMakeWorkbookSymbol,
                                                                   u"確認"_s, {broken.path(), holding.path()});
    QVERIFY(!shadowed.function);
    QVERIFY2(shadowed.failure.contains(broken.path()), qPrintable(shadowed.failure));
}

void TestModules::failuresAreToldAndHarmless_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
    QTest::addColumn<QString>("told");
    QTest::newRow("missing") << QByteArray() << u"探した場所"_s;
    QTest::newRow("not a library") << QByteArray("this is no ELF file\n") << u"プログラムを入れ直してください"_s;
    QTest::newRow("empty file") << QByteArray(1, '\0') << u"プログラムを入れ直してください"_s;
}

void TestModules::failuresAreToldAndHarmless()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString name = u"zephra-absent"_s;
    if (!bytes.isEmpty()) {
        QFile file(dir.filePath(common::moduleFileName(name)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const common::ModuleFunction found =
        common::moduleFunction(name, legacy::kReadJetSymbol, u"グラフの表示"_s, {dir.path()});
    QVERIFY(!found.function);
    QVERIFY2(found.failure.startsWith(u"グラフの表示に必要な部品（zephra-absent.so）を読み込めません。"_s),
             qPrintable(found.failure));
    QVERIFY2(found.failure.contains(told), qPrintable(found.failure));
    // Asking again gives the same answer, and a good module still loads afterwards.
    QCOMPARE(common::moduleFunction(name, legacy::kReadJetSymbol, u"グラフの表示"_s, {dir.path()}).failure,
             found.failure);
    QVERIFY(common::moduleFunction(legacy::kJetModule, legacy::kReadJetSymbol, u"確認"_s, {kBuildFolder}).function);
}

void TestModules::foldersSearchedInOrder()
{
    const QByteArray kept = qgetenv("ZEPHRA_MODULE_DIR");
    qputenv("ZEPHRA_MODULE_DIR", "/somewhere/given");
    const QStringList folders = common::moduleFolders();
    qputenv("ZEPHRA_MODULE_DIR", kept);
    const QString own = QCoreApplication::applicationDirPath();
    QCOMPARE(folders, (QStringList{u"/somewhere/given"_s, own, QDir::cleanPath(own + u"/../lib/zephra"_s)}));
    qunsetenv("ZEPHRA_MODULE_DIR");
    QCOMPARE(common::moduleFolders().first(), own);
    qputenv("ZEPHRA_MODULE_DIR", kept);
}

// The program run as a user runs it (no folder given): the earlier version's
// files read by its reading child, which looks before any application object
// exists, and a workbook written.
void TestModules::programFindsItsModulesBesideItself()
{
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"ZEPHRA_MODULE_DIR"_s);
    environment.insert(u"HOME"_s, home.path());
    environment.remove(u"XDG_DATA_HOME"_s);
    const auto run = [&](const QStringList &arguments) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ZEPHRA_PATH), arguments);
        const bool finished = program.waitForFinished(60'000);
        const QString output = QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError());
        return std::pair{finished && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, output};
    };
    // The folder the program takes its data from when none is beside it.
    const QString data = home.filePath(u".local/share/zephra/data"_s);
    const auto [imported, importOutput] = run({u"--import-legacy"_s, fixture(u"basic"_s, QString()), data});
    QVERIFY2(imported, qPrintable(importOutput));
    QVERIFY(QFileInfo(QDir(data).filePath(u"VelmoraA.mdb"_s)).size() > 0);

    const QString book = home.filePath(u"journal.xlsx"_s);
    const auto [exported, exportOutput] =
        run({u"--export"_s, book, u"--from"_s, u"1900/01/01"_s, u"--to"_s, u"2019/06/18"_s});
    QVERIFY2(exported, qPrintable(exportOutput));
    QFile written(book);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.read(2), QByteArray("PK")); // a workbook is a zip archive
}

void TestModules::programMapsNoneOfTheModulesLibraries_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("zephra") << QStringLiteral(ZEPHRA_PATH);
}

void TestModules::programMapsNoneOfTheModulesLibraries()
{
    QFETCH(QString, program);
    // The dynamic linker lists what the program maps at its start and stops.
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_TRACE_LOADED_OBJECTS"_s, u"1"_s);
    run.setProcessEnvironment(environment);
    run.start(program, {});
    QVERIFY(run.waitForFinished(30'000));
    const QString mapped = QString::fromLocal8Bit(run.readAllStandardOutput());
    QVERIFY2(mapped.contains(u"libQt6Widgets"_s), qPrintable(mapped));
    for (const QString &library :
         {u"libQt6Charts"_s, u"libQt6OpenGL"_s, u"libmdb"_s, u"libxlsxwriter"_s, u"libminizip"_s, u"libcrypto"_s}) {
        QVERIFY2(!mapped.contains(library), qPrintable(library + u" is mapped at start:\n"_s + mapped));
    }
}

QTEST_MAIN(TestModules)
#include "test_modules.moc"
