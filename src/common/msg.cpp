// The dialog table and ShowMsg with its eight group procedures.

#include "common/msg.h"

#include <array>

namespace common {

namespace {

// The table's rows as plain data; every blank inside a piece is one ASCII space.
struct RowText
{
    const char16_t *operation;
    const char16_t *kind;
    const char16_t *title;
    bool titleIsSubject;
    bool usesSubject;
    const char16_t *prefix;
    const char16_t *suffix;
    int style;
};

constexpr const char16_t *k登録 = u"登録";
constexpr const char16_t *k転記 = u"転記";
constexpr const char16_t *k削除 = u"削除";
constexpr const char16_t *k入力 = u"入力";
constexpr const char16_t *k行指定 = u"行指定";
constexpr const char16_t *kクリア = u"クリア";
constexpr const char16_t *k印刷 = u"印刷";
constexpr const char16_t *kその他 = u"その他";

// Fixed text: the subject is not used.
constexpr RowText fixed(const char16_t *operation, const char16_t *kind, const char16_t *title, const char16_t *text,
                        int style)
{
    return {operation, kind, title, false, false, text, u"", style};
}

// Prefix + subject + suffix.
constexpr RowText spliced(const char16_t *operation, const char16_t *kind, const char16_t *title,
                          const char16_t *prefix, const char16_t *suffix, int style)
{
    return {operation, kind, title, false, true, prefix, suffix, style};
}

constexpr int Q = StyleYesNoQuestion;
constexpr int QNo = StyleYesNoQuestionNoDefault;
constexpr int Warn = StyleOkExclamation;
constexpr int Info = StyleOkInformation;

// clang-format off
constexpr std::array kRows{
    spliced(k登録, u"確認", u"登録の確認", u"", u" を登録します。よろしいですか", Q),
    spliced(k登録, u"データ確認", u"登録の確認", u"データ ", u" を登録します。よろしいですか", Q),
    fixed(k登録, u"コード指定", u"登録注意", u"コードが指定されていません。コードを指定してください。", Info),
    spliced(k登録, u"完了", u"登録完了", u"", u" を登録しました。", Info),
    spliced(k登録, u"完了2", u"登録完了", u"データ  ", u" を登録しました。", Info),
    fixed(k登録, u"チェック", u"入力項目のチェック", u"入力必須項目が空白です。", Info),
    fixed(k登録, u"商品未登録", u"入力項目のチェック", u"登録商品データがありません。", Info),
    fixed(k登録, u"データなし", u"入力項目のチェック", u"登録がデータがありません。", Info),
    // A write that did not happen: what and why in the subject; the user's input stays on screen.
    spliced(k登録, u"失敗", u"登録できませんでした", u"",
            u"\n\n入力した内容は画面に残っています。原因を取り除いてから、もう一度登録してください。", Warn),

    spliced(k転記, u"確認", u"登録の確認", u"", u" に転記します。よろしいですか", QNo),

    fixed(k削除, u"確認", u"削除の確認", u"すべてのデータを削除します。よろしいですか", QNo),
    spliced(k削除, u"伝票確認", u"削除の確認", u"伝票 ", u" を削除します。よろしいですか", QNo),
    spliced(k削除, u"伝票確認2", u"削除の確認", u"", u" を削除します。よろしいですか", QNo),
    spliced(k削除, u"データ確認", u"削除の確認", u"データ ", u" を削除します。よろしいですか", QNo),
    spliced(k削除, u"指定確認", u"削除の確認", u"指定された ", u" を削除します。よろしいですか", QNo),
    spliced(k削除, u"伝票完了", u"削除の完了", u"伝票 ", u" を削除しました。", Info),
    spliced(k削除, u"削除不可能", u"削除の拒否", u"", u"削除できません。", Info),
    spliced(k削除, u"伝票完了2", u"削除の完了", u"", u" を削除しました。", Info),
    spliced(k削除, u"完了", u"削除の完了", u"データ ", u" を削除しました。", Info),
    spliced(k削除, u"削除不可", u"削除不可", u"",
            u" にデータがあるため削除できません。メンテナンス機能で削除してください。", Info),
    spliced(k削除, u"その他確認", u"削除の確認", u"", u" よろしいですか", QNo),
    spliced(k削除, u"失敗", u"削除できませんでした", u"", u"\n\n画面の内容はそのままです。", Warn),

    fixed(k入力, u"上行空白", u"入力注意", u"上の行が空白です。データは連続して指定してください。", Info),
    fixed(k入力, u"区分なし", u"入力注意", u"区分が指定されていません。区分を指定してください", Warn),
    spliced(k入力, u"必須入力なし", u"入力注意", u"", u"指定されていません。確認してください", Warn),
    spliced(k入力, u"重複", u"入力注意", u"", u"が重複しています。確認してください", Warn),
    spliced(k入力, u"範囲外", u"入力注意", u"", u"が指定範囲外です。確認してください", Warn),
    spliced(k入力, u"数字のみ", u"入力注意", u"", u"には数字以外使用できません", Warn),

    fixed(k行指定, u"無効行", u"入力注意", u"無効な行が指定されています。行指定をやり直してください。", Warn),
    fixed(k行指定, u"指定なし", u"入力注意", u"行が指定されていません。行指定してください。", Warn),
    fixed(k行指定, u"重複", u"入力注意", u"指定行は１回に１行です。行指定をやり直してください。", Warn),
    fixed(k行指定, u"余白なし", u"行挿入注意", u"行挿入する余白はありません。", Warn),

    fixed(kクリア, u"確認", u"画面クリアの確認", u"画面をクリアします。よろしいですか", QNo),

    spliced(k印刷, u"確認", u"印刷の確認", u"", u"を印刷します。よろしいですか", QNo),

    spliced(kその他, u"コピー完了", u"コピー完了", u"", u"コピーしました。", Info),
    spliced(kその他, u"読込み完了", u"読込完了", u"", u"読込みしました。", Info),
    RowText{kその他, u"メッセージ", u"", true, true, u"", u"", Info},
    spliced(kその他, u"確認", u"確認", u"", u"、よろしいですか", Q),
    spliced(kその他, u"読込失敗", u"読込できませんでした", u"", u"\n\n画面の内容はそのままです。", Warn),
    spliced(kその他, u"集計失敗", u"集計できませんでした", u"",
            u"\n\n原因を取り除いてから、もう一度集計してください。", Warn),
};
// clang-format on

constexpr std::array kOperationWords{k登録, k転記, k削除, k入力, k行指定, kクリア, k印刷, kその他};

using GroupProcedure = bool (Msg::*)(const QString &, const QString &);

// The procedure of each operation word, in the order of kOperationWords.
constexpr std::array<GroupProcedure, kOperationWords.size()> kGroupProcedures{
    &Msg::Msg登録,   &Msg::Msg転記,   &Msg::Msg削除, &Msg::Msg入力,
    &Msg::Msg行指定, &Msg::Msgクリア, &Msg::Msg印刷, &Msg::Msgその他,
};

QString fromPiece(const char16_t *piece)
{
    return QString::fromUtf16(piece);
}

bool isYesNo(int style)
{
    return (style & 0xF) == 4;
}

} // namespace

const std::vector<DialogRow> &dialogTable()
{
    static const std::vector<DialogRow> table = [] {
        std::vector<DialogRow> rows;
        rows.reserve(kRows.size());
        for (const RowText &row : kRows) {
            rows.push_back({fromPiece(row.operation), fromPiece(row.kind), fromPiece(row.title), row.titleIsSubject,
                            row.usesSubject, fromPiece(row.prefix), fromPiece(row.suffix), row.style});
        }
        return rows;
    }();
    return table;
}

const std::vector<QString> &operationWords()
{
    static const std::vector<QString> words = [] {
        std::vector<QString> result;
        for (const char16_t *word : kOperationWords) {
            result.push_back(fromPiece(word));
        }
        return result;
    }();
    return words;
}

bool Msg::ShowMsg(const QString &operation, const QString &kind, const QString &subject)
{
    const std::vector<QString> &words = operationWords();
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (operation == words[i]) {
            return (this->*kGroupProcedures[i])(kind, subject);
        }
    }
    return false;
}

bool Msg::Msg登録(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(k登録), kind, subject);
}

bool Msg::Msg転記(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(k転記), kind, subject);
}

bool Msg::Msg削除(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(k削除), kind, subject);
}

bool Msg::Msg入力(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(k入力), kind, subject);
}

bool Msg::Msg行指定(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(k行指定), kind, subject);
}

bool Msg::Msgクリア(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(kクリア), kind, subject);
}

bool Msg::Msg印刷(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(k印刷), kind, subject);
}

bool Msg::Msgその他(const QString &kind, const QString &subject)
{
    return showRow(fromPiece(kその他), kind, subject);
}

void Msg::showFailure(const QString &title, const QString &text)
{
    m_presenter.present({title, text, StyleOkExclamation});
}

// Shows the first row of the group whose kind is equal to `kind`; the answer
// counts only for a Yes/No question.
bool Msg::showRow(const QString &operation, const QString &kind, const QString &subject)
{
    for (const DialogRow &row : dialogTable()) {
        if (row.operation != operation || row.kind != kind) {
            continue;
        }
        MessageRequest request;
        request.title = row.titleIsSubject ? subject : row.title;
        request.text = row.usesSubject ? row.prefix + subject + row.suffix : row.prefix;
        request.style = row.style;
        const int answer = m_presenter.present(request);
        return isYesNo(row.style) && answer == ButtonYes;
    }
    return false;
}

} // namespace common
