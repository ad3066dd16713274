#pragma once
// A push button of the pages: Enter and Return press it as Space does, so that
// every command can be reached and run from the keyboard.

#include <QPushButton>

namespace ui {

class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CommandButton(const QString &caption, QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The picture button that opens the hint window of a page.
class HintButton : public CommandButton
{
    Q_OBJECT
public:
    explicit HintButton(QWidget *parent = nullptr);
};

} // namespace ui
