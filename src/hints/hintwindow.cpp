#include "hints/hintwindow.h"

#include "common/colour.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "ui/commandbutton.h"
#include "ui/geometry.h"
#include "ui/panel.h"
#include "ui/placement.h"
#include "ui/platform.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace hints {

namespace {

QString buttonStyle(qint32 colour)
{
    return QStringLiteral("QPushButton { background-color: %1; border: 1px solid #8a8f8f; }"
                          "QPushButton:focus { border: 2px solid #1a4f9c; }")
        .arg(common::colourFromNumber(colour).name());
}

} // namespace

HintWindow::HintWindow(store::ModVelmoraA &state, common::Msg &msg, QWidget *parent)
    : QWidget(parent, Qt::Window), m_state(state), m_msg(msg)
{
    setObjectName(QStringLiteral("Hint"));
    setWindowTitle(QStringLiteral("ヒント        "));
    setFixedSize(ui::twips(8730), ui::twips(6030));
    QFont f = font();
    f.setFamilies(ui::uiFontFamilies());
    setFont(f);
    buildControls();
}

void HintWindow::buildControls()
{
    auto *frame = new ui::Panel(QStringLiteral("ImFrame3D1"), this);
    frame->setGeometry(ui::twipsRect(0, 0, 8700, 6030));

    auto *bar = new ui::Panel(QStringLiteral("ImFrame3D6"), frame);
    bar->setGeometry(ui::twipsRect(120, 90, 3480, 975));
    const auto button = [bar](const QString &name, const QString &caption, int left, int width) {
        auto *b = new ui::CommandButton(caption, bar);
        ui::place(b, name, left, 60, width, 840);
        b->setStyleSheet(buttonStyle(kViewColour));
        return b;
    };
    m_cmd編集 = button(QStringLiteral("cmd編集"), QStringLiteral("編集"), 120, 675);
    m_cmd登録 = button(QStringLiteral("cmd登録"), QStringLiteral("登録"), 780, 675);
    m_cmd削除 = button(QStringLiteral("cmd削除"), QStringLiteral("削除"), 1440, 675);
    m_cmdクリア = button(QStringLiteral("cmdクリア"), QStringLiteral("クリア"), 2100, 675);
    m_cmd閉じる = button(QStringLiteral("cmd閉じる"), QStringLiteral("閉じる"), 2760, 660);

    auto *target = new ui::Panel(QStringLiteral("ImFrame3D2"), frame);
    target->setGeometry(ui::twipsRect(4860, 90, 3720, 975));
    m_lblFormTitle = new QLabel(target);
    ui::place(m_lblFormTitle, QStringLiteral("lblFormTitle"), 150, 150, 3435, 255);
    m_lblFormName = new QLabel(target);
    ui::place(m_lblFormName, QStringLiteral("lblFormName"), 360, 540, 1260, 255);
    m_lblCtlName = new QLabel(target);
    ui::place(m_lblCtlName, QStringLiteral("lblCtlName"), 2340, 540, 1155, 270);
    for (QLabel *label : {m_lblFormTitle, m_lblFormName, m_lblCtlName}) {
        label->setTextFormat(Qt::PlainText);
    }

    m_txtContents = new QPlainTextEdit(frame);
    ui::place(m_txtContents, QStringLiteral("txtContents"), 120, 1155, 8445, 4755);
    m_txtContents->setReadOnly(true); // the view state, as the edit button's colour says
    m_txtContents->setTabChangesFocus(true);
    m_txtContents->setAttribute(Qt::WA_InputMethodEnabled, true);

    QWidget *order[] = {m_txtContents, m_cmd編集, m_cmd登録, m_cmd削除, m_cmdクリア, m_cmd閉じる};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_cmd編集, &QPushButton::clicked, this, &HintWindow::cmd編集_Click);
    connect(m_cmd登録, &QPushButton::clicked, this, &HintWindow::cmd登録_Click);
    connect(m_cmd削除, &QPushButton::clicked, this, &HintWindow::cmd削除_Click);
    connect(m_cmdクリア, &QPushButton::clicked, this, &HintWindow::cmdクリア_Click);
    connect(m_cmd閉じる, &QPushButton::clicked, this, &HintWindow::cmd閉じる_Click);
}

void HintWindow::Form_Load()
{
    m_lblFormName->setText(m_state.HintFormName);
    m_lblFormTitle->setText(m_state.HintFormTitle);
    m_lblCtlName->setText(m_state.HintCtlName);
    if (const store::DbError error = ReadHint()) {
        m_msg.ShowMsg(QStringLiteral("その他"), QStringLiteral("読込失敗"),
                      QStringLiteral("ヒントを読み込めませんでした。\n理由: ") + store::describeForUser(error));
    }
    show();
    m_txtContents->setFocus();
}

bool HintWindow::keyIsEmpty() const
{
    return m_lblFormName->text().isEmpty() || m_lblCtlName->text().isEmpty();
}

store::DbError HintWindow::ReadHint()
{
    if (keyIsEmpty()) {
        return {};
    }
    m_state.SqlText = store::sql::selectHint(m_lblFormName->text(), m_lblCtlName->text());
    store::DbError error;
    const auto rs = m_state.WorkDb.openRecordset(m_state.SqlText, &error);
    if (!rs) {
        return error;
    }
    if (!rs->isEmpty()) {
        const QVariant contents = rs->field(QStringLiteral("Contents"));
        if (!contents.isNull()) { // a Null leaves the text box as it is
            m_txtContents->setPlainText(contents.toString());
        }
    }
    rs->close();
    return {};
}

store::DbError HintWindow::EntryHint()
{
    if (keyIsEmpty()) {
        return {};
    }
    const QString formName = m_lblFormName->text();
    const QString ctlName = m_lblCtlName->text();
    // The delete and the add go together: a failure keeps the old hint.
    return m_state.WorkDb.inTransaction([&]() -> store::DbError {
        if (store::DbError error = m_state.WorkDb.execute(store::sql::deleteHint(formName, ctlName))) {
            return error;
        }
        store::DbError error;
        const auto rs = m_state.WorkDb.openRecordset(store::sql::selectHint(formName, ctlName), &error);
        if (!rs) {
            return error;
        }
        if ((error = rs->addNew())) {
            return error;
        }
        const std::pair<QString, QString> fields[] = {{QStringLiteral("FormName"), formName},
                                                      {QStringLiteral("CtlName"), ctlName},
                                                      {QStringLiteral("FormTitle"), m_lblFormTitle->text()},
                                                      {QStringLiteral("Contents"), m_txtContents->toPlainText()}};
        for (const auto &[column, value] : fields) {
            if ((error = rs->setField(column, value))) {
                return error;
            }
        }
        error = rs->update();
        rs->close();
        return error;
    });
}

store::DbError HintWindow::Deleteヒント()
{
    if (keyIsEmpty()) {
        return {};
    }
    const QString sql = store::sql::deleteHint(m_lblFormName->text(), m_lblCtlName->text());
    if (store::DbError error = m_state.WorkDb.execute(sql)) {
        return error;
    }
    m_txtContents->setPlainText(QString());
    return {};
}

void HintWindow::cmd登録_Click()
{
    if (!m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("確認"), QStringLiteral("ヒント"))) {
        return;
    }
    if (const store::DbError error = EntryHint()) {
        m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("失敗"),
                      QStringLiteral("ヒントは登録されていません。\n理由: ") + store::describeForUser(error));
        return;
    }
    m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("完了"), QStringLiteral("ヒント"));
}

void HintWindow::cmd削除_Click()
{
    if (!m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("確認"), QStringLiteral("ヒント"))) {
        return;
    }
    if (const store::DbError error = Deleteヒント()) {
        m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("失敗"),
                      QStringLiteral("ヒントは削除されていません。\n理由: ") + store::describeForUser(error));
        return;
    }
    m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("完了"), QStringLiteral("ヒント"));
}

void HintWindow::cmdクリア_Click()
{
    m_txtContents->setPlainText(QString());
}

void HintWindow::cmd編集_Click()
{
    if (m_editColour == kViewColour) {
        m_txtContents->setReadOnly(false);
        setEditButtonColour(kEditColour);
    } else {
        m_txtContents->setReadOnly(true);
        setEditButtonColour(kViewColour);
    }
    m_txtContents->setFocus();
}

void HintWindow::setEditButtonColour(qint32 colour)
{
    m_editColour = colour;
    m_cmd編集->setStyleSheet(buttonStyle(colour));
}

void HintWindow::cmd閉じる_Click()
{
    close(); // unsaved changes are dropped without a question
}

} // namespace hints
