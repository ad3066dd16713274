#include "ui/placement.h"

#include "ui/geometry.h"

#include <QLabel>

namespace ui {

void place(QWidget *widget, const QString &name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(left, top, width, height));
}

QLabel *addLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(twipsPoint(left, top));
    label->adjustSize();
    return label;
}

} // namespace ui
