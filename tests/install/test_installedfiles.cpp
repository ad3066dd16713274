// `cmake --install` into a temporary prefix: every file a desktop needs, each
// valid for the tools that read it, and the installed program keeping its
// data in the user's folder.

#include "app/commandline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kAppId = QStringLiteral("jp.zephra.Nippo");
const QString kManPage =
    ZEPHRA_DEBIAN_LAYOUT_ON ? QStringLiteral("share/man/man1/zephra.1.gz") : QStringLiteral("share/man/man1/zephra.1");

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Run
{
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit) {
        return {-1, QStringLiteral("did not finish: ") + program};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

} // namespace

class TestInstalledFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyFileIsThere();
    void desktopEntry();
    void metainfo();
    void iconSizes();
    void manPageNamesEveryVerb();
    void installedProgramKeepsDataInUserFolder();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

void TestInstalledFiles::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    const Run install =
        run(QStringLiteral(ZEPHRA_CMAKE), {QStringLiteral("--install"), QStringLiteral(ZEPHRA_BUILD_DIR),
                                           QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void TestInstalledFiles::everyFileIsThere()
{
    const QStringList files = {
        QStringLiteral("bin/zephra"),
        QStringLiteral("share/applications/%1.desktop").arg(kAppId),
        QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId),
        QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(kAppId),
        kManPage,
        QStringLiteral("share/doc/zephra/manual/index.html"),
        QStringLiteral("share/doc/zephra/manual/journal.html"),
        QStringLiteral("share/doc/zephra/manual/manual.css"),
    };
    for (const QString &file : files) {
        QVERIFY2(QFileInfo(installed(file)).size() > 0, qPrintable(file));
    }
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/zephra"))).isExecutable());
}

// Valid for the desktop's menu, and naming the program and icon that were installed.
void TestInstalledFiles::desktopEntry()
{
    const QString path = installed(QStringLiteral("share/applications/%1.desktop").arg(kAppId));
    const QString text = readText(path);
    const QString exec =
        QRegularExpression(QStringLiteral("^Exec=(\\S+)"), QRegularExpression::MultilineOption).match(text).captured(1);
    QVERIFY(QFileInfo::exists(installed(QStringLiteral("bin/") + exec)));
    QVERIFY(text.contains(QStringLiteral("\nIcon=") + kAppId + QLatin1Char('\n')));
    QVERIFY(text.contains(QStringLiteral("\nName=ZEPHRA 業務日誌\n")));

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty()) {
        QSKIP("desktop-file-validate is not installed (Debian package desktop-file-utils)");
    }
    const Run validated = run(validator, {path});
    QVERIFY2(validated.exitCode == 0 && validated.output.trimmed().isEmpty(), qPrintable(validated.output));
}

// Valid AppStream data whose release is the version being built.
void TestInstalledFiles::metainfo()
{
    const QString path = installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId));
    const QString text = readText(path);
    QVERIFY(text.contains(QStringLiteral("<release version=\"%1\"").arg(QStringLiteral(ZEPHRA_VERSION_TEXT))));
    QVERIFY(text.contains(QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>").arg(kAppId)));

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (validator.isEmpty()) {
        QSKIP("appstreamcli is not installed (Debian package appstream)");
    }
    const Run validated = run(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"), path});
    QVERIFY2(validated.exitCode == 0, qPrintable(validated.output));
}

// Each theme size holds a picture of that size, as the theme's index promises.
void TestInstalledFiles::iconSizes()
{
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId);
        const QImage icon(installed(file));
        QVERIFY2(!icon.isNull(), qPrintable(file));
        QCOMPARE(icon.size(), QSize(size, size));
    }
}

// A verb added to the command line without its entry in the manual page fails here.
void TestInstalledFiles::manPageNamesEveryVerb()
{
    const QString page = readText(QStringLiteral(ZEPHRA_SOURCE_DIR "/packaging/zephra.1"));
    QStringList options = {QStringLiteral("--help"), QStringLiteral("--version")};
    for (const app::Verb &verb : app::verbs()) {
        options << verb.option;
    }
    for (const QString &option : options) {
        // An entry of OPTIONS: a tagged paragraph whose tag holds the option as roff writes it (\- for -).
        QString roff = option;
        roff.replace(QLatin1Char('-'), QStringLiteral("\\-"));
        const QRegularExpression entry(QStringLiteral("^\\.TP\\n\\.B[RI]? .*") + QRegularExpression::escape(roff) +
                                           QStringLiteral("(?![\\w\\\\])"),
                                       QRegularExpression::MultilineOption);
        QVERIFY2(page.contains(entry), qPrintable(option));
    }
}

// The installed program has no data folder beside it: its files go to the
// user's folder, ~/.local/share/zephra/data.
void TestInstalledFiles::installedProgramKeepsDataInUserFolder()
{
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const Run made = run(installed(QStringLiteral("bin/zephra")), {QStringLiteral("--init-data")}, environment);
    QVERIFY2(made.exitCode == 0, qPrintable(made.output));
    const QDir data(home.filePath(QStringLiteral(".local/share/zephra/data")));
    QVERIFY2(data.exists(QStringLiteral("VelmoraA.mdb")) && data.exists(QStringLiteral("VelmoraAWork.mdb")),
             qPrintable(made.output));
    QVERIFY(!QFileInfo::exists(installed(QStringLiteral("bin/data"))));
}

QTEST_GUILESS_MAIN(TestInstalledFiles)
#include "test_installedfiles.moc"
