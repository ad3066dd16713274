#pragma once
// The program's message boxes: every question and notice is one Prompt with a
// fixed title, text, icon and buttons, shown through one presenter.

#include <QString>

class QDateTime;

namespace common {

// The prompts the program shows. The operation and kind of the dialog table
// each one comes from are given after it.
enum class Prompt {
    ConfirmRegister,  // 登録/確認: "<subject> を登録します。よろしいですか"
    Registered,       // 登録/完了
    RegisterFailed,   // 登録/失敗: what was not stored and why in the subject
    ConfirmDeleteAll, // 削除/確認: a fixed text, the subject is not shown
    ConfirmDelete,    // 削除/伝票確認2: "<subject> を削除します。よろしいですか"
    ConfirmErase,     // 削除/その他確認: "<subject> よろしいですか"
    Deleted,          // 削除/完了
    DeleteFailed,     // 削除/失敗
    Notice,           // その他/メッセージ: the subject is both title and text
    ReadFailed,       // その他/読込失敗
    TotalsFailed,     // その他/集計失敗
    DateNotComplete, // 入力/日付不完全: "<box>「<typing>」は、入力の途中か、存在しない日付です。…"
    DaysLeftOut,           // a totals run left journal rows out for the form of their date
    ConvertLegacyFiles,    // the earlier version's files found at start-up: convert them?
    LegacyImported,        // what the import brought over and what it listed
    LegacyImportFailed,    // the import did not happen: the reason in the subject
    ConfirmRestore,        // "<the copy: its moment and days> の内容に置き換えます。よろしいですか"
    Restored,              // what was restored and where the data as it was went
    RestoreFailed,         // the restore did not happen: the reason in the subject
    BackupsFailing,        // copies are not being made: the reason in the subject; told once until one succeeds
    DataDamaged,           // the health check found damage: the newest good copy in the subject, restore it?
    NoGoodCopy,            // the health check found damage and no copy passes its check
    ConfirmOverwrite,      // "<the file> は既にあります。置き換えますか"
    Exported,              // what was written and where
    ExportFailed,          // nothing was written: the reason in the subject
    OfferUtf8,             // a character Shift_JIS cannot hold (day and character in the subject): UTF-8 instead?
    ConfirmImportSome,     // "取り込めない <n> 行を除いて取り込みます。よろしいですか"
    ConfirmImportSomeDays, // refused rows and days that adding would push beyond a limit, left out
    CsvImported,           // the days added, replaced and kept
    CsvImportFailed,       // nothing was imported: the reason in the subject
    DataFolderMade,        // the first start of an installed program: the folder its data goes to in the subject
    OpenElsewhere,         // at start: another program has the same data open; both may work on
    ChangedElsewhere, // "他の端末で変更されています。上書きしますか" and the moment of that change in the subject
    RemovedElsewhere, // the record read was removed elsewhere since: register it again?
};

enum class Buttons { Ok, YesNo };
enum class Icon { Information, Warning, Question };
// The button that closed a box; a box closed without one answers No (or OK).
enum class Answer { Ok, Yes, No };

// How a box looks: its buttons, its icon and the button Enter takes.
struct BoxStyle
{
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Information;
    Answer defaultAnswer = Answer::Ok;

    friend constexpr bool operator==(const BoxStyle &, const BoxStyle &) = default;
};

// The four looks the program's boxes take.
inline constexpr BoxStyle kInformation{Buttons::Ok, Icon::Information, Answer::Ok};
inline constexpr BoxStyle kWarning{Buttons::Ok, Icon::Warning, Answer::Ok};
inline constexpr BoxStyle kQuestionYesDefault{Buttons::YesNo, Icon::Question, Answer::Yes};
inline constexpr BoxStyle kQuestionNoDefault{Buttons::YesNo, Icon::Question, Answer::No};

struct MessageRequest
{
    QString title;
    QString text;
    BoxStyle style;
};

// Shows one modal message box and returns the button pressed.
// The real presenter (ui/) draws a QMessageBox; tests script the answers.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    virtual Answer present(const MessageRequest &request) = 0;
};

class Msg
{
public:
    explicit Msg(MessagePresenter &presenter) : m_presenter(presenter) {}

    // Shows `prompt` with `subject` put into it. True only when a Yes/No
    // question was answered Yes.
    bool show(Prompt prompt, const QString &subject = {});

    // Failure notices of the program's own (start-up, printing): an OK box
    // with the warning icon.
    void showFailure(const QString &title, const QString &text);

private:
    MessagePresenter &m_presenter;
};

// A record read from the files was written (or added, `removed` false) or
// removed elsewhere since: asks whether to write over it, naming the moment
// of that write in local time. True only for Yes; No is the default.
bool askWriteOverChange(Msg &msg, bool removed, const QDateTime &written);

} // namespace common
