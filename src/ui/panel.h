#pragma once
// A raised 3-D panel that groups controls on a page.

#include <QFrame>

namespace ui {

class Panel : public QFrame
{
    Q_OBJECT
public:
    explicit Panel(const QString &name, QWidget *parent = nullptr) : QFrame(parent)
    {
        setObjectName(name);
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Raised);
        setLineWidth(1);
    }
};

} // namespace ui
