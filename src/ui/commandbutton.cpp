#include "ui/commandbutton.h"

#include "common/colour.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>

namespace ui {

CommandButton::CommandButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        event->accept();
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
}

namespace {

// A question mark in a round sign: the picture of the hint buttons.
QPixmap hintPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x30, 0x40, 0x30), 1.5));
    painter.setBrush(QColor(0xFF, 0xF4, 0xC0));
    painter.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size * 2 / 3);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

} // namespace

HintButton::HintButton(QWidget *parent) : CommandButton(QString(), parent)
{
    const QColor back = common::colourFromNumber(0x8E9E69);
    setStyleSheet(QStringLiteral("ui--HintButton { background-color: %1; border: 1px solid #505a40; border-radius: 3px; }"
                                 "ui--HintButton:focus { border: 2px solid #1a4f9c; }")
                      .arg(back.name()));
    setIcon(hintPicture(24));
    setIconSize(QSize(24, 24));
    setToolTip(QStringLiteral("ヒント"));
    setAccessibleName(QStringLiteral("ヒント"));
}

} // namespace ui
