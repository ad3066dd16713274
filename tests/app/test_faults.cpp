// Faults during use, made to happen for real under the running program: files
// that refuse writes, a lock held by another program, no room left, files
// deleted or replaced under the open connections; and two programs that
// register the same day on one data folder.

#include "startedwindow.h"

#include "hints/hintwindow.h"
#include "journal/journalpage.h"
#include "settings/settingspage.h"
#include "store/sqlitefiles.h"
#include "support/pageenvironment.h"
#include "support/programconnections.h"
#include "support/readonlyfiles.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/colournumberbox.h"
#include "ui/datebox.h"
#include "ui/erabox.h"
#include "ui/journaltextbox.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <sqlite3.h>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

enum class Op { Register, Delete, Settings, Hint, Totals, Erase };
enum class Fault { QueryOnly, ReadOnlyFiles, Locked, PageLimit, NoRoom, Deleted, Replaced };

template <typename T> T *child(const QObject *parent, const char *name)
{
    return testsupport::control<T>(parent, name);
}

void click(const QObject *parent, const char *button)
{
    child<QPushButton>(parent, button)->click();
}

QString text(const std::optional<qint64> &amount)
{
    return amount ? QString::number(*amount) : QStringLiteral("(empty)");
}

// A thousand days of journal from 2004/04/01, one settings row, one hint and
// two rows of an earlier totals run.
bool seed(const testsupport::MainWindow &w)
{
    testsupport::SqlFile main(w.mainPath());
    testsupport::SqlFile work(w.workPath());
    return main.exec(QStringLiteral("with recursive n(k) as (select 0 union all select k + 1 from n where k < 999) "
                                    "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) select "
                                    "date('2004-04-01', '+' || k || ' days'), 1000 + k, "
                                    "2 * k, 3 * k, k, '記録 ' || k from n")) &&
           main.exec(QStringLiteral("insert into 自社情報 values ('西暦', 255)")) &&
           work.exec(QStringLiteral("insert into ClHint (FormName, CtlName, FormTitle, Contents) values ('FrmNippo', "
                                    "'cmdHint', '日報', '古いヒント')")) &&
           work.exec(QStringLiteral("insert into w集計 values ('2003-01-01', 1, 2, 3, 4), ('2003-01-02', 5, 6, 7, 8)"));
}

// The tables read through the work file's connection. The program's w集計 is
// a table of the journal's connection, which the work file's faults do not reach.
bool isWorkTable(const QString &table)
{
    return table == QStringLiteral("ClHint");
}

const QString kTables[] = {QStringLiteral("業務日誌"), QStringLiteral("自社情報"), QStringLiteral("ClHint"),
                           QStringLiteral("w集計")};

// What the user has on screen for the operation.
QStringList pageState(testsupport::MainWindow &w, Op op)
{
    QStringList state;
    if (op == Op::Register || op == Op::Delete || op == Op::Erase) {
        const printing::PrintJournal v = w.frm->journalPage()->values();
        state << v.dateText << text(v.sales) << text(v.purchases) << text(v.moneyIn) << text(v.moneyOut) << v.memo;
    }
    if (op == Op::Settings || op == Op::Erase) {
        state << child<ui::EraBox>(w.frm->settingsPage(), "cmb年号")->text()
              << QString::number(child<ui::ColourNumberBox>(w.frm->settingsPage(), "num白紙罫線色")->value());
    }
    if (op == Op::Hint) {
        state << w.frm->hintWindow()->contents()->toPlainText();
    }
    if (op == Op::Totals) {
        const printing::PrintTotals v = w.frm->totalsPage()->values();
        state << v.startText << v.endText;
    }
    return state;
}

const QString &largeText()
{
    static const QString text = QStringLiteral("売上好調、仕入先へ支払い済み。").repeated(4096);
    return text;
}

void fillJournal(testsupport::MainWindow &w)
{
    const QObject *page = w.frm->journalPage();
    QVERIFY(child<ui::DateBox>(page, "Dt日付")->setValue(QDate(2004, 4, 1)));
    child<ui::AmountBox>(page, "num売上額")->setValue(111);
    child<ui::AmountBox>(page, "num仕入額")->setValue(222);
    child<ui::AmountBox>(page, "num入金額")->setValue(333);
    child<ui::AmountBox>(page, "num出金額")->setValue(std::nullopt);
    child<ui::JournalTextBox>(page, "txtメモ")->setText(largeText());
}

void setPeriod(testsupport::MainWindow &w, QDate first, QDate last)
{
    QVERIFY(child<ui::DateBox>(w.frm->totalsPage(), "Dt開始")->setValue(first));
    QVERIFY(child<ui::DateBox>(w.frm->totalsPage(), "Dt終了")->setValue(last));
}

// Puts on screen what the user is about to store, delete or total.
void prepare(testsupport::MainWindow &w, Op op, bool filesWritable)
{
    switch (op) {
    case Op::Register:
    case Op::Erase:
        fillJournal(w);
        if (op == Op::Register) {
            break;
        }
        [[fallthrough]];
    case Op::Settings:
        child<ui::EraBox>(w.frm->settingsPage(), "cmb年号")->setText(QStringLiteral("和暦"));
        child<ui::ColourNumberBox>(w.frm->settingsPage(), "num白紙罫線色")->setValue(65280);
        break;
    case Op::Delete:
        QVERIFY(child<ui::DateBox>(w.frm->journalPage(), "Dt日付")->setValue(QDate(2004, 4, 1)));
        click(w.frm->journalPage(), "cmd読込");
        QCOMPARE(child<ui::AmountBox>(w.frm->journalPage(), "num売上額")->value(), std::optional<qint64>(1000));
        break;
    case Op::Hint:
        w.frm->openHint(QStringLiteral("cmdHint"));
        QCOMPARE(w.frm->hintWindow()->contents()->toPlainText(), QStringLiteral("古いヒント"));
        w.frm->hintWindow()->toggleEditing();
        w.frm->hintWindow()->contents()->setPlainText(largeText());
        break;
    case Op::Totals:
        if (filesWritable) { // an earlier run whose rows the failed one must not spoil
            setPeriod(w, QDate(2004, 4, 1), QDate(2004, 4, 30));
            click(w.frm->totalsPage(), "cmd集計");
            QVERIFY(w.presenter.shown.isEmpty());
        }
        setPeriod(w, QDate(2004, 5, 1), QDate(2006, 12, 31));
        break;
    }
}

void act(testsupport::MainWindow &w, Op op)
{
    switch (op) {
    case Op::Register:
        click(w.frm->journalPage(), "cmd登録");
        break;
    case Op::Delete:
        click(w.frm->journalPage(), "cmd削除");
        break;
    case Op::Settings:
        click(w.frm->settingsPage(), "cmd設定登録");
        break;
    case Op::Hint:
        w.frm->hintWindow()->confirmSave();
        break;
    case Op::Totals:
        click(w.frm->totalsPage(), "cmd集計");
        break;
    case Op::Erase:
        click(w.frm->settingsPage(), "cmd一括削除7");
        break;
    }
}

QString failureTitle(Op op)
{
    switch (op) {
    case Op::Register:
    case Op::Settings:
    case Op::Hint:
        return QStringLiteral("登録できませんでした");
    case Op::Delete:
    case Op::Erase:
        return QStringLiteral("削除できませんでした");
    case Op::Totals:
        return QStringLiteral("集計できませんでした");
    }
    return {};
}

// Makes both data files and their folders unwritable for this process (see
// testsupport::ReadOnlyFiles). Undone on leaving.
class ReadOnlyFolder
{
public:
    bool apply(const testsupport::MainWindow &w)
    {
        return m_files.apply({w.programFolder(), w.dataFolder()}, {w.mainPath(), w.workPath()});
    }

private:
    testsupport::ReadOnlyFiles m_files;
};

// No file of this process may grow while it lives: to SQLite, a full disk.
class NoRoom
{
public:
    explicit NoRoom(bool active)
    {
#if defined(Q_OS_UNIX)
        if (!active) {
            return;
        }
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = m_saved;
        none.rlim_cur = 0;
        m_active = setrlimit(RLIMIT_FSIZE, &none) == 0;
#else
        Q_UNUSED(active);
#endif
    }
    ~NoRoom()
    {
#if defined(Q_OS_UNIX)
        if (m_active) {
            setrlimit(RLIMIT_FSIZE, &m_saved);
            std::signal(SIGXFSZ, m_signal);
        }
#endif
    }
    bool active() const
    {
        return m_active;
    }

private:
    bool m_active = false;
#if defined(Q_OS_UNIX)
    rlimit m_saved{};
    void (*m_signal)(int) = SIG_DFL;
#endif
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Fault)

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void faultDuringUse_data();
    void faultDuringUse();
    void twoProgramsRegisterOneDay_data();
    void twoProgramsRegisterOneDay();
};

void TestFaults::faultDuringUse_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("reason");

    const std::pair<Op, const char *> ops[] = {
        {Op::Register, "journal register"}, {Op::Delete, "journal delete"}, {Op::Settings, "settings store"},
        {Op::Hint, "hint store"},           {Op::Totals, "totals"},         {Op::Erase, "bulk erase"}};
    struct FaultRow
    {
        Fault fault;
        const char *name;
        const char16_t *reason; // what the notice must say
    };
    const FaultRow faults[] = {{Fault::QueryOnly, "refused writes", u"読み取り専用"},
                               {Fault::ReadOnlyFiles, "read-only files", u"読み取り専用"},
                               {Fault::Locked, "locked", u"使用中"},
                               {Fault::PageLimit, "file may not grow", u"ディスクの空きがない"},
                               {Fault::NoRoom, "disk full", u"ディスク"},
                               {Fault::Deleted, "file deleted", u"移動されたか削除された"},
                               {Fault::Replaced, "file replaced", u"移動されたか削除された"}};
    for (const auto &[fault, faultName, faultReason] : faults) {
        for (const auto &[op, opName] : ops) {
            // Deleting and changing a small row in place need no new room in the file.
            if (fault == Fault::PageLimit && (op == Op::Delete || op == Op::Settings || op == Op::Erase)) {
                continue;
            }
            // A totals run writes only the program's own table, on the
            // journal's connection: no file is written, so only refused writes stop it.
            if (op == Op::Totals && fault != Fault::QueryOnly) {
                continue;
            }
            QString reason = QString::fromUtf16(faultReason);
            if (op == Op::Erase && fault == Fault::ReadOnlyFiles) {
                reason = QStringLiteral("控えの場所"); // no copy can be made, so nothing is erased
            }
            if (op == Op::Erase && fault == Fault::Deleted) {
                reason = QStringLiteral("がありません"); // the copy finds no file to copy, so nothing is erased
            }
            QTest::addRow("%s, %s", opName, faultName) << op << fault << reason;
        }
    }
}

void TestFaults::faultDuringUse()
{
    QFETCH(Op, op);
    QFETCH(Fault, fault);
    QFETCH(QString, reason);

    testsupport::MainWindow w;
    QVERIFY(seed(w));
    ReadOnlyFolder readOnly; // after the window: undone before its folder is removed
    if (fault == Fault::ReadOnlyFiles && !readOnly.apply(w)) {
        QSKIP("the data files cannot be made read-only here");
    }
    testsupport::ProgramConnections connections;
    QVERIFY(w.start());
    connections.stop();
    testsupport::SqlFile programMain(connections.of(store::kMainFileName));
    testsupport::SqlFile programWork(connections.of(store::kWorkFileName));
    QVERIFY(programMain.ok() && programWork.ok());
    // Every row of the four tables, each value with its storage class, read
    // through the program's own connections.
    const auto snapshot = [&](const QString &table) {
        return (isWorkTable(table) ? programWork : programMain).rows(table);
    };
    w.presenter.shown.clear(); // only what the operation shows counts
    prepare(w, op, fault != Fault::ReadOnlyFiles);
    if (QTest::currentTestFailed()) {
        return;
    }

    QMap<QString, QStringList> before;
    for (const QString &table : kTables) {
        before[table] = snapshot(table);
    }
    const QStringList onScreen = pageState(w, op);

    const bool workFile = op == Op::Hint;
    // The connection that writes the file: hints are written to the work file
    // through the journal's connection, where it is attached as "work".
    testsupport::SqlFile &target = programMain;
    const QString schema = workFile ? QStringLiteral("work.") : QString();
    const QString path = workFile ? w.workPath() : w.mainPath();
    std::unique_ptr<testsupport::SqlFile> other;
    QByteArray replacement;
    switch (fault) {
    case Fault::QueryOnly:
        QVERIFY(target.exec(QStringLiteral("PRAGMA query_only = ON")));
        break;
    case Fault::Locked:
        other = std::make_unique<testsupport::SqlFile>(path);
        QVERIFY(other->exec(QStringLiteral("BEGIN IMMEDIATE")));
        break;
    case Fault::PageLimit: {
        const qint64 pages = target.value(QStringLiteral("PRAGMA %1page_count").arg(schema)).toLongLong();
        QVERIFY(pages > 0);
        QVERIFY(target.exec(QStringLiteral("PRAGMA %1max_page_count = %2").arg(schema).arg(pages)));
        break;
    }
    case Fault::Deleted:
        QVERIFY(QFile::remove(path));
        break;
    case Fault::Replaced: {
        // Another copy of the file put in its place, as a restore from a backup does.
        QVERIFY(QFile::copy(path, path + QStringLiteral(".restored")));
        replacement = fileBytes(path + QStringLiteral(".restored"));
        std::error_code error;
        std::filesystem::rename((path + QStringLiteral(".restored")).toStdString(), path.toStdString(), error);
        QVERIFY(!error);
        break;
    }
    case Fault::ReadOnlyFiles:
    case Fault::NoRoom:
        break;
    }

    QElapsedTimer timer;
    timer.start();
    {
        NoRoom noRoom(fault == Fault::NoRoom);
        if (fault == Fault::NoRoom && !noRoom.active()) {
            QSKIP("the file size limit cannot be set here");
        }
        act(w, op);
    }
    const qint64 waited = timer.elapsed();

    // Lift the fault, then look at the files through the program's own connections.
    if (fault == Fault::QueryOnly) {
        QVERIFY(target.exec(QStringLiteral("PRAGMA query_only = OFF")));
    }
    if (fault == Fault::Locked) {
        QVERIFY(other->exec(QStringLiteral("ROLLBACK")));
        // The program waits a short while for the lock to go, then gives up.
        QVERIFY2(waited >= 1500 && waited < 10'000, qPrintable(QString::number(waited)));
    }

    // One clear notice after the questions, and no word of success.
    QVERIFY(!w.presenter.shown.isEmpty());
    for (qsizetype k = 0; k + 1 < w.presenter.shown.size(); ++k) {
        QVERIFY2(w.presenter.shown[k].style == common::kQuestionYesDefault ||
                     w.presenter.shown[k].style == common::kQuestionNoDefault,
                 qPrintable(w.presenter.shown[k].text));
    }
    const common::MessageRequest notice = w.presenter.shown.last();
    QCOMPARE(notice.title, failureTitle(op));
    QCOMPARE(notice.style, common::kWarning);
    QVERIFY2(notice.text.contains(QStringLiteral("理由: ")) && notice.text.contains(reason), qPrintable(notice.text));

    // What the user typed is still there.
    QCOMPARE(pageState(w, op), onScreen);

    // Nothing stored is lost or half-changed. A failed totals run leaves the
    // earlier run whole or the work table empty, and the grid and the sums
    // show just that table.
    for (const QString &table : kTables) {
        const QStringList after = snapshot(table);
        if (op == Op::Totals && table == QStringLiteral("w集計") && after.isEmpty()) {
            continue;
        }
        QCOMPARE(after, before[table]);
    }
    if (op == Op::Totals) {
        totals::WorkTableModel *model = testsupport::newestChild<totals::WorkTableModel>(w.frm->totalsPage());
        while (model->canFetchMore()) {
            model->fetchMore();
        }
        QCOMPARE(model->rowCount(), programMain.count(QStringLiteral("w集計")));
        const printing::PrintTotals shown = w.frm->totalsPage()->values();
        QCOMPARE(shown.sales, std::optional<qint64>(
                                  programMain.value(QStringLiteral("select total(売上額) from w集計")).toLongLong()));
        QCOMPARE(
            shown.moneyOut,
            std::optional<qint64>(programMain.value(QStringLiteral("select total(出金額) from w集計")).toLongLong()));
    }
    if (fault == Fault::Replaced) {
        QCOMPARE(fileBytes(path), replacement); // the file now at the path was not written to
    }
}

void TestFaults::twoProgramsRegisterOneDay_data()
{
    QTest::addColumn<bool>("racing");
    QTest::newRow("one after the other") << false;
    QTest::newRow("one while the other is writing") << true;
}

// Two programs on one data folder, each with the same new day typed in. The
// second to register finds the first one's record, added since it took the
// day up, and is asked before it writes over it: Yes overwrites, No keeps its
// page and the other's record. Also when the first registers while the
// second is already writing; the day never gets two records.
void TestFaults::twoProgramsRegisterOneDay()
{
    QFETCH(bool, racing);

    testsupport::MainWindow a;
    QVERIFY(a.start());
    testsupport::MainWindow b(QDate(2007, 4, 4), a.programFolder());
    testsupport::ProgramConnections connections;
    QVERIFY(b.start());
    connections.stop();
    // B starts while A has the data open, and is told so once; A is not.
    QCOMPARE(b.presenter.shown.size(), 1);
    QCOMPARE(b.presenter.shown[0].title, QStringLiteral("他のプログラムで使用中"));
    QVERIFY(a.presenter.shown.isEmpty());
    b.presenter.shown.clear();

    const auto type = [](testsupport::MainWindow &w, qint64 sales, const QString &memo) {
        const QObject *page = w.frm->journalPage();
        QVERIFY(child<ui::DateBox>(page, "Dt日付")->setValue(QDate(2007, 4, 4)));
        child<ui::AmountBox>(page, "num売上額")->setValue(sales);
        child<ui::JournalTextBox>(page, "txtメモ")->setText(memo);
    };
    type(a, 100, QStringLiteral("Aの記録"));
    type(b, 200, QStringLiteral("Bの記録"));
    const QStringList aTyped = pageState(a, Op::Register);

    const auto stored = [&a]() {
        const QVariant rows = testsupport::SqlFile(a.mainPath())
                                  .value(QStringLiteral("select group_concat(売上額 || ' ' || 日誌, '|') from 業務日誌 "
                                                        "where 日付 = '2007-04-04'"));
        return rows.isNull() ? QStringList() : rows.toString().split(u'|');
    };

    if (!racing) {
        click(a.frm->journalPage(), "cmd登録");
        QCOMPARE(stored(), QStringList{QStringLiteral("100 Aの記録")});
        click(b.frm->journalPage(), "cmd登録"); // answered Yes twice
        QCOMPARE(stored(), QStringList{QStringLiteral("200 Bの記録")});
        QCOMPARE(a.presenter.shown.size(), 1); // the question, no notice
        QCOMPARE(b.presenter.shown.size(), 2);
        QCOMPARE(b.presenter.shown[1].title, QStringLiteral("他の端末での変更"));
        QVERIFY(!child<ui::DateBox>(a.frm->journalPage(), "Dt日付")->value());
        QVERIFY(!child<ui::DateBox>(b.frm->journalPage(), "Dt日付")->value());
        return;
    }

    // B has looked for the day and found nothing; A registers just as B's
    // new record is on its way to the file.
    struct Race
    {
        testsupport::MainWindow *a;
        bool fired = false;
    } race{&a};
    sqlite3 *bHandle = connections.of(store::kMainFileName);
    QVERIFY(bHandle);
    sqlite3_trace_v2(
        bHandle, SQLITE_TRACE_STMT,
        [](unsigned, void *context, void *, void *sql) {
            auto *r = static_cast<Race *>(context);
            if (!r->fired && QByteArray(static_cast<const char *>(sql)).startsWith("INSERT INTO \"業務日誌\"")) {
                r->fired = true;
                click(r->a->frm->journalPage(), "cmd登録");
            }
            return 0;
        },
        &race);
    const QStringList bTyped = pageState(b, Op::Register);
    b.presenter.answers = {common::Answer::Yes, common::Answer::No};
    click(b.frm->journalPage(), "cmd登録");
    sqlite3_trace_v2(bHandle, 0, nullptr, nullptr);
    QVERIFY(race.fired);

    // B's add finds A's record there: B is asked, and No keeps its page and A's record.
    QCOMPARE(stored(), QStringList{QStringLiteral("100 Aの記録")});
    QCOMPARE(a.presenter.shown.size(), 1);
    QCOMPARE(b.presenter.shown.size(), 2);
    QCOMPARE(b.presenter.shown[1].title, QStringLiteral("他の端末での変更"));
    QCOMPARE(pageState(b, Op::Register), bTyped);
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
