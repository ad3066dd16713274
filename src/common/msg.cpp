// The text of every prompt, and the operation and kind words that still lead to them.

#include "common/msg.h"

#include <QDateTime>

#include <array>

namespace common {

namespace {

enum class SubjectUse {
    None,         // the text is `prefix` alone
    InText,       // prefix + subject + suffix
    TitleAndText, // the subject is the title and the whole text
};

// A prompt as the user sees it; every blank inside a piece is one ASCII space.
struct PromptText
{
    const char16_t *title = u"";
    const char16_t *prefix = u"";
    const char16_t *suffix = u"";
    SubjectUse subject = SubjectUse::None;
    BoxStyle style = kInformation;
};

constexpr PromptText fixed(const char16_t *title, const char16_t *text, BoxStyle style)
{
    return {title, text, u"", SubjectUse::None, style};
}

constexpr PromptText spliced(const char16_t *title, const char16_t *prefix, const char16_t *suffix, BoxStyle style)
{
    return {title, prefix, suffix, SubjectUse::InText, style};
}

// One case per prompt and no default, so that a prompt without its text fails
// to compile (-Wswitch).
constexpr PromptText textOf(Prompt prompt)
{
    // clang-format off
    switch (prompt) {
    case Prompt::ConfirmRegister:  return spliced(u"登録の確認", u"", u" を登録します。よろしいですか", kQuestionYesDefault);
    case Prompt::Registered:       return spliced(u"登録完了", u"", u" を登録しました。", kInformation);
    // A write that did not happen: what and why in the subject; the user's input stays on screen.
    case Prompt::RegisterFailed:   return spliced(u"登録できませんでした", u"",
        u"\n\n入力した内容は画面に残っています。原因を取り除いてから、もう一度登録してください。", kWarning);
    case Prompt::ConfirmDeleteAll: return fixed(u"削除の確認", u"すべてのデータを削除します。よろしいですか", kQuestionNoDefault);
    case Prompt::ConfirmDelete:    return spliced(u"削除の確認", u"", u" を削除します。よろしいですか", kQuestionNoDefault);
    case Prompt::ConfirmErase:     return spliced(u"削除の確認", u"", u" よろしいですか", kQuestionNoDefault);
    case Prompt::Deleted:          return spliced(u"削除の完了", u"データ ", u" を削除しました。", kInformation);
    case Prompt::DeleteFailed:     return spliced(u"削除できませんでした", u"", u"\n\n画面の内容はそのままです。", kWarning);
    case Prompt::Notice:           return {u"", u"", u"", SubjectUse::TitleAndText, kInformation};
    case Prompt::ReadFailed:       return spliced(u"読込できませんでした", u"", u"\n\n画面の内容はそのままです。", kWarning);
    case Prompt::TotalsFailed:     return spliced(u"集計できませんでした", u"",
        u"\n\n原因を取り除いてから、もう一度集計してください。", kWarning);
    // A date box's typing that a command will not act on: the box and the typing in the subject.
    case Prompt::DateNotComplete:  return spliced(u"入力注意", u"",
        u"は、入力の途中か、存在しない日付です。正しい日付を入力するか、Esc キーで入力を取り消してください。", kWarning);
    // Journal rows a totals run left out for their date: the period and the counts in the subject.
    case Prompt::DaysLeftOut:      return spliced(u"集計に含めていない日誌", u"",
        u"\n\n合計はこれらの日を含みません。日誌のデータは変更していません。", kWarning);
    // The earlier version's files in the data folder: the files and where they go in the subject.
    case Prompt::ConvertLegacyFiles: return spliced(u"以前の版のデータファイル",
        u"データフォルダーに、以前の版（Windows 版）のデータファイルがあります。\n\n",
        u"\n\n新しい形式に変換して、業務日誌・設定・ヒントを取り込みますか？\n\n"
        u"［はい］元のファイルは変更せずに上のフォルダーへ移し、新しいデータファイルを作って取り込みます。\n"
        u"［いいえ］何も変更せずに終了します。", kQuestionYesDefault);
    case Prompt::LegacyImported:     return spliced(u"取り込みの完了", u"", u"", kInformation);
    case Prompt::LegacyImportFailed: return spliced(u"取り込めませんでした", u"",
        u"\n\nデータファイルは変更していません。業務日誌を終了します。", kWarning);
    // A copy put back in place of the data: the copy's moment and days in the subject.
    case Prompt::ConfirmRestore: return spliced(u"復元の確認", u"", u" の内容に置き換えます。よろしいですか", kQuestionNoDefault);
    case Prompt::Restored:       return spliced(u"復元の完了", u"", u"", kInformation);
    case Prompt::RestoreFailed:  return spliced(u"復元できませんでした", u"", u"\n\nデータは変更していません。", kWarning);
    // The automatic copies: told once, and not again until a copy has been made.
    case Prompt::BackupsFailing:     return spliced(u"控えを作成できません", u"データの控えを自動で作成できませんでした。\n",
        u"\n\n入力したデータはそのまま保存されています。控えが作成できるようになるまで、このお知らせは再び表示しません。", kWarning);
    case Prompt::DataDamaged:        return spliced(u"データファイルの異常", u"データファイルに異常が見つかりました。\n",
        u"\n\nこの控えに戻しますか？ 今のファイルは消さずに控えのフォルダーに残します。", kQuestionNoDefault);
    case Prompt::NoGoodCopy:         return spliced(u"データファイルの異常", u"データファイルに異常が見つかりました。\n",
        u"\n\n戻せる控えがありません。これ以上書き込まずに業務日誌を終了し、ファイルの専門家に相談してください。", kWarning);
    // The export and the import of files for other programs.
    case Prompt::ConfirmOverwrite: return spliced(u"上書きの確認", u"", u" は既にあります。置き換えますか", kQuestionNoDefault);
    case Prompt::Exported:         return spliced(u"書き出しの完了", u"", u"", kInformation);
    case Prompt::ExportFailed:     return spliced(u"書き出せませんでした", u"", u"\n\n書き出し先のファイルは変更していません。", kWarning);
    case Prompt::OfferUtf8:        return spliced(u"Shift_JIS で書けない文字", u"",
        u"\n\n代わりに UTF-8 (BOM付き) で書き出しますか？", kQuestionYesDefault);
    case Prompt::ConfirmImportSome: return spliced(u"取り込みの確認", u"取り込めない ",
        u" 行を除いて取り込みます。よろしいですか", kQuestionNoDefault);
    case Prompt::ConfirmImportSomeDays: return spliced(u"取り込みの確認",
        u"取り込めない行と、足すと金額の範囲か日誌の長さを超える日（", u"）を除いて取り込みます。よろしいですか",
        kQuestionNoDefault);
    case Prompt::CsvImported:      return spliced(u"取り込みの完了", u"", u"", kInformation);
    case Prompt::CsvImportFailed:  return spliced(u"取り込めませんでした", u"", u"\n\n業務日誌は変更していません。", kWarning);
    // The first start without a data folder beside the program: the user's folder in the subject.
    case Prompt::DataFolderMade:   return spliced(u"データの保存場所",
        u"初めての起動です。業務日誌のデータを次のフォルダーに保存します。\n\n  ",
        u"\n\n空のデータファイルを作成して始めます。", kInformation);
    case Prompt::OpenElsewhere:    return fixed(u"他のプログラムで使用中",
        u"このデータは他のプログラムでも開かれています。\n\n"
        u"このまま両方で使えます。他のプログラムで変更された日誌を上書きするときは、その前に確認します。"
        u"集計の表はプログラムごとに別です。", kInformation);
    case Prompt::ChangedElsewhere: return spliced(u"他の端末での変更",
        u"他の端末で変更されています。上書きしますか\n（他の端末での変更: ", u"）", kQuestionNoDefault);
    case Prompt::RemovedElsewhere: return fixed(u"他の端末での変更",
        u"他の端末で削除されています。もう一度登録しますか", kQuestionNoDefault);
    }
    // clang-format on
    return {}; // not reached for a value of the enum
}

QString fromPiece(const char16_t *piece)
{
    return QString::fromUtf16(piece);
}

} // namespace

bool Msg::show(Prompt prompt, const QString &subject)
{
    const PromptText text = textOf(prompt);
    MessageRequest request;
    request.style = text.style;
    switch (text.subject) {
    case SubjectUse::None:
        request.title = fromPiece(text.title);
        request.text = fromPiece(text.prefix);
        break;
    case SubjectUse::InText:
        request.title = fromPiece(text.title);
        request.text = fromPiece(text.prefix) + subject + fromPiece(text.suffix);
        break;
    case SubjectUse::TitleAndText:
        request.title = subject;
        request.text = subject;
        break;
    }
    const Answer answer = m_presenter.present(request);
    // An OK box never confirms anything, whatever the presenter reports.
    return request.style.buttons == Buttons::YesNo && answer == Answer::Yes;
}

void Msg::showFailure(const QString &title, const QString &text)
{
    m_presenter.present({title, text, kWarning});
}

bool askWriteOverChange(Msg &msg, bool removed, const QDateTime &written)
{
    if (removed) {
        return msg.show(Prompt::RemovedElsewhere);
    }
    // A record written by a version that kept no moment has none to name.
    const QString moment = written.isValid() ? written.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
                                             : QStringLiteral("日時不明");
    return msg.show(Prompt::ChangedElsewhere, moment);
}

} // namespace common
