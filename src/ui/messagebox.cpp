// The message presenter that draws a modal QMessageBox.

#include "ui/messagebox.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace ui {

namespace {

constexpr int kButtonsMask = 0xF;
constexpr int kIconMask = 0x70;
constexpr int kSecondButtonDefault = 256;
constexpr int kYesNoButtons = 4;

QMessageBox::Icon iconOf(int style)
{
    switch (style & kIconMask) {
    case 16:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case 48:
        return QMessageBox::Warning;
    case 64:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int QtMessagePresenter::present(const common::MessageRequest &request)
{
    const bool yesNo = (request.style & kButtonsMask) == kYesNoButtons;

    QMessageBox box(m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(request.title);
    // Subjects come from what the user typed: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.text);
    box.setIcon(iconOf(request.style));
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        const bool noIsDefault = (request.style & kSecondButtonDefault) != 0;
        box.setDefaultButton(noIsDefault ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();

    // A box closed without an answer counts as No (never as a Yes).
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return common::ButtonYes;
    case QMessageBox::No:
        return common::ButtonNo;
    case QMessageBox::Ok:
        return common::ButtonOk;
    default:
        return yesNo ? int(common::ButtonNo) : int(common::ButtonOk);
    }
}

} // namespace ui
