// The standard message dialogs: every row of the table, seen through a scripted presenter.

#include "common/msg.h"
#include "support/scriptedpresenter.h"

#include <QTest>

using common::Msg;
using testsupport::ScriptedPresenter;

namespace {

// The subject used for the whole table; the expected texts below spell it out.
const QString kSubject = QStringLiteral("取引先Ａ");

struct Expected
{
    const char16_t *operation;
    const char16_t *kind;
    const char16_t *title;
    const char16_t *text;
    int style;
};

// The dialog table as the user sees it with the subject 取引先Ａ; the title of
// メッセージ is the subject itself.
const Expected kExpected[] = {
    {u"登録", u"確認", u"登録の確認", u"取引先Ａ を登録します。よろしいですか", 36},
    {u"登録", u"データ確認", u"登録の確認", u"データ 取引先Ａ を登録します。よろしいですか", 36},
    {u"登録", u"コード指定", u"登録注意", u"コードが指定されていません。コードを指定してください。", 64},
    {u"登録", u"完了", u"登録完了", u"取引先Ａ を登録しました。", 64},
    {u"登録", u"完了2", u"登録完了", u"データ  取引先Ａ を登録しました。", 64},
    {u"登録", u"チェック", u"入力項目のチェック", u"入力必須項目が空白です。", 64},
    {u"登録", u"商品未登録", u"入力項目のチェック", u"登録商品データがありません。", 64},
    {u"登録", u"データなし", u"入力項目のチェック", u"登録がデータがありません。", 64},
    {u"登録", u"失敗", u"登録できませんでした",
     u"取引先Ａ\n\n入力した内容は画面に残っています。原因を取り除いてから、もう一度登録してください。", 48},
    {u"転記", u"確認", u"登録の確認", u"取引先Ａ に転記します。よろしいですか", 292},
    {u"削除", u"確認", u"削除の確認", u"すべてのデータを削除します。よろしいですか", 292},
    {u"削除", u"伝票確認", u"削除の確認", u"伝票 取引先Ａ を削除します。よろしいですか", 292},
    {u"削除", u"伝票確認2", u"削除の確認", u"取引先Ａ を削除します。よろしいですか", 292},
    {u"削除", u"データ確認", u"削除の確認", u"データ 取引先Ａ を削除します。よろしいですか", 292},
    {u"削除", u"指定確認", u"削除の確認", u"指定された 取引先Ａ を削除します。よろしいですか", 292},
    {u"削除", u"伝票完了", u"削除の完了", u"伝票 取引先Ａ を削除しました。", 64},
    {u"削除", u"削除不可能", u"削除の拒否", u"取引先Ａ削除できません。", 64},
    {u"削除", u"伝票完了2", u"削除の完了", u"取引先Ａ を削除しました。", 64},
    {u"削除", u"完了", u"削除の完了", u"データ 取引先Ａ を削除しました。", 64},
    {u"削除", u"削除不可", u"削除不可",
     u"取引先Ａ にデータがあるため削除できません。メンテナンス機能で削除してください。", 64},
    {u"削除", u"その他確認", u"削除の確認", u"取引先Ａ よろしいですか", 292},
    {u"削除", u"失敗", u"削除できませんでした", u"取引先Ａ\n\n画面の内容はそのままです。", 48},
    {u"入力", u"上行空白", u"入力注意", u"上の行が空白です。データは連続して指定してください。", 64},
    {u"入力", u"区分なし", u"入力注意", u"区分が指定されていません。区分を指定してください", 48},
    {u"入力", u"必須入力なし", u"入力注意", u"取引先Ａ指定されていません。確認してください", 48},
    {u"入力", u"重複", u"入力注意", u"取引先Ａが重複しています。確認してください", 48},
    {u"入力", u"範囲外", u"入力注意", u"取引先Ａが指定範囲外です。確認してください", 48},
    {u"入力", u"数字のみ", u"入力注意", u"取引先Ａには数字以外使用できません", 48},
    {u"行指定", u"無効行", u"入力注意", u"無効な行が指定されています。行指定をやり直してください。", 48},
    {u"行指定", u"指定なし", u"入力注意", u"行が指定されていません。行指定してください。", 48},
    {u"行指定", u"重複", u"入力注意", u"指定行は１回に１行です。行指定をやり直してください。", 48},
    {u"行指定", u"余白なし", u"行挿入注意", u"行挿入する余白はありません。", 48},
    {u"クリア", u"確認", u"画面クリアの確認", u"画面をクリアします。よろしいですか", 292},
    {u"印刷", u"確認", u"印刷の確認", u"取引先Ａを印刷します。よろしいですか", 292},
    {u"その他", u"コピー完了", u"コピー完了", u"取引先Ａコピーしました。", 64},
    {u"その他", u"読込み完了", u"読込完了", u"取引先Ａ読込みしました。", 64},
    {u"その他", u"メッセージ", u"取引先Ａ", u"取引先Ａ", 64},
    {u"その他", u"確認", u"確認", u"取引先Ａ、よろしいですか", 36},
    {u"その他", u"読込失敗", u"読込できませんでした", u"取引先Ａ\n\n画面の内容はそのままです。", 48},
    {u"その他", u"集計失敗", u"集計できませんでした", u"取引先Ａ\n\n原因を取り除いてから、もう一度集計してください。",
     48},
};

QString str(const char16_t *text)
{
    return QString::fromUtf16(text);
}

bool isQuestion(int style)
{
    return style == 36 || style == 292;
}

} // namespace

class TestMsg : public QObject
{
    Q_OBJECT

private slots:
    void everyRow_data();
    void everyRow();
    void tableHoldsExactlyTheseRows();
    void operationWordsInOrder();
    void unknownKeysShowNothing_data();
    void unknownKeysShowNothing();
    void splicing_data();
    void splicing();
    void answerOtherThanYesDeclines_data();
    void answerOtherThanYesDeclines();
    void failureNotice();
};

void TestMsg::everyRow_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("result");

    for (const Expected &row : kExpected) {
        const QString name = str(row.operation) + QLatin1Char('/') + str(row.kind);
        const bool question = isQuestion(row.style);
        // An OK box must stay false even if the presenter reported button code 6.
        QTest::newRow(qPrintable(name + QStringLiteral(" Yes")))
            << str(row.operation) << str(row.kind) << str(row.title) << str(row.text) << row.style
            << int(common::ButtonYes) << question;
        QTest::newRow(qPrintable(name + QStringLiteral(" No")))
            << str(row.operation) << str(row.kind) << str(row.title) << str(row.text) << row.style
            << (question ? int(common::ButtonNo) : int(common::ButtonOk)) << false;
    }
}

void TestMsg::everyRow()
{
    QFETCH(QString, operation);
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, style);
    QFETCH(int, answer);
    QFETCH(bool, result);

    ScriptedPresenter presenter;
    presenter.answers = {answer};
    Msg msg(presenter);

    QCOMPARE(msg.ShowMsg(operation, kind, kSubject), result);
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.first().title, title);
    QCOMPARE(presenter.shown.first().text, text);
    QCOMPARE(presenter.shown.first().style, style);
    QVERIFY(presenter.answers.isEmpty());
}

// No row beyond the known ones, none twice, and rows keep the group order.
void TestMsg::tableHoldsExactlyTheseRows()
{
    const std::vector<common::DialogRow> &table = common::dialogTable();
    QCOMPARE(table.size(), std::size(kExpected));
    for (std::size_t i = 0; i < table.size(); ++i) {
        QCOMPARE(table[i].operation, str(kExpected[i].operation));
        QCOMPARE(table[i].kind, str(kExpected[i].kind));
        QCOMPARE(table[i].style, kExpected[i].style);
    }
}

void TestMsg::operationWordsInOrder()
{
    const std::vector<QString> expected = {
        QStringLiteral("登録"),   QStringLiteral("転記"),   QStringLiteral("削除"), QStringLiteral("入力"),
        QStringLiteral("行指定"), QStringLiteral("クリア"), QStringLiteral("印刷"), QStringLiteral("その他"),
    };
    QCOMPARE(common::operationWords(), expected);
}

void TestMsg::unknownKeysShowNothing_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("kind");

    QTest::newRow("unknown operation") << QStringLiteral("更新") << QStringLiteral("確認");
    QTest::newRow("empty operation") << QString() << QStringLiteral("確認");
    QTest::newRow("operation with trailing blank") << QStringLiteral("登録 ") << QStringLiteral("確認");
    QTest::newRow("operation in half-width katakana") << QStringLiteral("ｸﾘｱ") << QStringLiteral("確認");
    QTest::newRow("unknown kind") << QStringLiteral("登録") << QStringLiteral("承認");
    QTest::newRow("kind with trailing blank") << QStringLiteral("削除") << QStringLiteral("確認 ");
    QTest::newRow("kind with ideographic blank") << QStringLiteral("削除") << QStringLiteral("確認　");
    QTest::newRow("full-width digit 完了２") << QStringLiteral("登録") << QStringLiteral("完了２");
    QTest::newRow("full-width digit 伝票確認２") << QStringLiteral("削除") << QStringLiteral("伝票確認２");
    QTest::newRow("kind of another group") << QStringLiteral("転記") << QStringLiteral("完了");
    QTest::newRow("operation given as kind") << QStringLiteral("確認") << QStringLiteral("登録");
}

void TestMsg::unknownKeysShowNothing()
{
    QFETCH(QString, operation);
    QFETCH(QString, kind);

    ScriptedPresenter presenter;
    presenter.answerYes();
    Msg msg(presenter);
    QCOMPARE(msg.ShowMsg(operation, kind, kSubject), false);
    QVERIFY(presenter.shown.isEmpty());
}

void TestMsg::splicing_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty subject keeps the leading blank")
        << QStringLiteral("登録") << QStringLiteral("完了") << QString() << QStringLiteral("登録完了")
        << QStringLiteral(" を登録しました。");
    QTest::newRow("empty subject, two blanks after データ")
        << QStringLiteral("登録") << QStringLiteral("完了2") << QString() << QStringLiteral("登録完了")
        << QStringLiteral("データ   を登録しました。");
    QTest::newRow("削除/確認 ignores the subject")
        << QStringLiteral("削除") << QStringLiteral("確認") << QStringLiteral("ヒント") << QStringLiteral("削除の確認")
        << QStringLiteral("すべてのデータを削除します。よろしいですか");
    QTest::newRow("削除/完了 with the hint")
        << QStringLiteral("削除") << QStringLiteral("完了") << QStringLiteral("ヒント") << QStringLiteral("削除の完了")
        << QStringLiteral("データ ヒント を削除しました。");
    QTest::newRow("メッセージ: title and text are the subject")
        << QStringLiteral("その他") << QStringLiteral("メッセージ") << QStringLiteral("日付を記入してください。")
        << QStringLiteral("日付を記入してください。") << QStringLiteral("日付を記入してください。");
    QTest::newRow("subject with blanks is not trimmed")
        << QStringLiteral("登録") << QStringLiteral("確認") << QStringLiteral(" 2024年04月01日 の業務日誌")
        << QStringLiteral("登録の確認") << QStringLiteral(" 2024年04月01日 の業務日誌 を登録します。よろしいですか");
    QTest::newRow("subject with markup is spliced as it stands")
        << QStringLiteral("削除") << QStringLiteral("伝票確認2") << QStringLiteral("<b>設定</b> & %1")
        << QStringLiteral("削除の確認") << QStringLiteral("<b>設定</b> & %1 を削除します。よろしいですか");
    QTest::newRow("入力/重複 splices the subject")
        << QStringLiteral("入力") << QStringLiteral("重複") << QStringLiteral("コード") << QStringLiteral("入力注意")
        << QStringLiteral("コードが重複しています。確認してください");
    QTest::newRow("行指定/重複 is a fixed text")
        << QStringLiteral("行指定") << QStringLiteral("重複") << QStringLiteral("コード") << QStringLiteral("入力注意")
        << QStringLiteral("指定行は１回に１行です。行指定をやり直してください。");
}

void TestMsg::splicing()
{
    QFETCH(QString, operation);
    QFETCH(QString, kind);
    QFETCH(QString, subject);
    QFETCH(QString, title);
    QFETCH(QString, text);

    ScriptedPresenter presenter;
    Msg msg(presenter);
    msg.ShowMsg(operation, kind, subject);
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.first().title, title);
    QCOMPARE(presenter.shown.first().text, text);
}

void TestMsg::answerOtherThanYesDeclines_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("No") << int(common::ButtonNo);
    QTest::newRow("OK") << int(common::ButtonOk);
    QTest::newRow("box not shown") << 0;
    QTest::newRow("Cancel") << 2;
    QTest::newRow("-1") << -1;
}

// A question is confirmed by button code 6 alone.
void TestMsg::answerOtherThanYesDeclines()
{
    QFETCH(int, answer);

    ScriptedPresenter presenter;
    Msg msg(presenter);
    presenter.answers = {answer, answer};
    QCOMPARE(msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("確認"), QStringLiteral("設定")), false);
    QCOMPARE(msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("伝票確認2"), QStringLiteral("設定")), false);
    QCOMPARE(presenter.shown.size(), 2);
}

void TestMsg::failureNotice()
{
    ScriptedPresenter presenter;
    Msg msg(presenter);
    msg.showFailure(QStringLiteral("登録の失敗"), QStringLiteral("業務日誌を登録できませんでした。"));
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.first().title, QStringLiteral("登録の失敗"));
    QCOMPARE(presenter.shown.first().text, QStringLiteral("業務日誌を登録できませんでした。"));
    QCOMPARE(presenter.shown.first().style, int(common::StyleOkExclamation));
    QCOMPARE(presenter.shown.first().style, 48);
}

QTEST_GUILESS_MAIN(TestMsg)
#include "test_msg.moc"
