// Sending a growing file's data to the disk while it is written: the file
// keeps every byte, rewritten parts included, and a missing file is neither
// made nor written.

#include "common/filesync.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using common::WriteBehind;

class TestWriteBehind : public QObject
{
    Q_OBJECT

private slots:
    void theFileKeepsWhatWasWritten_data();
    void theFileKeepsWhatWasWritten();
    void aMissingFileIsNeitherMadeNorWritten();
};

void TestWriteBehind::theFileKeepsWhatWasWritten_data()
{
    QTest::addColumn<int>("chunks");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<bool>("rewriteStart"); // as SQLite rewrites its first page at the commit

    QTest::newRow("one small chunk") << 1 << 100 << false;
    QTest::newRow("many pages") << 24 << 4096 * 64 << false;
    QTest::newRow("first page rewritten after the rest") << 12 << 4096 * 16 << true;
}

void TestWriteBehind::theFileKeepsWhatWasWritten()
{
    QFETCH(int, chunks);
    QFETCH(int, chunkSize);
    QFETCH(bool, rewriteStart);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("copy.db"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    WriteBehind writeBehind(path);
    QVERIFY(writeBehind.isOpen());

    QByteArray expected;
    QRandomGenerator random(chunks * 7919 + chunkSize);
    for (int k = 0; k < chunks; ++k) {
        QByteArray chunk(chunkSize, Qt::Uninitialized);
        for (char &byte : chunk) {
            byte = char(random.bounded(256));
        }
        QCOMPARE(file.write(chunk), qint64(chunk.size()));
        QVERIFY(file.flush());
        expected += chunk;
        QVERIFY(writeBehind.writeOut());
    }
    if (rewriteStart) {
        const QByteArray header(4096, 'H');
        QVERIFY(file.seek(0));
        QCOMPARE(file.write(header), qint64(header.size()));
        QVERIFY(file.flush());
        expected.replace(0, header.size(), header);
        QVERIFY(writeBehind.writeOut());
    }
    QVERIFY(writeBehind.writeOut()); // nothing new since the last call
    file.close();

    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.size(), qint64(expected.size()));
    QVERIFY(written.readAll() == expected);
}

void TestWriteBehind::aMissingFileIsNeitherMadeNorWritten()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("not-made.db"));
    {
        WriteBehind writeBehind(path);
        QVERIFY(!writeBehind.isOpen());
        QVERIFY(!writeBehind.writeOut());
    }
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

QTEST_MAIN(TestWriteBehind)
#include "test_writebehind.moc"
