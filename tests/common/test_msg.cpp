// The program's prompts as the user sees them, through a scripted presenter.

#include "common/msg.h"
#include "support/scriptedpresenter.h"

#include <QDateTime>
#include <QTest>

using common::Answer;
using common::BoxStyle;
using common::Msg;
using common::Prompt;
using testsupport::ScriptedPresenter;

namespace {

const Prompt kAllPrompts[] = {
    Prompt::ConfirmRegister,
    Prompt::Registered,
    Prompt::RegisterFailed,
    Prompt::ConfirmDeleteAll,
    Prompt::ConfirmDelete,
    Prompt::ConfirmErase,
    Prompt::Deleted,
    Prompt::DeleteFailed,
    Prompt::Notice,
    Prompt::ReadFailed,
    Prompt::TotalsFailed,
    Prompt::DateNotComplete,
    Prompt::DaysLeftOut,
    Prompt::ConvertLegacyFiles,
    Prompt::LegacyImported,
    Prompt::LegacyImportFailed,
    Prompt::ConfirmRestore,
    Prompt::Restored,
    Prompt::RestoreFailed,
    Prompt::BackupsFailing,
    Prompt::DataDamaged,
    Prompt::NoGoodCopy,
    Prompt::ConfirmOverwrite,
    Prompt::Exported,
    Prompt::ExportFailed,
    Prompt::OfferUtf8,
    Prompt::ConfirmImportSome,
    Prompt::CsvImported,
    Prompt::CsvImportFailed,
    Prompt::DataFolderMade,
    Prompt::OpenElsewhere,
    Prompt::ChangedElsewhere,
    Prompt::RemovedElsewhere,
    Prompt::ConfirmImportSomeDays,
};

// What one prompt showed, and what it answered, for a scripted answer.
struct Outcome
{
    common::MessageRequest request;
    bool result = false;
};

Outcome showOnce(Prompt prompt, const QString &subject, Answer answer)
{
    ScriptedPresenter presenter;
    presenter.answers = {answer};
    Msg msg(presenter);
    const bool result = msg.show(prompt, subject);
    if (presenter.shown.size() != 1) {
        qFatal("a prompt showed %d boxes", int(presenter.shown.size()));
    }
    return {presenter.shown.first(), result};
}

} // namespace

class TestMsg : public QObject
{
    Q_OBJECT

private slots:
    void everyPrompt_data();
    void everyPrompt();
    void looks_data();
    void looks();
    void texts_data();
    void texts();
    void failureNotice();
    void changeQuestion();
};

void TestMsg::everyPrompt_data()
{
    QTest::addColumn<Prompt>("prompt");
    for (Prompt prompt : kAllPrompts) {
        QTest::addRow("prompt %d", int(prompt)) << prompt;
    }
}

// One box with a title and a text; a question confirms on Yes alone, an OK box
// never confirms, whatever the presenter reports.
void TestMsg::everyPrompt()
{
    QFETCH(Prompt, prompt);
    const QString subject = QStringLiteral("取引先Ａ");

    const Outcome yes = showOnce(prompt, subject, Answer::Yes);
    QVERIFY(!yes.request.title.isEmpty());
    QVERIFY(!yes.request.text.isEmpty());
    const bool question = yes.request.style.buttons == common::Buttons::YesNo;
    QCOMPARE(yes.request.style.icon == common::Icon::Question, question);
    QCOMPARE(yes.result, question);

    QCOMPARE(showOnce(prompt, subject, Answer::No).result, false);
    QCOMPARE(showOnce(prompt, subject, Answer::Ok).result, false);
}

void TestMsg::looks_data()
{
    QTest::addColumn<Prompt>("prompt");
    QTest::addColumn<BoxStyle>("style");

    // Enter answers はい to a 登録 question and いいえ to a 削除 question.
    QTest::newRow("ConfirmRegister") << Prompt::ConfirmRegister << common::kQuestionYesDefault;
    QTest::newRow("ConfirmDeleteAll") << Prompt::ConfirmDeleteAll << common::kQuestionNoDefault;
    QTest::newRow("ConfirmDelete") << Prompt::ConfirmDelete << common::kQuestionNoDefault;
    QTest::newRow("ConfirmErase") << Prompt::ConfirmErase << common::kQuestionNoDefault;
    // Enter keeps an existing file, and keeps a file with refused rows out.
    QTest::newRow("ConfirmOverwrite") << Prompt::ConfirmOverwrite << common::kQuestionNoDefault;
    QTest::newRow("ConfirmImportSome") << Prompt::ConfirmImportSome << common::kQuestionNoDefault;
    // Enter keeps what another program wrote.
    QTest::newRow("ChangedElsewhere") << Prompt::ChangedElsewhere << common::kQuestionNoDefault;
    QTest::newRow("RemovedElsewhere") << Prompt::RemovedElsewhere << common::kQuestionNoDefault;
    // Completions and notices inform; failures warn.
    QTest::newRow("Registered") << Prompt::Registered << common::kInformation;
    QTest::newRow("OpenElsewhere") << Prompt::OpenElsewhere << common::kInformation;
    QTest::newRow("Deleted") << Prompt::Deleted << common::kInformation;
    QTest::newRow("Notice") << Prompt::Notice << common::kInformation;
    QTest::newRow("RegisterFailed") << Prompt::RegisterFailed << common::kWarning;
    QTest::newRow("DeleteFailed") << Prompt::DeleteFailed << common::kWarning;
    QTest::newRow("ReadFailed") << Prompt::ReadFailed << common::kWarning;
    QTest::newRow("TotalsFailed") << Prompt::TotalsFailed << common::kWarning;
    QTest::newRow("DateNotComplete") << Prompt::DateNotComplete << common::kWarning; // OK, so Enter closes it
    QTest::newRow("DaysLeftOut") << Prompt::DaysLeftOut << common::kWarning;
}

void TestMsg::looks()
{
    QFETCH(Prompt, prompt);
    QFETCH(BoxStyle, style);
    QCOMPARE(showOnce(prompt, QStringLiteral("設定"), Answer::No).request.style, style);
}

void TestMsg::texts_data()
{
    QTest::addColumn<Prompt>("prompt");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    // The failure notices: what was not stored and why, then what to do.
    const QString reason = QStringLiteral("設定は登録されていません。\n理由: ディスクがいっぱいです。");
    QTest::newRow("RegisterFailed")
        << Prompt::RegisterFailed << reason << QStringLiteral("登録できませんでした")
        << reason +
               QStringLiteral("\n\n入力した内容は画面に残っています。原因を取り除いてから、もう一度登録してください。");
    QTest::newRow("DeleteFailed") << Prompt::DeleteFailed << reason << QStringLiteral("削除できませんでした")
                                  << reason + QStringLiteral("\n\n画面の内容はそのままです。");
    QTest::newRow("ReadFailed") << Prompt::ReadFailed << reason << QStringLiteral("読込できませんでした")
                                << reason + QStringLiteral("\n\n画面の内容はそのままです。");
    QTest::newRow("TotalsFailed") << Prompt::TotalsFailed << reason << QStringLiteral("集計できませんでした")
                                  << reason + QStringLiteral("\n\n原因を取り除いてから、もう一度集計してください。");
    QTest::newRow("DateNotComplete")
        << Prompt::DateNotComplete << QStringLiteral("日付「2007年05月0_日」") << QStringLiteral("入力注意")
        << QStringLiteral("日付「2007年05月0_日」は、入力の途中か、存在しない日付です。正しい日付を入力するか、Esc "
                          "キーで入力を取り消してください。");

    // The subject goes in as it stands: blanks kept, markup not read.
    QTest::newRow("empty subject keeps the blank before を")
        << Prompt::Registered << QString() << QStringLiteral("登録完了") << QStringLiteral(" を登録しました。");
    QTest::newRow("empty subject keeps the blank after データ")
        << Prompt::Deleted << QString() << QStringLiteral("削除の完了") << QStringLiteral("データ  を削除しました。");
    QTest::newRow("subject with blanks is not trimmed")
        << Prompt::ConfirmRegister << QStringLiteral(" 2024年04月01日 の業務日誌") << QStringLiteral("登録の確認")
        << QStringLiteral(" 2024年04月01日 の業務日誌 を登録します。よろしいですか");
    QTest::newRow("subject with markup") << Prompt::ConfirmDelete << QStringLiteral("<b>設定</b> & %1")
                                         << QStringLiteral("削除の確認")
                                         << QStringLiteral("<b>設定</b> & %1 を削除します。よろしいですか");
    QTest::newRow("ConfirmDeleteAll leaves the subject out")
        << Prompt::ConfirmDeleteAll << QStringLiteral("ヒント") << QStringLiteral("削除の確認")
        << QStringLiteral("すべてのデータを削除します。よろしいですか");
    QTest::newRow("Notice: the subject is title and text")
        << Prompt::Notice << QStringLiteral("日付を記入してください。") << QStringLiteral("日付を記入してください。")
        << QStringLiteral("日付を記入してください。");
}

void TestMsg::texts()
{
    QFETCH(Prompt, prompt);
    QFETCH(QString, subject);
    QFETCH(QString, title);
    QFETCH(QString, text);

    const Outcome shown = showOnce(prompt, subject, Answer::No);
    QCOMPARE(shown.request.title, title);
    QCOMPARE(shown.request.text, text);
}

void TestMsg::failureNotice()
{
    ScriptedPresenter presenter;
    Msg msg(presenter);
    msg.showFailure(QStringLiteral("印刷"), QStringLiteral("集計データを読み込めないため、印刷できません。"));
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.first().title, QStringLiteral("印刷"));
    QCOMPARE(presenter.shown.first().text, QStringLiteral("集計データを読み込めないため、印刷できません。"));
    QCOMPARE(presenter.shown.first().style, common::kWarning);
}

// A change made elsewhere: its moment in local time, to the second; a record
// without one, and one removed, say so.
void TestMsg::changeQuestion()
{
    ScriptedPresenter presenter;
    presenter.answers = {Answer::Yes, Answer::No, Answer::Yes};
    Msg msg(presenter);
    const QDateTime written = QDateTime(QDate(2026, 12, 7), QTime(20, 41, 5, 123), Qt::UTC);
    QVERIFY(common::askWriteOverChange(msg, false, written));
    QVERIFY(!common::askWriteOverChange(msg, false, QDateTime()));
    QVERIFY(common::askWriteOverChange(msg, true, QDateTime()));
    QCOMPARE(presenter.shown.size(), 3);
    QCOMPARE(presenter.shown[0].title, QStringLiteral("他の端末での変更"));
    QCOMPARE(presenter.shown[0].text,
             QStringLiteral("他の端末で変更されています。上書きしますか\n（他の端末での変更: ") +
                 written.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + QStringLiteral("）"));
    QCOMPARE(presenter.shown[1].text,
             QStringLiteral("他の端末で変更されています。上書きしますか\n（他の端末での変更: 日時不明）"));
    QCOMPARE(presenter.shown[2].text, QStringLiteral("他の端末で削除されています。もう一度登録しますか"));
    for (const common::MessageRequest &request : presenter.shown) {
        QCOMPARE(request.style, common::kQuestionNoDefault);
    }
}

QTEST_GUILESS_MAIN(TestMsg)
#include "test_msg.moc"
