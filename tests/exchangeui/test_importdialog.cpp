// The import window over a real data folder: what a file would bring, then
// the import keeping or replacing the days the journal already has.

#include "backup/backups.h"
#include "exchange/importlayout.h"
#include "exchangeui/importdialog.h"

#include "store/sqlitefiles.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using testsupport::control;

namespace {

// Line 2 is a day the journal has, line 3 a new one, line 4 a date that does not exist.
const QString kFile = QStringLiteral("日付,売上額,仕入額,入金額,出金額,日誌,天気\r\n"
                                     "2007/04/01,1111,0,0,0,取り込んだ日誌,晴\r\n"
                                     "2007/04/02,500,0,0,0,新しい日,雨\r\n"
                                     "2007/04/31,1,0,0,0,ない日,曇\r\n");

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestImportDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void previewTellsWhatTheFileBrings();
    void importKeepsExistingDaysUnlessReplacing_data();
    void importKeepsExistingDaysUnlessReplacing();
    void declinedImportWritesNothing();
    void damagedDataIsNotWrittenInto();
    void statementThroughColumnChoice();

private:
    // The window with the file read, as after 参照….
    std::unique_ptr<exchangeui::ImportDialog> openWith(const QString &path)
    {
        auto dialog = std::make_unique<exchangeui::ImportDialog>(exchangeui::ImportContext{
            *m_env->store,
            m_env->msg,
            {store::Location::inFolder(m_env->data.folder()), m_env->data.folder() + QStringLiteral("backup/"),
             [this] { ++m_beforeWrite; }, [] { return QDateTime(QDate(2007, 4, 4), QTime(9, 0)); }},
            m_files.path()});
        control<QLineEdit>(dialog.get(), "txtファイル")->setText(path);
        dialog->readPreview();
        return dialog;
    }
    QString label(const exchangeui::ImportDialog &dialog, const char *name) const
    {
        return control<QLabel>(&dialog, name)->text();
    }
    QStringList journal() const { return testsupport::rowsOf(m_env->data.mainPath(), QStringLiteral("業務日誌")); }
    QList<backup::CopyEntry> copies() const
    {
        return backup::listCopies(m_env->data.folder() + QStringLiteral("backup/"));
    }
    const QList<common::MessageRequest> &shown() const { return m_env->presenter.shown; }

    std::unique_ptr<testsupport::PageEnvironment> m_env;
    QTemporaryDir m_files;
    QString m_csv;
    int m_beforeWrite = 0;
};

void TestImportDialog::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    QVERIFY(testsupport::execOn(m_env->data.mainPath(),
                                QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                               "values ('2007-04-01', 1000, 200, 0, 0, '元の日誌')")));
    m_csv = m_files.filePath(QStringLiteral("日誌.csv"));
    QVERIFY(writeAll(m_csv, "\xEF\xBB\xBF" + kFile.toUtf8()));
    m_beforeWrite = 0;
}

void TestImportDialog::cleanup()
{
    m_env.reset();
}

void TestImportDialog::previewTellsWhatTheFileBrings()
{
    const QStringList before = journal();
    auto dialog = openWith(m_csv);
    QCOMPARE(label(*dialog, "lbl新しい日"), QStringLiteral("1 日"));
    QCOMPARE(label(*dialog, "lbl既にある日"), QStringLiteral("1 日"));
    QCOMPARE(label(*dialog, "lbl取り込めない行"), QStringLiteral("1 行"));
    auto *refused = control<QTableWidget>(dialog.get(), "lst取り込めない行");
    QCOMPARE(refused->rowCount(), 1);
    QCOMPARE(refused->item(0, 0)->text(), QStringLiteral("4"));
    QCOMPARE(refused->item(0, 1)->text(), QStringLiteral("日付"));
    QVERIFY(!refused->item(0, 2)->text().isEmpty());
    QVERIFY(label(*dialog, "lbl無視した列").contains(QStringLiteral("天気")));
    QVERIFY(control<QPushButton>(dialog.get(), "cmd取り込む")->isEnabled());
    QVERIFY(!control<QCheckBox>(dialog.get(), "chk置き換える")->isChecked());

    // A Shift_JIS file is told as such; read as UTF-8 its header has no 日付 and nothing can go in.
    const QString shiftJis = m_files.filePath(QStringLiteral("sjis.csv"));
    QStringEncoder encoder("Shift_JIS");
    QVERIFY(writeAll(shiftJis, encoder(kFile)));
    control<QLineEdit>(dialog.get(), "txtファイル")->setText(shiftJis);
    dialog->readPreview();
    QVERIFY2(label(*dialog, "lbl判定").contains(QStringLiteral("Shift_JIS")), qPrintable(label(*dialog, "lbl判定")));
    QCOMPARE(label(*dialog, "lbl新しい日"), QStringLiteral("1 日"));
    control<QComboBox>(dialog.get(), "cmb文字コード")->setCurrentIndex(1); // UTF-8: read again at once
    QVERIFY(!control<QPushButton>(dialog.get(), "cmd取り込む")->isEnabled());
    QVERIFY(control<QLabel>(dialog.get(), "lbl読めない")->isVisibleTo(dialog.get()));
    QCOMPARE(label(*dialog, "lbl新しい日"), QStringLiteral("－"));

    QVERIFY(shown().isEmpty());
    QCOMPARE(journal(), before);
}

void TestImportDialog::importKeepsExistingDaysUnlessReplacing_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("kept by default") << false;
    QTest::newRow("replaced when ticked, after a copy") << true;
}

void TestImportDialog::importKeepsExistingDaysUnlessReplacing()
{
    QFETCH(bool, replace);
    const QStringList before = journal();
    auto dialog = openWith(m_csv);
    control<QCheckBox>(dialog.get(), "chk置き換える")->setChecked(replace);
    m_env->presenter.answers = {common::Answer::Yes};

    control<QPushButton>(dialog.get(), "cmd取り込む")->click();

    QCOMPARE(shown().size(), 2);
    QCOMPARE(shown()[0].text, QStringLiteral("取り込めない 1 行を除いて取り込みます。よろしいですか"));
    QCOMPARE(shown()[0].style, common::kQuestionNoDefault);
    QCOMPARE(shown()[1].title, QStringLiteral("取り込みの完了"));
    const QString counts = shown()[1].text;
    QVERIFY2(counts.contains(QStringLiteral("新しく加えた日: 1 日")), qPrintable(counts));
    QVERIFY(counts.contains(replace ? QStringLiteral("置き換えた日: 1 日") : QStringLiteral("そのままにした日: 1 日")));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_beforeWrite, 1);

    testsupport::SqlFile file(m_env->data.mainPath());
    QCOMPARE(file.value(QStringLiteral("select 売上額 from 業務日誌 where 日付 = '2007-04-01'")).toLongLong(),
             replace ? 1111 : 1000);
    QCOMPARE(file.value(QStringLiteral("select 日誌 from 業務日誌 where 日付 = '2007-04-02'")).toString(),
             QStringLiteral("新しい日"));
    QCOMPARE(file.count(QStringLiteral("業務日誌")), 2);

    // Replacing keeps the journal as it was in a copy of its own, named in the notice.
    const QList<backup::CopyEntry> made = copies();
    QCOMPARE(made.size(), replace ? 1 : 0);
    if (replace) {
        QCOMPARE(made.first().name.kind, backup::CopyKind::Import);
        QCOMPARE(
            testsupport::rowsOf(QDir(made.first().path).filePath(store::kMainFileName), QStringLiteral("業務日誌")),
            before);
        QVERIFY(counts.contains(QDir::toNativeSeparators(made.first().path)));
    }
}

void TestImportDialog::declinedImportWritesNothing()
{
    const QStringList before = journal();
    auto dialog = openWith(m_csv);
    control<QCheckBox>(dialog.get(), "chk置き換える")->setChecked(true);

    // No to the refused rows: the window stays, nothing is copied or written.
    m_env->presenter.answers = {common::Answer::No};
    control<QPushButton>(dialog.get(), "cmd取り込む")->click();
    QCOMPARE(shown().size(), 1);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!dialog->imported());

    control<QPushButton>(dialog.get(), "cmd取り込まない")->click();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(shown().size(), 1);
    QCOMPARE(journal(), before);
    QVERIFY(copies().isEmpty());
    QCOMPARE(m_beforeWrite, 0);
}

void TestImportDialog::statementThroughColumnChoice()
{
    const QString statement = m_files.filePath(QStringLiteral("bank.csv"));
    QStringEncoder encoder("Shift_JIS");
    QVERIFY(writeAll(statement, encoder(QStringLiteral("口座番号,1234567\r\n期間,2021/05/01～2021/05/31\r\n"
                                                       "取引日,摘要,支払,預入\r\n"
                                                       "R3.5.2,ATM,\"1,000\",\r\nR3.5.2,振込,,\"2,500\"\r\n"
                                                       "H19.4.1,電気代,300,\r\n"))));
    const QString layouts = exchange::layoutsFile(m_env->data.folder());
    const auto open = [&] {
        auto dialog = std::make_unique<exchangeui::ImportDialog>(exchangeui::ImportContext{
            *m_env->store,
            m_env->msg,
            {store::Location::inFolder(m_env->data.folder()), m_env->data.folder() + QStringLiteral("backup/"), [] {},
             [] { return QDateTime(QDate(2021, 6, 1), QTime(9, 0)); }},
            m_files.path(),
            layouts});
        control<QLineEdit>(dialog.get(), "txtファイル")->setText(statement);
        dialog->readPreview();
        return dialog;
    };
    auto dialog = open();
    auto *choice = control<QWidget>(dialog.get(), "grp列の選び方");
    QVERIFY(choice->isVisibleTo(dialog.get()));
    QVERIFY(!control<QPushButton>(dialog.get(), "cmd取り込む")->isEnabled());

    // The header is the third line; the columns are picked by their names.
    control<QTableWidget>(dialog.get(), "lst先頭の行")->setCurrentCell(2, 0);
    QCOMPARE(control<QComboBox>(dialog.get(), "cmb日付")->currentText(), QStringLiteral("取引日"));
    control<QComboBox>(dialog.get(), "cmb出金額")->setCurrentText(QStringLiteral("支払"));
    control<QComboBox>(dialog.get(), "cmb入金額")->setCurrentText(QStringLiteral("預入"));
    control<QListWidget>(dialog.get(), "lst日誌")
        ->findItems(QStringLiteral("摘要"), Qt::MatchExactly)
        .first()
        ->setCheckState(Qt::Checked);
    control<QLineEdit>(dialog.get(), "txtレイアウト名")->setText(QStringLiteral("○○銀行 普通預金"));
    control<QPushButton>(dialog.get(), "cmdこのレイアウトで読む")->click();
    QVERIFY(QFile::exists(layouts));

    // 2007/04/01 is in the journal: kept by default, added to when chosen, each day shown before it is written.
    auto *days = control<QTableWidget>(dialog.get(), "lst取り込む日");
    QCOMPARE(days->rowCount(), 2);
    QCOMPARE(days->item(0, 0)->text(), QStringLiteral("2021/05/02"));
    QCOMPARE(days->item(0, 3)->text(), QStringLiteral("2,500"));
    QCOMPARE(days->item(0, 4)->text(), QStringLiteral("1,000"));
    QCOMPARE(days->item(0, 6)->text(), QStringLiteral("新しく加える"));
    QCOMPARE(days->item(1, 6)->text(), QStringLiteral("今の記録を残す"));
    QCOMPARE(days->item(1, 5)->text(), QStringLiteral("元の日誌"));
    control<QCheckBox>(dialog.get(), "chk足す")->setChecked(true);
    QCOMPARE(days->item(1, 6)->text(), QStringLiteral("今の記録に足す"));
    QCOMPARE(days->item(1, 4)->text(), QStringLiteral("300"));
    QCOMPARE(days->item(1, 5)->text(), QStringLiteral("元の日誌 ／ 電気代 300"));
    QVERIFY(!control<QCheckBox>(dialog.get(), "chk置き換える")->isChecked());

    m_env->presenter.answers = {common::Answer::Yes};
    control<QPushButton>(dialog.get(), "cmd取り込む")->click();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY2(shown().last().text.contains(QStringLiteral("足した日: 1 日")), qPrintable(shown().last().text));
    testsupport::SqlFile file(m_env->data.mainPath());
    QCOMPARE(file.value(QStringLiteral("select 日誌 from 業務日誌 where 日付 = '2021-05-02'")).toString(),
             QStringLiteral("ATM 1,000\n振込 2,500"));
    QCOMPARE(file.value(QStringLiteral("select 出金額 from 業務日誌 where 日付 = '2007-04-01'")).toLongLong(), 300);
    QCOMPARE(file.value(QStringLiteral("select 売上額 from 業務日誌 where 日付 = '2007-04-01'")).toLongLong(), 1000);

    // Next time the kept layout is offered and read at once.
    auto again = open();
    QCOMPARE(control<QComboBox>(again.get(), "cmbレイアウト")->currentText(), QStringLiteral("○○銀行 普通預金"));
    QCOMPARE(control<QTableWidget>(again.get(), "lst取り込む日")->rowCount(), 2);
    QCOMPARE(control<QTableWidget>(again.get(), "lst取り込む日")->item(0, 6)->text(), QStringLiteral("今の記録を残す"));
}

QTEST_MAIN(TestImportDialog)
void TestImportDialog::damagedDataIsNotWrittenInto()
{
    const QString journalPath = m_env->data.mainPath();
    QVERIFY(testsupport::execOn(
        journalPath, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                    "INSERT INTO 業務日誌 (日付, 日誌) SELECT date('1950-01-01', '+' || i || "
                                    "' days'), '昔の日誌の文章' || i FROM n")));
    auto dialog = openWith(m_csv);
    // A page amid the old days, which the import of the file's days never reads.
    QByteArray damaged;
    {
        QFile file(journalPath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(file.size() / 2 / 4096 * 4096));
        QVERIFY(file.write(QByteArray(4096, '\x7f')) == 4096);
        QVERIFY(file.seek(0));
        damaged = file.readAll();
    }
    m_env->presenter.answers = {common::Answer::Yes};
    control<QPushButton>(dialog.get(), "cmd取り込む")->click();
    QCOMPARE(shown().size(), 2);
    QCOMPARE(shown()[1].title, QStringLiteral("取り込めませんでした"));
    QVERIFY2(shown()[1].text.contains(QStringLiteral("異常")), qPrintable(shown()[1].text));
    QFile file(journalPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
}

#include "test_importdialog.moc"
