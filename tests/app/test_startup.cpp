// Start-up and shutdown of the main window, the data folder, and the making
// of empty data files.

#include "backup/backups.h"

#include "app/datafolder.h"
#include "app/initdata.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "app/startup.h"
#include "store/sqlitefiles.h"
#include "support/fixedclock.h"
#include "support/scriptedpresenter.h"
#include "support/sqlfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

class CountingEnder final : public ui::ProcessEnder
{
public:
    int ended = 0;
    void endProcess() override { ++ended; }
};

class NoColours final : public ui::ColourChooser
{
public:
    std::optional<QColor> choose(QWidget *, const QColor &) override { return std::nullopt; }
};

class NoUrls final : public ui::UrlOpener
{
public:
    void open(const QString &) override {}
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void dataFolderRules();
    void initDataMakesBothFilesOnce();
    void freshFolderIsToldHowToMakeFiles();
    void startsWithCaptionAndEndsProcessOnClose();
    void refusesAFileThatCannotBeOpened_data();
    void refusesAFileThatCannotBeOpened();
    void unopenableFileIsOfferedTheNewestGoodCopy_data();
    void unopenableFileIsOfferedTheNewestGoodCopy();
    void heldFileIsToldAsHeld();
    void fullDiskAtStartIsNoTotalsFailure();

private:
    struct Window
    {
        testsupport::ScriptedPresenter presenter;
        NoColours colours;
        NoUrls urls;
        CountingEnder ender;
        testsupport::FixedClock clock{QDate(2007, 4, 4)};
        app::Session session;
        app::MainWindow frm{session, app::Services{presenter, colours, urls, ender, clock}};
    };
};

void TestStartup::dataFolderRules()
{
    QCOMPARE(app::chooseDataFolder(QStringLiteral("C:\\Program Files\\Zephra"), app::FolderRule::Windows),
             QStringLiteral("C:\\Program Files\\Zephra\\data\\"));
    // Started from a drive's root: the doubled backslash is kept as it is.
    QCOMPARE(app::chooseDataFolder(QStringLiteral("D:\\"), app::FolderRule::Windows), QStringLiteral("D:\\\\data\\"));
    QCOMPARE(app::chooseDataFolder(QStringLiteral("/opt/zephra"), app::FolderRule::Other),
             QStringLiteral("/opt/zephra/data/"));
}

void TestStartup::initDataMakesBothFilesOnce()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("new/data"));
    QCOMPARE(app::initData(folder).exitStatus, 0);

    // Both open with their tables.
    const auto made = store::makeSqliteStore();
    QVERIFY(!made->open(store::Location::inFolder(folder)));
    QVERIFY(!made->saveSettings({QStringLiteral("和暦"), 0}));
    made->close();

    // A second run refuses and leaves both files exactly as they are.
    const QByteArray before = fileBytes(QDir(folder).filePath(store::kMainFileName));
    const auto again = app::initData(folder);
    QVERIFY(again.exitStatus != 0);
    QVERIFY(again.message.contains(store::kMainFileName));
    QCOMPARE(fileBytes(QDir(folder).filePath(store::kMainFileName)), before);

    // One file present is enough to refuse: the other is not made either.
    QVERIFY(QFile::remove(QDir(folder).filePath(store::kWorkFileName)));
    QVERIFY(app::initData(folder).exitStatus != 0);
    QVERIFY(!QFile::exists(QDir(folder).filePath(store::kWorkFileName)));
}

void TestStartup::freshFolderIsToldHowToMakeFiles()
{
    QTemporaryDir dir;
    Window w;
    const auto failure = w.frm.start(dir.path());
    QVERIFY(failure);
    const QString text = app::startupFailureText(*failure, w.session.location(), QStringLiteral("/opt/zephra/zephra"));
    QVERIFY2(text.contains(QStringLiteral("--init-data \"") + dir.path() + QStringLiteral("/data\"")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("データフォルダーがありません")));
    QVERIFY(!QDir(dir.filePath(QStringLiteral("data"))).exists());
}

void TestStartup::startsWithCaptionAndEndsProcessOnClose()
{
    QTemporaryDir dir;
    QCOMPARE(app::initData(dir.filePath(QStringLiteral("data"))).exitStatus, 0);
    // The settings are read from the data folder's main file.
    QVERIFY(testsupport::execOn(dir.filePath(QStringLiteral("data/VelmoraA.mdb")),
                                QStringLiteral("insert into 自社情報 values ('和暦', 255)")));

    Window w;
    QCOMPARE(w.frm.windowTitle(), QStringLiteral("日報"));
    const auto failure = w.frm.start(dir.path());
    QVERIFY(!failure);
    QCOMPARE(w.frm.windowTitle(), QStringLiteral("業務日誌 ZEPHRA Ver 1.40"));
    QCOMPARE(w.session.dataFolder(), dir.path() + QStringLiteral("/data/"));
    QVERIFY(w.session.store().isOpen());
    QCOMPARE(w.session.settings(), (store::Settings{QStringLiteral("和暦"), 255}));

    QTabWidget *tabs = w.frm.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("日　誌"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("集　計"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("設定・情報"));
    QCOMPARE(tabs->currentIndex(), 0);

    // Another window is closed before the process ends.
    QWidget other;
    other.setObjectName(QStringLiteral("Hint"));
    other.show();
    w.frm.show();
    QVERIFY(w.frm.close());
    QVERIFY(!other.isVisible());
    QVERIFY(!w.session.store().isOpen());
    QCOMPARE(w.ender.ended, 1);
    QVERIFY(w.presenter.shown.isEmpty());
}

void TestStartup::refusesAFileThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("advice");
    QTest::newRow("work file missing") << "remove"
                                       << "VelmoraAWork.mdb"
                                       << "--init-data";
    QTest::newRow("main file missing") << "remove"
                                       << "VelmoraA.mdb"
                                       << "バックアップ";
    QTest::newRow("main file not a database") << "text"
                                              << "VelmoraA.mdb"
                                              << "置き換え";
    QTest::newRow("work file empty") << "empty"
                                     << "VelmoraAWork.mdb"
                                     << "置き換え";
    QTest::newRow("main file is a folder") << "folder"
                                           << "VelmoraA.mdb"
                                           << "置き換え";
    QTest::newRow("work file lacks its tables") << "swap"
                                                << "VelmoraAWork.mdb"
                                                << "置き換え";
}

void TestStartup::refusesAFileThatCannotBeOpened()
{
    QFETCH(QString, damage);
    QFETCH(QString, file);
    QFETCH(QString, advice);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data"));
    QCOMPARE(app::initData(folder).exitStatus, 0);
    const QString path = QDir(folder).filePath(file);
    QVERIFY(QFile::remove(path));
    if (damage == QLatin1String("text") || damage == QLatin1String("empty")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (damage == QLatin1String("text")) {
            f.write("これはデータベースではありません。\n");
        }
    } else if (damage == QLatin1String("folder")) {
        QVERIFY(QDir(folder).mkdir(file));
    } else if (damage == QLatin1String("swap")) {
        QVERIFY(QFile::copy(QDir(folder).filePath(QStringLiteral("VelmoraA.mdb")), path));
    }
    const QStringList before = QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    const QByteArray bytesBefore = fileBytes(path);

    Window w;
    const auto failure = w.frm.start(dir.path());
    QVERIFY(failure);
    QCOMPARE(failure->path, path);
    QVERIFY(!failure->error.ok());
    QVERIFY(!w.session.store().isOpen());
    QCOMPARE(w.frm.windowTitle(), QStringLiteral("日報"));

    const QString text = app::startupFailureText(*failure, w.session.location(), QStringLiteral("/opt/zephra/zephra"));
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    QVERIFY2(text.contains(advice), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("理由: ")));

    // Nothing was created or changed in the data folder.
    QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    QCOMPARE(fileBytes(path), bytesBefore);
}

void TestStartup::unopenableFileIsOfferedTheNewestGoodCopy_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("size");       // the file cut to this size; -1 leaves the size
    QTest::addColumn<QByteArray>("header"); // written over the file's start
    QTest::addColumn<bool>("yes");
    QTest::newRow("truncated") << "VelmoraA.mdb" << qint64(60) << QByteArray() << true;
    QTest::newRow("zero length") << "VelmoraAWork.mdb" << qint64(0) << QByteArray() << true;
    QTest::newRow("not a database") << "VelmoraA.mdb" << qint64(0) << QByteArray("これはデータベースではありません。")
                                    << true;
    QTest::newRow("header damaged") << "VelmoraA.mdb" << qint64(-1) << QByteArray(16, '\x7f') << true;
    QTest::newRow("declined") << "VelmoraA.mdb" << qint64(-1) << QByteArray(16, '\x7f') << false;
}

void TestStartup::unopenableFileIsOfferedTheNewestGoodCopy()
{
    QFETCH(QString, file);
    QFETCH(qint64, size);
    QFETCH(QByteArray, header);
    QFETCH(bool, yes);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data"));
    QCOMPARE(app::initData(folder).exitStatus, 0);
    QVERIFY(testsupport::execOn(QDir(folder).filePath(store::kMainFileName),
                                QStringLiteral("INSERT INTO 業務日誌 (日付, 日誌) VALUES ('2007-04-01', 'a'), "
                                               "('2007-04-02', 'b'), ('2007-04-03', 'c')")));
    const QString backups = QDir(folder).filePath(QStringLiteral("backup"));
    const QDateTime copied(QDate(2007, 4, 3), QTime(18, 0, 0));
    QVERIFY(!backup::makeCopy(store::Location::inFolder(folder), backups, backup::CopyKind::Exit, copied).failure);
    const QString path = QDir(folder).filePath(file);
    {
        QFile damaged(path);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QVERIFY(size < 0 || damaged.resize(size));
        QVERIFY(damaged.write(header) == header.size());
    }
    const QByteArray damagedBytes = fileBytes(path);

    Window w;
    w.presenter.answers = {yes ? common::Answer::Yes : common::Answer::No};
    const auto failure = w.frm.start(dir.path());
    QVERIFY(!w.presenter.shown.isEmpty());
    const common::MessageRequest offer = w.presenter.shown.first();
    QCOMPARE(offer.title, QStringLiteral("データファイルの異常"));
    QVERIFY2(offer.text.contains(QStringLiteral("2007/04/03 18:00:00（3 日分")), qPrintable(offer.text));
    QVERIFY(offer.text.contains(QDir::toNativeSeparators(path)));
    if (!yes) {
        QVERIFY(failure);
        QCOMPARE(fileBytes(path), damagedBytes);
        return;
    }
    QVERIFY(!failure);
    qint64 count = 0;
    QVERIFY(!w.session.store().countRecords(count));
    QCOMPARE(count, qint64(3));
    const QStringList kept = QDir(backups).entryList({QStringLiteral("damaged-*")}, QDir::Dirs);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(fileBytes(QDir(backups).filePath(kept.first() + u'/' + file)), damagedBytes);
}

void TestStartup::heldFileIsToldAsHeld()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data"));
    QCOMPARE(app::initData(folder).exitStatus, 0);
    const QString backups = QDir(folder).filePath(QStringLiteral("backup"));
    QVERIFY(!backup::makeCopy(store::Location::inFolder(folder), backups, backup::CopyKind::Exit,
                              QDateTime::currentDateTime())
                 .failure);
    const QString path = QDir(folder).filePath(store::kMainFileName);
    testsupport::SqlFile other(path);
    QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE; DELETE FROM 自社情報")));
    const QByteArray before = fileBytes(path);

    Window w;
    const auto failure = w.frm.start(dir.path());
    QVERIFY(failure);
    QVERIFY(w.presenter.shown.isEmpty()); // no offer of a copy
    const QString text = app::startupFailureText(*failure, w.session.location(), QStringLiteral("/opt/zephra/zephra"));
    QVERIFY2(text.contains(QStringLiteral("他のプログラム")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("置き換え")) && !text.contains(QStringLiteral("壊れています。")),
             qPrintable(text));
    QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
    QCOMPARE(fileBytes(path), before);
    QVERIFY(QDir(backups).entryList({QStringLiteral("damaged-*")}, QDir::Dirs).isEmpty());
}

void TestStartup::fullDiskAtStartIsNoTotalsFailure()
{
    QTemporaryDir dir;
    const QString disk = dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                    QStringLiteral("size=4m"), QStringLiteral("tmpfs"), disk}) != 0) {
        QSKIP("a small disk cannot be mounted here");
    }
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {disk}); });
    const QString folder = QDir(disk).filePath(QStringLiteral("data"));
    QCOMPARE(app::initData(folder).exitStatus, 0);
    // The last 集計's rows, then a disk with no room for the journal that emptying them needs.
    QVERIFY(testsupport::execOn(QDir(folder).filePath(store::kWorkFileName),
                                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                                               "WHERE i < 2000) INSERT INTO w集計 (日付, 売上額) "
                                               "SELECT date('2007-04-01', '+' || i || ' days'), i FROM n")));
    {
        QFile filler(QDir(disk).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

    // The program's totals start empty without a write: the start says nothing of 集計.
    Window w;
    QVERIFY(!w.frm.start(disk));
    for (const auto &shown : std::as_const(w.presenter.shown)) {
        QVERIFY2(!shown.title.contains(QStringLiteral("集計")) && !shown.text.contains(QStringLiteral("集計")),
                 qPrintable(shown.title + u' ' + shown.text));
    }
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
