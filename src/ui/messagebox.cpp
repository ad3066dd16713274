// The message presenter that draws a modal QMessageBox.

#include "ui/messagebox.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace ui {

namespace {

QMessageBox::Icon iconOf(common::Icon icon)
{
    switch (icon) {
    case common::Icon::Information:
        return QMessageBox::Information;
    case common::Icon::Warning:
        return QMessageBox::Warning;
    case common::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton buttonOf(common::Answer answer)
{
    switch (answer) {
    case common::Answer::Yes:
        return QMessageBox::Yes;
    case common::Answer::No:
        return QMessageBox::No;
    case common::Answer::Ok:
        return QMessageBox::Ok;
    }
    return QMessageBox::NoButton;
}

} // namespace

common::Answer QtMessagePresenter::present(const common::MessageRequest &request)
{
    const bool yesNo = request.style.buttons == common::Buttons::YesNo;

    QMessageBox box(m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(request.title);
    // Subjects come from what the user typed: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.text);
    box.setIcon(iconOf(request.style.icon));
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(buttonOf(request.style.defaultAnswer));
    box.exec();

    // A box closed without an answer counts as No (never as a Yes).
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return common::Answer::Yes;
    case QMessageBox::No:
        return common::Answer::No;
    case QMessageBox::Ok:
        return common::Answer::Ok;
    default:
        return yesNo ? common::Answer::No : common::Answer::Ok;
    }
}

} // namespace ui
