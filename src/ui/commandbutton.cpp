#include "ui/commandbutton.h"

#include "common/colour.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>

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

// A question mark in a round sign: the picture of the hint buttons. Drawn as
// strokes, so that no font has to be looked up for it at start-up.
QPixmap hintPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x30, 0x40, 0x30);
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(QColor(0xFF, 0xF4, 0xC0));
    painter.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));

    const qreal u = size / 24.0;
    QPainterPath mark;
    mark.arcMoveTo(QRectF(8 * u, 5 * u, 8 * u, 7 * u), 160);
    mark.arcTo(QRectF(8 * u, 5 * u, 8 * u, 7 * u), 160, -250);
    mark.quadTo(QPointF(12 * u, 13 * u), QPointF(12 * u, 15 * u));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ink, 2.2 * u, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(mark);
    painter.setBrush(ink);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(12 * u, 18.5 * u), 1.4 * u, 1.4 * u);
    return pixmap;
}

} // namespace

HintButton::HintButton(QWidget *parent) : CommandButton(QString(), parent)
{
    const QColor back = common::colourFromNumber(0x8E9E69);
    setStyleSheet(
        QStringLiteral("ui--HintButton { background-color: %1; border: 1px solid #505a40; border-radius: 3px; }"
                       "ui--HintButton:focus { border: 2px solid #1a4f9c; }")
            .arg(back.name()));
    // Drawn once for the three pages' buttons; the cache is Qt's, emptied with the application.
    QPixmap picture;
    if (!QPixmapCache::find(QStringLiteral("zephra-hint-24"), &picture)) {
        picture = hintPicture(24);
        QPixmapCache::insert(QStringLiteral("zephra-hint-24"), picture);
    }
    setIcon(picture);
    setIconSize(QSize(24, 24));
    setToolTip(QStringLiteral("ヒント"));
    setAccessibleName(QStringLiteral("ヒントを表示"));
}

} // namespace ui
