#include "ui/colourswatch.h"

#include "common/colour.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ui {

ColourSwatch::ColourSwatch(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    // Reachable from the keyboard too: Space or Enter opens the colour dialog.
    setFocusPolicy(Qt::StrongFocus);
    setBackColour(0xFFFFFF);
}

void ColourSwatch::setBackColour(qint32 colourNumber)
{
    m_colour = colourNumber;
    QPalette p = palette();
    p.setColor(QPalette::Window, common::colourFromNumber(colourNumber));
    setPalette(p);
}

void ColourSwatch::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    emit doubleClicked();
}

void ColourSwatch::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit doubleClicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace ui
