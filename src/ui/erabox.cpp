#include "ui/erabox.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace ui {

void EraBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        QComboBox::keyPressEvent(event);
        return;
    }
    event->accept(); // the key code is set to 0: nothing happens
}

void EraBox::keyReleaseEvent(QKeyEvent *event)
{
    event->accept();
}

void EraBox::wheelEvent(QWheelEvent *event)
{
    // A value picked by scrolling past the list would change it without a pick.
    event->accept();
}

} // namespace ui
