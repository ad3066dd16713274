#pragma once
// The standard message dialogs: every question and notice of the program is
// chosen by an operation word and a kind, and shown through one presenter.

#include <QString>

#include <vector>

namespace common {

// The style word of a message box: buttons + icon + default button.
enum MsgStyle : int {
    StyleYesNoQuestion = 36,           // Yes/No, question icon, Yes is the default
    StyleYesNoQuestionNoDefault = 292, // Yes/No, question icon, No is the default
    StyleOkExclamation = 48,           // OK, exclamation icon
    StyleOkInformation = 64,           // OK, information icon
};

enum MsgButtonCode : int { ButtonOk = 1, ButtonYes = 6, ButtonNo = 7 };

struct MessageRequest
{
    QString title;
    QString text;
    int style = StyleOkInformation;
};

// Shows one modal message box and returns the code of the button pressed.
// The real presenter (ui/) draws a QMessageBox; tests script the answers.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    virtual int present(const MessageRequest &request) = 0;
};

// One row of the dialog table.
struct DialogRow
{
    QString operation;
    QString kind;
    QString title;       // ignored when titleIsSubject
    bool titleIsSubject; // the kind "メッセージ": title = subject
    bool usesSubject;    // false: the text is `prefix` alone
    QString prefix;
    QString suffix;
    int style;
};

// The whole dialog table, in the order of comparison within each operation.
const std::vector<DialogRow> &dialogTable();

// The operation words in the order ShowMsg compares them.
const std::vector<QString> &operationWords();

// ShowMsg and the eight group procedures. A result is true only when a Yes/No
// question was answered Yes; an unknown operation or kind shows nothing.
class Msg
{
public:
    explicit Msg(MessagePresenter &presenter) : m_presenter(presenter) {}

    bool ShowMsg(const QString &operation, const QString &kind, const QString &subject);

    bool Msg登録(const QString &kind, const QString &subject);
    bool Msg転記(const QString &kind, const QString &subject);
    bool Msg削除(const QString &kind, const QString &subject);
    bool Msg入力(const QString &kind, const QString &subject);
    bool Msg行指定(const QString &kind, const QString &subject);
    bool Msgクリア(const QString &kind, const QString &subject);
    bool Msg印刷(const QString &kind, const QString &subject);
    bool Msgその他(const QString &kind, const QString &subject);

    // Failure notices of the program's own (a write that did not happen):
    // an OK box with the exclamation icon.
    void showFailure(const QString &title, const QString &text);

    MessagePresenter &presenter() { return m_presenter; }

private:
    bool showRow(const QString &operation, const QString &kind, const QString &subject);
    MessagePresenter &m_presenter;
};

} // namespace common
