// The restore of a copy from the settings page, on real files, and the list
// of copies the user chooses from.

#include "backup/backups.h"

#include "settings/restoredialog.h"
#include "settings/settingspage.h"
#include "store/sqlitefiles.h"
#include "support/fakes.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "ui/geometry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QDateTime kMonday(QDate(2007, 4, 2), QTime(18, 30, 5));

// The journal, the settings and the hints of a data folder, row by row.
QStringList contentsOf(const QString &folder)
{
    const QDir dir(folder);
    return testsupport::rowsOf(dir.filePath(store::kMainFileName), QStringLiteral("業務日誌")) +
           testsupport::rowsOf(dir.filePath(store::kMainFileName), QStringLiteral("自社情報")) +
           testsupport::rowsOf(dir.filePath(store::kWorkFileName), QStringLiteral("ClHint"));
}

bool damage(const QString &copy, qint64 offset, qint64 length)
{
    QFile file(QDir(copy).filePath(store::kMainFileName));
    return file.open(QIODevice::ReadWrite) && file.seek(offset) &&
           file.write(QByteArray(int(length), char(0xA5))) == length;
}

int restoreCopies(const QString &backupFolder)
{
    const QList<backup::CopyEntry> copies = backup::listCopies(backupFolder);
    return int(std::count_if(copies.cbegin(), copies.cend(),
                             [](const backup::CopyEntry &e) { return e.name.kind == backup::CopyKind::Restore; }));
}

} // namespace

class TestRestore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void restorePutsTheCopyBackAndKeepsTheDataAside();
    void cancelledOrAnsweredNoChangesNothing();
    void damagedCopyIsRefused_data();
    void damagedCopyIsRefused();
    void listNewestFirstWithWhatEachCopyHolds();
    void dialogOffersOnlyReadableCopies();
    void buttonOverlapsNothingAndIsReachedByTab();

private:
    QString backupFolder() const { return m_env->data.folder() + QStringLiteral("backup/"); }
    void exec(const QString &sql, bool work = false) const
    {
        QVERIFY2(testsupport::execOn(work ? m_env->data.workPath() : m_env->data.mainPath(), sql), qPrintable(sql));
    }
    QString makeCopy(backup::CopyKind kind, const QDateTime &time) const
    {
        return backup::makeCopy(store::Location::inFolder(m_env->data.folder()), backupFolder(), kind, time).path;
    }
    const QList<common::MessageRequest> &shown() const { return m_env->presenter.shown; }

    testsupport::ScriptedColours m_colours;
    testsupport::RecordingUrls m_urls;
    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<settings::SettingsPage> m_page;
    std::optional<QString> m_choice; // the chooser's answer
    QStringList m_asked;             // the backup folders the chooser was given
};

void TestRestore::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_page = std::make_unique<settings::SettingsPage>(*m_env->store, m_env->settings, m_env->msg, m_colours, m_urls);
    m_page->setData(store::Location::inFolder(m_env->data.folder()), m_env->data.folder() + QStringLiteral("backup/"));
    m_choice.reset();
    m_asked.clear();
    m_page->setCopyChooser([this](const QString &folder) {
        m_asked << folder;
        return m_choice;
    });
}

void TestRestore::cleanup()
{
    m_page.reset();
    m_env.reset();
}

void TestRestore::restorePutsTheCopyBackAndKeepsTheDataAside()
{
    exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-01', 1, 2, "
                        "3, 4, '控えにある日')"));
    exec(QStringLiteral(
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-02', 5, 6, 7, 8, NULL)"));
    exec(QStringLiteral("insert into 自社情報 values ('和暦', 255)"));
    exec(QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', 'cmdHint', "
                        "'t', '控えのヒント')"),
         true);
    const QStringList inCopy = contentsOf(m_env->data.folder());
    m_choice = makeCopy(backup::CopyKind::Manual, kMonday);

    exec(QStringLiteral("delete from 業務日誌 where 日付 = '2007-04-01'"));
    exec(QStringLiteral("update 自社情報 set 年号 = '西暦', LineColor1 = 0"));
    exec(QStringLiteral("update ClHint set Contents = '後のヒント'"), true);
    store::FillReport report;
    QVERIFY(!m_env->store->fillWork(store::Period::monthOf(QDate(2007, 4, 1)), report));
    const QStringList before = contentsOf(m_env->data.folder());

    QSignalSpy restored(m_page.get(), &settings::SettingsPage::restored);
    testsupport::control<QPushButton>(m_page.get(), "cmd復元")->click();

    QCOMPARE(m_asked, QStringList{backupFolder()});
    QCOMPARE(shown().size(), 2);
    QCOMPARE(shown()[0].title, QStringLiteral("復元の確認"));
    QCOMPARE(shown()[0].text,
             QStringLiteral("控え 2007/04/02 18:30:05（手動、日誌 2 日分） の内容に置き換えます。よろしいですか"));
    QCOMPARE(shown()[0].style, common::kQuestionNoDefault);
    QCOMPARE(contentsOf(m_env->data.folder()), inCopy);
    bool holds = true;
    QVERIFY(!m_env->store->workHoldsRows(holds));
    QVERIFY(!holds);
    QCOMPARE(restored.count(), 1);

    // The data as it was is a copy of its own, named in the notice.
    const QList<backup::CopyEntry> copies = backup::listCopies(backupFolder());
    const auto aside = std::find_if(copies.cbegin(), copies.cend(), [](const backup::CopyEntry &e) {
        return e.name.kind == backup::CopyKind::Restore;
    });
    QVERIFY(aside != copies.cend());
    QCOMPARE(contentsOf(aside->path), before);
    QCOMPARE(shown()[1].title, QStringLiteral("復元の完了"));
    QCOMPARE(shown()[1].style, common::kInformation);
    QCOMPARE(shown()[1].text, QStringLiteral("控え 2007/04/02 18:30:05（手動、日誌 2 日分） の内容に置き換えました。"
                                             "\n\n置き換える前のデータの控え: ") +
                                  QDir::toNativeSeparators(aside->path));
}

void TestRestore::cancelledOrAnsweredNoChangesNothing()
{
    exec(QStringLiteral(
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-01', 1, 2, 3, 4, 'a')"));
    const QString copy = makeCopy(backup::CopyKind::Daily, kMonday);
    exec(QStringLiteral(
        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-02', 1, 2, 3, 4, 'b')"));
    const QStringList before = contentsOf(m_env->data.folder());
    QSignalSpy restored(m_page.get(), &settings::SettingsPage::restored);

    m_page->restore(); // the dialog cancelled: no question either
    QVERIFY(shown().isEmpty());
    m_choice = copy;
    m_env->presenter.answerNo();
    m_page->restore();
    QCOMPARE(shown().size(), 1);

    QCOMPARE(contentsOf(m_env->data.folder()), before);
    QCOMPARE(restoreCopies(backupFolder()), 0);
    QCOMPARE(restored.count(), 0);
}

void TestRestore::damagedCopyIsRefused_data()
{
    QTest::addColumn<bool>("header");
    QTest::newRow("header: not even opened, refused before the question") << true;
    QTest::newRow("middle: counted, refused by the full check") << false;
}

void TestRestore::damagedCopyIsRefused()
{
    QFETCH(bool, header);
    exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < 1499) "
                        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) select date('2001-01-01', "
                        "'+' || i || ' days'), i, 0, 0, 0, NULL from n"));
    const QString copy = makeCopy(backup::CopyKind::Exit, kMonday);
    const qint64 size = QFileInfo(QDir(copy).filePath(store::kMainFileName)).size();
    QVERIFY(size >= 8 * 4096);
    // The middle one of the journal table's own pages, wherever the file's other tables put it.
    const qint64 page =
        testsupport::SqlFile(QDir(copy).filePath(store::kMainFileName))
            .value(QStringLiteral("select pageno from dbstat where name = '業務日誌' and pagetype = 'leaf' "
                                  "order by pageno limit 1 offset (select count(*) / 2 from dbstat "
                                  "where name = '業務日誌' and pagetype = 'leaf')"))
            .toLongLong();
    QVERIFY(page > 1);
    QVERIFY(header ? damage(copy, 0, 100) : damage(copy, (page - 1) * 4096, 4096));
    exec(QStringLiteral("delete from 業務日誌 where 日付 > '2001-06-30'"));
    const QStringList before = contentsOf(m_env->data.folder());
    QSignalSpy restored(m_page.get(), &settings::SettingsPage::restored);

    m_choice = copy;
    m_page->restore();
    QCOMPARE(shown().size(), header ? 1 : 2);
    QCOMPARE(shown().last().title, QStringLiteral("復元できませんでした"));
    QCOMPARE(shown().last().style, common::kWarning);
    QVERIFY(shown().last().text.contains(QStringLiteral("控え「") + QDir::toNativeSeparators(copy)));
    QVERIFY(shown().last().text.endsWith(QStringLiteral("\n\nデータは変更していません。")));
    QCOMPARE(contentsOf(m_env->data.folder()), before);
    QCOMPARE(restoreCopies(backupFolder()), 0);
    QCOMPARE(restored.count(), 0);
}

void TestRestore::listNewestFirstWithWhatEachCopyHolds()
{
    QVERIFY(settings::copyRows(backupFolder()).isEmpty()); // no folder yet
    makeCopy(backup::CopyKind::Daily, QDateTime(QDate(2007, 4, 1), QTime(9, 0)));
    exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < 1199) "
                        "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) select date('2001-01-01', "
                        "'+' || i || ' days'), i, 0, 0, 0, NULL from n"));
    makeCopy(backup::CopyKind::Exit, kMonday);
    QVERIFY(damage(makeCopy(backup::CopyKind::Restore, QDateTime(QDate(2007, 4, 4), QTime(12, 0))), 0, 100));
    // Neither a folder of another name nor a copy still being checked is a copy.
    QVERIFY(QDir(backupFolder()).mkdir(QStringLiteral("notes")));
    QVERIFY(QDir(backupFolder()).mkdir(backup::uncheckedName(QStringLiteral("20070405-000000-daily"))));

    QStringList listed;
    for (const settings::CopyRow &row : settings::copyRows(backupFolder())) {
        listed << QStringList{row.time, row.kind, row.daysText(), row.newestDay}.join(u'|');
    }
    QCOMPARE(listed, (QStringList{QStringLiteral("2007/04/04 12:00:00|復元前|読み取れません|"),
                                  QStringLiteral("2007/04/02 18:30:05|終了時|1,200|2004/04/14"),
                                  QStringLiteral("2007/04/01 09:00:00|自動|0|")}));
    const auto row = settings::copyRow(backupFolder() + QStringLiteral("20070402-183005-exit/"));
    QCOMPARE(settings::describeCopy(*row), QStringLiteral("控え 2007/04/02 18:30:05（終了時、日誌 1,200 日分）"));
    QVERIFY(!settings::copyRow(backupFolder() + QStringLiteral("notes")));
}

void TestRestore::dialogOffersOnlyReadableCopies()
{
    settings::RestoreDialog none({});
    QVERIFY(none.findChild<QLabel *>(QStringLiteral("lbl控えなし"))->isVisibleTo(&none));
    QVERIFY(!none.findChild<QPushButton *>(QStringLiteral("cmd復元"))->isEnabled());

    const QString older = makeCopy(backup::CopyKind::Daily, QDateTime(QDate(2007, 4, 1), QTime(9, 0)));
    const QString newer = makeCopy(backup::CopyKind::Manual, kMonday);
    QVERIFY(damage(makeCopy(backup::CopyKind::Exit, QDateTime(QDate(2007, 4, 3), QTime(9, 0))), 0, 100));
    settings::RestoreDialog dialog(settings::copyRows(backupFolder()));
    auto *list = dialog.findChild<QTreeWidget *>(QStringLiteral("lst控え"));
    QVERIFY(!dialog.findChild<QLabel *>(QStringLiteral("lbl控えなし"))->isVisibleTo(&dialog));
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("読み取れません"));
    list->topLevelItem(0)->setSelected(true); // cannot be selected at all
    QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem *>{list->topLevelItem(1)});

    // The newest readable copy is offered; the arrows pass the unreadable one by.
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(dialog.chosen(), std::optional<QString>(newer));
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(dialog.chosen(), std::optional<QString>(newer));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.chosen(), std::optional<QString>(older));

    // The page shows the real dialog over its backup folder; Esc leaves it without a choice.
    settings::SettingsPage page(*m_env->store, m_env->settings, m_env->msg, m_colours, m_urls);
    page.setData(store::Location::inFolder(m_env->data.folder()), m_env->data.folder() + QStringLiteral("backup/"));
    int rows = -1;
    QTimer::singleShot(0, this, [&rows] {
        if (auto *shownDialog = qobject_cast<settings::RestoreDialog *>(QApplication::activeModalWidget())) {
            rows = shownDialog->findChild<QTreeWidget *>(QStringLiteral("lst控え"))->topLevelItemCount();
            QTest::keyClick(shownDialog->focusWidget(), Qt::Key_Escape);
        }
    });
    page.restore();
    QCOMPARE(rows, 3);
    QVERIFY(shown().isEmpty());
}

void TestRestore::buttonOverlapsNothingAndIsReachedByTab()
{
    m_page->show(); // the captions take their size
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    auto *button = testsupport::control<QPushButton>(m_page.get(), "cmd復元");
    const QWidget *panel = button->parentWidget();
    const QWidget *pageFrame = testsupport::control<QWidget>(m_page.get(), "imContainer3D3");
    const auto rectOf = [this](const QWidget *w) { return QRect(w->mapTo(m_page.get(), QPoint(0, 0)), w->size()); };
    QVERIFY(rectOf(pageFrame).contains(rectOf(panel)));
    for (const QWidget *other : m_page->findChildren<QWidget *>()) {
        if (other != panel && other != pageFrame && !panel->isAncestorOf(other)) {
            QVERIFY2(!rectOf(other).intersects(rectOf(panel)), qPrintable(other->objectName()));
        }
    }
    QVERIFY(!rectOf(testsupport::control<QWidget>(panel, "Label7")).intersects(rectOf(button)));

    // Tab goes from the erase button to 復元 and on to 読込; Enter runs it.
    m_page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    testsupport::control<QWidget>(m_page.get(), "cmd一括削除7")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button);
    QTest::keyClick(button, Qt::Key_Return);
    QTRY_COMPARE(m_asked.size(), 1);
    QTest::keyClick(button, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmd設定読込"));
}

QTEST_MAIN(TestRestore)
#include "test_restore.moc"
