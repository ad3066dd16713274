#pragma once
// The hint window: shows, edits, stores and deletes the hint of one control
// of one window. Modeless; one instance at a time.

#include "common/msg.h"
#include "store/store.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace ui {
class CommandButton;
}

namespace hints {

// Whose hint the window shows: the object names of a window and of one of its
// controls (the hint's key, never shown), the window's title, and the name of
// the page as the user knows it (日誌, 集計, 設定・情報).
struct HintTarget
{
    QString formName;
    QString ctlName;
    QString formTitle;
    QString pageName;
};

class HintWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr qint32 kViewColour = 13488593; // 0xCDD1D1, the buttons' normal colour
    static constexpr qint32 kEditColour = 8421631;  // 0x8080FF

    HintWindow(store::Store &store, common::Msg &msg, const HintTarget &target, QWidget *parent = nullptr);

    // Reads the target's hint and shows the window.
    void open();

    // Each returns the error of the store's step that failed; an empty key
    // does nothing and succeeds. save() writes only while the hint stands as
    // read (ErrChanged otherwise, nothing written).
    store::DbError read();
    store::DbError save();
    store::DbError remove();

    // 編集: switches the text box between viewing and editing.
    void toggleEditing();
    // 登録 and 削除: ask first, then tell the outcome.
    void confirmSave();
    void confirmRemove();

    // What an empty hint box says in its place: what a hint is, and that F1 opens the manual.
    static QString emptyHintNote();

    qint32 editButtonColour() const { return m_editColour; }
    QPlainTextEdit *contents() const { return m_txtContents; }

private:
    void buildControls();
    store::HintKey key() const;
    void setEditButtonColour(qint32 colour);
    store::DbError writeHint(const store::Expected &expected, store::WriteOutcome &outcome);

    store::Store &m_store;
    common::Msg &m_msg;
    const HintTarget m_target;
    qint32 m_editColour = kViewColour;
    store::Seen m_seen; // the hint as read or last stored; a store expects it still so

    ui::CommandButton *m_cmd編集 = nullptr;
    ui::CommandButton *m_cmd登録 = nullptr;
    ui::CommandButton *m_cmd削除 = nullptr;
    ui::CommandButton *m_cmdクリア = nullptr;
    ui::CommandButton *m_cmd閉じる = nullptr;
    QLabel *m_lblFormTitle = nullptr;
    QLabel *m_lblFormName = nullptr;
    QLabel *m_lblCtlName = nullptr;
    QPlainTextEdit *m_txtContents = nullptr;
};

} // namespace hints
