// Where the data is kept: beside the program when a data folder is there,
// otherwise in the user's folder, made there at the first start.

#include "app/datafolder.h"
#include "app/initdata.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/sqlfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Records every box, and whether the data files were already there when it was shown.
class WatchingPresenter final : public common::MessagePresenter
{
public:
    explicit WatchingPresenter(QString mainPath) : m_mainPath(std::move(mainPath)) {}

    common::Answer present(const common::MessageRequest &request) override
    {
        shown.append(request);
        fileWhenShown.append(QFile::exists(m_mainPath));
        return common::Answer::Ok;
    }

    QList<common::MessageRequest> shown;
    QList<bool> fileWhenShown;

private:
    QString m_mainPath;
};

} // namespace

class TestDataHome : public QObject
{
    Q_OBJECT

private slots:
    void homeRule();
    void firstStartMakesFilesAfterSaying();
    void laterStartsLeaveFilesAlone();
    void cannotMakeFiles();
};

void TestDataHome::homeRule()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("program"));
    const QString user = dir.filePath(QStringLiteral("user/zephra"));
    QVERIFY(QDir().mkpath(program));

    // Installed: nothing beside the program.
    app::DataHome home = app::chooseDataHome(program, user);
    QCOMPARE(home.folder, user);
    QVERIFY(!home.besideProgram);

    // A file called data is not a data folder.
    QFile file(QDir(program).filePath(QStringLiteral("data")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(app::chooseDataHome(program, user).folder, user);

    // A portable copy, and everyone who kept the data beside the program, stay there.
    QVERIFY(file.remove());
    QVERIFY(QDir(program).mkdir(QStringLiteral("data")));
    home = app::chooseDataHome(program, user);
    QCOMPARE(home.folder, program);
    QVERIFY(home.besideProgram);

    // No user folder to be had: the program's own folder, as before.
    QVERIFY(QDir(program).rmdir(QStringLiteral("data")));
    home = app::chooseDataHome(program, QString());
    QCOMPARE(home.folder, program);
    QVERIFY(home.besideProgram);
}

void TestDataHome::firstStartMakesFilesAfterSaying()
{
    QTemporaryDir dir;
    const app::DataHome home{dir.filePath(QStringLiteral("share/zephra")), false};
    const QString data = QDir(home.folder).filePath(QStringLiteral("data"));
    WatchingPresenter presenter(QDir(data).filePath(store::kMainFileName));
    common::Msg msg(presenter);

    QVERIFY(app::makeDataOnFirstStart(home, msg));
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.first().style, common::kInformation);
    QVERIFY2(presenter.shown.first().text.contains(QDir::toNativeSeparators(data)),
             qPrintable(presenter.shown.first().text));
    QCOMPARE(presenter.fileWhenShown.first(), false);

    // Both files, with their tables.
    const auto made = store::makeSqliteStore();
    QVERIFY(!made->open(store::Location::inFolder(data)));
    made->close();
}

void TestDataHome::laterStartsLeaveFilesAlone()
{
    QTemporaryDir dir;
    const app::DataHome home{dir.path(), false};
    const QDir data(app::chooseDataFolder(home.folder));
    QCOMPARE(app::initData(data.path()).exitStatus, 0);
    QVERIFY(testsupport::execOn(data.filePath(store::kMainFileName),
                                QStringLiteral("insert into 自社情報 values ('和暦', 255)")));
    const QByteArray before = fileBytes(data.filePath(store::kMainFileName));

    WatchingPresenter presenter(data.filePath(store::kMainFileName));
    common::Msg msg(presenter);
    QVERIFY(app::makeDataOnFirstStart(home, msg));
    QCOMPARE(fileBytes(data.filePath(store::kMainFileName)), before);

    // One file alone is no first start: its partner is not made, and the start-up says why.
    QVERIFY(QFile::remove(data.filePath(store::kWorkFileName)));
    QVERIFY(app::makeDataOnFirstStart(home, msg));
    QVERIFY(!data.exists(store::kWorkFileName));
    QCOMPARE(fileBytes(data.filePath(store::kMainFileName)), before);

    // Beside the program the rule is as it always was: nothing is made unasked.
    QVERIFY(QFile::remove(data.filePath(store::kMainFileName)));
    QVERIFY(app::makeDataOnFirstStart({home.folder, true}, msg));
    QVERIFY(!data.exists(store::kMainFileName));
    QVERIFY(presenter.shown.isEmpty());
}

void TestDataHome::cannotMakeFiles()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("share")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const app::DataHome home{dir.filePath(QStringLiteral("share/zephra")), false};

    WatchingPresenter presenter(QString{});
    common::Msg msg(presenter);
    QVERIFY(!app::makeDataOnFirstStart(home, msg));
    QCOMPARE(presenter.shown.size(), 2);
    QCOMPARE(presenter.shown.last().style, common::kWarning);
    QVERIFY2(presenter.shown.last().text.contains(QStringLiteral("作成できませんでした")),
             qPrintable(presenter.shown.last().text));
}

QTEST_GUILESS_MAIN(TestDataHome)
#include "test_datahome.moc"
