#pragma once
// The hint window: shows, edits, stores and deletes the hint of one control
// of one window. Modeless; one instance at a time.

#include "common/msg.h"
#include "store/modvelmoraa.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace ui {
class CommandButton;
}

namespace hints {

class HintWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr qint32 kViewColour = 13488593; // 0xCDD1D1, the buttons' normal colour
    static constexpr qint32 kEditColour = 8421631;  // 0x8080FF

    HintWindow(store::ModVelmoraA &state, common::Msg &msg, QWidget *parent = nullptr);

    // Takes the hint target, reads its hint, shows the window.
    void Form_Load();

    // Each returns the error of the database step that failed; an empty key
    // does nothing and succeeds.
    store::DbError ReadHint();
    store::DbError EntryHint();
    store::DbError Deleteヒント();

    void cmd編集_Click();
    void cmd登録_Click();
    void cmd削除_Click();
    void cmdクリア_Click();
    void cmd閉じる_Click();

    qint32 editButtonColour() const { return m_editColour; }
    QPlainTextEdit *contents() const { return m_txtContents; }

private:
    void buildControls();
    bool keyIsEmpty() const;
    void setEditButtonColour(qint32 colour);

    store::ModVelmoraA &m_state;
    common::Msg &m_msg;
    qint32 m_editColour = kViewColour;

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
