#include "hints/hintwindow.h"

#include "common/colour.h"
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

HintWindow::HintWindow(store::Store &store, common::Msg &msg, const HintTarget &target, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_msg(msg), m_target(target)
{
    setObjectName(QStringLiteral("Hint"));
    setWindowTitle(m_target.pageName.isEmpty() ? QStringLiteral("ヒント")
                                               : QStringLiteral("ヒント － %1").arg(m_target.pageName));
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
    // Across the place of the control's name, which is not shown: the page's name takes its room.
    ui::place(m_lblFormName, QStringLiteral("lblFormName"), 360, 540, 3135, 255);
    m_lblCtlName = new QLabel(target);
    ui::place(m_lblCtlName, QStringLiteral("lblCtlName"), 2340, 540, 1155, 270);
    for (QLabel *label : {m_lblFormTitle, m_lblFormName, m_lblCtlName}) {
        label->setTextFormat(Qt::PlainText);
    }

    m_txtContents = new QPlainTextEdit(frame);
    ui::place(m_txtContents, QStringLiteral("txtContents"), 120, 1155, 8445, 4755);
    ui::nameFor(m_txtContents, QStringLiteral("ヒントの内容"));
    m_txtContents->setReadOnly(true); // the view state, as the edit button's colour says
    // Shown only while the box is empty; never stored.
    m_txtContents->setPlaceholderText(emptyHintNote());
    m_txtContents->setTabChangesFocus(true);
    m_txtContents->setAttribute(Qt::WA_InputMethodEnabled, true);

    QWidget *order[] = {m_txtContents, m_cmd編集, m_cmd登録, m_cmd削除, m_cmdクリア, m_cmd閉じる};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_cmd編集, &QPushButton::clicked, this, &HintWindow::toggleEditing);
    connect(m_cmd登録, &QPushButton::clicked, this, &HintWindow::confirmSave);
    connect(m_cmd削除, &QPushButton::clicked, this, &HintWindow::confirmRemove);
    connect(m_cmdクリア, &QPushButton::clicked, m_txtContents, &QPlainTextEdit::clear);
    // Unsaved changes are dropped without a question.
    connect(m_cmd閉じる, &QPushButton::clicked, this, &QWidget::close);
}

QString HintWindow::emptyHintNote()
{
    return QStringLiteral("ヒントは、このページについてご自分で書き留めておくメモで（「編集」で書き、「登録」で"
                          "データと一緒に保存します）、操作の説明は F1 キーで開く説明書にあります。");
}

void HintWindow::open()
{
    // The key's names are the program's own; the user sees the page's name.
    m_lblFormName->setText(m_target.pageName.isEmpty() ? QString()
                                                       : QStringLiteral("ページ：%1").arg(m_target.pageName));
    m_lblFormTitle->setText(m_target.formTitle);
    m_lblCtlName->clear();
    m_lblCtlName->hide();
    if (const store::DbError error = read()) {
        m_msg.show(common::Prompt::ReadFailed,
                   QStringLiteral("ヒントを読み込めませんでした。\n理由: ") + store::describeForUser(error));
    }
    show();
    m_txtContents->setFocus();
}

store::HintKey HintWindow::key() const
{
    return {m_target.formName, m_target.ctlName};
}

store::DbError HintWindow::read()
{
    if (key().isEmpty()) {
        return {};
    }
    std::optional<store::Hint> hint;
    store::Seen seen;
    if (store::DbError error = m_store.readHint(key(), hint, seen)) {
        return error;
    }
    m_seen = seen;
    if (hint && hint->contents) { // a Null leaves the text box as it is
        m_txtContents->setPlainText(*hint->contents);
    }
    return {};
}

store::DbError HintWindow::save()
{
    store::WriteOutcome outcome;
    return writeHint(store::Expected::as(m_seen), outcome);
}

store::DbError HintWindow::writeHint(const store::Expected &expected, store::WriteOutcome &outcome)
{
    if (key().isEmpty()) {
        return {};
    }
    const store::DbError error =
        m_store.storeHint({key(), m_target.formTitle, m_txtContents->toPlainText()}, expected, outcome);
    if (!error) {
        m_seen = outcome.now;
    }
    return error;
}

store::DbError HintWindow::remove()
{
    if (key().isEmpty()) {
        return {};
    }
    if (store::DbError error = m_store.removeHint(key())) {
        return error;
    }
    m_seen.reset();
    m_txtContents->setPlainText(QString());
    return {};
}

void HintWindow::confirmSave()
{
    if (!m_msg.show(common::Prompt::ConfirmRegister, QStringLiteral("ヒント"))) {
        return;
    }
    store::WriteOutcome outcome;
    store::DbError error = writeHint(store::Expected::as(m_seen), outcome);
    if (error.kind == store::DbErrorKind::Changed) {
        // No: nothing stored, the text stays as typed.
        if (!common::askWriteOverChange(m_msg, outcome.change.removed, outcome.change.written)) {
            return;
        }
        error = writeHint(store::Expected::anything(), outcome);
    }
    if (error) {
        m_msg.show(common::Prompt::RegisterFailed,
                   QStringLiteral("ヒントは登録されていません。\n理由: ") + store::describeForUser(error));
        return;
    }
    m_msg.show(common::Prompt::Registered, QStringLiteral("ヒント"));
}

void HintWindow::confirmRemove()
{
    if (!m_msg.show(common::Prompt::ConfirmDeleteAll)) {
        return;
    }
    if (const store::DbError error = remove()) {
        m_msg.show(common::Prompt::DeleteFailed,
                   QStringLiteral("ヒントは削除されていません。\n理由: ") + store::describeForUser(error));
        return;
    }
    m_msg.show(common::Prompt::Deleted, QStringLiteral("ヒント"));
}

void HintWindow::toggleEditing()
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

} // namespace hints
