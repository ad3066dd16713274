// The command line of the built program: the help in the user's language,
// the version, and the refusal of an option it does not know.

#include "app/commandline.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the program with LANG set to `lang` and no other locale variable.
Outcome zephra(const QStringList &arguments, const QString &lang = u"C"_s)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"LC_ALL"_s);
    environment.remove(u"LC_MESSAGES"_s);
    environment.remove(u"LANGUAGE"_s);
    environment.insert(u"LANG"_s, lang);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZEPHRA_PATH), arguments);
    Outcome outcome;
    if (process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit) {
        outcome.exitCode = process.exitCode();
    }
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

// Every verb the program runs without its window.
const QStringList kVerbs{u"--init-data"_s, u"--init-server"_s, u"--move-to-server"_s, u"--backup"_s,       u"--restore"_s,
                         u"--export"_s,    u"--import-csv"_s,  u"--import-legacy"_s};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void helpListsEveryVerb_data();
    void helpListsEveryVerb();
    void version();
    void unknownOptionIsRefused_data();
    void unknownOptionIsRefused();
    void languageFollowsTheMessagesVariable();
};

void TestCommandLine::helpListsEveryVerb_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("otherHeading");
    QTest::newRow("Japanese --help") << u"ja_JP.UTF-8"_s << u"--help"_s << u"使い方: zephra"_s << u"Usage:"_s;
    QTest::newRow("Japanese -h") << u"ja_JP.UTF-8"_s << u"-h"_s << u"使い方: zephra"_s << u"Usage:"_s;
    QTest::newRow("English --help") << u"C"_s << u"--help"_s << u"Usage: zephra"_s << u"使い方"_s;
    QTest::newRow("English -h") << u"en_GB.UTF-8"_s << u"-h"_s << u"Usage: zephra"_s << u"使い方"_s;
}

void TestCommandLine::helpListsEveryVerb()
{
    QFETCH(QString, lang);
    QFETCH(QString, option);
    QFETCH(QString, heading);
    QFETCH(QString, otherHeading);
    const Outcome help = zephra({option}, lang);
    QCOMPARE(help.exitCode, 0);
    QVERIFY2(help.out.startsWith(heading), qPrintable(help.out));
    QVERIFY(!help.out.contains(otherHeading));
    for (const QString &verb : kVerbs) {
        QVERIFY2(help.out.contains(u"\n  "_s + verb + u' '), qPrintable(verb));
    }
    QVERIFY(help.out.contains(u"--version"_s));
    // The reading child of --import-legacy is no verb for users.
    QVERIFY(!help.out.contains(u"--read-jet"_s));
    QVERIFY(help.err.isEmpty());
}

void TestCommandLine::version()
{
    const QString expected = u"zephra "_s + QStringLiteral(PROJECT_VERSION_TEXT) + u'\n';
    for (const QStringList &arguments : {QStringList{u"--version"_s}, QStringList{u"-v"_s},
                                         // Qt's own options belong to the window, not refused.
                                         QStringList{u"-platform"_s, u"offscreen"_s, u"--version"_s}}) {
        const Outcome outcome = zephra(arguments, u"ja_JP.UTF-8"_s);
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out, expected);
    }
}

void TestCommandLine::unknownOptionIsRefused_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    QTest::newRow("Japanese") << u"ja_JP.UTF-8"_s << QStringList{u"--frob"_s} << u"「--frob」"_s;
    QTest::newRow("English") << u"C"_s << QStringList{u"--frob=1"_s} << u"unknown option '--frob'"_s;
    QTest::newRow("single dash") << u"C"_s << QStringList{u"-x"_s} << u"'-x'"_s;
    QTest::newRow("beside --help") << u"C"_s << QStringList{u"--help"_s, u"--frob"_s} << u"'--frob'"_s;
    // A verb's option without its verb is no option of the window.
    QTest::newRow("no verb") << u"ja_JP.UTF-8"_s << QStringList{u"--overwrite"_s} << u"「--overwrite」"_s;
}

void TestCommandLine::unknownOptionIsRefused()
{
    QFETCH(QString, lang);
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    const Outcome refused = zephra(arguments, lang);
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.err.contains(said), qPrintable(refused.err));
    QVERIFY(refused.out.isEmpty());
}

void TestCommandLine::languageFollowsTheMessagesVariable()
{
    using app::Language;
    QCOMPARE(app::languageOf({}, {}, u"ja_JP.UTF-8"_s), Language::Japanese);
    QCOMPARE(app::languageOf(u"ja_JP.eucJP"_s, {}, u"C"_s), Language::Japanese);
    QCOMPARE(app::languageOf({}, u"ja_JP.UTF-8"_s, u"en_US.UTF-8"_s), Language::Japanese);
    // The first variable set decides, as for every other program's messages.
    if (QLocale::system().language() != QLocale::Japanese) {
        QCOMPARE(app::languageOf(u"C.UTF-8"_s, {}, u"ja_JP.UTF-8"_s), Language::English);
        QCOMPARE(app::languageOf({}, u"en_US.UTF-8"_s, u"ja_JP.UTF-8"_s), Language::English);
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
