// The data folder's lock: whether another holder is seen, and that the lock's
// file is made only in a folder that is there and never holds anything.

#include "common/datalock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using common::DataLock;

class TestDataLock : public QObject
{
    Q_OBJECT

private slots:
    void holdersSeeEachOther();
    void aFolderThatIsNotThereIsNotMade();
    void othersAreToldFromThisProgramsOwn();
};

// Each holder is one opening of the file, as each program is: the second
// sees the first, and once every other holder has let go a new one is alone.
void TestDataLock::holdersSeeEachOther()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DataLock first;
    DataLock second;
    DataLock third;
    QCOMPARE(first.hold(dir.path()), DataLock::Held::Alone);
    QVERIFY(first.isHeld());
    QCOMPARE(second.hold(dir.path()), DataLock::Held::Elsewhere);
    // The second's look did not take the first's place: both hold it now.
    first.release();
    QCOMPARE(third.hold(dir.path()), DataLock::Held::Elsewhere);
    second.release();
    third.release();
    QCOMPARE(first.hold(dir.path()), DataLock::Held::Alone);

    const QString file = QDir(dir.path()).filePath(common::kDataLockFileName);
    QVERIFY(QFileInfo(file).isFile());
    QCOMPARE(QFileInfo(file).size(), 0);
}

void TestDataLock::aFolderThatIsNotThereIsNotMade()
{
    QTemporaryDir dir;
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("data"));
    DataLock lock;
    QCOMPARE(lock.hold(missing), DataLock::Held::NotHeld);
    QVERIFY(!lock.isHeld());
    QVERIFY(!QFileInfo::exists(missing));
}

// The look whether others have the folder open leaves this program's own
// holder out, counts a second holder (a second window) and keeps the holder's lock.
void TestDataLock::othersAreToldFromThisProgramsOwn()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!DataLock::othersHold(dir.path()));
    DataLock own;
    QCOMPARE(own.hold(dir.path()), DataLock::Held::Alone);
    QVERIFY(!DataLock::othersHold(dir.path()));
    QVERIFY(!DataLock::othersHold(dir.path() + QStringLiteral("/.")));
    {
        DataLock second;
        QCOMPARE(second.hold(dir.path()), DataLock::Held::Elsewhere);
        QVERIFY(DataLock::othersHold(dir.path()));
    }
    QVERIFY(!DataLock::othersHold(dir.path()));
    // Still held after the looks: a newcomer sees it.
    DataLock newcomer;
    QCOMPARE(newcomer.hold(dir.path()), DataLock::Held::Elsewhere);
}

QTEST_MAIN(TestDataLock)
#include "test_datalock.moc"
