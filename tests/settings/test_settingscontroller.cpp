// The settings commands without a display, on real files through the real
// store: which of the stored row and the settings in force each command
// changes, what the page is told to show, and the erasing of all data with
// its copy, all or nothing.

#include "backup/backups.h"

#include "settings/settingscontroller.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Stored
{
    QVariant era;
    QVariant colour;
};

const QString kJournalRow =
    u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2004-04-01', 1, 2, 3, 4, 'a')"_s;

} // namespace

class TestSettingsController : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nullColumnsAndForeignValues();
    void registerWritesTheRowOnly();
    void bulkEraseAnsweredNo();
    void bulkEraseKeepsACopyAndClearsEverything();
    void bulkEraseIsAllOrNothing();
    void bulkEraseWithoutCopyErasesNothing();
    void restoreCancelledOrUnreadableAsksNothing();

private:
    QList<Stored> stored() const;
    void exec(const QString &sql) const { QVERIFY2(testsupport::execOn(m_env->data.mainPath(), sql), qPrintable(sql)); }
    // The settings the page was last told to show.
    std::optional<store::Settings> lastShown() const
    {
        return m_shown->isEmpty() ? std::nullopt : m_shown->last().at(0).value<std::optional<store::Settings>>();
    }

    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<settings::SettingsController> m_controller;
    std::unique_ptr<QSignalSpy> m_shown;
    std::unique_ptr<QSignalSpy> m_cleared;
    QStringList m_otherPagesCleared;
};

void TestSettingsController::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_controller = std::make_unique<settings::SettingsController>(*m_env->store, m_env->settings, m_env->msg);
    m_controller->setBackupFolder(m_env->data.folder() + u"backup/"_s);
    m_otherPagesCleared.clear();
    m_controller->setOtherPages(
        {[this] { m_otherPagesCleared << u"集計"_s; }, [this] { m_otherPagesCleared << u"日誌"_s; }});
    m_shown = std::make_unique<QSignalSpy>(m_controller.get(), &settings::SettingsController::shown);
    m_cleared = std::make_unique<QSignalSpy>(m_controller.get(), &settings::SettingsController::cleared);
}

void TestSettingsController::cleanup()
{
    m_shown.reset();
    m_cleared.reset();
    m_controller.reset();
    m_env.reset();
}

QList<Stored> TestSettingsController::stored() const
{
    QList<Stored> rows;
    testsupport::SqlFile file(m_env->data.mainPath());
    for (qint64 row = 0, count = file.count(u"自社情報"_s); row < count; ++row) {
        const QString at = u" from 自社情報 order by rowid limit 1 offset %1"_s.arg(row);
        rows.append({file.value(u"select 年号"_s + at), file.value(u"select LineColor1"_s + at)});
    }
    return rows;
}

void TestSettingsController::nullColumnsAndForeignValues()
{
    exec(u"insert into 自社情報 values (NULL, NULL)"_s);
    m_env->settings.lineColour = 77;
    m_env->settings.era = u"和暦"_s;
    QSignalSpy inForce(m_controller.get(), &settings::SettingsController::settingsInForceChanged);
    m_controller->load();
    QCOMPARE(lastShown(), std::optional(store::Settings{u"西暦"_s, 0}));
    QCOMPARE(m_env->settings.era, u"西暦"_s);
    QCOMPARE(m_env->settings.lineColour, 0);
    QCOMPARE(inForce.size(), 1);

    // A calendar mode other than the two is taken over as it stands; a
    // colour that is not a number reads as black and is not written back.
    exec(u"update 自社情報 set 年号 = '平成', LineColor1 = 'red'"_s);
    m_controller->load();
    QCOMPARE(m_env->settings.era, u"平成"_s);
    QCOMPARE(m_env->settings.lineColour, 0);
    QCOMPARE(stored()[0].colour.toString(), u"red"_s);

    // A read that fails changes neither the page nor the settings in force.
    exec(u"drop table 自社情報"_s);
    m_controller->load();
    QCOMPARE(m_shown->size(), 2);
    QCOMPARE(inForce.size(), 2);
    QCOMPARE(m_env->settings.era, u"平成"_s);
}

void TestSettingsController::registerWritesTheRowOnly()
{
    const store::Settings page{u"和暦"_s, 0x0000FF};
    m_env->presenter.answerNo();
    m_controller->save(page, true);
    QVERIFY(stored().isEmpty());

    m_env->presenter.answerYes();
    m_controller->save(page, true);
    m_controller->save(page, true);
    QCOMPARE(m_env->presenter.shown.size(), 3);
    QCOMPARE(m_env->presenter.shown.last().text, u"設定 を登録します。よろしいですか"_s);
    QCOMPARE(stored().size(), 1); // the second edits the first
    QCOMPARE(stored()[0].era.toString(), u"和暦"_s);
    QCOMPARE(stored()[0].colour.toLongLong(), 0x0000FF);
    // The values in force wait for the next read.
    QCOMPARE(m_env->settings.era, u"西暦"_s);
    QCOMPARE(m_env->settings.lineColour, 0);
    m_controller->load();
    QCOMPARE(m_env->settings.era, u"和暦"_s);
    QCOMPARE(m_env->settings.lineColour, 0x0000FF);

    // Without the question, as クリア's 登録 does.
    m_controller->save({u"西暦"_s, 1}, false);
    QCOMPARE(m_env->presenter.shown.size(), 3);
    QCOMPARE(stored()[0].colour.toLongLong(), 1);
    QCOMPARE(m_cleared->size(), 0);
}

void TestSettingsController::bulkEraseAnsweredNo()
{
    exec(kJournalRow);
    exec(u"insert into 自社情報 values ('和暦', 255)"_s);
    m_env->presenter.answerNo();
    m_controller->eraseAll();
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].title, u"削除の確認"_s);
    QCOMPARE(m_env->presenter.shown[0].text, u"初期化します。 よろしいですか"_s);
    QCOMPARE(m_env->presenter.shown[0].style, common::kQuestionNoDefault);
    QCOMPARE(stored().size(), 1);
    QCOMPARE(m_cleared->size(), 0);
    QVERIFY(m_otherPagesCleared.isEmpty());
    QVERIFY(!QDir(m_controller->backupFolder()).exists());
}

void TestSettingsController::bulkEraseKeepsACopyAndClearsEverything()
{
    exec(u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2004-04-01', 1, 2, "
         "3, 4, '消す前の記録')"_s);
    exec(
        u"insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2004-04-02', 5, 6, 7, 8, NULL)"_s);
    exec(u"insert into 自社情報 values ('和暦', 255)"_s);
    QVERIFY(testsupport::execOn(m_env->data.workPath(), u"insert into ClHint (FormName, CtlName, FormTitle, Contents) "
                                                        "values ('FrmNippo', 'cmdHint', 't', '残るヒント')"_s));
    m_controller->load();

    m_controller->eraseAll();
    QCOMPARE(m_env->presenter.shown.size(), 1); // no notice after the erase

    QCOMPARE(testsupport::countOn(m_env->data.mainPath(), u"業務日誌"_s), 0);
    QVERIFY(stored().isEmpty());
    QCOMPARE(testsupport::SqlFile(m_env->data.workPath()).value(u"select Contents from ClHint"_s),
             QVariant(u"残るヒント"_s));
    QCOMPARE(m_cleared->size(), 1);
    QCOMPARE(m_otherPagesCleared, (QStringList{u"集計"_s, u"日誌"_s}));
    QCOMPARE(m_env->settings.era, u"和暦"_s); // in force until the next read
    QCOMPARE(m_env->settings.lineColour, 255);

    // The copy is a checked copy of its own kind, holding what was erased.
    const QList<backup::CopyEntry> copies = backup::listCopies(m_controller->backupFolder());
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies.first().name.kind, backup::CopyKind::Erase);
    const QString copy = QDir(copies.first().path).filePath(store::kMainFileName);
    QCOMPARE(testsupport::rowsOf(copy, u"業務日誌"_s),
             (QStringList{u"QString:2004-04-01|qlonglong:1|qlonglong:2|qlonglong:3|qlonglong:4|QString:消す前の記録"_s,
                          u"QString:2004-04-02|qlonglong:5|qlonglong:6|qlonglong:7|qlonglong:8|NULL"_s}));
    QCOMPARE(testsupport::rowsOf(copy, u"自社情報"_s), QStringList{u"QString:和暦|qlonglong:255"_s});

    // On an already empty database it runs silently again.
    m_controller->eraseAll();
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QCOMPARE(m_otherPagesCleared.size(), 4);
}

void TestSettingsController::bulkEraseIsAllOrNothing()
{
    exec(kJournalRow);
    exec(u"insert into 自社情報 values ('和暦', 255)"_s);
    // The settings table cannot be emptied: the journal must survive too.
    exec(u"create trigger keep before delete on 自社情報 begin select raise(abort, 'locked'); end"_s);
    m_controller->eraseAll();
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QCOMPARE(m_env->presenter.shown[1].title, u"削除できませんでした"_s);
    QVERIFY(m_env->presenter.shown[1].text.startsWith(u"データは削除されていません。"_s));
    QCOMPARE(testsupport::countOn(m_env->data.mainPath(), u"業務日誌"_s), 1);
    QCOMPARE(stored().size(), 1);
    QCOMPARE(m_cleared->size(), 0);
    QVERIFY(m_otherPagesCleared.isEmpty());
}

void TestSettingsController::bulkEraseWithoutCopyErasesNothing()
{
    exec(kJournalRow);
    // A file stands where the copy's folder should go.
    QFile blocker(m_env->data.folder() + u"backup"_s);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_controller->eraseAll();
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QCOMPARE(m_env->presenter.shown[1].title, u"削除できませんでした"_s);
    QVERIFY(m_env->presenter.shown[1].text.contains(u"控え"_s));
    QCOMPARE(testsupport::countOn(m_env->data.mainPath(), u"業務日誌"_s), 1);
    QCOMPARE(m_cleared->size(), 0);
    QVERIFY(m_otherPagesCleared.isEmpty());
}

// No copy chosen: nothing asked. A folder that is no copy: told, nothing
// asked, nothing made to show progress, the data as it was.
void TestSettingsController::restoreCancelledOrUnreadableAsksNothing()
{
    exec(kJournalRow);
    m_controller->setData(store::Location::inFolder(m_env->data.folder()), m_env->data.folder() + u"backup/"_s);
    std::optional<QString> choice;
    m_controller->setCopyChooser([&choice](const QString &) { return choice; });
    int progressMade = 0;
    m_controller->setProgressMaker([&progressMade] {
        ++progressMade;
        return std::make_unique<common::NoProgress>();
    });
    QSignalSpy restored(m_controller.get(), &settings::SettingsController::restored);

    m_controller->restore();
    QVERIFY(m_env->presenter.shown.isEmpty());

    choice = m_env->data.folder();
    m_controller->restore();
    QCOMPARE(m_env->presenter.shown.size(), 1);
    QCOMPARE(m_env->presenter.shown[0].style, common::kWarning);
    QVERIFY2(m_env->presenter.shown[0].text.startsWith(u"控え「"_s), qPrintable(m_env->presenter.shown[0].text));
    QCOMPARE(progressMade, 0);
    QCOMPARE(restored.size(), 0);
    QCOMPARE(testsupport::countOn(m_env->data.mainPath(), u"業務日誌"_s), 1);
}

QTEST_GUILESS_MAIN(TestSettingsController)
#include "test_settingscontroller.moc"
