// Data of the earlier layout opened by the program: a checked copy first,
// then the layout brought up to date; without a copy the data stays as it
// was, read but not written.

#include "backup/backups.h"

#include "app/session.h"
#include "store/sqlitefiles.h"
#include "support/sqlfile.h"
#include "support/verifyok.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace store;
using testsupport::SqlFile;
using namespace Qt::StringLiterals;

namespace {

const QDate kDay(2026, 12, 7);
const HintKey kKey{u"FrmNippo"_s, u"cmdHint"_s};

// The earlier files' one day and one hint, as the program reads them.
void verifyEarlierRecords(Store &store)
{
    std::optional<JournalRecord> record;
    VERIFY_OK(store.readDay(kDay, record));
    QVERIFY(record);
    QCOMPARE(record->text, u"前の版"_s);
    QCOMPARE(record->amounts.sales, std::optional<qint64>(100));
    QCOMPARE(record->amounts.purchases, std::nullopt);
    QCOMPARE(record->amounts.moneyOut, std::optional<qint64>(-5));
    std::optional<Hint> hint;
    VERIFY_OK(store.readHint(kKey, hint));
    QVERIFY(hint);
    QCOMPARE(hint->contents, std::optional(u"前の版のヒント"_s));
}

} // namespace

class TestSchemaUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void earlierDataIsCopiedThenBroughtUpToDate();
    void withoutACopyTheDataStaysAsItWas();
    void currentDataMakesNoCopy();
};

void TestSchemaUpgrade::earlierDataIsCopiedThenBroughtUpToDate()
{
    QTemporaryDir data;
    QVERIFY(testsupport::createEarlierFiles(data.path()));
    const QStringList earlierDays = testsupport::rowsOf(QDir(data.path()).filePath(kMainFileName), u"業務日誌"_s);

    app::Session session;
    const auto failure = session.open(data.path());
    QVERIFY2(!failure, failure ? qPrintable(failure->error.message) : "");
    QCOMPARE(session.schemaUpgrade().state, app::SchemaUpgrade::Done);
    QVERIFY(app::schemaUpgradeNotice(session.schemaUpgrade()).isEmpty());
    QVERIFY(!session.store().schemaUpgradeNeeded());

    // The copy holds the data as it was, in its earlier layout, under its own kind.
    const QList<backup::CopyEntry> copies = backup::listCopies(session.backupFolder());
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies.first().name.kind, backup::CopyKind::Upgrade);
    QVERIFY(copies.first().path.endsWith(u"-upgrade"_s));
    QCOMPARE(QDir(copies.first().path).absolutePath(), QDir(session.schemaUpgrade().copy).absolutePath());
    const QString copyMain = QDir(copies.first().path).filePath(kMainFileName);
    QCOMPARE(SqlFile(copyMain).value(u"SELECT count(*) FROM pragma_table_info('業務日誌') WHERE name = '版'"_s),
             QVariant(qint64(0)));
    QCOMPARE(SqlFile(copyMain).value(u"SELECT count(*) FROM sqlite_master WHERE name = 'データ版'"_s),
             QVariant(qint64(0)));
    QCOMPARE(testsupport::rowsOf(copyMain, u"業務日誌"_s), earlierDays);

    QCOMPARE(SqlFile(QDir(data.path()).filePath(kMainFileName)).select(u"SELECT \"版\" FROM \"データ版\""_s),
             (QList<QVariantList>{{qint64(2)}}));
    QCOMPARE(testsupport::rowsOf(QDir(data.path()).filePath(kMainFileName), u"業務日誌"_s), earlierDays);
    verifyEarlierRecords(session.store());
    VERIFY_OK(session.store().saveDay({kDay, {1, 2, 3, 4}, u"新しい形式"_s, {}}));

    // Opened again, the data is current: no second copy.
    session.close();
    QVERIFY(!session.open(data.path()));
    QCOMPARE(session.schemaUpgrade().state, app::SchemaUpgrade::NotNeeded);
    QCOMPARE(backup::listCopies(session.backupFolder()).size(), 1);
}

void TestSchemaUpgrade::withoutACopyTheDataStaysAsItWas()
{
    QTemporaryDir data;
    QVERIFY(testsupport::createEarlierFiles(data.path()));
    // A file where the backup folder would be: no copy can be made.
    QFile blocker(QDir(data.path()).filePath(u"backup"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray before = testsupport::dataBytes(data.path());

    app::Session session;
    QVERIFY(!session.open(data.path()));
    QCOMPARE(session.schemaUpgrade().state, app::SchemaUpgrade::NoCopy);
    const QString notice = app::schemaUpgradeNotice(session.schemaUpgrade());
    QVERIFY2(
        notice.startsWith(u"このデータは前の版の業務日誌の形式です。新しい形式にする前の控えを作成できなかったため"_s),
        qPrintable(notice));
    QVERIFY(session.store().schemaUpgradeNeeded());
    verifyEarlierRecords(session.store());
    const DbError refused = session.store().saveDay({kDay, {1, 2, 3, 4}, u"x"_s, {}});
    QCOMPARE(refused.number, int(ErrOlderSchema));
    QVERIFY(!describeForUser(refused).isEmpty());
    session.close();
    QCOMPARE(testsupport::dataBytes(data.path()), before);
}

void TestSchemaUpgrade::currentDataMakesNoCopy()
{
    QTemporaryDir data;
    VERIFY_OK(createSqliteFiles(data.path()));
    app::Session session;
    QVERIFY(!session.open(data.path()));
    QCOMPARE(session.schemaUpgrade().state, app::SchemaUpgrade::NotNeeded);
    QVERIFY(!QFileInfo::exists(session.backupFolder()));
}

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "test_schemaupgrade.moc"
